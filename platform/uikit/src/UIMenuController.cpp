#include <uikit/UIMenuController.h>
#include <uikit/UIResponder.h>

#include "ActionDispatch.h"
#include "FoundationGlue.h"
#include "MenuInternals.h"

#include <objcface/Send.h>

namespace uikit {

namespace detail {
struct MenuStorage {
  struct Shown {
    std::string title;
    SEL action;
  };
  std::vector<Shown> shown;
};
}  // namespace detail

using objc::send;
using objc::sel;

namespace {

UIMenuItemIvars* MI(id item) { return reinterpret_cast<UIMenuItemIvars*>(item); }
UIMenuControllerIvars* MC(id menu) { return reinterpret_cast<UIMenuControllerIvars*>(menu); }

// ---- UIMenuItem ----------------------------------------------------------------------

id itemInitWithTitle(id self, SEL, id title, SEL action) {
  self = objc::sendSuper<id>(self, UIMenuItemClass(), sel<"init">());
  if (self == nil) return nil;
  MI(self)->_title = detail::copyString(title);
  MI(self)->_action = action;
  return self;
}
void itemDealloc(id self, SEL cmd) {
  objc::release(MI(self)->_title);
  MI(self)->_title = nil;
  objc::sendSuper<void>(self, UIMenuItemClass(), cmd);
}
id itemTitle(id self, SEL) { return MI(self)->_title; }
void itemSetTitle(id self, SEL, id title) {
  id copy = detail::copyString(title);
  objc::release(MI(self)->_title);
  MI(self)->_title = copy;
}
SEL itemAction(id self, SEL) { return MI(self)->_action; }
void itemSetAction(id self, SEL, SEL action) { MI(self)->_action = action; }
id itemDescription(id self, SEL) {
  std::string text = objc::defaultDescription(self);
  text.pop_back();
  text += "; title = " + detail::toStd(MI(self)->_title) + "; action = " +
          (MI(self)->_action ? sel_getName(MI(self)->_action) : "(null)") + ">";
  return detail::makeNSString(text);
}

// ---- UIMenuController ----------------------------------------------------------------

detail::MenuStorage& storage(id menu) {
  auto& slot = MC(menu)->_menuStorage;
  if (!slot) slot = std::make_unique<detail::MenuStorage>();
  return *slot;
}

struct StandardItem {
  const char* selector;
  const char* title;
};
constexpr StandardItem kStandardItems[] = {{"cut:", "Cut"},   {"copy:", "Copy"},   {"select:", "Select"},
                                           {"selectAll:", "Select All"}, {"paste:", "Paste"}, {"delete:", "Delete"}};

// Asks the first responder about every item and keeps those it answers YES for.
void computeShownItems(id self) {
  auto& shown = storage(self).shown;
  shown.clear();
  id responder = firstResponder();
  if (responder == nil) return;
  objc::Ref keep = objc::Ref::retain(responder);
  auto ask = [&](SEL action) { return send<BOOL>(responder, sel<"canPerformAction:withSender:">(), action, self) != NO; };
  for (const StandardItem& item : kStandardItems) {
    SEL action = sel_registerName(item.selector);
    if (ask(action)) shown.push_back({item.title, action});
  }
  for (id item : detail::arrayElements(MC(self)->_menuItems)) {
    SEL action = send<SEL>(item, sel<"action">());
    if (action != nullptr && ask(action)) shown.push_back({detail::toStd(send<id>(item, sel<"title">())), action});
  }
}

id menuShared(id, SEL) { return sharedMenuController(); }

void menuDealloc(id self, SEL cmd) {
  objc::release(MC(self)->_menuItems);
  MC(self)->_menuItems = nil;
  MC(self)->_menuStorage.reset();
  objc::sendSuper<void>(self, UIMenuControllerClass(), cmd);
}

id menuItems(id self, SEL) { return MC(self)->_menuItems; }
void menuSetItems(id self, SEL, id items) {
  id copy = detail::copyArray(items);
  objc::release(MC(self)->_menuItems);
  MC(self)->_menuItems = copy;
}

void menuSetTargetRect(id self, SEL, CGRect rect, id view) {
  MC(self)->_targetRect = rect;
  MC(self)->_targetView = view;
}
CGRect menuFrame(id self, SEL) {
  // The bubble sits above the target: as wide as the target, 44 points high.
  CGRect r = MC(self)->_targetRect;
  return CGRectMake(r.origin.x, r.origin.y - 44.0, r.size.width, 44.0);
}

BOOL menuVisible(id self, SEL) { return MC(self)->_menuVisible; }
void menuSetVisibleAnimated(id self, SEL, BOOL visible, BOOL) {
  if (!visible) {
    MC(self)->_menuVisible = NO;
    storage(self).shown.clear();
    return;
  }
  computeShownItems(self);
  MC(self)->_menuVisible = storage(self).shown.empty() ? NO : YES;
}
void menuSetVisible(id self, SEL, BOOL visible) {
  send<void>(self, sel<"setMenuVisible:animated:">(), visible, static_cast<BOOL>(NO));
}
void menuUpdate(id self, SEL) {
  if (!MC(self)->_menuVisible) return;
  computeShownItems(self);
  if (storage(self).shown.empty()) MC(self)->_menuVisible = NO;
}
NSInteger menuArrow(id self, SEL) { return MC(self)->_arrowDirection; }
void menuSetArrow(id self, SEL, NSInteger d) { MC(self)->_arrowDirection = d; }

}  // namespace

namespace detail {

void firstResponderDidChange() {
  id menu = sharedMenuController();
  if (MC(menu)->_menuVisible) send<void>(menu, sel<"setMenuVisible:animated:">(), static_cast<BOOL>(NO), static_cast<BOOL>(NO));
}

}  // namespace detail

Class UIMenuItemClass() {
  static const Class cls = objc::ClassBuilder<UIMenuItemIvars>("UIMenuItem", objc::NSObjectClass())
                               .ivar<&UIMenuItemIvars::_title>("_title")
                               .ivar<&UIMenuItemIvars::_action>("_action")
                               .method<&itemInitWithTitle>("initWithTitle:action:")
                               .method<&itemDealloc>("dealloc")
                               .method<&itemTitle>("title")
                               .method<&itemSetTitle>("setTitle:")
                               .method<&itemAction>("action")
                               .method<&itemSetAction>("setAction:")
                               .method<&itemDescription>("description")
                               .registerClass();
  return cls;
}

Class UIMenuControllerClass() {
  static const Class cls = objc::ClassBuilder<UIMenuControllerIvars>("UIMenuController", objc::NSObjectClass())
                               .ivar<&UIMenuControllerIvars::_menuItems>("_menuItems")
                               .ivar<&UIMenuControllerIvars::_targetView>("_targetView")
                               .ivar<&UIMenuControllerIvars::_targetRect>("_targetRect")
                               .ivar<&UIMenuControllerIvars::_arrowDirection>("_arrowDirection")
                               .ivar<&UIMenuControllerIvars::_menuVisible>("_menuVisible")
                               .ivar<&UIMenuControllerIvars::_menuStorage>("_menuStorage")
                               .classMethod<&menuShared>("sharedMenuController")
                               .method<&menuDealloc>("dealloc")
                               .method<&menuItems>("menuItems")
                               .method<&menuSetItems>("setMenuItems:")
                               .method<&menuSetTargetRect>("setTargetRect:inView:")
                               .method<&menuFrame>("menuFrame")
                               .method<&menuVisible>("isMenuVisible")
                               .method<&menuVisible>("menuVisible")
                               .method<&menuSetVisible>("setMenuVisible:")
                               .method<&menuSetVisibleAnimated>("setMenuVisible:animated:")
                               .method<&menuUpdate>("update")
                               .method<&menuArrow>("arrowDirection")
                               .method<&menuSetArrow>("setArrowDirection:")
                               .registerClass();
  return cls;
}

id sharedMenuController() {
  static objc::Ref menu = objc::Ref::adopt(objc::allocInit(UIMenuControllerClass()));
  return menu.get();
}

std::vector<std::string> visibleMenuItemTitles() {
  id menu = sharedMenuController();
  std::vector<std::string> out;
  if (!MC(menu)->_menuVisible) return out;
  for (const auto& item : storage(menu).shown) out.push_back(item.title);
  return out;
}

objc::Status performVisibleMenuItem(const std::string& title) {
  id menu = sharedMenuController();
  if (!MC(menu)->_menuVisible) return objc::makeError("the menu is not visible");
  SEL action = nullptr;
  for (const auto& item : storage(menu).shown)
    if (item.title == title) {
      action = item.action;
      break;
    }
  if (action == nullptr) return objc::makeError("the menu shows no item titled \"" + title + "\"");
  id responder = firstResponder();
  if (responder == nil) return objc::makeError("there is no first responder");
  objc::Ref keep = objc::Ref::retain(responder);
  send<void>(menu, sel<"setMenuVisible:animated:">(), static_cast<BOOL>(NO), static_cast<BOOL>(YES));
  id target = send<id>(responder, sel<"targetForAction:withSender:">(), action, menu);
  detail::sendAction(target ? target : responder, action, menu);
  return objc::Ok{};
}

[[maybe_unused]] static const Class kUIMenuItemAtLoad = UIMenuItemClass();
[[maybe_unused]] static const Class kUIMenuControllerAtLoad = UIMenuControllerClass();

}  // namespace uikit
