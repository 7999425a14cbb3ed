// The cells of the two notification lists: SBNotificationsBulletinCell (Notification
// Center, with the host's long-press menu gesture) and SBLockScreenBulletinCell (the
// lock screen, with its unlock action context and the host's press feedback).  Both
// inherit canBecomeFirstResponder and canPerformAction:withSender: from UIKit.
#include "Common.h"
#include "Classes.h"

#include <foundation/NSString.h>
#include <uikit/UITableViewCell.h>

namespace sb7::detail {
namespace {

constexpr NSInteger kStateBegan = 1;
constexpr NSInteger kStateEnded = 3;
constexpr NSInteger kStateCancelled = 4;

// ---- shared content: title, message and time labels in the content view ----

struct BulletinCellIvars : UITableViewCellIvars {
  id _bulletin;  // retained
  id _primaryLabel;
  id _secondaryLabel;
  id _relevanceDateLabel;
  id _menuGesture;  // retained UILongPressGestureRecognizer
};

struct LockCellIvars : UITableViewCellIvars {
  id _bulletin;  // retained
  id _primaryLabel;
  id _secondaryLabel;
  id _relevanceDateLabel;
  id _unlockActionContext;  // retained SBUnlockActionContext
};

id addLabel(id cell, CGRect frame) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  send<void>(send<id>(cell, sel<"contentView">()), sel<"addSubview:">(), label);
  objc::release(label);
  return label;
}

// "now", "5m ago", "2h ago": the age of a notification on the process clock.
id relativeDate(id date) {
  if (date == nil) return nil;
  double age = -send<double>(date, sel<"timeIntervalSinceNow">());
  if (age < 60) return str("now");
  if (age < 3600) return ns::format("%dm ago", static_cast<int>(age / 60));
  if (age < 86400) return ns::format("%dh ago", static_cast<int>(age / 3600));
  return ns::format("%dd ago", static_cast<int>(age / 86400));
}

void showBulletin(id cell, id bulletin, id& slot, id primary, id secondary, id dateLabel) {
  setRetained(slot, bulletin);
  id title = send<id>(bulletin, sel<"title">());
  if (title == nil && bulletin) title = str(appDisplayName(text(send<id>(bulletin, sel<"sectionID">()))));
  send<void>(primary, sel<"setText:">(), title);
  send<void>(secondary, sel<"setText:">(), send<id>(bulletin, sel<"message">()));
  send<void>(dateLabel, sel<"setText:">(), relativeDate(send<id>(bulletin, sel<"date">())));
  (void)cell;
}

// ---- SBNotificationsBulletinCell ----

Class bulletinCellClass() { return objc::classNamed("SBNotificationsBulletinCell"); }

id bulletinCellInit(id self, SEL cmd, NSInteger style, id reuseIdentifier) {
  self = objc::sendSuper<id>(self, bulletinCellClass(), cmd, style, reuseIdentifier);
  if (!self) return nil;
  auto* c = objc::ivars<BulletinCellIvars>(self);
  c->_primaryLabel = addLabel(self, CGRectMake(48, 8, 200, 20));
  c->_relevanceDateLabel = addLabel(self, CGRectMake(250, 8, 62, 20));
  c->_secondaryLabel = addLabel(self, CGRectMake(48, 28, 264, 20));
  send<void>(self, sel<"_setupMenuGesture">());
  return self;
}

// The host's menu gesture: a long press on the content view.
void bulletinCellSetupMenuGesture(id self, SEL) {
  auto* c = objc::ivars<BulletinCellIvars>(self);
  if (c->_menuGesture) return;
  c->_menuGesture = send<id>(send<id>(objc::classNamed("UILongPressGestureRecognizer"), sel<"alloc">()),
                             sel<"initWithTarget:action:">(), self, sel<"_longPressGestureRecognized:">());
  send<void>(send<id>(self, sel<"contentView">()), sel<"addGestureRecognizer:">(), c->_menuGesture);
}

// When the press begins, the cell shows the shared menu at itself if its table allows
// a menu for it and the cell can become first responder (the menu's actions go to the
// first responder).
void bulletinCellLongPress(id self, SEL, id recognizer) {
  if (send<NSInteger>(recognizer, sel<"state">()) != kStateBegan) return;
  id table = send<id>(self, sel<"_tableView">());
  if (table == nil || !send<BOOL>(table, sel<"_shouldShowMenuForCell:">(), self)) return;
  if (!send<BOOL>(self, sel<"becomeFirstResponder">())) return;
  id menu = send<id>(objc::classNamed("UIMenuController"), sel<"sharedMenuController">());
  send<void>(menu, sel<"setTargetRect:inView:">(), send<CGRect>(self, sel<"bounds">()), self);
  send<void>(menu, sel<"setMenuVisible:animated:">(), BOOL{YES}, BOOL{YES});
}

void bulletinCellSetBulletin(id self, SEL, id bulletin) {
  auto* c = objc::ivars<BulletinCellIvars>(self);
  showBulletin(self, bulletin, c->_bulletin, c->_primaryLabel, c->_secondaryLabel, c->_relevanceDateLabel);
}
id bulletinCellBulletin(id self, SEL) { return objc::ivars<BulletinCellIvars>(self)->_bulletin; }

void bulletinCellDealloc(id self, SEL cmd) {
  auto* c = objc::ivars<BulletinCellIvars>(self);
  clear(c->_bulletin);
  clear(c->_menuGesture);
  objc::sendSuper<void>(self, bulletinCellClass(), cmd);
}

// ---- SBUnlockActionContext ----

struct UnlockContextIvars : NSObjectIvars {
  id _identifier;
  id _lockLabel;
  id identifier() { return _identifier; }
  id lockLabel() { return _lockLabel; }
};

id unlockContextInit(id self, SEL, id identifier, id lockLabel) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBUnlockActionContext"), sel<"init">());
  if (!self) return nil;
  auto* u = objc::ivars<UnlockContextIvars>(self);
  u->_identifier = send<id>(identifier, sel<"copy">());
  u->_lockLabel = send<id>(lockLabel, sel<"copy">());
  return self;
}

