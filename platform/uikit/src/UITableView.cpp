// UITableView: properties, the layout asked of the data source, the cells on screen
// and the queries about them.  Updates, selection and touches are in
// UITableViewUpdates.cpp.
#include <uikit/UILabel.h>
#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include "FoundationGlue.h"
#include "TableInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>
#include <cstdio>

namespace uikit {

using detail::RowIndex;
using detail::tableIvars;
using detail::tableStorage;
using objc::send;
using objc::sel;

namespace detail {

TableStorage& tableStorage(id table) {
  auto& slot = tableIvars(table)->_tableStorage;
  if (!slot) slot = std::make_unique<TableStorage>();
  return *slot;
}

id indexPathFor(RowIndex index) { return makeIndexPath(index.section, index.row); }

std::optional<RowIndex> rowIndexOf(id indexPath) {
  if (indexPath == nil) return std::nullopt;
  return RowIndex{indexPathSection(indexPath), indexPathRow(indexPath)};
}

bool delegateAnswers(id table, SEL selector) {
  id d = tableIvars(table)->_delegate;
  return d != nil && send<BOOL>(d, sel<"respondsToSelector:">(), selector);
}
bool dataSourceAnswers(id table, SEL selector) {
  id d = tableIvars(table)->_dataSource;
  return d != nil && send<BOOL>(d, sel<"respondsToSelector:">(), selector);
}

namespace {

// The height of a section's header or footer when the delegate does not say.
CGFloat defaultSupplementHeight(id table, NSInteger section, SEL titleSelector, SEL viewSelector, CGFloat height) {
  if (dataSourceAnswers(table, titleSelector) &&
      send<id>(tableIvars(table)->_dataSource, titleSelector, table, section) != nil)
    return height;
  if (delegateAnswers(table, viewSelector)) return height;
  return 0;
}

}  // namespace

void ensureLayout(id table) {
  TableStorage& ts = tableStorage(table);
  if (ts.layoutValid || ts.buildingLayout) return;
  objc::Ref keep = objc::Ref::retain(table);
  objc::AutoreleasePool pool;
  ts.buildingLayout = true;
  UITableViewIvars* t = tableIvars(table);
  TableLayout layout;
  id source = t->_dataSource;
  id delegate = t->_delegate;
  NSInteger sections = 0;
  if (source != nil) {
    sections = dataSourceAnswers(table, sel<"numberOfSectionsInTableView:">())
                   ? send<NSInteger>(source, sel<"numberOfSectionsInTableView:">(), table)
                   : 1;
  }
  sections = std::max<NSInteger>(sections, 0);
  bool rowHeights = delegateAnswers(table, sel<"tableView:heightForRowAtIndexPath:">());
  bool headerHeights = delegateAnswers(table, sel<"tableView:heightForHeaderInSection:">());
  bool footerHeights = delegateAnswers(table, sel<"tableView:heightForFooterInSection:">());
  layout.sections.resize(static_cast<std::size_t>(sections));
  for (NSInteger s = 0; s < sections; ++s) {
    SectionLayout& sl = layout.sections[static_cast<std::size_t>(s)];
    NSInteger rows = send<NSInteger>(source, sel<"tableView:numberOfRowsInSection:">(), table, s);
    sl.headerHeight = headerHeights ? send<CGFloat>(delegate, sel<"tableView:heightForHeaderInSection:">(), table, s)
                                    : defaultSupplementHeight(table, s, sel<"tableView:titleForHeaderInSection:">(),
                                                              sel<"tableView:viewForHeaderInSection:">(),
                                                              t->_sectionHeaderHeight);
    sl.footerHeight = footerHeights ? send<CGFloat>(delegate, sel<"tableView:heightForFooterInSection:">(), table, s)
                                    : defaultSupplementHeight(table, s, sel<"tableView:titleForFooterInSection:">(),
                                                              sel<"tableView:viewForFooterInSection:">(),
                                                              t->_sectionFooterHeight);
    sl.headerHeight = std::max<CGFloat>(sl.headerHeight, 0);
    sl.footerHeight = std::max<CGFloat>(sl.footerHeight, 0);
    sl.rowHeights.resize(static_cast<std::size_t>(std::max<NSInteger>(rows, 0)));
    for (NSInteger r = 0; r < static_cast<NSInteger>(sl.rowHeights.size()); ++r) {
      CGFloat h = t->_rowHeight;
      if (rowHeights)
        h = send<CGFloat>(delegate, sel<"tableView:heightForRowAtIndexPath:">(), table, indexPathFor({s, r}));
      sl.rowHeights[static_cast<std::size_t>(r)] = std::max<CGFloat>(h, 0);
    }
  }
  layout.tableHeaderHeight = t->_tableHeaderView ? viewIvars(t->_tableHeaderView)->_frame.size.height : 0;
  layout.tableFooterHeight = t->_tableFooterView ? viewIvars(t->_tableFooterView)->_frame.size.height : 0;
  layout.place();
  ts.layout = std::move(layout);
  ts.layoutValid = true;
  ts.buildingLayout = false;
  ts.cellsValid = false;
  t->_contentSize = CGSizeMake(viewBounds(table).size.width, ts.layout.contentHeight());
}

void recycleCell(id table, id cell, RowIndex index) {
  objc::Ref keep = objc::Ref::adopt(cell);  // the visible list's ownership
  if (tableStorage(table).deleteCell == cell) endSwipeDelete(table);
  if (viewIvars(cell)->_superview == table) send<void>(cell, sel<"removeFromSuperview">());
  if (delegateAnswers(table, sel<"tableView:didEndDisplayingCell:forRowAtIndexPath:">())) {
    objc::AutoreleasePool pool;
    send<void>(tableIvars(table)->_delegate, sel<"tableView:didEndDisplayingCell:forRowAtIndexPath:">(), table, cell,
               indexPathFor(index));
  }
  id identifier = send<id>(cell, sel<"reuseIdentifier">());
  if (identifier != nil) tableStorage(table).pool[toStd(identifier)].push_back(keep.leak());
}

void dropEverything(id table) {
  TableStorage& ts = tableStorage(table);
  std::vector<VisibleCell> cells = std::move(ts.cells);
  ts.cells.clear();
  for (const VisibleCell& vc : cells) recycleCell(table, vc.cell, vc.index);
  for (auto* map : {&ts.headers, &ts.footers}) {
    std::map<NSInteger, id> views = std::move(*map);
    map->clear();
    for (auto& [section, view] : views) {
      if (viewIvars(view)->_superview == table) send<void>(view, sel<"removeFromSuperview">());
      objc::release(view);
    }
  }
  ts.layoutValid = false;
  ts.cellsValid = false;
}

id visibleCell(id table, RowIndex index) {
  for (const VisibleCell& vc : tableStorage(table).cells)
    if (vc.index == index) return vc.cell;
  return nil;
}

std::optional<RowIndex> rowOfCell(id table, id cell) {
  for (const VisibleCell& vc : tableStorage(table).cells)
    if (vc.cell == cell) return vc.index;
  return std::nullopt;
}

namespace {

void place(id table, id view, CGRect frame) {
  if (!(viewIvars(view)->_frame == frame)) send<void>(view, sel<"setFrame:">(), frame);
  if (viewIvars(view)->_superview != table) send<void>(table, sel<"addSubview:">(), view);
}

// A header or footer view for a section: the delegate's view, else a label with the
// data source's title, else none.
id makeSupplement(id table, NSInteger section, SEL viewSelector, SEL titleSelector) {
  if (delegateAnswers(table, viewSelector))
    if (id view = send<id>(tableIvars(table)->_delegate, viewSelector, table, section)) return objc::retain(view);
  if (dataSourceAnswers(table, titleSelector)) {
    id title = send<id>(tableIvars(table)->_dataSource, titleSelector, table, section);
    if (title != nil) {
      id label = objc::allocInit(UILabelClass());
      send<void>(label, sel<"setText:">(), title);
      return label;
    }
  }
  return nil;
}

void updateSupplements(id table, std::map<NSInteger, id>& views, const std::vector<NSInteger>& wanted, bool headers) {
  TableStorage& ts = tableStorage(table);
  CGFloat width = viewBounds(table).size.width;
  for (auto it = views.begin(); it != views.end();) {
    if (std::find(wanted.begin(), wanted.end(), it->first) != wanted.end()) {
      ++it;
      continue;
    }
    id view = it->second;
    it = views.erase(it);
    if (viewIvars(view)->_superview == table) send<void>(view, sel<"removeFromSuperview">());
    objc::release(view);
  }
  for (NSInteger section : wanted) {
    CGRect frame = headers ? ts.layout.headerRect(section, width) : ts.layout.footerRect(section, width);
    auto found = views.find(section);
    id view = found != views.end() ? found->second : nil;
    if (view == nil) {
      view = headers ? makeSupplement(table, section, sel<"tableView:viewForHeaderInSection:">(),
                                      sel<"tableView:titleForHeaderInSection:">())
                     : makeSupplement(table, section, sel<"tableView:viewForFooterInSection:">(),
                                      sel<"tableView:titleForFooterInSection:">());
      if (view == nil) continue;
      views[section] = view;
      SEL willDisplay = headers ? sel<"tableView:willDisplayHeaderView:forSection:">()
                                : sel<"tableView:willDisplayFooterView:forSection:">();
      if (delegateAnswers(table, willDisplay)) send<void>(tableIvars(table)->_delegate, willDisplay, table, view, section);
    }
    place(table, view, frame);
    send<void>(table, sel<"bringSubviewToFront:">(), view);
  }
}

}  // namespace

void ensureCells(id table) {
  TableStorage& ts = tableStorage(table);
  if (ts.updatingCells) return;
  ensureLayout(table);
  if (!ts.layoutValid) return;
  CGRect bounds = viewBounds(table);
  if (ts.cellsValid && ts.cellsBounds == bounds) return;
  objc::Ref keep = objc::Ref::retain(table);
  objc::AutoreleasePool pool;
  ts.updatingCells = true;
  UITableViewIvars* t = tableIvars(table);
  t->_contentSize = CGSizeMake(bounds.size.width, ts.layout.contentHeight());
  CGFloat top = bounds.origin.y;
  CGFloat bottom = CGRectGetMaxY(bounds);
  std::vector<RowIndex> wanted = ts.layout.rowsIn(top, bottom);

  // Rows that left the screen give their cells back.
  std::vector<VisibleCell> keepCells;
  std::vector<VisibleCell> leaving;
  for (const VisibleCell& vc : ts.cells)
    (std::binary_search(wanted.begin(), wanted.end(), vc.index) ? keepCells : leaving).push_back(vc);
  ts.cells = keepCells;
  for (const VisibleCell& vc : leaving) recycleCell(table, vc.cell, vc.index);

  // Rows that came on screen get a cell from the data source.
  std::vector<VisibleCell> result;
  for (RowIndex index : wanted) {
    id cell = visibleCell(table, index);
    if (cell == nil) {
      ++ts.cellRequests;
      id indexPath = indexPathFor(index);
      cell = send<id>(t->_dataSource, sel<"tableView:cellForRowAtIndexPath:">(), table, indexPath);
      if (cell == nil) {
        std::fprintf(stderr, "UITableView: the data source gave no cell for section %ld row %ld\n", index.section,
                     index.row);
        continue;
      }
      objc::retain(cell);
      if (UITableViewCellIvars* c = reinterpret_cast<UITableViewCellIvars*>(cell);
          isKindOfClass(cell, UITableViewCellClass()))
        c->_tableView = table;
      if (ts.selected && *ts.selected == index && !send<BOOL>(cell, sel<"isSelected">()))
        send<void>(cell, sel<"setSelected:animated:">(), static_cast<BOOL>(YES), static_cast<BOOL>(NO));
      place(table, cell, ts.layout.rowRect(index, bounds.size.width));
      if (delegateAnswers(table, sel<"tableView:willDisplayCell:forRowAtIndexPath:">()))
        send<void>(t->_delegate, sel<"tableView:willDisplayCell:forRowAtIndexPath:">(), table, cell, indexPath);
    } else {
      place(table, cell, ts.layout.rowRect(index, bounds.size.width));
    }
    result.push_back({index, cell});
  }
  // Cells the data source handed out twice are kept once.
  for (const VisibleCell& vc : ts.cells)
    if (std::none_of(result.begin(), result.end(), [&](const VisibleCell& r) { return r.cell == vc.cell; }))
      recycleCell(table, vc.cell, vc.index);
  ts.cells = std::move(result);

  updateSupplements(table, ts.headers, ts.layout.headersIn(top, bottom), true);
  updateSupplements(table, ts.footers, ts.layout.footersIn(top, bottom), false);
  if (t->_tableHeaderView)
    place(table, t->_tableHeaderView,
          CGRectMake(0, 0, bounds.size.width, viewIvars(t->_tableHeaderView)->_frame.size.height));
  if (t->_tableFooterView)
    place(table, t->_tableFooterView,
          CGRectMake(0, ts.layout.contentHeight() - ts.layout.tableFooterHeight, bounds.size.width,
                     ts.layout.tableFooterHeight));
  ts.cellsBounds = bounds;
  ts.cellsValid = true;
  ts.updatingCells = false;
}

}  // namespace detail

namespace {

using detail::ensureCells;
using detail::ensureLayout;

// ---- Creation and properties -------------------------------------------------------

id tableInitWithFrameStyle(id self, SEL, CGRect frame, NSInteger style) {
  self = objc::sendSuper<id>(self, UITableViewClass(), sel<"initWithFrame:">(), frame);
  if (self == nil) return nil;
  UITableViewIvars* t = tableIvars(self);
  t->_style = style;
  t->_rowHeight = kUITableViewDefaultRowHeight;
  t->_sectionHeaderHeight = kUITableViewDefaultSectionHeaderHeight;
  t->_sectionFooterHeight = kUITableViewDefaultSectionHeaderHeight;
  t->_lastRowAnimation = -1;
  t->_allowsSelection = YES;
  t->_alwaysBounceVertical = YES;
  return self;
}

id tableInitWithFrame(id self, SEL, CGRect frame) {
  return send<id>(self, sel<"initWithFrame:style:">(), frame, NSInteger{UITableViewStylePlain});
}

void tableDealloc(id self, SEL cmd) {
  UITableViewIvars* t = tableIvars(self);
  if (t->_tableStorage) {
    detail::forgetSwipeDelete(self);
    detail::TableStorage& ts = *t->_tableStorage;
    for (auto& vc : ts.cells) objc::release(vc.cell);
    for (auto& [name, list] : ts.pool)
      for (id cell : list) objc::release(cell);
    for (auto& [s, v] : ts.headers) objc::release(v);
    for (auto& [s, v] : ts.footers) objc::release(v);
    t->_tableStorage.reset();
  }
  for (id* slot : {&t->_tableHeaderView, &t->_tableFooterView, &t->_backgroundView}) {
    objc::release(*slot);
    *slot = nil;
  }
  objc::sendSuper<void>(self, UITableViewClass(), cmd);
}

void invalidateLayout(id self) {
  tableStorage(self).layoutValid = false;
  tableStorage(self).cellsValid = false;
  detail::viewIvars(self)->_needsLayout = YES;
}

NSInteger tableStyle(id self, SEL) { return tableIvars(self)->_style; }
id tableDataSource(id self, SEL) { return tableIvars(self)->_dataSource; }
void tableSetDataSource(id self, SEL, id source) {
  detail::endSwipeDelete(self);
  tableIvars(self)->_dataSource = source;
  detail::dropEverything(self);
  detail::updateSwipeDeleteRecognizer(self);
}
void tableSetDelegate(id self, SEL, id delegate) {
  tableIvars(self)->_delegate = delegate;
  invalidateLayout(self);
}

CGFloat tableRowHeight(id self, SEL) { return tableIvars(self)->_rowHeight; }
void tableSetRowHeight(id self, SEL, CGFloat h) {
  tableIvars(self)->_rowHeight = h;
  invalidateLayout(self);
}
CGFloat tableHeaderHeight(id self, SEL) { return tableIvars(self)->_sectionHeaderHeight; }
void tableSetHeaderHeight(id self, SEL, CGFloat h) {
  tableIvars(self)->_sectionHeaderHeight = h;
  invalidateLayout(self);
}
CGFloat tableFooterHeight(id self, SEL) { return tableIvars(self)->_sectionFooterHeight; }
void tableSetFooterHeight(id self, SEL, CGFloat h) {
  tableIvars(self)->_sectionFooterHeight = h;
  invalidateLayout(self);
}

void replaceChild(id self, id& slot, id view) {
  if (slot == view) return;
  if (slot != nil) {
    if (detail::viewIvars(slot)->_superview == self) send<void>(slot, sel<"removeFromSuperview">());
    objc::release(slot);
  }
  slot = objc::retain(view);
  invalidateLayout(self);
}
id tableHeaderView(id self, SEL) { return tableIvars(self)->_tableHeaderView; }
void tableSetHeaderView(id self, SEL, id view) { replaceChild(self, tableIvars(self)->_tableHeaderView, view); }
id tableFooterView(id self, SEL) { return tableIvars(self)->_tableFooterView; }
void tableSetFooterView(id self, SEL, id view) { replaceChild(self, tableIvars(self)->_tableFooterView, view); }
id tableBackgroundView(id self, SEL) { return tableIvars(self)->_backgroundView; }
void tableSetBackgroundView(id self, SEL, id view) {
  UITableViewIvars* t = tableIvars(self);
  if (t->_backgroundView == view) return;
  if (t->_backgroundView) {
    send<void>(t->_backgroundView, sel<"removeFromSuperview">());
    objc::release(t->_backgroundView);
  }
  t->_backgroundView = objc::retain(view);
  if (view) {
    send<void>(view, sel<"setFrame:">(), CGRect{CGPointZero, viewBounds(self).size});
    send<void>(self, sel<"insertSubview:atIndex:">(), view, NSInteger{0});
  }
}
NSInteger tableSeparatorStyle(id self, SEL) { return tableIvars(self)->_separatorStyle; }
void tableSetSeparatorStyle(id self, SEL, NSInteger s) { tableIvars(self)->_separatorStyle = s; }
BOOL tableAllowsSelection(id self, SEL) { return tableIvars(self)->_allowsSelection; }
void tableSetAllowsSelection(id self, SEL, BOOL on) { tableIvars(self)->_allowsSelection = on ? YES : NO; }
BOOL tableEditing(id self, SEL) { return tableIvars(self)->_editing; }
void tableSetEditingAnimated(id self, SEL, BOOL on, BOOL) {
  detail::endSwipeDelete(self);
  tableIvars(self)->_editing = on ? YES : NO;
  for (auto& vc : tableStorage(self).cells)
    send<void>(vc.cell, sel<"setEditing:animated:">(), static_cast<BOOL>(on), static_cast<BOOL>(NO));
}
void tableSetEditing(id self, SEL, BOOL on) { tableSetEditingAnimated(self, nullptr, on, NO); }

void tableReloadData(id self, SEL) {
  detail::endSwipeDelete(self);
  detail::dropEverything(self);
  tableStorage(self).selected.reset();
  tableStorage(self).updates.push_back({TableUpdate::Kind::ReloadData, {}, {}, -1});
  detail::viewIvars(self)->_needsLayout = YES;
}

void tableLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, UITableViewClass(), cmd);
  detail::updateSwipeDeleteRecognizer(self);
  ensureCells(self);
  if (id bg = tableIvars(self)->_backgroundView) send<void>(bg, sel<"setFrame:">(), viewBounds(self));
}

