// What the table files share: the storage behind a table's ivars and the steps that
// bring its layout and cells up to date.
#pragma once

#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include "TableLayout.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace uikit::detail {

struct VisibleCell {
  RowIndex index;
  id cell;  // retained
};

struct TableStorage {
  TableLayout layout;
  bool layoutValid = false;
  bool buildingLayout = false;
  bool cellsValid = false;
  bool updatingCells = false;
  CGRect cellsBounds{};
  std::vector<VisibleCell> cells;                // in table order
  std::map<std::string, std::vector<id>> pool;   // retained, by reuse identifier
  std::map<std::string, Class> registered;       // reuse identifier → cell class
  std::map<NSInteger, id> headers;               // retained, by section
  std::map<NSInteger, id> footers;               // retained, by section
  std::vector<TableUpdate> updates;
  std::optional<RowIndex> selected;
  std::optional<RowIndex> highlighted;
  CGPoint highlightStart{};  // where the touch that highlighted a row began (table coordinates)
  std::size_t cellRequests = 0;
  int batchDepth = 0;
  std::vector<TableUpdate> pending;  // changes waiting for endUpdates
  // Swipe to delete (TableSwipeDelete.cpp).
  id swipeRecognizer = nil;            // retained; also in the table's recognisers
  id deleteCell = nil;                 // retained: the cell showing the Delete button
  id deleteButton = nil;               // retained
  std::optional<RowIndex> deleteRow;   // its row when the button appeared
  bool swallowTouches = false;         // the touch under way only took the button away
};

inline UITableViewIvars* tableIvars(id table) { return reinterpret_cast<UITableViewIvars*>(table); }
TableStorage& tableStorage(id table);

// Asks the data source and delegate for counts and heights when they are not known.
void ensureLayout(id table);
// Brings the cells, headers and footers on screen up to date with the bounds.
void ensureCells(id table);

// Takes a cell off the screen: removed from the table, announced to the delegate and
// put in the reuse pool (or released when it has no reuse identifier).  The caller
// has already taken it out of the visible list.
void recycleCell(id table, id cell, RowIndex index);
// Drops every cell, header and footer view on screen and forgets counts and heights.
void dropEverything(id table);

// The visible cell of a row, or nil.
id visibleCell(id table, RowIndex index);
// The row of a visible cell.
std::optional<RowIndex> rowOfCell(id table, id cell);

id indexPathFor(RowIndex index);
std::optional<RowIndex> rowIndexOf(id indexPath);

// Sends the delegate a selector when it answers it; answers whether it did.
bool delegateAnswers(id table, SEL selector);
bool dataSourceAnswers(id table, SEL selector);

// Logs an update and applies it now, or keeps it for endUpdates.
void submitUpdate(id table, TableUpdate update);
// Applies a batch of updates (see UITableView.h for the index rules).
void applyUpdates(id table, const std::vector<TableUpdate>& batch);

void addTableUpdateMethods(objc::ClassBuilder<UITableViewIvars>& builder);

// Swipe to delete (uikit/TableSwipeDelete.h).  The recogniser is put on once the data
// source commits deletions; endSwipeDelete takes a confirmation away (with the cell's
// and the delegate's messages), forgetSwipeDelete drops every reference silently (the
// table is going away).  The touch hooks answer whether the table's own touch
// handling must skip the touch: one that began while a confirmation showed only
// takes it away.
void updateSwipeDeleteRecognizer(id table);
void endSwipeDelete(id table);
void forgetSwipeDelete(id table);
bool swipeDeleteTakesTouchesBegan(id table);
bool swipeDeleteTakesTouchesEnded(id table);
void addTableSwipeDeleteMethods(objc::ClassBuilder<UITableViewIvars>& builder);
objc::ClassBuilder<UITableViewCellIvars>& addCellSwipeDeleteMethods(
    objc::ClassBuilder<UITableViewCellIvars>& builder);

}  // namespace uikit::detail