void unlockContextDealloc(id self, SEL cmd) {
  auto* u = objc::ivars<UnlockContextIvars>(self);
  clear(u->_identifier);
  clear(u->_lockLabel);
  objc::sendSuper<void>(self, objc::classNamed("SBUnlockActionContext"), cmd);
}

// ---- SBLockScreenBulletinCell ----

Class lockCellClass() { return objc::classNamed("SBLockScreenBulletinCell"); }

id lockCellInit(id self, SEL cmd, NSInteger style, id reuseIdentifier) {
  self = objc::sendSuper<id>(self, lockCellClass(), cmd, style, reuseIdentifier);
  if (!self) return nil;
  auto* c = objc::ivars<LockCellIvars>(self);
  c->_primaryLabel = addLabel(self, CGRectMake(48, 8, 200, 20));
  c->_relevanceDateLabel = addLabel(self, CGRectMake(250, 8, 62, 20));
  c->_secondaryLabel = addLabel(self, CGRectMake(48, 28, 264, 20));
  // The lock screen's own press handling, on the content view.
  id press = send<id>(send<id>(objc::classNamed("UILongPressGestureRecognizer"), sel<"alloc">()),
                      sel<"initWithTarget:action:">(), self, sel<"_longPressGestureRecognized:">());
  send<void>(send<id>(self, sel<"contentView">()), sel<"addGestureRecognizer:">(), press);
  objc::release(press);
  return self;
}

// Press feedback: the cell shows as selected while the finger is down.
void lockCellLongPress(id self, SEL, id recognizer) {
  NSInteger state = send<NSInteger>(recognizer, sel<"state">());
  if (state == kStateBegan) send<void>(self, sel<"setSelected:">(), BOOL{YES});
  if (state == kStateEnded || state == kStateCancelled) send<void>(self, sel<"setSelected:">(), BOOL{NO});
}

