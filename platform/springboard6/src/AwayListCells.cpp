// The rows of the lock screen's own notification list: SBUnlockActionContext (what a
// row unlocks to), SBAwayBulletinListItem (one notification of the list, the class
// both home screens share: springboardcommon/AwayListItem.h), SBAwayBulletinCell (a
// row, whose app icon slides to the right to unlock the device into the
// notification) and SBAwayBulletinTableView.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <springboardcommon/AwayListItem.h>
#include <springboardcommon/Icons.h>

#include <foundation/NSString.h>
#include <uikit/UIColor.h>
#include <uikit/UIScrollView.h>
#include <uikit/UITableView.h>
#include <uikit/UITableViewCell.h>

#include <algorithm>

namespace sb6::detail {
namespace {

// ---- SBUnlockActionContext ----

struct ActionContextIvars : NSObjectIvars {
  id _bulletinID;  // NSString, copied
  id _lockLabel;   // NSString, copied: "slide to view"
  id bulletinID() { return _bulletinID; }
  void setBulletinID(id v) {
    id old = _bulletinID;
    _bulletinID = send<id>(v, sel<"copy">());
    objc::release(old);
  }
  id lockLabel() { return _lockLabel; }
  void setLockLabel(id v) {
    id old = _lockLabel;
    _lockLabel = send<id>(v, sel<"copy">());
    objc::release(old);
  }
};

void contextDealloc(id self, SEL cmd) {
  auto* c = objc::ivars<ActionContextIvars>(self);
  clear(c->_bulletinID);
  clear(c->_lockLabel);
  objc::sendSuper<void>(self, objc::classNamed("SBUnlockActionContext"), cmd);
}

// ---- SBAwayBulletinCell ----

constexpr CGFloat kIconX = 8;
constexpr CGFloat kIconSize = 44;
constexpr CGFloat kTextX = 62;
constexpr CGFloat kSlideZone = kIconX + kIconSize + 8;  // a finger put down here moves the icon
constexpr double kSlideBackSeconds = 0.2;

struct CellIvars : UITableViewCellIvars {
  id _actionContext;  // retained SBUnlockActionContext
  id _iconView;       // the app's icon, the part that slides
  id _iconLetter;     // the app's initial on it
  id _titleLabel;
  id _messageLabel;
  id _slideLabel;     // "slide to view", shown while the icon slides
  id _delegate;       // not retained: the list controller
  CGFloat _slideOffset;
  CGFloat _touchStartX;
  BOOL _sliding;
};

CellIvars* cell(id self) { return objc::ivars<CellIvars>(self); }
Class cellClass() { return objc::classNamed("SBAwayBulletinCell"); }

id addLabel(id parent, CGFloat size, CGFloat white) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), CGRectMake(0, 0, 0, 0));
  send<void>(label, sel<"setFont:">(), send<id>(objc::classNamed("UIFont"), sel<"systemFontOfSize:">(), size));
  send<void>(label, sel<"setTextColor:">(), uikit::makeColor(uikit::Color::white(white, 1)));
  send<void>(parent, sel<"addSubview:">(), label);
  objc::release(label);
  return label;
}

id cellInitWithReuseIdentifier(id self, SEL, id identifier) {
  self = objc::sendSuper<id>(self, cellClass(), sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, identifier);
  if (!self) return nil;
  auto* c = cell(self);
  id content = send<id>(self, sel<"contentView">());
  send<void>(self, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0, 0.5)));
  c->_actionContext = newObject("SBUnlockActionContext");
  send<void>(c->_actionContext, sel<"setLockLabel:">(), str("slide to view"));
  c->_iconView = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(),
                          CGRectMake(kIconX, 8, kIconSize, kIconSize));
  send<void>(c->_iconView, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::rgb(0.3, 0.7, 0.35, 1)));
  send<void>(content, sel<"addSubview:">(), c->_iconView);
  objc::release(c->_iconView);
  c->_iconLetter = addLabel(c->_iconView, 24, 1);
  send<void>(c->_iconLetter, sel<"setFrame:">(), CGRectMake(0, 0, kIconSize, kIconSize));
  send<void>(c->_iconLetter, sel<"setTextAlignment:">(), NSInteger{1});
  c->_titleLabel = addLabel(content, 15, 1);
  c->_messageLabel = addLabel(content, 13, 0.85);
  c->_slideLabel = addLabel(content, 15, 0.7);
  send<void>(c->_slideLabel, sel<"setText:">(), send<id>(c->_actionContext, sel<"lockLabel">()));
  send<void>(c->_slideLabel, sel<"setAlpha:">(), CGFloat{0});
  return self;
}

