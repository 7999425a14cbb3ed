// Host control, the device and the system: launching and shutting down the home
// screen, notifications, badges, the passcode setting, rotation, calls, the camera,
// the alarm and the app in front.
#include <springboard6/HostControl.h>

#include "Common.h"
#include "CoreClasses.h"
#include "HostControlState.h"

#include <bulletinboard/BulletinBoard.h>
#include <foundation/RunLoop.h>
#include <telephony/Telephony.h>
#include <uikit/UIApplication.h>
#include <uikit/UIDevice.h>
#include <uikit/UIScreen.h>
#include <uikit/UIWindow.h>

#include <atomic>

namespace sb6 {

using detail::sel;
using detail::send;
using detail::str;
using detail::text;

namespace {

constexpr const char* kCallID = "call-1";

bool& launchedFlag() {
  static bool value = false;
  return value;
}

}  // namespace

namespace detail {

bool launchedNow() { return launchedFlag(); }
objc::Status notLaunched() { return objc::makeError("the home screen has not been launched"); }
id awayController() { return shared("SBAwayController", sel<"sharedAwayController">()); }
id application() { return uikit::sharedApplication(); }

}  // namespace detail

// ---- life cycle ----

bool isLaunched() { return launchedFlag(); }

objc::Status launch(const Device& device) {
  if (launchedFlag()) return objc::makeError("the home screen is launched already");
  Class springBoard = objc::classNamed("SpringBoard");
  if (springBoard == Nil || objc::classNamed("SBUIController") == Nil || objc::classNamed("SBAwayController") == Nil) {
    return objc::makeError("the iOS 6 home-screen classes are not registered");
  }
  uikit::setScreen(device.ipad ? CGRectMake(0, 0, 768, 1024) : CGRectMake(0, 0, 320, 480), 2.0);
  uikit::setSystemVersion("6.1");
  uikit::setUserInterfaceIdiom(device.ipad ? 1 : 0);
  uikit::setInterfaceOrientation(1);
  setPasscode(device.passcode);
  auto app = uikit::makeSharedApplication(springBoard);
  if (!app) return app.error();
  launchedFlag() = true;
  objc::AutoreleasePool pool;
  if (device.startLocked) {
    // As after a boot: the lock screen is up, lit, before SpringBoard has finished
    // launching.
    id away = detail::awayController();
    send<void>(away, sel<"lock">());
  }
  send<void>(*app, sel<"applicationDidFinishLaunching:">(), *app);
  settle();
  detail::resetNotes();
  return objc::Ok{};
}

void shutdown() {
  if (!launchedFlag()) return;
  detail::releaseHeldHands();
  {
    objc::AutoreleasePool pool;
    send<void>(detail::shared("SBBulletinListController", sel<"sharedInstance">()), sel<"hideListViewAnimated:">(),
               BOOL{NO});
    // Unlocking stops the dim timer, which would otherwise keep the controller alive.
    send<void>(detail::awayController(), sel<"_finishUnlockWithSound:unlockSource:isAutoUnlock:">(), BOOL{NO}, NSInteger{0},
               BOOL{YES});
  }
  bb::BulletinServer::shared().reset();
  detail::releaseSharedInstances();
  uikit::resetSharedApplication();
  launchedFlag() = false;
  detail::resetNotes();
  ns::RunLoop::main().runUntilIdle();
}

void settle() {
  objc::AutoreleasePool pool;
  auto& loop = ns::RunLoop::main();
  loop.runUntilIdle();
  // The display cycle: everything on screen is laid out (tables hand out their cells).
  for (id window : uikit::windows()) uikit::layoutTree(window);
  loop.runUntilIdle();
}

// ---- the system ----

objc::Result<std::string> post(const Notification& n) {
  if (!launchedFlag()) return detail::notLaunched().error();
  if (n.sectionID.empty()) return objc::makeError("a notification needs a section ID");
  auto& server = bb::BulletinServer::shared();
  if (!n.bulletinID.empty() && server.bulletinWithID(n.bulletinID)) {
    return objc::makeError("a notification with the ID " + n.bulletinID + " was delivered already");
  }
  static std::atomic<unsigned long> counter{0};
  bb::BulletinFields fields;
  fields.sectionID = n.sectionID;
  fields.title = n.title.empty() ? displayName(n.sectionID) : n.title;
  fields.subtitle = n.subtitle;
  fields.message = n.message;
  fields.url = n.url;
  fields.recordID = n.recordID.empty() ? server.nextRecordID(n.sectionID) : n.recordID;
  fields.bulletinID = n.bulletinID;
  while (fields.bulletinID.empty() || server.bulletinWithID(fields.bulletinID)) {
    fields.bulletinID = "bulletin-" + std::to_string(++counter);
  }
  if (!detail::isInstalled(n.sectionID)) installApplication(n.sectionID, "");
  objc::AutoreleasePool pool;
  objc::Ref bulletin = bb::makeBulletin(fields);
  if (send<BOOL>(bulletin, sel<"respondsToSelector:">(), sel<"setClearable:">())) {
    send<void>(bulletin.get(), sel<"setClearable:">(), BOOL{n.clearable ? YES : NO});
  }
  if (auto s = server.publish(bulletin); !s) return s.error();
  settle();
  return fields.bulletinID;
}

objc::Status setBadge(const std::string& sectionID, std::optional<NSInteger> value) {
  if (!launchedFlag()) return detail::notLaunched();
  if (sectionID.empty()) return objc::makeError("a badge needs a section ID");
  if (!detail::isInstalled(sectionID)) installApplication(sectionID, "");
  objc::AutoreleasePool pool;
  id icon = send<id>(detail::shared("SBIconModel", sel<"sharedInstance">()),
                     sel<"applicationIconForDisplayIdentifier:">(), str(sectionID));
  if (icon == nil) return objc::makeError("no icon for " + sectionID);
  send<void>(icon, sel<"setBadge:">(), value ? str(std::to_string(*value)) : id{nil});
  settle();
  return objc::Ok{};
}

std::optional<NSInteger> badge(const std::string& sectionID) {
  if (!launchedFlag()) return std::nullopt;
  objc::AutoreleasePool pool;
  id icon = send<id>(detail::shared("SBIconModel", sel<"sharedInstance">()),
                     sel<"applicationIconForDisplayIdentifier:">(), str(sectionID));
  if (icon == nil || send<id>(icon, sel<"badgeNumberOrString">()) == nil) return std::nullopt;
  return send<NSInteger>(icon, sel<"badgeValue">());
}

void setPasscode(std::optional<std::string> passcode) {
  if (passcode && passcode->empty()) passcode.reset();
  detail::setDevicePasscode(std::move(passcode));
}

objc::Status rotate(NSInteger orientation) {
  if (!launchedFlag()) return detail::notLaunched();
  if (orientation < 1 || orientation > 4) return objc::makeError("an orientation is 1, 2, 3 or 4");
  objc::AutoreleasePool pool;
  uikit::setInterfaceOrientation(orientation);
  send<void>(detail::application(), sel<"noteInterfaceOrientationChanged:">(), orientation);
  settle();
  return objc::Ok{};
}

namespace {

objc::Status callStatus(int status) {
  if (!launchedFlag()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  ct::postCallStatus(kCallID, status);
  settle();
  return objc::Ok{};
}

}  // namespace

objc::Status incomingCall() { return callStatus(ct::kCallStatusIncoming); }
objc::Status callEnded() { return callStatus(ct::kCallStatusDisconnected); }

objc::Status setCameraActive(bool active) {
  if (!launchedFlag()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  id away = detail::awayController();
  if (active && !send<BOOL>(away, sel<"isLockedAndUndimmed">())) {
    return objc::makeError("the camera opens from a lit lock screen");
  }
  if (active) send<void>(away, sel<"activateCamera">());
  else send<void>(away, sel<"dismissCameraAnimated:">(), BOOL{YES});
  settle();
  return objc::Ok{};
}

objc::Status setAlertSounding(bool sounding) {
  if (!launchedFlag()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  id away = detail::awayController();
  if (sounding) {
    if (send<id>(away, sel<"currentAlertItem">())) return objc::makeError("an alarm is sounding already");
    objc::Ref alarm = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("SBSystemLocalNotificationAlert"), sel<"alloc">()),
                                                sel<"initWithTitle:">(), str("Alarm")));
    send<void>(away, sel<"activateAlertItem:">(), alarm.get());
  } else {
    id current = send<id>(away, sel<"currentAlertItem">());
    if (current == nil) return objc::makeError("no alarm is sounding");
    send<void>(away, sel<"deactivateAlertItem:">(), current);
  }
  settle();
  return objc::Ok{};
}

objc::Status openApplication(const std::string& bundleID) {
  if (!launchedFlag()) return detail::notLaunched();
  objc::AutoreleasePool pool;
  if (send<BOOL>(detail::awayController(), sel<"isLocked">())) return objc::makeError("the device is locked");
  id app = send<id>(detail::shared("SBApplicationController", sel<"sharedInstance">()),
                    sel<"applicationWithDisplayIdentifier:">(), str(bundleID));
  if (app == nil) return objc::makeError(bundleID + " is not installed");
  send<void>(detail::shared("SBUIController", sel<"sharedInstance">()), sel<"activateApplicationAnimated:">(), app);
  settle();
  return objc::Ok{};
}

std::optional<std::string> frontApplication() {
  if (!launchedFlag()) return std::nullopt;
  objc::AutoreleasePool pool;
  id app = send<id>(detail::application(), sel<"_accessibilityFrontMostApplication">());
  if (app == nil) return std::nullopt;
  return text(send<id>(app, sel<"displayIdentifier">()));
}

}  // namespace sb6