// ---- Queries -------------------------------------------------------------------------

NSInteger tableNumberOfSections(id self, SEL) {
  ensureLayout(self);
  return tableStorage(self).layout.numberOfSections();
}
NSInteger tableNumberOfRows(id self, SEL, NSInteger section) {
  ensureLayout(self);
  return tableStorage(self).layout.numberOfRows(section);
}

id tableCellForRow(id self, SEL, id indexPath) {
  auto index = detail::rowIndexOf(indexPath);
  if (!index) return nil;
  ensureCells(self);
  return detail::visibleCell(self, *index);
}

id tableIndexPathForCell(id self, SEL, id cell) {
  if (cell == nil) return nil;
  ensureCells(self);
  auto index = detail::rowOfCell(self, cell);
  return index ? detail::indexPathFor(*index) : nil;
}

id tableVisibleIndexPaths(id self, SEL) {
  ensureCells(self);
  std::vector<id> paths;
  for (auto& vc : tableStorage(self).cells) paths.push_back(detail::indexPathFor(vc.index));
  return detail::makeNSArray(paths);
}

id tableVisibleCells(id self, SEL) {
  ensureCells(self);
  std::vector<id> cells;
  for (auto& vc : tableStorage(self).cells) cells.push_back(vc.cell);
  return detail::makeNSArray(cells);
}

