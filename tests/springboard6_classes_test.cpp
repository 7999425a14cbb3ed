// The classes of the iOS 6 home screen as a tweak finds them: which class defines and
// which only inherits each method a tweak replaces (a replacement in place of an
// inherited method acts for the superclass too), and every selector and instance
// variable the tweak relies on, on the class that answers it, with its types.
#include "HomeScreen6Fixture.h"

#include <cstdlib>
#include <string>

using namespace sb6_testing;

namespace {

// Whether the class itself (not a superclass) has the instance method.
bool defines(const char* className, const char* selector) {
  Class cls = objc::classNamed(className);
  if (cls == Nil) return false;
  unsigned int n = 0;
  Method* methods = class_copyMethodList(cls, &n);
  bool found = false;
  for (unsigned int i = 0; i < n && !found; ++i)
    found = sel_isEqual(method_getName(methods[i]), sel_registerName(selector));
  std::free(methods);
  return found;
}

std::string types(const char* className, const char* selector, bool classMethod = false) {
  Class cls = objc::classNamed(className);
  Method m = classMethod ? class_getClassMethod(cls, sel_registerName(selector))
                         : class_getInstanceMethod(cls, sel_registerName(selector));
  if (m == nullptr) return "missing";
  // The argument types without the frame offsets the runtime adds.
  std::string out;
  for (const char* p = method_getTypeEncoding(m); *p; ++p)
    if (*p < '0' || *p > '9') out += *p;
  return out;
}

// The type string of a method answering R and taking Args, as the runtime records
// the methods the home screen defines.
template <class R, class... Args>
std::string E() {
  return objc::methodEncoding<R, Args...>();
}

class Springboard6ClassesTest : public HomeScreen6Test {};

TEST_F(Springboard6ClassesTest, TheReplacedMethodsOfTheCoreClassesAreDefinedWhereATweakExpectsThem) {
  struct Entry {
    const char* cls;
    const char* selector;
    bool own;  // defined by the class itself, else only inherited
  };
  const Entry entries[] = {
      {"SpringBoard", "menuButtonDown:", true},
      {"SpringBoard", "frontDisplayDidChange", true},
      {"SpringBoard", "noteInterfaceOrientationChanged:", true},
      {"SBUIController", "finishLaunching", true},
      {"UIStatusBarWindow", "sendEvent:", false},
      {"SBAlertWindow", "sendEvent:", false},
      {"SBAwayController", "attemptUnlock", true},
      {"SBAwayController", "didAnimateLockKeypadOut", true},
      {"SBAwayBulletinCell", "initWithReuseIdentifier:", true},
      {"SBAwayBulletinCell", "layoutSubviews", true},
      {"SBAwayBulletinTableView", "deleteRowsAtIndexPaths:withRowAnimation:", true},
      {"CTCallCenter", "handleNotificationFromConnection:ofType:withInfo:", true},
      {"SBAwayController", "attemptDeviceUnlockWithPassword:lockViewOwner:", true},
  };
  for (const Entry& e : entries) {
    EXPECT_NE(class_getInstanceMethod(objc::classNamed(e.cls), sel_registerName(e.selector)), nullptr)
        << e.cls << " " << e.selector;
    EXPECT_EQ(defines(e.cls, e.selector), e.own) << e.cls << " " << e.selector;
  }
  // The inherited sendEvent: is UIWindow's own.
  EXPECT_TRUE(defines("UIWindow", "sendEvent:"));
  EXPECT_EQ(class_getSuperclass(objc::classNamed("SBAlertWindow")), objc::classNamed("UIWindow"));
  EXPECT_EQ(class_getSuperclass(objc::classNamed("UIStatusBarWindow")), objc::classNamed("UIWindow"));
  EXPECT_EQ(class_getSuperclass(objc::classNamed("SpringBoard")), objc::classNamed("UIApplication"));
}

TEST_F(Springboard6ClassesTest, EveryCallATweakMakesIsAnsweredWithTheTypesItSends) {
  struct Call {
    const char* cls;
    const char* selector;
    std::string types;
    bool classMethod = false;
  };
  const Call relied[] = {
      {"SBAwayController", "sharedAwayController", E<id>(), true},
      {"SBAwayController", "isLocked", E<BOOL>()},
      {"SBAwayController", "cameraIsActive", E<BOOL>()},
      {"SBAwayController", "isLockedAndUndimmed", E<BOOL>()},
      {"SBAwayController", "restartDimTimer:", E<void, double>()},
      {"SBAwayController", "attemptUnlock", E<void>()},
      {"SBAwayController", "isPasswordProtected", E<BOOL>()},
      {"SBAwayController", "currentAlertItem", E<id>()},
      {"SBAwayController", "awayView", E<id>()},
      {"SBAwayController", "_unlockWithSound:unlockSource:isAutoUnlock:bypassPinLock:", E<void, BOOL, NSInteger, BOOL, BOOL>()},
      {"SBAwayController", "_finishUnlockWithSound:unlockSource:isAutoUnlock:", E<void, BOOL, NSInteger, BOOL>()},
      {"SBAwayController", "_unlockWithSound:isAutoUnlock:", E<void, BOOL, BOOL>()},
      {"SBAwayController", "attemptDeviceUnlockWithPassword:lockViewOwner:", E<BOOL, id, id>()},
      {"SBAwayView", "lockBarUnlocked:", E<void, id>()},
      {"SBAwayView", "lockBarStoppedTracking:", E<void, id>()},
      {"SBAwayView", "resetLockBar", E<void>()},
      {"SBAwayView", "dateView", E<id>()},
      {"SBAwayView", "bulletinController", E<id>()},
      {"SBAwayBulletinListController", "listItems", E<id>()},
      {"SBAwayBulletinListController", "view", E<id>()},
      {"SBAwayBulletinListController", "observer:removeBulletin:", E<void, id, id>()},
      {"SBAwayBulletinListItem", "activeBulletin", E<id>()},
      {"SBAwayBulletinCell", "actionContext", E<id>()},
      {"SBUnlockActionContext", "bulletinID", E<id>()},
      {"SBUIController", "sharedInstance", E<id>(), true},
      {"SBUIController", "_showNotificationsGestureBeganWithLocation:", E<void, CGPoint>()},
      {"SBUIController", "_showNotificationsGestureChangedWithLocation:velocity:", E<void, CGPoint, CGPoint>()},
      {"SBUIController", "_showNotificationsGestureEndedWithLocation:velocity:", E<void, CGPoint, CGPoint>()},
      {"SBUIController", "rootView", E<id>()},
      {"SBUIController", "window", E<id>()},
      {"SBUIController", "activateApplicationAnimated:", E<void, id>()},
      {"SBStatusBarDataManager", "sharedDataManager", E<id>(), true},
      {"SBStatusBarDataManager", "enableLock:time:", E<void, BOOL, BOOL>()},
      {"SBDeviceLockController", "sharedController", E<id>(), true},
      {"SBDeviceLockController", "isPasswordProtected", E<BOOL>()},
      {"SBPowerDownController", "sharedInstance", E<id>(), true},
      {"SBPowerDownController", "isOrderedFront", E<BOOL>()},
      {"SBSystemLocalNotificationAlert", "stopPlayingAlertSoundOrRingtone", E<void>(), true},
      {"SpringBoard", "menuButtonDown:", E<void, id>()},
      {"SpringBoard", "menuButtonUp:", E<void, id>()},
      {"SpringBoard", "noteInterfaceOrientationChanged:", E<void, NSInteger>()},
      {"SpringBoard", "_accessibilityFrontMostApplication", E<id>()},
      {"SpringBoard", "activeInterfaceOrientation", E<NSInteger>()},
      {"SpringBoard", "hideSpringBoardStatusBar", E<void>()},
      {"SpringBoard", "showSpringBoardStatusBar", E<void>()},
      {"SpringBoard", "applicationOpenURL:", E<void, id>()},
      {"SBApplicationController", "applicationWithDisplayIdentifier:", E<id, id>()},
      {"SBApplication", "displayIdentifier", E<id>()},
      {"SBIconModel", "sharedInstance", E<id>(), true},
      {"SBIconModel", "applicationIconForDisplayIdentifier:", E<id, id>()},
      {"SBIconViewMap", "homescreenMap", E<id>(), true},
      {"SBIconViewMap", "iconModel", E<id>()},
      {"SBApplicationIcon", "badgeValue", E<NSInteger>()},
      {"SBApplicationIcon", "setBadge:", E<void, id>()},
      {"CTCallCenter", "handleNotificationFromConnection:ofType:withInfo:", E<void, void*, id, id>()},
      {"UIWindow", "createScreenIOSurface", E<id>(), true},
      {"UIImage", "_initWithIOSurface:scale:orientation:", E<id, id, CGFloat, NSInteger>()},
  };
  for (const Call& c : relied) EXPECT_EQ(types(c.cls, c.selector, c.classMethod), c.types) << c.cls << " " << c.selector;
  // Instance variables read by name.
  struct Ivar {
    const char* cls;
    const char* name;
  };
  for (Ivar v : {Ivar{"SBAwayView", "_lockBar"}, Ivar{"SBUIController", "_iconsView"},
                 Ivar{"SBUIController", "_wallpaperView"}}) {
    EXPECT_NE(class_getInstanceVariable(objc::classNamed(v.cls), v.name), nullptr) << v.cls << " " << v.name;
  }
}

}  // namespace
