#include <uikit/UIApplication.h>
#include <uikit/UIWindow.h>

#include "FoundationGlue.h"
#include "TouchInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

UIWindowIvars* W(id window) { return reinterpret_cast<UIWindowIvars*>(window); }

// Not retained: a window leaves the list in its dealloc.
std::vector<id>& registry() {
  static std::vector<id> list;
  return list;
}
id gKeyWindow = nil;

id windowInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UIWindowClass(), cmd, frame);
  if (self == nil) return nil;
  W(self)->_hidden = YES;
  registry().push_back(self);
  return self;
}

void windowDealloc(id self, SEL cmd) {
  auto& list = registry();
  list.erase(std::remove(list.begin(), list.end(), self), list.end());
  if (gKeyWindow == self) gKeyWindow = nil;
  objc::release(W(self)->_rootViewController);
  W(self)->_rootViewController = nil;
  objc::sendSuper<void>(self, UIWindowClass(), cmd);
}

CGFloat windowLevel(id self, SEL) { return W(self)->_windowLevel; }
void windowSetLevel(id self, SEL, CGFloat level) { W(self)->_windowLevel = level; }

void windowMakeKey(id self, SEL) {
  if (gKeyWindow == self) return;
  objc::Ref old = objc::Ref::retain(gKeyWindow);
  gKeyWindow = self;
  if (old) send<void>(old, sel<"resignKeyWindow">());
  send<void>(self, sel<"becomeKeyWindow">());
}
void windowMakeKeyAndVisible(id self, SEL) {
  send<void>(self, sel<"setHidden:">(), static_cast<BOOL>(NO));
  send<void>(self, sel<"makeKeyWindow">());
}
BOOL windowIsKey(id self, SEL) { return gKeyWindow == self ? YES : NO; }
void windowKeyHook(id, SEL) {}
id windowClassKeyWindow(id, SEL) { return gKeyWindow; }

id windowRootViewController(id self, SEL) { return W(self)->_rootViewController; }
void windowSetRootViewController(id self, SEL, id controller) {
  if (controller == W(self)->_rootViewController) return;
  objc::Ref old = objc::Ref::adopt(W(self)->_rootViewController);
  W(self)->_rootViewController = objc::retain(controller);
  if (old) {
    id oldView = send<BOOL>(old, sel<"isViewLoaded">()) ? send<id>(old, sel<"view">()) : nil;
    if (oldView && detail::viewIvars(oldView)->_superview == self) send<void>(oldView, sel<"removeFromSuperview">());
  }
  if (controller) {
    id view = send<id>(controller, sel<"view">());
    send<void>(view, sel<"setFrame:">(), viewBounds(self));
    send<void>(self, sel<"addSubview:">(), view);
  }
}

id windowScreen(id, SEL) {
  Class screen = objc::classNamed("UIScreen");
  return screen ? send<id>(screen, sel<"mainScreen">()) : nil;
}

void windowSendEvent(id self, SEL, id event) {
  if (event == nil || send<NSInteger>(event, sel<"type">()) != UIEventTypeTouches) return;
  objc::Ref keep = objc::Ref::retain(self);
  detail::deliverTouches(event, self);
}

id windowNextResponder(id, SEL) { return sharedApplication(); }

}  // namespace

Class UIWindowClass() {
  static const Class cls = objc::ClassBuilder<UIWindowIvars>("UIWindow", UIViewClass())
                               .ivar<&UIWindowIvars::_windowLevel>("_windowLevel")
                               .ivar<&UIWindowIvars::_rootViewController>("_rootViewController")
                               .method<&windowInitWithFrame>("initWithFrame:")
                               .method<&windowDealloc>("dealloc")
                               .method<&windowLevel>("windowLevel")
                               .method<&windowSetLevel>("setWindowLevel:")
                               .method<&windowMakeKey>("makeKeyWindow")
                               .method<&windowMakeKeyAndVisible>("makeKeyAndVisible")
                               .method<&windowIsKey>("isKeyWindow")
                               .method<&windowKeyHook>("becomeKeyWindow")
                               .method<&windowKeyHook>("resignKeyWindow")
                               .classMethod<&windowClassKeyWindow>("keyWindow")
                               .method<&windowRootViewController>("rootViewController")
                               .method<&windowSetRootViewController>("setRootViewController:")
                               .method<&windowScreen>("screen")
                               .method<&windowSendEvent>("sendEvent:")
                               .method<&windowNextResponder>("nextResponder")
                               .registerClass();
  return cls;
}

std::vector<id> windows() {
  std::vector<id> list = registry();
  std::stable_sort(list.begin(), list.end(), [](id a, id b) { return W(a)->_windowLevel < W(b)->_windowLevel; });
  return list;
}

id keyWindow() { return gKeyWindow; }

[[maybe_unused]] static const Class kUIWindowAtLoad = UIWindowClass();

}  // namespace uikit
