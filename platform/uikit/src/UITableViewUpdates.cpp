// UITableView: row and section updates (applied at once, logged with their row
// animation), selection, scrolling to a row, and touches on cells.
#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include "FoundationGlue.h"
#include "TableInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

namespace uikit::detail {

using objc::send;
using objc::sel;

namespace {

using Kind = TableUpdate::Kind;

void complain(const char* what) { std::fprintf(stderr, "UITableView: %s\n", what); }

// Moves every section-keyed view by a section mapping; views whose section maps to
// nothing are taken off.
void remapSupplements(id table, std::map<NSInteger, id>& views, const std::function<std::optional<NSInteger>(NSInteger)>& map) {
  std::map<NSInteger, id> moved;
  for (auto& [section, view] : views) {
    if (auto to = map(section)) {
      moved[*to] = view;
    } else {
      if (viewIvars(view)->_superview == table) send<void>(view, sel<"removeFromSuperview">());
      objc::release(view);
    }
  }
  views = std::move(moved);
}

}  // namespace

void submitUpdate(id table, TableUpdate update) {
  TableStorage& ts = tableStorage(table);
  tableIvars(table)->_lastRowAnimation = update.animation;
  ts.updates.push_back(update);
  if (ts.batchDepth > 0) ts.pending.push_back(std::move(update));
  else applyUpdates(table, {std::move(update)});
}

// The batch is applied to the cells on screen as a mapping from old to new index
// paths: reloaded and deleted rows lose their cells; the rest move down past
// deletions (old indexes) and up past insertions (new indexes).  The counts expected
// afterwards are then checked against the data source.
void applyUpdates(id table, const std::vector<TableUpdate>& batch) {
  TableStorage& ts = tableStorage(table);
  objc::Ref keep = objc::Ref::retain(table);
  ensureLayout(table);
  const TableLayout& old = ts.layout;
  std::vector<std::optional<NSInteger>> counts;  // expected rows per section; nullopt: ask
  for (NSInteger s = 0; s < old.numberOfSections(); ++s) counts.push_back(old.numberOfRows(s));

  std::set<NSInteger> reloadSections, deleteSections, insertSections;
  std::set<RowIndex> reloadRows, deleteRows, insertRows;
  for (const TableUpdate& u : batch) {
    switch (u.kind) {
      case Kind::ReloadSections:
      case Kind::DeleteSections:
        for (NSInteger s : u.sections) {
          if (s < 0 || s >= old.numberOfSections()) {
            complain("an update names a section that does not exist; it is ignored");
            continue;
          }
          (u.kind == Kind::ReloadSections ? reloadSections : deleteSections).insert(s);
        }
        break;
      case Kind::InsertSections:
        for (NSInteger s : u.sections) insertSections.insert(s);
        break;
      case Kind::ReloadRows:
      case Kind::DeleteRows:
        for (auto [s, r] : u.rows) {
          if (!old.contains({s, r})) {
            complain("an update names a row that does not exist; it is ignored");
            continue;
          }
          (u.kind == Kind::ReloadRows ? reloadRows : deleteRows).insert({s, r});
        }
        break;
      case Kind::InsertRows:
        for (auto [s, r] : u.rows) insertRows.insert({s, r});
        break;
      case Kind::ReloadData:
        break;
    }
  }

  // Old → new index of a section and a row, or nothing when it goes away.
  auto mapSection = [&](NSInteger s) -> std::optional<NSInteger> {
    if (deleteSections.count(s)) return std::nullopt;
    NSInteger n = s - static_cast<NSInteger>(std::distance(deleteSections.begin(), deleteSections.lower_bound(s)));
    for (NSInteger inserted : insertSections)
      if (inserted <= n) ++n;
    return n;
  };
  auto mapRow = [&](RowIndex index) -> std::optional<RowIndex> {
    if (reloadSections.count(index.section) || reloadRows.count(index) || deleteRows.count(index)) return std::nullopt;
    auto section = mapSection(index.section);
    if (!section) return std::nullopt;
    NSInteger row = index.row;
    for (const RowIndex& d : deleteRows)
      if (d.section == index.section && d.row < index.row) --row;
    for (const RowIndex& i : insertRows)
      if (i.section == *section && i.row <= row) ++row;
    return RowIndex{*section, row};
  };

  // Expected counts: deletions on the old sections, then insertions.
  std::vector<std::optional<NSInteger>> expected;
  for (NSInteger s = 0; s < static_cast<NSInteger>(counts.size()); ++s) {
    if (deleteSections.count(s)) continue;
    std::optional<NSInteger> c = counts[static_cast<std::size_t>(s)];
    if (reloadSections.count(s)) c = std::nullopt;
    else
      for (const RowIndex& d : deleteRows)
        if (d.section == s) --*c;
    expected.push_back(c);
  }
  for (NSInteger s : insertSections) {
    if (s < 0 || s > static_cast<NSInteger>(expected.size())) {
      complain("an insertion names a section beyond the end; the table reloads");
      expected.clear();
      break;
    }
    expected.insert(expected.begin() + s, std::nullopt);
  }
  for (const RowIndex& i : insertRows) {
    if (i.section < 0 || i.section >= static_cast<NSInteger>(expected.size())) continue;
    if (auto& c = expected[static_cast<std::size_t>(i.section)]) ++*c;
  }

  // Cells on screen move to their new rows or leave.
  std::vector<VisibleCell> moved;
  std::vector<VisibleCell> leaving;
  for (const VisibleCell& vc : ts.cells) {
    if (auto to = mapRow(vc.index)) moved.push_back({*to, vc.cell});
    else leaving.push_back(vc);
  }
  ts.cells.clear();
  for (const VisibleCell& vc : leaving) recycleCell(table, vc.cell, vc.index);
  std::sort(moved.begin(), moved.end(), [](const VisibleCell& a, const VisibleCell& b) { return a.index < b.index; });
  ts.cells = std::move(moved);
  if (ts.selected) ts.selected = mapRow(*ts.selected);
  auto supplementMap = [&](NSInteger s) -> std::optional<NSInteger> {
    if (reloadSections.count(s)) return std::nullopt;
    return mapSection(s);
  };
  remapSupplements(table, ts.headers, supplementMap);
  remapSupplements(table, ts.footers, supplementMap);

  // Ask the data source again and check the counts.
  ts.layoutValid = false;
  ensureLayout(table);
  bool consistent = ts.layout.numberOfSections() == static_cast<NSInteger>(expected.size());
  for (std::size_t s = 0; consistent && s < expected.size(); ++s)
    if (expected[s] && *expected[s] != ts.layout.numberOfRows(static_cast<NSInteger>(s))) consistent = false;
  if (!consistent) {
    complain("the data source's counts after an update do not match the change; the table reloads");
    dropEverything(table);
    ts.selected.reset();
  }
  ts.cellsValid = false;
  viewIvars(table)->_needsLayout = YES;
}

namespace {

std::vector<std::pair<NSInteger, NSInteger>> rowsOf(id indexPaths) {
  std::vector<std::pair<NSInteger, NSInteger>> out;
  for (id path : arrayElements(indexPaths)) out.emplace_back(indexPathSection(path), indexPathRow(path));
  return out;
}

std::vector<NSInteger> sectionsOf(id indexSet) {
  std::vector<NSInteger> out;
  for (NSUInteger i : indexSetIndexes(indexSet)) out.push_back(static_cast<NSInteger>(i));
  return out;
}

void beginUpdates(id self, SEL) { ++tableStorage(self).batchDepth; }
void endUpdates(id self, SEL) {
  TableStorage& ts = tableStorage(self);
  if (ts.batchDepth == 0) return;
  if (--ts.batchDepth > 0) return;
  std::vector<TableUpdate> batch = std::move(ts.pending);
  ts.pending.clear();
  if (!batch.empty()) applyUpdates(self, batch);
}

void reloadSectionsMethod(id self, SEL, id indexes, NSInteger animation) {
  submitUpdate(self, {Kind::ReloadSections, sectionsOf(indexes), {}, animation});
}
void deleteSectionsMethod(id self, SEL, id indexes, NSInteger animation) {
  submitUpdate(self, {Kind::DeleteSections, sectionsOf(indexes), {}, animation});
}
void insertSectionsMethod(id self, SEL, id indexes, NSInteger animation) {
  submitUpdate(self, {Kind::InsertSections, sectionsOf(indexes), {}, animation});
}
void reloadRowsMethod(id self, SEL, id paths, NSInteger animation) {
  submitUpdate(self, {Kind::ReloadRows, {}, rowsOf(paths), animation});
}
void deleteRowsMethod(id self, SEL, id paths, NSInteger animation) {
  submitUpdate(self, {Kind::DeleteRows, {}, rowsOf(paths), animation});
}
void insertRowsMethod(id self, SEL, id paths, NSInteger animation) {
  submitUpdate(self, {Kind::InsertRows, {}, rowsOf(paths), animation});
}

// ---- Selection -----------------------------------------------------------------------

void setCellSelected(id table, RowIndex index, bool selected) {
  if (id cell = visibleCell(table, index))
    send<void>(cell, sel<"setSelected:animated:">(), static_cast<BOOL>(selected), static_cast<BOOL>(NO));
}

void selectRow(id self, SEL, id indexPath, BOOL, NSInteger) {
  TableStorage& ts = tableStorage(self);
  ensureCells(self);
  if (ts.selected) setCellSelected(self, *ts.selected, false);
  ts.selected = rowIndexOf(indexPath);
  if (ts.selected && !ts.layout.contains(*ts.selected)) ts.selected.reset();
  if (ts.selected) setCellSelected(self, *ts.selected, true);
}

void deselectRow(id self, SEL, id indexPath, BOOL) {
  TableStorage& ts = tableStorage(self);
  auto index = rowIndexOf(indexPath);
  if (!index || ts.selected != index) return;
  ts.selected.reset();
  setCellSelected(self, *index, false);
}

id selectedRow(id self, SEL) {
  auto& selected = tableStorage(self).selected;
  return selected ? indexPathFor(*selected) : nil;
}
id selectedRows(id self, SEL) {
  auto& selected = tableStorage(self).selected;
  if (!selected) return nil;
  id path = indexPathFor(*selected);
  return makeNSArray(std::vector<id>{path});
}

void scrollToRow(id self, SEL, id indexPath, NSInteger position, BOOL) {
  ensureLayout(self);
  auto index = rowIndexOf(indexPath);
  TableStorage& ts = tableStorage(self);
  if (!index || !ts.layout.contains(*index)) return;
  CGRect b = viewBounds(self);
  CGRect row = ts.layout.rowRect(*index, b.size.width);
  UIScrollViewIvars* s = tableIvars(self);
  CGFloat y = b.origin.y;
  switch (position) {
    case UITableViewScrollPositionTop: y = row.origin.y; break;
    case UITableViewScrollPositionMiddle: y = CGRectGetMidY(row) - b.size.height / 2; break;
    case UITableViewScrollPositionBottom: y = CGRectGetMaxY(row) - b.size.height; break;
    default:
      if (row.origin.y < b.origin.y) y = row.origin.y;
      else if (CGRectGetMaxY(row) > CGRectGetMaxY(b)) y = CGRectGetMaxY(row) - b.size.height;
  }
  CGFloat maxY = std::max(-s->_contentInset.top, ts.layout.contentHeight() + s->_contentInset.bottom - b.size.height);
  y = std::clamp(y, -s->_contentInset.top, maxY);
  send<void>(self, sel<"setContentOffset:">(), CGPointMake(b.origin.x, y));
}

// ---- Touches -------------------------------------------------------------------------

// How far a finger may move and still select the row it went down on.
constexpr CGFloat kSelectionSlop = 10;

// Where the first of the touches is, in the table's coordinates.
CGPoint touchLocation(id table, id touches) {
  for (id touch : setElements(touches)) return send<CGPoint>(touch, sel<"locationInView:">(), table);
  return CGPointZero;
}

// The visible row whose cell contains the view a touch landed on.
std::optional<RowIndex> rowOfTouches(id table, id touches) {
  for (id touch : setElements(touches)) {
    for (id v = send<id>(touch, sel<"view">()); v != nil && v != table; v = viewIvars(v)->_superview)
      if (auto index = rowOfCell(table, v)) return index;
  }
  return std::nullopt;
}

void touchesBegan(id self, SEL, id touches, id) {
  if (swipeDeleteTakesTouchesBegan(self)) return;
  TableStorage& ts = tableStorage(self);
  if (!tableIvars(self)->_allowsSelection) return;
  if (auto index = rowOfTouches(self, touches)) {
    ts.highlighted = index;
    ts.highlightStart = touchLocation(self, touches);
    if (id cell = visibleCell(self, *index))
      send<void>(cell, sel<"setHighlighted:animated:">(), static_cast<BOOL>(YES), static_cast<BOOL>(NO));
  }
}

void unhighlight(id self) {
  TableStorage& ts = tableStorage(self);
  if (!ts.highlighted) return;
  if (id cell = visibleCell(self, *ts.highlighted))
    send<void>(cell, sel<"setHighlighted:animated:">(), static_cast<BOOL>(NO), static_cast<BOOL>(NO));
  ts.highlighted.reset();
}

void touchesEnded(id self, SEL, id touches, id) {
  if (swipeDeleteTakesTouchesEnded(self)) return;
  auto index = rowOfTouches(self, touches);
  bool wasHighlighted = index && tableStorage(self).highlighted == index;
  unhighlight(self);
  if (!index || !wasHighlighted || !tableIvars(self)->_allowsSelection) return;
  objc::Ref keep = objc::Ref::retain(self);
  id delegate = tableIvars(self)->_delegate;
  id path = indexPathFor(*index);
  if (delegateAnswers(self, sel<"tableView:willSelectRowAtIndexPath:">())) {
    path = send<id>(delegate, sel<"tableView:willSelectRowAtIndexPath:">(), self, path);
    if (path == nil) return;
  }
  TableStorage& ts = tableStorage(self);
  if (ts.selected && ts.selected != rowIndexOf(path)) {
    RowIndex previous = *ts.selected;
    deselectRow(self, nullptr, indexPathFor(previous), NO);
    if (delegateAnswers(self, sel<"tableView:didDeselectRowAtIndexPath:">()))
      send<void>(delegate, sel<"tableView:didDeselectRowAtIndexPath:">(), self, indexPathFor(previous));
  }
  selectRow(self, nullptr, path, NO, 0);
  if (delegateAnswers(self, sel<"tableView:didSelectRowAtIndexPath:">()))
    send<void>(delegate, sel<"tableView:didSelectRowAtIndexPath:">(), self, path);
}

void touchesCancelled(id self, SEL, id, id) {
  swipeDeleteTakesTouchesEnded(self);
  unhighlight(self);
}
// A finger that moves away from where it went down (a drag, or a swipe the table
// does not take) selects nothing: the row loses its highlight.
void touchesMoved(id self, SEL, id touches, id) {
  TableStorage& ts = tableStorage(self);
  if (!ts.highlighted) return;
  CGPoint now = touchLocation(self, touches);
  if (std::hypot(now.x - ts.highlightStart.x, now.y - ts.highlightStart.y) > kSelectionSlop) unhighlight(self);
}

}  // namespace

void addTableUpdateMethods(objc::ClassBuilder<UITableViewIvars>& b) {
  b.method<&beginUpdates>("beginUpdates")
      .method<&endUpdates>("endUpdates")
      .method<&reloadSectionsMethod>("reloadSections:withRowAnimation:")
      .method<&deleteSectionsMethod>("deleteSections:withRowAnimation:")
      .method<&insertSectionsMethod>("insertSections:withRowAnimation:")
      .method<&reloadRowsMethod>("reloadRowsAtIndexPaths:withRowAnimation:")
      .method<&deleteRowsMethod>("deleteRowsAtIndexPaths:withRowAnimation:")
      .method<&insertRowsMethod>("insertRowsAtIndexPaths:withRowAnimation:")
      .method<&selectRow>("selectRowAtIndexPath:animated:scrollPosition:")
      .method<&deselectRow>("deselectRowAtIndexPath:animated:")
      .method<&selectedRow>("indexPathForSelectedRow")
      .method<&selectedRows>("indexPathsForSelectedRows")
      .method<&scrollToRow>("scrollToRowAtIndexPath:atScrollPosition:animated:")
      .method<&touchesBegan>("touchesBegan:withEvent:")
      .method<&touchesMoved>("touchesMoved:withEvent:")
      .method<&touchesEnded>("touchesEnded:withEvent:")
      .method<&touchesCancelled>("touchesCancelled:withEvent:");
}

}  // namespace uikit::detail
