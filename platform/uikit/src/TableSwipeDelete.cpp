// Swipe to delete on UITableView: the table's own swipe recogniser, the Delete
// confirmation button on the swiped row, and the cell's side of it (see
// uikit/TableSwipeDelete.h).
#include <uikit/TableSwipeDelete.h>

#include <uikit/UIButton.h>
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include "DelegateQuestions.h"
#include "FoundationGlue.h"
#include "TableInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <cstring>

namespace uikit {

using detail::tableIvars;
using detail::tableStorage;
using objc::send;
using objc::sel;

namespace {

// The button's size and its distance from the cell's right edge, as iOS 6 draws it.
constexpr CGFloat kButtonWidth = 64;
constexpr CGFloat kButtonHeight = 30;
constexpr CGFloat kButtonRightMargin = 10;

id dataSourceOf(id table) { return tableIvars(table)->_dataSource; }
id delegateOf(id table) { return tableIvars(table)->_delegate; }

bool answers(id object, SEL selector) {
  return object != nil && send<BOOL>(object, sel<"respondsToSelector:">(), selector);
}

bool dataSourceCommits(id table) {
  return answers(dataSourceOf(table), sel<"tableView:commitEditingStyle:forRowAtIndexPath:">());
}

void tellDelegate(id table, SEL selector, id indexPath) {
  if (answers(delegateOf(table), selector)) send<void>(delegateOf(table), selector, table, indexPath);
}

// The type code of a method's result (index -1) or of its argument `index` (0 for the
// first after self and _cmd), qualifiers skipped; 0 when the receiver lacks it.
// Methods added at run time may declare the 32-bit iOS types ("i" for an NSInteger
// argument or result), and the table passes values the way they are declared.
char typeCode(id receiver, SEL selector, int index) {
  Method m = class_getInstanceMethod(object_getClass(receiver), selector);
  if (m == nullptr) return 0;
  char buffer[64] = {};
  if (index < 0) method_getReturnType(m, buffer, sizeof buffer);
  else method_getArgumentType(m, static_cast<unsigned>(index + 2), buffer, sizeof buffer);
  const char* p = buffer;
  while (*p && std::strchr("rnNoORV", *p)) ++p;
  return *p;
}


void commitDelete(id source, id table, id indexPath) {
  SEL commit = sel<"tableView:commitEditingStyle:forRowAtIndexPath:">();
  if (typeCode(source, commit, 1) == 'i') {
    send<void>(source, commit, table, static_cast<int>(UITableViewCellEditingStyleDelete), indexPath);
  } else {
    send<void>(source, commit, table, UITableViewCellEditingStyleDelete, indexPath);
  }
}

// Whether the row may be deleted by a swipe: the data source's and the delegate's say.
bool rowIsDeletable(id table, id indexPath) {
  if (indexPath == nil || !dataSourceCommits(table)) return false;
  SEL canEdit = sel<"tableView:canEditRowAtIndexPath:">();
  if (answers(dataSourceOf(table), canEdit) && !detail::askDelegate(dataSourceOf(table), canEdit, table, indexPath)) return false;
  SEL style = sel<"tableView:editingStyleForRowAtIndexPath:">();
  if (answers(delegateOf(table), style)) {
    id delegate = delegateOf(table);
    NSInteger given = typeCode(delegate, style, -1) == 'i' ? send<int>(delegate, style, table, indexPath)
                                                           : send<NSInteger>(delegate, style, table, indexPath);
    if (given != UITableViewCellEditingStyleDelete) return false;
  }
  return true;
}

void showConfirmation(id table, id cell, id indexPath) {
  detail::TableStorage& ts = tableStorage(table);
  objc::Ref keep = objc::Ref::retain(table);
  tellDelegate(table, sel<"tableView:willBeginEditingRowAtIndexPath:">(), indexPath);
  send<void>(cell, sel<"willTransitionToState:">(), UITableViewCellStateShowingDeleteConfirmationMask);
  CGRect bounds = send<CGRect>(cell, sel<"bounds">());
  id button = send<id>(UITableViewCellDeleteConfirmationControlClass(), sel<"buttonWithType:">(), NSInteger{0});
  send<void>(button, sel<"setFrame:">(),
             CGRectMake(bounds.size.width - kButtonRightMargin - kButtonWidth, (bounds.size.height - kButtonHeight) / 2,
                        kButtonWidth, kButtonHeight));
  send<void>(button, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleTopMargin |
                        UIViewAutoresizingFlexibleBottomMargin});
  send<void>(button, sel<"setBackgroundColor:">(),
             send<id>(objc::classNamed("UIColor"), sel<"colorWithRed:green:blue:alpha:">(), CGFloat{0.8}, CGFloat{0.1},
                      CGFloat{0.1}, CGFloat{1.0}));
  send<void>(button, sel<"setTitle:forState:">(), detail::makeNSString("Delete"), NSUInteger{UIControlStateNormal});
  send<void>(button, sel<"setTitleColor:forState:">(), send<id>(objc::classNamed("UIColor"), sel<"whiteColor">()),
             NSUInteger{UIControlStateNormal});
  send<void>(button, sel<"addTarget:action:forControlEvents:">(), table, sel<"_deleteConfirmationButtonTapped:">(),
             NSUInteger{UIControlEventTouchUpInside});
  send<void>(cell, sel<"addSubview:">(), button);
  ts.deleteCell = objc::retain(cell);
  ts.deleteButton = objc::retain(button);
  ts.deleteRow = detail::rowIndexOf(indexPath);
  send<void>(cell, sel<"didTransitionToState:">(), UITableViewCellStateShowingDeleteConfirmationMask);
}

// ---- Methods of UITableView ----------------------------------------------------------

// The swipe's target: a recognised swipe shows the Delete confirmation of its row.
void tableSwipe(id self, SEL, id recognizer) {
  if (send<NSInteger>(recognizer, sel<"state">()) != UIGestureRecognizerStateEnded) return;
  if (tableStorage(self).deleteCell != nil) return;
  CGPoint at = send<CGPoint>(recognizer, sel<"locationInView:">(), self);
  id indexPath = send<id>(self, sel<"indexPathForRowAtPoint:">(), at);
  if (!rowIsDeletable(self, indexPath)) return;
  id cell = send<id>(self, sel<"cellForRowAtIndexPath:">(), indexPath);
  if (cell == nil) return;
  showConfirmation(self, cell, indexPath);
}

// The table is the delegate of its own swipe: it begins only on a deletable row while
// nothing else is being edited.
BOOL tableGestureShouldBegin(id self, SEL cmd, id recognizer) {
  detail::TableStorage& ts = tableStorage(self);
  if (recognizer == nil || recognizer != ts.swipeRecognizer) return objc::sendSuper<BOOL>(self, UITableViewClass(), cmd, recognizer);
  if (ts.deleteCell != nil || ts.swallowTouches || tableIvars(self)->_editing) return NO;
  CGPoint at = send<CGPoint>(recognizer, sel<"locationInView:">(), self);
  return rowIsDeletable(self, send<id>(self, sel<"indexPathForRowAtPoint:">(), at)) ? YES : NO;
}

// The Delete button: the confirmation goes, then the data source commits the deletion.
void tableDeleteTapped(id self, SEL, id) {
  detail::TableStorage& ts = tableStorage(self);
  if (ts.deleteCell == nil) return;
  objc::Ref keep = objc::Ref::retain(self);
  auto row = detail::rowOfCell(self, ts.deleteCell);
  if (!row) row = ts.deleteRow;
  id indexPath = row ? detail::indexPathFor(*row) : nil;
  detail::endSwipeDelete(self);
  if (indexPath == nil || !dataSourceCommits(self)) return;
  commitDelete(dataSourceOf(self), self, indexPath);
}

// ---- Methods of UITableViewCell ----------------------------------------------------

BOOL cellShowingDeleteConfirmation(id self, SEL) {
  id table = reinterpret_cast<UITableViewCellIvars*>(self)->_tableView;
  return table != nil && tableStorage(table).deleteCell == self ? YES : NO;
}
void cellTransition(id, SEL, NSUInteger) {}

}  // namespace

