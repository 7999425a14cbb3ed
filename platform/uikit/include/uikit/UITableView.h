// UITableView: rows in sections, handed out as cells by a data source.
//
// The data source and delegate (neither retained) are reached only through message
// sends, and only for what they answer (respondsToSelector:): numberOfSectionsInTableView:
// (else 1), tableView:numberOfRowsInSection:, tableView:cellForRowAtIndexPath:,
// tableView:titleForHeaderInSection:, tableView:titleForFooterInSection:,
// tableView:heightForRowAtIndexPath: (else rowHeight, 44), tableView:heightForHeaderInSection:
// and tableView:heightForFooterInSection: (else sectionHeaderHeight / sectionFooterHeight,
// 22, when the section has a title or the delegate makes header views; else 0),
// tableView:viewForHeaderInSection:, tableView:viewForFooterInSection:,
// tableView:willDisplayCell:forRowAtIndexPath:, tableView:didEndDisplayingCell:forRowAtIndexPath:,
// tableView:willSelectRowAtIndexPath:, tableView:didSelectRowAtIndexPath:,
// tableView:didDeselectRowAtIndexPath:, tableView:shouldShowMenuForRowAtIndexPath:.
//
// Counts and heights are asked when the table is first used after reloadData (or a
// change of data source) and kept until the next reload or update; the table's own
// numberOfSections and numberOfRowsInSection: answer from them.  Rows are stacked by
// their heights under the table header view; content size follows.
//
// Cells exist only for the rows on screen: those whose rectangle overlaps the
// table's bounds (the bounds origin being the content offset), plus rows of height 0
// lying inside them.  A query (cellForRowAtIndexPath:, visibleCells,
// indexPathsForVisibleRows, indexPathForCell:, headerViewForSection:) or a layout
// pass brings the cells up to date with the bounds first: rows that left the screen
// give their cells back to the reuse pool (tableView:didEndDisplayingCell:… is sent),
// rows that came on screen get a cell from tableView:cellForRowAtIndexPath:.  A row
// off screen has no cell (cellForRowAtIndexPath: answers nil).  Section headers and
// footers follow the same rule and scroll with the rows.
//
// Answers initWithFrame:, initWithFrame:style:, style, dataSource, setDataSource:,
// delegate, setDelegate:, rowHeight, sectionHeaderHeight, sectionFooterHeight (and
// setters), tableHeaderView, tableFooterView, backgroundView, separatorStyle,
// allowsSelection, editing, setEditing:animated:, reloadData, numberOfSections,
// numberOfRowsInSection:, cellForRowAtIndexPath:, indexPathForCell:,
// indexPathsForVisibleRows, visibleCells, indexPathForRowAtPoint:,
// indexPathsForRowsInRect:, rectForRowAtIndexPath:, rectForSection:,
// rectForHeaderInSection:, rectForFooterInSection:, headerViewForSection:,
// footerViewForSection:, dequeueReusableCellWithIdentifier:,
// dequeueReusableCellWithIdentifier:forIndexPath:, registerClass:forCellReuseIdentifier:,
// beginUpdates, endUpdates, reloadSections:withRowAnimation:,
// reloadRowsAtIndexPaths:withRowAnimation:, insertRowsAtIndexPaths:withRowAnimation:,
// deleteRowsAtIndexPaths:withRowAnimation:, insertSections:withRowAnimation:,
// deleteSections:withRowAnimation:, selectRowAtIndexPath:animated:scrollPosition:,
// deselectRowAtIndexPath:animated:, indexPathForSelectedRow, indexPathsForSelectedRows,
// scrollToRowAtIndexPath:atScrollPosition:animated:, _sectionForHeaderView: (the
// section whose header view it is, NSNotFound for any other view) and
// _shouldShowMenuForCell: (the delegate's tableView:shouldShowMenuForRowAtIndexPath:
// for the cell's row when it answers it, else NO).
//
// Updates apply at once (animations are not drawn) and are logged with their row
// animation (see tableUpdates); the last one is also in the ivar `_lastRowAnimation`
// (-1 before any).  Inside beginUpdates/endUpdates, deletions and reloads use the old
// indexes and insertions the new ones, as on iOS.  After an update the data source's
// counts must agree with the change; when they do not, the table says so on standard
// error and reloads everything (iOS would raise).  An index that does not exist makes
// that one change do nothing, with a message on standard error.
//
// A touch that ends on a cell selects its row (willSelect…, setSelected:animated:,
// didSelect…); the cell is highlighted while the finger is down.  A finger that moves
// more than 10 points from where it went down selects nothing.
//
// Swipe to delete: when the data source answers
// tableView:commitEditingStyle:forRowAtIndexPath: (and, when it answers it,
// tableView:canEditRowAtIndexPath: says YES for the row), a horizontal swipe across a
// row shows a red Delete confirmation button at the right end of its cell; tapping it
// sends the data source tableView:commitEditingStyle: 1 (Delete) forRowAtIndexPath:,
// and a tap anywhere else in the table only hides it.  The table answers _swipe: and
// gestureRecognizerShouldBegin: for its swipe recogniser; cells answer
// showingDeleteConfirmation, willTransitionToState: and didTransitionToState:.
// Details in uikit/TableSwipeDelete.h.
#pragma once

#include <uikit/UIScrollView.h>

#include <memory>
#include <string>
#include <vector>

namespace uikit::detail {
struct TableStorage;
}

struct UITableViewIvars : UIScrollViewIvars {
  id _dataSource;       // not retained
  id _tableHeaderView;  // retained
  id _tableFooterView;  // retained
  id _backgroundView;   // retained
  NSInteger _style;
  NSInteger _separatorStyle;
  NSInteger _lastRowAnimation;
  CGFloat _rowHeight;
  CGFloat _sectionHeaderHeight;
  CGFloat _sectionFooterHeight;
  BOOL _allowsSelection;
  BOOL _editing;
  std::unique_ptr<uikit::detail::TableStorage> _tableStorage;  // layout, cells, pool, log
};

namespace uikit {

Class UITableViewClass();

// One update of a table, as logged.
struct TableUpdate {
  enum class Kind { ReloadData, ReloadSections, ReloadRows, InsertRows, DeleteRows, InsertSections, DeleteSections };
  Kind kind;
  std::vector<NSInteger> sections;                       // for the section kinds
  std::vector<std::pair<NSInteger, NSInteger>> rows;     // (section, row) for the row kinds
  NSInteger animation = -1;                              // the row animation given (-1 for reloadData)
};

// The updates a table has had, oldest first (empty for nil or another object).
std::vector<TableUpdate> tableUpdates(id table);
void clearTableUpdates(id table);

// The number of times the table has asked its data source for a cell.
std::size_t tableCellRequests(id table);

}  // namespace uikit