id tableIndexPathForPoint(id self, SEL, CGPoint point) {
  ensureLayout(self);
  RowIndex index;
  if (!tableStorage(self).layout.rowAt(point, viewBounds(self).size.width, &index)) return nil;
  return detail::indexPathFor(index);
}

id tableIndexPathsInRect(id self, SEL, CGRect rect) {
  ensureLayout(self);
  std::vector<id> paths;
  for (RowIndex index : tableStorage(self).layout.rowsIn(rect.origin.y, CGRectGetMaxY(rect)))
    paths.push_back(detail::indexPathFor(index));
  return detail::makeNSArray(paths);
}

CGRect tableRectForRow(id self, SEL, id indexPath) {
  ensureLayout(self);
  auto index = detail::rowIndexOf(indexPath);
  return index ? tableStorage(self).layout.rowRect(*index, viewBounds(self).size.width) : CGRectZero;
}
CGRect tableRectForSection(id self, SEL, NSInteger section) {
  ensureLayout(self);
  return tableStorage(self).layout.sectionRect(section, viewBounds(self).size.width);
}
CGRect tableRectForHeader(id self, SEL, NSInteger section) {
  ensureLayout(self);
  return tableStorage(self).layout.headerRect(section, viewBounds(self).size.width);
}
CGRect tableRectForFooter(id self, SEL, NSInteger section) {
  ensureLayout(self);
  return tableStorage(self).layout.footerRect(section, viewBounds(self).size.width);
}