void lockCellSetBulletin(id self, SEL, id bulletin) {
  auto* c = objc::ivars<LockCellIvars>(self);
  showBulletin(self, bulletin, c->_bulletin, c->_primaryLabel, c->_secondaryLabel, c->_relevanceDateLabel);
  id context = send<id>(send<id>(objc::classNamed("SBUnlockActionContext"), sel<"alloc">()),
                        sel<"initWithIdentifier:lockLabel:">(), send<id>(bulletin, sel<"bulletinID">()),
                        str("slide to view"));
  id old = c->_unlockActionContext;
  c->_unlockActionContext = context;
  objc::release(old);
}
id lockCellBulletin(id self, SEL) { return objc::ivars<LockCellIvars>(self)->_bulletin; }
id lockCellUnlockActionContext(id self, SEL) { return objc::ivars<LockCellIvars>(self)->_unlockActionContext; }
void lockCellSetUnlockActionContext(id self, SEL, id context) {
  setRetained(objc::ivars<LockCellIvars>(self)->_unlockActionContext, context);
}

void lockCellDealloc(id self, SEL cmd) {
  auto* c = objc::ivars<LockCellIvars>(self);
  clear(c->_bulletin);
  clear(c->_unlockActionContext);
  objc::sendSuper<void>(self, lockCellClass(), cmd);
}

}  // namespace

void registerCellClasses() {
  Class cell = objc::classNamed("UITableViewCell");
  objc::ClassBuilder<BulletinCellIvars>("SBNotificationsBulletinCell", cell)
      .ivar<&BulletinCellIvars::_bulletin>("_bulletin")
      .ivar<&BulletinCellIvars::_primaryLabel>("_primaryLabel")
      .ivar<&BulletinCellIvars::_secondaryLabel>("_secondaryLabel")
      .ivar<&BulletinCellIvars::_relevanceDateLabel>("_relevanceDateLabel")
      .ivar<&BulletinCellIvars::_menuGesture>("_menuGesture")
      .method<&bulletinCellInit>("initWithStyle:reuseIdentifier:")
      .method<&bulletinCellSetupMenuGesture>("_setupMenuGesture")
      .method<&bulletinCellLongPress>("_longPressGestureRecognized:")
      .method<&bulletinCellSetBulletin>("setBulletin:")
      .method<&bulletinCellBulletin>("bulletin")
      .method<&bulletinCellDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<UnlockContextIvars>("SBUnlockActionContext", objc::NSObjectClass())
      .ivar<&UnlockContextIvars::_identifier>("_identifier")
      .ivar<&UnlockContextIvars::_lockLabel>("_lockLabel")
      .method<&unlockContextInit>("initWithIdentifier:lockLabel:")
      .method<&UnlockContextIvars::identifier>("identifier")
      .method<&UnlockContextIvars::lockLabel>("lockLabel")
      .method<&unlockContextDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<LockCellIvars>("SBLockScreenBulletinCell", cell)
      .ivar<&LockCellIvars::_bulletin>("_bulletin")
      .ivar<&LockCellIvars::_primaryLabel>("_primaryLabel")
      .ivar<&LockCellIvars::_secondaryLabel>("_secondaryLabel")
      .ivar<&LockCellIvars::_relevanceDateLabel>("_relevanceDateLabel")
      .ivar<&LockCellIvars::_unlockActionContext>("_unlockActionContext")
      .method<&lockCellInit>("initWithStyle:reuseIdentifier:")
      .method<&lockCellLongPress>("_longPressGestureRecognized:")
      .method<&lockCellSetBulletin>("setBulletin:")
      .method<&lockCellBulletin>("bulletin")
      .method<&lockCellUnlockActionContext>("unlockActionContext")
      .method<&lockCellSetUnlockActionContext>("setUnlockActionContext:")
      .method<&lockCellDealloc>("dealloc")
      .registerClass();
}

}  // namespace sb7::detail