// The text beside the icon fills the row's width; the icon sits where the finger has
// slid it.
void cellLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, cellClass(), cmd);
  auto* c = cell(self);
  CGRect bounds = send<CGRect>(self, sel<"bounds">());
  CGFloat textWidth = std::max<CGFloat>(bounds.size.width - kTextX - 8, 0);
  send<void>(c->_iconView, sel<"setFrame:">(), CGRectMake(kIconX + c->_slideOffset, 8, kIconSize, kIconSize));
  send<void>(c->_titleLabel, sel<"setFrame:">(), CGRectMake(kTextX, 6, textWidth, 20));
  send<void>(c->_messageLabel, sel<"setFrame:">(), CGRectMake(kTextX, 26, textWidth, bounds.size.height - 32));
  send<void>(c->_slideLabel, sel<"setFrame:">(), CGRectMake(kTextX, 0, textWidth, bounds.size.height));
}

id cellActionContext(id self, SEL) { return cell(self)->_actionContext; }
id cellDelegate(id self, SEL) { return cell(self)->_delegate; }
void cellSetDelegate(id self, SEL, id delegate) { cell(self)->_delegate = delegate; }

// Shows a notification: its title and message, and its ID in the action context.
void cellSetBulletin(id self, SEL, id bulletin) {
  auto* c = cell(self);
  id title = send<id>(bulletin, sel<"title">());
  if (title == nil) title = str(appDisplayName(text(send<id>(bulletin, sel<"sectionID">()))));
  send<void>(c->_titleLabel, sel<"setText:">(), title);
  send<void>(c->_messageLabel, sel<"setText:">(), send<id>(bulletin, sel<"message">()));
  std::string section = text(send<id>(bulletin, sel<"sectionID">()));
  send<void>(c->_iconView, sel<"setBackgroundColor:">(), sbcommon::appIconColour(section));
  send<void>(c->_iconLetter, sel<"setText:">(), str(appDisplayName(section).substr(0, 1)));
  send<void>(c->_actionContext, sel<"setBulletinID:">(), send<id>(bulletin, sel<"bulletinID">()));
}

CGFloat slideEnd(id self) {
  return std::max<CGFloat>(send<CGRect>(self, sel<"bounds">()).size.width - kIconSize - 2 * kIconX, 0);
}

void placeIcon(id self, CGFloat offset) {
  auto* c = cell(self);
  c->_slideOffset = offset;
  CGFloat fade = std::clamp(offset / 80, CGFloat{0}, CGFloat{1});
  send<void>(c->_iconView, sel<"setFrame:">(), CGRectMake(kIconX + offset, 8, kIconSize, kIconSize));
  send<void>(c->_titleLabel, sel<"setAlpha:">(), 1 - fade);
  send<void>(c->_messageLabel, sel<"setAlpha:">(), 1 - fade);
  send<void>(c->_slideLabel, sel<"setAlpha:">(), fade);
}

CGFloat touchX(id self, id touches) {
  return send<CGPoint>(send<id>(touches, sel<"anyObject">()), sel<"locationInView:">(), self).x;
}

// A finger put down on the icon slides it; touches elsewhere go on to the table.
void cellTouchesBegan(id self, SEL cmd, id touches, id event) {
  auto* c = cell(self);
  CGFloat x = touchX(self, touches);
  if (x < kSlideZone) {
    c->_sliding = YES;
    c->_touchStartX = x;
    send<void>(shared("SBAwayController", sel<"sharedAwayController">()), sel<"restartDimTimer:">(), kLockScreenDimSeconds);
    return;
  }
  objc::sendSuper<void>(self, cellClass(), cmd, touches, event);
}

void cellTouchesMoved(id self, SEL cmd, id touches, id event) {
  auto* c = cell(self);
  if (!c->_sliding) {
    objc::sendSuper<void>(self, cellClass(), cmd, touches, event);
    return;
  }
  placeIcon(self, std::clamp(touchX(self, touches) - c->_touchStartX, CGFloat{0}, slideEnd(self)));
}

void slideBack(id self) {
  Class view = objc::classNamed("UIView");
  send<void>(view, sel<"beginAnimations:context:">(), str("SBAwayBulletinCellSlideBack"), static_cast<void*>(nullptr));
  send<void>(view, sel<"setAnimationDuration:">(), kSlideBackSeconds);
  placeIcon(self, 0);
  send<void>(view, sel<"commitAnimations">());
}