id tableHeaderViewForSection(id self, SEL, NSInteger section) {
  ensureCells(self);
  auto& headers = tableStorage(self).headers;
  auto it = headers.find(section);
  return it == headers.end() ? nil : it->second;
}
id tableFooterViewForSection(id self, SEL, NSInteger section) {
  ensureCells(self);
  auto& footers = tableStorage(self).footers;
  auto it = footers.find(section);
  return it == footers.end() ? nil : it->second;
}

NSInteger tableSectionForHeaderView(id self, SEL, id view) {
  if (view == nil) return NSNotFound;
  for (auto& [section, header] : tableStorage(self).headers)
    if (header == view) return section;
  return NSNotFound;
}

BOOL tableShouldShowMenuForCell(id self, SEL, id cell) {
  SEL ask = sel<"tableView:shouldShowMenuForRowAtIndexPath:">();
  if (!detail::delegateAnswers(self, ask)) return NO;
  id indexPath = tableIndexPathForCell(self, nullptr, cell);
  if (indexPath == nil) return NO;
  return send<BOOL>(tableIvars(self)->_delegate, ask, self, indexPath);
}

// ---- Reuse ---------------------------------------------------------------------------

id tableDequeue(id self, SEL, id identifier) {
  if (identifier == nil) return nil;
  auto& ts = tableStorage(self);
  std::string key = detail::toStd(identifier);
  auto& list = ts.pool[key];
  if (!list.empty()) {
    id cell = list.back();
    list.pop_back();
    send<void>(cell, sel<"prepareForReuse">());
    return objc::autorelease(cell);
  }
  auto registered = ts.registered.find(key);
  if (registered == ts.registered.end()) return nil;
  id cell = send<id>(send<id>(registered->second, sel<"alloc">()), sel<"initWithStyle:reuseIdentifier:">(),
                     NSInteger{UITableViewCellStyleDefault}, identifier);
  return objc::autorelease(cell);
}

