// SBBulletinHeaderView: the header of one app's section in Notification Center: the
// app's name (_sectionLabel) and the clear button.  As on iOS 6 the button shows a
// small x; the first tap turns it into "Clear", and a tap on "Clear" asks the list
// controller (the header's delegate) for _clearSection: with the header's section ID.
// The header has no touch methods of its own: touches on it go up the responder chain
// as UIView's do.
#include "Classes.h"
#include "Common.h"
#include "ListShared.h"

#include <uikit/UIColor.h>
#include <uikit/UIKitTypes.h>
#include <uikit/UIView.h>

#include <algorithm>

namespace sb6::detail {
namespace {

constexpr CGFloat kCollapsedButtonWidth = 26;
constexpr CGFloat kExpandedButtonWidth = 56;
constexpr CGFloat kMargin = 10;

struct HeaderIvars : UIViewIvars {
  id _sectionID;     // copied NSString
  id _sectionLabel;  // subview: UILabel with the app's name
  id _clearButton;   // subview: UIButton
  id _delegate;      // not retained: the list controller
  BOOL _clearButtonExpanded;
};

HeaderIvars* hv(id self) { return objc::ivars<HeaderIvars>(self); }
Class headerClass() { return objc::classNamed("SBBulletinHeaderView"); }

// Layout places the clear button only; the label keeps the frame it was given (and
// follows the header's size by its autoresizing mask), so a width set on it stays.
void layoutParts(id self) {
  auto* h = hv(self);
  CGRect b = send<CGRect>(self, sel<"bounds">());
  CGFloat buttonWidth = h->_clearButtonExpanded ? kExpandedButtonWidth : kCollapsedButtonWidth;
  CGFloat buttonHeight = std::max<CGFloat>(b.size.height - 6, 0);
  send<void>(h->_clearButton, sel<"setFrame:">(),
             CGRectMake(b.size.width - kMargin - buttonWidth, 3, buttonWidth, buttonHeight));
}

void showButtonState(id self) {
  auto* h = hv(self);
  send<void>(h->_clearButton, sel<"setTitle:forState:">(), str(h->_clearButtonExpanded ? "Clear" : "x"),
             NSUInteger{UIControlStateNormal});
  layoutParts(self);
}

id headerInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, headerClass(), cmd, frame);
  if (!self) return nil;
  auto* h = hv(self);
  send<void>(self, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0.08, 0.85)));
  h->_sectionLabel = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(),
                             CGRectMake(kMargin, 0, std::max<CGFloat>(frame.size.width - 3 * kMargin - kExpandedButtonWidth, 0),
                                        frame.size.height));
  send<void>(h->_sectionLabel, sel<"setAutoresizingMask:">(),
             NSUInteger{UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight});
  send<void>(h->_sectionLabel, sel<"setFont:">(), send<id>(objc::classNamed("UIFont"), sel<"boldSystemFontOfSize:">(), CGFloat{14}));
  send<void>(h->_sectionLabel, sel<"setTextColor:">(), uikit::makeColor(uikit::Color::white(1, 1)));
  send<void>(self, sel<"addSubview:">(), h->_sectionLabel);
  objc::release(h->_sectionLabel);
  h->_clearButton = send<id>(objc::classNamed("UIButton"), sel<"buttonWithType:">(), NSInteger{0});
  send<void>(h->_clearButton, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0.3, 1)));
  send<void>(h->_clearButton, sel<"addTarget:action:forControlEvents:">(), self, sel<"_clearButtonTapped:">(),
             NSUInteger{UIControlEventTouchUpInside});
  send<void>(self, sel<"addSubview:">(), h->_clearButton);
  showButtonState(self);
  return self;
}

void headerLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, headerClass(), cmd);
  layoutParts(self);
}

id headerSectionID(id self, SEL) { return hv(self)->_sectionID; }
void headerSetSectionID(id self, SEL, id sectionID) {
  id old = hv(self)->_sectionID;
  hv(self)->_sectionID = send<id>(sectionID, sel<"copy">());
  objc::release(old);
}
id headerTitle(id self, SEL) { return send<id>(hv(self)->_sectionLabel, sel<"text">()); }
void headerSetTitle(id self, SEL, id title) { send<void>(hv(self)->_sectionLabel, sel<"setText:">(), title); }
id headerDelegate(id self, SEL) { return hv(self)->_delegate; }
void headerSetDelegate(id self, SEL, id delegate) { hv(self)->_delegate = delegate; }

// The section has notifications the user may clear (or none).
void headerSetShowsClearButton(id self, SEL, BOOL shows) {
  send<void>(hv(self)->_clearButton, sel<"setHidden:">(), static_cast<BOOL>(shows ? NO : YES));
}

void headerResetClearButton(id self, SEL) {
  if (!hv(self)->_clearButtonExpanded) return;
  hv(self)->_clearButtonExpanded = NO;
  showButtonState(self);
}

void headerClearButtonTapped(id self, SEL, id) {
  auto* h = hv(self);
  if (!h->_clearButtonExpanded) {
    h->_clearButtonExpanded = YES;
    showButtonState(self);
    return;
  }
  h->_clearButtonExpanded = NO;
  showButtonState(self);
  if (h->_delegate && h->_sectionID) {
    objc::Ref keep = objc::Ref::retain(self);
    objc::Ref section = objc::Ref::retain(h->_sectionID);
    send<void>(h->_delegate, sel<"_clearSection:">(), section.get());
  }
}

void headerDealloc(id self, SEL cmd) {
  clear(hv(self)->_sectionID);
  objc::sendSuper<void>(self, headerClass(), cmd);
}

}  // namespace

void registerHeaderViewClass() {
  objc::ClassBuilder<HeaderIvars>("SBBulletinHeaderView", objc::classNamed("UIView"))
      .ivar<&HeaderIvars::_sectionID>("_sectionID")
      .ivar<&HeaderIvars::_sectionLabel>("_sectionLabel")
      .ivar<&HeaderIvars::_clearButton>("_clearButton")
      .ivar<&HeaderIvars::_delegate>("_delegate")
      .ivar<&HeaderIvars::_clearButtonExpanded>("_clearButtonExpanded")
      .method<&headerInitWithFrame>("initWithFrame:")
      .method<&headerLayoutSubviews>("layoutSubviews")
      .method<&headerSectionID>("sectionID")
      .method<&headerSetSectionID>("setSectionID:")
      .method<&headerTitle>("title")
      .method<&headerSetTitle>("setTitle:")
      .method<&headerDelegate>("delegate")
      .method<&headerSetDelegate>("setDelegate:")
      .method<&headerSetShowsClearButton>("setShowsClearButton:")
      .method<&headerResetClearButton>("resetClearButton")
      .method<&headerClearButtonTapped>("_clearButtonTapped:")
      .method<&headerDealloc>("dealloc")
      .registerClass();
}

}  // namespace sb6::detail
