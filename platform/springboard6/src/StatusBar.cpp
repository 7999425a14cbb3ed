// The status bar: UIStatusBarWindow (its own window above the home screen and the
// lock screen), UIStatusBar (the view showing the time or the lock) and
// SBStatusBarDataManager, which decides which of the two the status bar shows.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <foundation/Clock.h>
#include <uikit/UIColor.h>
#include <uikit/UIWindow.h>

#include <ctime>

namespace sb6::detail {
namespace {

constexpr CGFloat kStatusBarWindowLevel = 1000;  // UIWindowLevelStatusBar
constexpr double kReferenceDateUnixSeconds = 978307200.0;

// ---- UIStatusBarWindow: a window holding the status bar; it handles events as every
// window does (it does not override sendEvent:). ----

struct StatusBarWindowIvars : UIWindowIvars {
  id _statusBar;  // UIStatusBar, a subview
};

id statusBarWindowInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, objc::classNamed("UIStatusBarWindow"), cmd, frame);
  if (!self) return nil;
  send<void>(self, sel<"setWindowLevel:">(), kStatusBarWindowLevel);
  send<void>(self, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0, 0.4)));
  id bar = send<id>(send<id>(objc::classNamed("UIStatusBar"), sel<"alloc">()), sel<"initWithFrame:">(),
                    CGRectMake(0, 0, frame.size.width, frame.size.height));
  send<void>(self, sel<"addSubview:">(), bar);
  objc::release(bar);
  objc::ivars<StatusBarWindowIvars>(self)->_statusBar = bar;
  return self;
}

id statusBarWindowStatusBar(id self, SEL) { return objc::ivars<StatusBarWindowIvars>(self)->_statusBar; }

// ---- UIStatusBar ----

struct StatusBarIvars : UIViewIvars {
  id _timeLabel;  // UILabel, a subview, hidden while the lock shows
  id _lockView;   // the padlock, a subview made of a body and a shackle
  BOOL _showsTime;
  BOOL _showsLock;
};

StatusBarIvars* bar(id self) { return objc::ivars<StatusBarIvars>(self); }

id addLabel(id view, CGRect frame) {
  id label = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
  send<void>(label, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(label, sel<"setTextColor:">(), uikit::makeColor(uikit::Color::white(1, 1)));
  send<void>(label, sel<"setFont:">(), send<id>(objc::classNamed("UIFont"), sel<"boldSystemFontOfSize:">(), CGFloat{14}));
  send<void>(view, sel<"addSubview:">(), label);
  objc::release(label);
  return label;
}

// A white padlock in the middle of the bar: a body under a shackle of three bars.
id makePadlock(id bar, CGSize size) {
  auto part = [](id parent, CGRect frame) {
    id view = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), frame);
    send<void>(view, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(1, 1)));
    send<void>(parent, sel<"addSubview:">(), view);
    objc::release(view);
    return view;
  };
  id padlock = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(),
                        CGRectMake(size.width / 2 - 6, (size.height - 14) / 2, 12, 14));
  send<void>(bar, sel<"addSubview:">(), padlock);
  objc::release(padlock);
  part(padlock, CGRectMake(0, 6, 12, 8));  // the body
  part(padlock, CGRectMake(2, 1, 2, 5));   // the shackle
  part(padlock, CGRectMake(8, 1, 2, 5));
  part(padlock, CGRectMake(2, 0, 8, 2));
  return padlock;
}

// The time of the process clock, "h:mm" as the status bar shows it.
id currentTimeText() {
  auto seconds = static_cast<std::time_t>(ns::now() + kReferenceDateUnixSeconds);
  std::tm parts{};
  localtime_r(&seconds, &parts);
  int hour = parts.tm_hour % 12 == 0 ? 12 : parts.tm_hour % 12;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d:%02d", hour, parts.tm_min);
  return str(buffer);
}

void statusBarApply(id self) {
  send<void>(bar(self)->_timeLabel, sel<"setHidden:">(), BOOL{!bar(self)->_showsTime});
  send<void>(bar(self)->_lockView, sel<"setHidden:">(), BOOL{!bar(self)->_showsLock});
}

id statusBarInit(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, objc::classNamed("UIStatusBar"), cmd, frame);
  if (!self) return nil;
  CGRect full = CGRectMake(0, 0, frame.size.width, frame.size.height);
  bar(self)->_timeLabel = addLabel(self, full);
  bar(self)->_lockView = makePadlock(self, frame.size);
  bar(self)->_showsTime = YES;
  send<void>(bar(self)->_timeLabel, sel<"setText:">(), currentTimeText());
  statusBarApply(self);
  return self;
}