// Slid to the end, the row asks its list to unlock into the notification; the icon
// goes back either way.
void cellTouchesEnded(id self, SEL cmd, id touches, id event) {
  auto* c = cell(self);
  if (!c->_sliding) {
    objc::sendSuper<void>(self, cellClass(), cmd, touches, event);
    return;
  }
  c->_sliding = NO;
  bool atEnd = c->_slideOffset >= slideEnd(self);
  objc::Ref keep = objc::Ref::retain(self);
  slideBack(self);
  if (atEnd) send<void>(c->_delegate, sel<"awayBulletinCellDidSlideToUnlock:">(), self);
}

void cellTouchesCancelled(id self, SEL cmd, id touches, id event) {
  auto* c = cell(self);
  if (!c->_sliding) {
    objc::sendSuper<void>(self, cellClass(), cmd, touches, event);
    return;
  }
  c->_sliding = NO;
  slideBack(self);
}

void cellPrepareForReuse(id self, SEL cmd) {
  objc::sendSuper<void>(self, cellClass(), cmd);
  cell(self)->_sliding = NO;
  placeIcon(self, 0);
}

void cellDealloc(id self, SEL cmd) {
  clear(cell(self)->_actionContext);
  objc::sendSuper<void>(self, cellClass(), cmd);
}

// ---- SBAwayBulletinTableView ----

// A deletion keeps the scroll position inside the shorter content, so the last rows
// slide down into view instead of leaving an empty gap.
void tableDeleteRows(id self, SEL cmd, id paths, NSInteger animation) {
  objc::sendSuper<void>(self, objc::classNamed("SBAwayBulletinTableView"), cmd, paths, animation);
  CGPoint offset = send<CGPoint>(self, sel<"contentOffset">());
  CGFloat visible = send<CGRect>(self, sel<"bounds">()).size.height;
  CGFloat content = send<CGSize>(self, sel<"contentSize">()).height;
  CGFloat highest = std::max<CGFloat>(content - visible, 0);
  if (offset.y > highest) send<void>(self, sel<"setContentOffset:">(), CGPointMake(offset.x, highest));
}

}  // namespace

void registerAwayListCellClasses() {
  objc::ClassBuilder<ActionContextIvars>("SBUnlockActionContext", objc::NSObjectClass())
      .ivar<&ActionContextIvars::_bulletinID>("_bulletinID")
      .ivar<&ActionContextIvars::_lockLabel>("_lockLabel")
      .method<&ActionContextIvars::bulletinID>("bulletinID")
      .method<&ActionContextIvars::setBulletinID>("setBulletinID:")
      .method<&ActionContextIvars::lockLabel>("lockLabel")
      .method<&ActionContextIvars::setLockLabel>("setLockLabel:")
      .method<&contextDealloc>("dealloc")
      .registerClass();
  sbcommon::registerAwayBulletinListItemClass();
  objc::ClassBuilder<CellIvars>("SBAwayBulletinCell", objc::classNamed("UITableViewCell"))
      .ivar<&CellIvars::_actionContext>("_actionContext")
      .ivar<&CellIvars::_iconView>("_iconView")
      .ivar<&CellIvars::_iconLetter>("_iconLetter")
      .ivar<&CellIvars::_titleLabel>("_titleLabel")
      .ivar<&CellIvars::_messageLabel>("_messageLabel")
      .ivar<&CellIvars::_slideLabel>("_slideLabel")
      .ivar<&CellIvars::_delegate>("_delegate")
      .ivar<&CellIvars::_slideOffset>("_slideOffset")
      .ivar<&CellIvars::_touchStartX>("_touchStartX")
      .ivar<&CellIvars::_sliding>("_sliding")
      .method<&cellInitWithReuseIdentifier>("initWithReuseIdentifier:")
      .method<&cellLayoutSubviews>("layoutSubviews")
      .method<&cellActionContext>("actionContext")
      .method<&cellDelegate>("delegate")
      .method<&cellSetDelegate>("setDelegate:")
      .method<&cellSetBulletin>("setBulletin:")
      .method<&cellTouchesBegan>("touchesBegan:withEvent:")
      .method<&cellTouchesMoved>("touchesMoved:withEvent:")
      .method<&cellTouchesEnded>("touchesEnded:withEvent:")
      .method<&cellTouchesCancelled>("touchesCancelled:withEvent:")
      .method<&cellPrepareForReuse>("prepareForReuse")
      .method<&cellDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<UITableViewIvars>("SBAwayBulletinTableView", objc::classNamed("UITableView"))
      .method<&tableDeleteRows>("deleteRowsAtIndexPaths:withRowAnimation:")
      .registerClass();
}

}  // namespace sb6::detail
