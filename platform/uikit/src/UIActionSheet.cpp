#include <uikit/UIActionSheet.h>

#include "FoundationGlue.h"

#include <objcface/Send.h>

#include <algorithm>
#include <cstdarg>
#include <mutex>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

using SheetIvars = UIActionSheetIvars;
SheetIvars* A(id self) { return objc::ivars<SheetIvars>(self); }

struct SheetState {
  std::mutex mutex;
  std::vector<id> visible;  // retained while on screen
};

SheetState& state() {
  static SheetState* s = new SheetState;
  return *s;
}

id titles(id self) {
  if (!A(self)->_buttonTitles) {
    A(self)->_buttonTitles =
        objc::retain(send<id>(reinterpret_cast<id>(objc::classNamed("NSMutableArray")), sel<"array">()));
  }
  return A(self)->_buttonTitles;
}

NSInteger count(id self) { return static_cast<NSInteger>(send<NSUInteger>(titles(self), sel<"count">())); }

NSInteger addTitle(id self, id title) {
  id copy = detail::copyString(title);
  send<void>(titles(self), sel<"addObject:">(), copy);
  objc::release(copy);
  return count(self) - 1;
}

id sheetInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UIActionSheetClass(), cmd, frame);
  if (self) {
    A(self)->_cancelButtonIndex = -1;
    A(self)->_destructiveButtonIndex = -1;
    A(self)->_firstOtherButtonIndex = -1;
  }
  return self;
}

// The designated initialiser: a variadic method, as on iOS, whose other button
// titles end with nil.
id sheetInitWithTitle(id self, SEL, id title, id delegate, id cancel, id destructive, id firstOther, ...) {
  self = send<id>(self, sel<"initWithFrame:">(), CGRect{});
  if (!self) return nil;
  A(self)->_title = detail::copyString(title);
  A(self)->_sheetDelegate = delegate;
  if (destructive) A(self)->_destructiveButtonIndex = addTitle(self, destructive);
  if (firstOther) {
    A(self)->_firstOtherButtonIndex = addTitle(self, firstOther);
    va_list more;
    va_start(more, firstOther);
    while (id other = va_arg(more, id)) addTitle(self, other);
    va_end(more);
  }
  if (cancel) A(self)->_cancelButtonIndex = addTitle(self, cancel);
  return self;
}

void sheetDealloc(id self, SEL cmd) {
  objc::release(A(self)->_title);
  A(self)->_title = nil;
  objc::release(A(self)->_buttonTitles);
  A(self)->_buttonTitles = nil;
  objc::sendSuper<void>(self, UIActionSheetClass(), cmd);
}

id sheetTitle(id self, SEL) { return A(self)->_title; }
void sheetSetTitle(id self, SEL, id title) {
  id copy = detail::copyString(title);
  objc::release(A(self)->_title);
  A(self)->_title = copy;
}
id sheetDelegate(id self, SEL) { return A(self)->_sheetDelegate; }
void sheetSetDelegate(id self, SEL, id delegate) { A(self)->_sheetDelegate = delegate; }
NSInteger sheetAddButton(id self, SEL, id title) { return addTitle(self, title); }
id sheetButtonTitle(id self, SEL, NSInteger index) {
  if (index < 0 || index >= count(self)) return nil;
  return send<id>(titles(self), sel<"objectAtIndex:">(), static_cast<NSUInteger>(index));
}
NSInteger sheetNumberOfButtons(id self, SEL) { return count(self); }
NSInteger sheetCancelIndex(id self, SEL) { return A(self)->_cancelButtonIndex; }
void sheetSetCancelIndex(id self, SEL, NSInteger index) { A(self)->_cancelButtonIndex = index; }
NSInteger sheetDestructiveIndex(id self, SEL) { return A(self)->_destructiveButtonIndex; }
NSInteger sheetFirstOtherIndex(id self, SEL) { return A(self)->_firstOtherButtonIndex; }
BOOL sheetVisible(id self, SEL) { return A(self)->_visible; }

void sheetShowInView(id self, SEL, id view) {
  if (A(self)->_visible) return;
  A(self)->_visible = YES;
  A(self)->_shownInView = view;
  std::lock_guard lock(state().mutex);
  state().visible.push_back(objc::retain(self));
}
void sheetShowFromRect(id self, SEL, CGRect, id view, BOOL) { sheetShowInView(self, nullptr, view); }