void statusBarSetShows(id self, SEL, BOOL time, BOOL lock) {
  bar(self)->_showsTime = time;
  bar(self)->_showsLock = lock;
  statusBarApply(self);
}

BOOL statusBarShowsTime(id self, SEL) { return bar(self)->_showsTime; }
BOOL statusBarShowsLock(id self, SEL) { return bar(self)->_showsLock; }

// The time is brought up to date at every display cycle: laying the bar out sets it
// and asks for the next layout, so it is current whenever the screen is looked at.
void statusBarLayoutSubviews(id self, SEL cmd) {
  objc::sendSuper<void>(self, objc::classNamed("UIStatusBar"), cmd);
  send<void>(bar(self)->_timeLabel, sel<"setText:">(), currentTimeText());
  send<void>(self, sel<"setNeedsLayout">());
}

// ---- SBStatusBarDataManager ----

struct DataManagerIvars : NSObjectIvars {
  BOOL _lockEnabled;
  BOOL _timeEnabled;
};

DataManagerIvars* dm(id self) { return objc::ivars<DataManagerIvars>(self); }

id dataManagerShared(id, SEL) {
  id& slot = sharedSlot("SBStatusBarDataManager");
  if (!slot) {
    slot = newObject("SBStatusBarDataManager");
    dm(slot)->_timeEnabled = YES;
    send<void>(slot, sel<"_updateStatusBar">());
  }
  return slot;
}

void dataManagerUpdate(id self, SEL) {
  id app = send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">());
  if (!send<BOOL>(app, sel<"respondsToSelector:">(), sel<"statusBarWindow">())) return;
  id statusBar = send<id>(send<id>(app, sel<"statusBarWindow">()), sel<"statusBar">());
  send<void>(statusBar, sel<"setShowsTime:lock:">(), dm(self)->_timeEnabled, dm(self)->_lockEnabled);
}

// The lock shows while the device is locked and the time otherwise; when both are
// asked for, the time wins the middle of the bar.
void dataManagerEnableLockTime(id self, SEL, BOOL lock, BOOL time) {
  dm(self)->_lockEnabled = lock && !time;
  dm(self)->_timeEnabled = time;
  send<void>(self, sel<"_updateStatusBar">());
}

void dataManagerEnableTime(id self, SEL, BOOL time) {
  send<void>(self, sel<"enableLock:time:">(), BOOL{time ? NO : YES}, time);
}

BOOL dataManagerLockEnabled(id self, SEL) { return dm(self)->_lockEnabled; }
BOOL dataManagerTimeEnabled(id self, SEL) { return dm(self)->_timeEnabled; }

}  // namespace

void registerStatusBarClasses() {
  objc::ClassBuilder<StatusBarIvars>("UIStatusBar", objc::classNamed("UIView"))
      .ivar<&StatusBarIvars::_timeLabel>("_timeLabel")
      .ivar<&StatusBarIvars::_lockView>("_lockView")
      .ivar<&StatusBarIvars::_showsTime>("_showsTime")
      .ivar<&StatusBarIvars::_showsLock>("_showsLock")
      .method<&statusBarInit>("initWithFrame:")
      .method<&statusBarSetShows>("setShowsTime:lock:")
      .method<&statusBarShowsTime>("showsTime")
      .method<&statusBarShowsLock>("showsLock")
      .method<&statusBarLayoutSubviews>("layoutSubviews")
      .registerClass();
  objc::ClassBuilder<StatusBarWindowIvars>("UIStatusBarWindow", objc::classNamed("UIWindow"))
      .ivar<&StatusBarWindowIvars::_statusBar>("_statusBar")
      .method<&statusBarWindowInit>("initWithFrame:")
      .method<&statusBarWindowStatusBar>("statusBar")
      .registerClass();
  objc::ClassBuilder<DataManagerIvars>("SBStatusBarDataManager", objc::NSObjectClass())
      .ivar<&DataManagerIvars::_lockEnabled>("_lockEnabled")
      .ivar<&DataManagerIvars::_timeEnabled>("_timeEnabled")
      .method<&dataManagerEnableLockTime>("enableLock:time:")
      .method<&dataManagerEnableTime>("enableTime:")
      .method<&dataManagerLockEnabled>("lockEnabled")
      .method<&dataManagerTimeEnabled>("timeEnabled")
      .method<&dataManagerUpdate>("_updateStatusBar")
      .classMethod<&dataManagerShared>("sharedDataManager")
      .registerClass();
}

}  // namespace sb6::detail