namespace detail {

void updateSwipeDeleteRecognizer(id table) {
  TableStorage& ts = tableStorage(table);
  if (ts.swipeRecognizer != nil || !dataSourceCommits(table)) return;
  objc::Ref swipe = objc::Ref::adopt(send<id>(send<id>(UISwipeGestureRecognizerClass(), sel<"alloc">()),
                                              sel<"initWithTarget:action:">(), table, sel<"_swipe:">()));
  send<void>(swipe, sel<"setDirection:">(),
             NSUInteger{UISwipeGestureRecognizerDirectionLeft | UISwipeGestureRecognizerDirectionRight});
  send<void>(swipe, sel<"setDelegate:">(), table);
  send<void>(table, sel<"addGestureRecognizer:">(), swipe.get());
  ts.swipeRecognizer = swipe.leak();
}

void endSwipeDelete(id table) {
  TableStorage& ts = tableStorage(table);
  if (ts.deleteCell == nil) return;
  objc::Ref keep = objc::Ref::retain(table);
  objc::Ref cell = objc::Ref::adopt(ts.deleteCell);
  objc::Ref button = objc::Ref::adopt(ts.deleteButton);
  auto row = rowOfCell(table, cell);
  if (!row) row = ts.deleteRow;
  ts.deleteCell = ts.deleteButton = nil;
  ts.deleteRow.reset();
  send<void>(cell, sel<"willTransitionToState:">(), UITableViewCellStateDefaultMask);
  send<void>(button, sel<"removeFromSuperview">());
  send<void>(cell, sel<"didTransitionToState:">(), UITableViewCellStateDefaultMask);
  tellDelegate(table, sel<"tableView:didEndEditingRowAtIndexPath:">(), row ? indexPathFor(*row) : nil);
}

void forgetSwipeDelete(id table) {
  TableStorage& ts = tableStorage(table);
  objc::release(ts.deleteCell);
  objc::release(ts.deleteButton);
  objc::release(ts.swipeRecognizer);
  ts.deleteCell = ts.deleteButton = ts.swipeRecognizer = nil;
  ts.deleteRow.reset();
}

bool swipeDeleteTakesTouchesBegan(id table) {
  TableStorage& ts = tableStorage(table);
  if (ts.swallowTouches) return true;
  if (ts.deleteCell == nil) return false;
  ts.swallowTouches = true;
  endSwipeDelete(table);
  return true;
}

bool swipeDeleteTakesTouchesEnded(id table) {
  TableStorage& ts = tableStorage(table);
  bool swallowed = ts.swallowTouches;
  ts.swallowTouches = false;
  return swallowed;
}

void addTableSwipeDeleteMethods(objc::ClassBuilder<UITableViewIvars>& b) {
  b.method<&tableSwipe>("_swipe:")
      .method<&tableGestureShouldBegin>("gestureRecognizerShouldBegin:")
      .method<&tableDeleteTapped>("_deleteConfirmationButtonTapped:");
}

objc::ClassBuilder<UITableViewCellIvars>& addCellSwipeDeleteMethods(objc::ClassBuilder<UITableViewCellIvars>& b) {
  return b.method<&cellShowingDeleteConfirmation>("showingDeleteConfirmation")
      .method<&cellTransition>("willTransitionToState:")
      .method<&cellTransition>("didTransitionToState:");
}

}  // namespace detail

Class UITableViewCellDeleteConfirmationControlClass() {
  static const Class cls =
      objc::ClassBuilder<UIButtonIvars>("UITableViewCellDeleteConfirmationControl", UIButtonClass()).registerClass();
  return cls;
}

id tableDeleteConfirmationButton(id table) {
  if (!detail::isKindOfClass(table, UITableViewClass())) return nil;
  return tableStorage(table).deleteButton;
}

id tableSwipeToDeleteRecognizer(id table) {
  if (!detail::isKindOfClass(table, UITableViewClass())) return nil;
  return tableStorage(table).swipeRecognizer;
}

}  // namespace uikit