void sheetDismiss(id self, SEL, NSInteger index, BOOL) {
  if (!A(self)->_visible) return;
  objc::Ref keep = objc::Ref::retain(self);
  id delegate = A(self)->_sheetDelegate;
  if (objc::responds(delegate, sel<"actionSheet:willDismissWithButtonIndex:">())) {
    send<void>(delegate, sel<"actionSheet:willDismissWithButtonIndex:">(), self, index);
  }
  A(self)->_visible = NO;
  A(self)->_shownInView = nil;
  {
    std::lock_guard lock(state().mutex);
    auto& visible = state().visible;
    auto at = std::find(visible.begin(), visible.end(), self);
    if (at != visible.end()) {
      visible.erase(at);
      objc::release(self);  // the platform's hold; `keep` still holds it
    }
  }
  if (objc::responds(delegate, sel<"actionSheet:didDismissWithButtonIndex:">())) {
    send<void>(delegate, sel<"actionSheet:didDismissWithButtonIndex:">(), self, index);
  }
}

}  // namespace

std::vector<id> visibleActionSheets() {
  std::lock_guard lock(state().mutex);
  return state().visible;
}

std::vector<std::string> actionSheetButtonTitles(id sheet) {
  std::vector<std::string> out;
  for (id title : detail::arrayElements(A(sheet)->_buttonTitles)) out.push_back(detail::toStd(title));
  return out;
}

objc::Status tapActionSheetButton(id sheet, NSInteger index) {
  if (!sheet || !A(sheet)->_visible) return objc::makeError("the action sheet is not on screen");
  if (index < 0 || index >= count(sheet)) return objc::makeError("the action sheet has no button " + std::to_string(index));
  objc::Ref keep = objc::Ref::retain(sheet);
  id delegate = A(sheet)->_sheetDelegate;
  objc::Ref keepDelegate = objc::Ref::retain(delegate);
  if (objc::responds(delegate, sel<"actionSheet:clickedButtonAtIndex:">())) {
    send<void>(delegate, sel<"actionSheet:clickedButtonAtIndex:">(), sheet, index);
  }
  send<void>(sheet, sel<"dismissWithClickedButtonIndex:animated:">(), index, static_cast<BOOL>(YES));
  return objc::Ok{};
}

Class UIActionSheetClass() {
  static const Class cls =
      objc::ClassBuilder<SheetIvars>("UIActionSheet", UIViewClass())
          .ivar<&SheetIvars::_sheetDelegate>("_sheetDelegate")
          .ivar<&SheetIvars::_title>("_title")
          .ivar<&SheetIvars::_buttonTitles>("_buttonTitles")
          .ivar<&SheetIvars::_cancelButtonIndex>("_cancelButtonIndex")
          .ivar<&SheetIvars::_destructiveButtonIndex>("_destructiveButtonIndex")
          .ivar<&SheetIvars::_firstOtherButtonIndex>("_firstOtherButtonIndex")
          .ivar<&SheetIvars::_shownInView>("_shownInView")
          .ivar<&SheetIvars::_visible>("_visible")
          .method<&sheetInitWithFrame>("initWithFrame:")
          .rawMethod("initWithTitle:delegate:cancelButtonTitle:destructiveButtonTitle:otherButtonTitles:",
                     objc::toImp(&sheetInitWithTitle), objc::methodEncoding<id, id, id, id, id, id>())
          .method<&sheetDealloc>("dealloc")
          .method<&sheetTitle>("title")
          .method<&sheetSetTitle>("setTitle:")
          .method<&sheetDelegate>("delegate")
          .method<&sheetSetDelegate>("setDelegate:")
          .method<&sheetAddButton>("addButtonWithTitle:")
          .method<&sheetButtonTitle>("buttonTitleAtIndex:")
          .method<&sheetNumberOfButtons>("numberOfButtons")
          .method<&sheetCancelIndex>("cancelButtonIndex")
          .method<&sheetSetCancelIndex>("setCancelButtonIndex:")
          .method<&sheetDestructiveIndex>("destructiveButtonIndex")
          .method<&sheetFirstOtherIndex>("firstOtherButtonIndex")
          .method<&sheetVisible>("visible")
          .method<&sheetVisible>("isVisible")
          .method<&sheetShowInView>("showInView:")
          .method<&sheetShowFromRect>("showFromRect:inView:animated:")
          .method<&sheetDismiss>("dismissWithClickedButtonIndex:animated:")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIActionSheetAtLoad = UIActionSheetClass();

}  // namespace uikit
