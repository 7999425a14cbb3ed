// SBNotificationsSectionHeaderView: the header of one app's section in Notification
// Center: a blurred backdrop, the app's name and the clear button.  It takes the
// touches that land on it (highlighting while a finger is down) and tells its
// delegate, the list, when the clear button is pressed.
#include "Common.h"
#include "Classes.h"

#include <uikit/UIView.h>

namespace sb7::detail {
namespace {

constexpr NSUInteger kTouchUpInside = 1 << 6;
constexpr CGFloat kClearButtonWidth = 30;

struct HeaderIvars : UIViewIvars {
  id _backdrop;     // subview: _UIBackdropView
  id _titleLabel;   // subview: UILabel
  id _clearButton;  // subview: UIButton
  id _delegate;     // not retained
  BOOL _highlighted;
};

Class headerClass() { return objc::classNamed("SBNotificationsSectionHeaderView"); }

void layoutParts(id self, CGRect bounds) {
  auto* h = objc::ivars<HeaderIvars>(self);
  CGFloat w = bounds.size.width, ht = bounds.size.height;
  send<void>(h->_backdrop, sel<"setFrame:">(), CGRectMake(0, 0, w, ht));
  send<void>(h->_titleLabel, sel<"setFrame:">(), CGRectMake(16, 4, w - 24 - kClearButtonWidth, ht - 8 > 0 ? ht - 8 : 0));
  send<void>(h->_clearButton, sel<"setFrame:">(), CGRectMake(w - kClearButtonWidth - 4, 2, kClearButtonWidth, ht - 4 > 0 ? ht - 4 : 0));
}

id headerInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, headerClass(), cmd, frame);
  if (!self) return nil;
  auto* h = objc::ivars<HeaderIvars>(self);
  CGRect bounds = CGRectMake(0, 0, frame.size.width, frame.size.height);
  h->_backdrop = send<id>(send<id>(objc::classNamed("_UIBackdropView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  send<void>(self, sel<"addSubview:">(), h->_backdrop);
  objc::release(h->_backdrop);
  h->_titleLabel = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  send<void>(self, sel<"addSubview:">(), h->_titleLabel);
  objc::release(h->_titleLabel);
  h->_clearButton = send<id>(objc::classNamed("UIButton"), sel<"buttonWithType:">(), NSInteger{0});
  send<void>(h->_clearButton, sel<"setTitle:forState:">(), str("x"), NSUInteger{0});
  send<void>(h->_clearButton, sel<"addTarget:action:forControlEvents:">(), self, sel<"_clearButtonPressed:">(),
             kTouchUpInside);
  send<void>(self, sel<"addSubview:">(), h->_clearButton);
  layoutParts(self, bounds);
  return self;
}

void headerLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, headerClass(), cmd);
  layoutParts(self, send<CGRect>(self, sel<"bounds">()));
}

id headerTitle(id self, SEL) { return send<id>(objc::ivars<HeaderIvars>(self)->_titleLabel, sel<"text">()); }
void headerSetTitle(id self, SEL, id title) { send<void>(objc::ivars<HeaderIvars>(self)->_titleLabel, sel<"setText:">(), title); }
id headerDelegate(id self, SEL) { return objc::ivars<HeaderIvars>(self)->_delegate; }
void headerSetDelegate(id self, SEL, id delegate) { objc::ivars<HeaderIvars>(self)->_delegate = delegate; }
BOOL headerIsHighlighted(id self, SEL) { return objc::ivars<HeaderIvars>(self)->_highlighted; }

// The header keeps the touches that land on it; the list behind does not see them.
void headerTouchesBegan(id self, SEL, id, id) { objc::ivars<HeaderIvars>(self)->_highlighted = YES; }
void headerTouchesEnded(id self, SEL, id, id) { objc::ivars<HeaderIvars>(self)->_highlighted = NO; }
void headerTouchesCancelled(id self, SEL, id, id) { objc::ivars<HeaderIvars>(self)->_highlighted = NO; }

void headerClearButtonPressed(id self, SEL, id) {
  id delegate = objc::ivars<HeaderIvars>(self)->_delegate;
  if (delegate && send<BOOL>(delegate, sel<"respondsToSelector:">(), sel<"sectionHeaderViewDidReceiveClearAllAction:">())) {
    objc::Ref keep = objc::Ref::retain(self);
    send<void>(delegate, sel<"sectionHeaderViewDidReceiveClearAllAction:">(), self);
  }
}

}  // namespace

void registerHeaderClasses() {
  objc::ClassBuilder<HeaderIvars>("SBNotificationsSectionHeaderView", objc::classNamed("UIView"))
      .ivar<&HeaderIvars::_backdrop>("_backdrop")
      .ivar<&HeaderIvars::_titleLabel>("_titleLabel")
      .ivar<&HeaderIvars::_clearButton>("_clearButton")
      .ivar<&HeaderIvars::_delegate>("_delegate")
      .ivar<&HeaderIvars::_highlighted>("_highlighted")
      .method<&headerInitWithFrame>("initWithFrame:")
      .method<&headerLayoutSubviews>("layoutSubviews")
      .method<&headerTitle>("title")
      .method<&headerSetTitle>("setTitle:")
      .method<&headerDelegate>("delegate")
      .method<&headerSetDelegate>("setDelegate:")
      .method<&headerIsHighlighted>("isHighlighted")
      .method<&headerTouchesBegan>("touchesBegan:withEvent:")
      .method<&headerTouchesEnded>("touchesEnded:withEvent:")
      .method<&headerTouchesCancelled>("touchesCancelled:withEvent:")
      .method<&headerClearButtonPressed>("_clearButtonPressed:")
      .registerClass();
}

}  // namespace sb7::detail