id tableDequeueForIndexPath(id self, SEL, id identifier, id) {
  id cell = tableDequeue(self, nullptr, identifier);
  if (cell == nil)
    std::fprintf(stderr, "UITableView: no cell class registered for the identifier \"%s\"\n",
                 detail::toStd(identifier).c_str());
  return cell;
}

void tableRegisterClass(id self, SEL, Class cls, id identifier) {
  if (identifier == nil) return;
  auto& registered = tableStorage(self).registered;
  if (cls == Nil) registered.erase(detail::toStd(identifier));
  else registered[detail::toStd(identifier)] = cls;
}

}  // namespace

Class UITableViewClass() {
  using I = UITableViewIvars;
  static const Class cls = [] {
    objc::ClassBuilder<I> b("UITableView", UIScrollViewClass());
    b.ivar<&I::_dataSource>("_dataSource")
        .ivar<&I::_tableHeaderView>("_tableHeaderView")
        .ivar<&I::_tableFooterView>("_tableFooterView")
        .ivar<&I::_backgroundView>("_backgroundView")
        .ivar<&I::_style>("_style")
        .ivar<&I::_separatorStyle>("_separatorStyle")
        .ivar<&I::_lastRowAnimation>("_lastRowAnimation")
        .ivar<&I::_rowHeight>("_rowHeight")
        .ivar<&I::_sectionHeaderHeight>("_sectionHeaderHeight")
        .ivar<&I::_sectionFooterHeight>("_sectionFooterHeight")
        .ivar<&I::_allowsSelection>("_allowsSelection")
        .ivar<&I::_editing>("_editing")
        .ivar<&I::_tableStorage>("_tableStorage");
    b.method<&tableInitWithFrameStyle>("initWithFrame:style:")
        .method<&tableInitWithFrame>("initWithFrame:")
        .method<&tableDealloc>("dealloc")
        .method<&tableStyle>("style")
        .method<&tableDataSource>("dataSource")
        .method<&tableSetDataSource>("setDataSource:")
        .method<&tableSetDelegate>("setDelegate:")
        .method<&tableRowHeight>("rowHeight")
        .method<&tableSetRowHeight>("setRowHeight:")
        .method<&tableHeaderHeight>("sectionHeaderHeight")
        .method<&tableSetHeaderHeight>("setSectionHeaderHeight:")
        .method<&tableFooterHeight>("sectionFooterHeight")
        .method<&tableSetFooterHeight>("setSectionFooterHeight:")
        .method<&tableHeaderView>("tableHeaderView")
        .method<&tableSetHeaderView>("setTableHeaderView:")
        .method<&tableFooterView>("tableFooterView")
        .method<&tableSetFooterView>("setTableFooterView:")
        .method<&tableBackgroundView>("backgroundView")
        .method<&tableSetBackgroundView>("setBackgroundView:")
        .method<&tableSeparatorStyle>("separatorStyle")
        .method<&tableSetSeparatorStyle>("setSeparatorStyle:")
        .method<&tableAllowsSelection>("allowsSelection")
        .method<&tableSetAllowsSelection>("setAllowsSelection:")
        .method<&tableEditing>("isEditing")
        .method<&tableSetEditing>("setEditing:")
        .method<&tableSetEditingAnimated>("setEditing:animated:")
        .method<&tableReloadData>("reloadData")
        .method<&tableLayoutSubviews>("layoutSubviews")
        .method<&tableNumberOfSections>("numberOfSections")
        .method<&tableNumberOfRows>("numberOfRowsInSection:")
        .method<&tableCellForRow>("cellForRowAtIndexPath:")
        .method<&tableIndexPathForCell>("indexPathForCell:")
        .method<&tableVisibleIndexPaths>("indexPathsForVisibleRows")
        .method<&tableVisibleCells>("visibleCells")
        .method<&tableIndexPathForPoint>("indexPathForRowAtPoint:")
        .method<&tableIndexPathsInRect>("indexPathsForRowsInRect:")
        .method<&tableRectForRow>("rectForRowAtIndexPath:")
        .method<&tableRectForSection>("rectForSection:")
        .method<&tableRectForHeader>("rectForHeaderInSection:")
        .method<&tableRectForFooter>("rectForFooterInSection:")
        .method<&tableHeaderViewForSection>("headerViewForSection:")
        .method<&tableFooterViewForSection>("footerViewForSection:")
        .method<&tableSectionForHeaderView>("_sectionForHeaderView:")
        .method<&tableShouldShowMenuForCell>("_shouldShowMenuForCell:")
        .method<&tableDequeue>("dequeueReusableCellWithIdentifier:")
        .method<&tableDequeueForIndexPath>("dequeueReusableCellWithIdentifier:forIndexPath:")
        .method<&tableRegisterClass>("registerClass:forCellReuseIdentifier:");
    detail::addTableUpdateMethods(b);
    detail::addTableSwipeDeleteMethods(b);
    return b.registerClass();
  }();
  return cls;
}

std::vector<TableUpdate> tableUpdates(id table) {
  if (!detail::isKindOfClass(table, UITableViewClass())) return {};
  return tableStorage(table).updates;
}

void clearTableUpdates(id table) {
  if (detail::isKindOfClass(table, UITableViewClass())) tableStorage(table).updates.clear();
}

std::size_t tableCellRequests(id table) {
  if (!detail::isKindOfClass(table, UITableViewClass())) return 0;
  return tableStorage(table).cellRequests;
}

[[maybe_unused]] static const Class kUITableViewAtLoad = UITableViewClass();

}  // namespace uikit
