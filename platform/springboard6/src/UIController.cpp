// SBUIController: the home screen itself (its window, the wallpaper and the icons),
// the app in front, the home button's click, and the pull-down from the status bar
// that opens Notification Center.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <uikit/UIColor.h>

namespace sb6::detail {
namespace {

struct UIControllerIvars : NSObjectIvars {
  id _window;            // retained: the home screen's window
  id _rootView;          // retained, fills the window
  id _contentView;       // the root view's first subview, holding the next two
  id _wallpaperView;     // retained
  id _iconsView;         // retained: the icon list
  id _frontApplication;  // retained SBApplication, nil on the home screen
  id _frontDisplayView;  // retained SBAppContextHostView of the front app
  id _showNotificationsGestureRecognizer;  // retained, on the status bar's window
  BOOL _launched;
};

UIControllerIvars* uic(id self) { return objc::ivars<UIControllerIvars>(self); }
Class uicClass() { return objc::classNamed("SBUIController"); }

id awayController() { return shared("SBAwayController", sel<"sharedAwayController">()); }
id listController() { return shared("SBBulletinListController", sel<"sharedInstance">()); }

id makeView(const char* className, CGRect frame) {
  return send<id>(send<id>(objc::classNamed(className), sel<"alloc">()), sel<"initWithFrame:">(), frame);
}

id uiControllerShared(id, SEL) {
  id& slot = sharedSlot("SBUIController");
  if (!slot) slot = newObject("SBUIController");
  return slot;
}

// The home screen: a window whose root view holds the wallpaper and the icons of the
// installed apps.  The lock screen, Notification Center, banners and telephony are
// made now, so they follow the bulletin server and the phone from the start; when
// the device is locked already (a boot) the home screen is put away at once.
void uiControllerFinishLaunching(id self, SEL) {
  auto* c = uic(self);
  if (c->_launched) return;
  c->_launched = YES;
  CGRect bounds = screenBounds();
  c->_window = makeView("UIWindow", bounds);
  c->_rootView = makeView("UIView", bounds);
  send<void>(c->_window, sel<"addSubview:">(), c->_rootView);
  c->_contentView = makeView("UIView", bounds);
  send<void>(c->_rootView, sel<"addSubview:">(), c->_contentView);
  objc::release(c->_contentView);
  c->_wallpaperView = makeView("UIView", bounds);
  send<void>(c->_wallpaperView, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::rgb(0.13, 0.22, 0.36, 1)));
  send<void>(c->_contentView, sel<"addSubview:">(), c->_wallpaperView);
  c->_iconsView = makeView("UIView", bounds);
  send<void>(c->_contentView, sel<"addSubview:">(), c->_iconsView);
  send<void>(shared("SBIconViewMap", sel<"homescreenMap">()), sel<"setIconListView:">(), c->_iconsView);
  send<void>(c->_window, sel<"makeKeyAndVisible">());

  id statusBarWindow = send<id>(send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">()),
                                sel<"statusBarWindow">());
  c->_showNotificationsGestureRecognizer =
      send<id>(send<id>(objc::classNamed("UIPanGestureRecognizer"), sel<"alloc">()), sel<"initWithTarget:action:">(),
               self, sel<"_showNotificationsGestureRecognized:">());
  send<void>(c->_showNotificationsGestureRecognizer, sel<"setDelegate:">(), self);
  send<void>(statusBarWindow, sel<"addGestureRecognizer:">(), c->_showNotificationsGestureRecognizer);

  id away = awayController();
  shared("SBStatusBarDataManager", sel<"sharedDataManager">());
  shared("SBBulletinWindowController", sel<"sharedInstance">());
  listController();
  shared("SBBulletinBannerController", sel<"sharedInstance">());
  shared("SBTelephonyManager", sel<"sharedTelephonyManager">());
  if (send<BOOL>(away, sel<"isLocked">())) send<void>(self, sel<"tearDownIconListAndBar">());
}

id uiControllerWindow(id self, SEL) { return uic(self)->_window; }
id uiControllerRootView(id self, SEL) { return uic(self)->_rootView; }
id uiControllerContentView(id self, SEL) { return uic(self)->_contentView; }
id uiControllerFrontApplication(id self, SEL) { return uic(self)->_frontApplication; }

// ---- the app in front ----

// Brings an app to the front: its display covers the home screen, and SpringBoard
// hears that the front display changed.  Refused while the device is locked.
void uiControllerActivateApplication(id self, SEL, id application) {
  auto* c = uic(self);
  if (application == nil || !c->_launched || send<BOOL>(awayController(), sel<"isLocked">())) return;
  id identifier = send<id>(application, sel<"displayIdentifier">());
  if (c->_frontApplication != application) {
    if (c->_frontDisplayView) send<void>(c->_frontDisplayView, sel<"removeFromSuperview">());
    clear(c->_frontDisplayView);
    setRetained(c->_frontApplication, application);
    c->_frontDisplayView = send<id>(send<id>(objc::classNamed("SBAppContextHostView"), sel<"alloc">()),
                                    sel<"initWithFrame:displayIdentifier:">(), screenBounds(), identifier);
    send<void>(c->_window, sel<"addSubview:">(), c->_frontDisplayView);
    noteOpened(text(identifier));
    send<void>(send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">()), sel<"frontDisplayDidChange">());
    return;
  }
  noteOpened(text(identifier));
}

// Back to the home screen: the front app's display goes away.
void uiControllerReturnToHomeScreen(id self, SEL) {
  auto* c = uic(self);
  if (c->_frontApplication == nil) return;
  if (c->_frontDisplayView) send<void>(c->_frontDisplayView, sel<"removeFromSuperview">());
  clear(c->_frontDisplayView);
  clear(c->_frontApplication);
  send<void>(send<id>(objc::classNamed("UIApplication"), sel<"sharedApplication">()), sel<"frontDisplayDidChange">());
}

// The home button's click on an unlocked device: Notification Center closes when it
// is shown; otherwise the app in front gives way to the home screen.
void uiControllerClickedMenuButton(id self, SEL) {
  id list = listController();
  if (list && send<BOOL>(list, sel<"listViewIsActive">())) {
    send<void>(list, sel<"hideListViewAnimated:">(), BOOL{YES});
    return;
  }
  send<void>(self, sel<"_returnToHomeScreen">());
}

// While locked the home screen is put away under the lock screen: the root view is
// made transparent, the wallpaper and icons leave it and the front app's display is
// hidden.  Unlocking brings everything back.
void uiControllerTearDown(id self, SEL) {
  auto* c = uic(self);
  if (!c->_launched) return;
  send<void>(c->_rootView, sel<"setAlpha:">(), CGFloat{0});
  send<void>(c->_wallpaperView, sel<"removeFromSuperview">());
  send<void>(c->_iconsView, sel<"removeFromSuperview">());
  if (c->_frontDisplayView) send<void>(c->_frontDisplayView, sel<"setHidden:">(), BOOL{YES});
}

void uiControllerRestore(id self, SEL) {
  auto* c = uic(self);
  if (!c->_launched) return;
  send<void>(c->_rootView, sel<"setAlpha:">(), CGFloat{1});
  if (send<id>(c->_wallpaperView, sel<"superview">()) == nil) send<void>(c->_contentView, sel<"addSubview:">(), c->_wallpaperView);
  if (send<id>(c->_iconsView, sel<"superview">()) == nil) send<void>(c->_contentView, sel<"addSubview:">(), c->_iconsView);
  if (c->_frontDisplayView) send<void>(c->_frontDisplayView, sel<"setHidden:">(), BOOL{NO});
}

// ---- the pull-down from the status bar ----

// The status bar's recogniser begins only when Notification Center's window
// controller allows the gesture (never on the lock screen of a stock device).
BOOL uiControllerGestureShouldBegin(id self, SEL, id recognizer) {
  if (recognizer != uic(self)->_showNotificationsGestureRecognizer) return YES;
  id windowController = shared("SBBulletinWindowController", sel<"sharedInstance">());
  return windowController && send<BOOL>(windowController, sel<"allowsShowNotificationsGesture">()) ? YES : NO;
}

void uiControllerGestureRecognized(id self, SEL, id recognizer) {
  NSInteger state = send<NSInteger>(recognizer, sel<"state">());
  id view = send<id>(recognizer, sel<"view">());
  CGPoint location = send<CGPoint>(recognizer, sel<"locationInView:">(), view);
  CGPoint velocity = send<CGPoint>(recognizer, sel<"velocityInView:">(), view);
  switch (state) {
    case 1:
      send<void>(self, sel<"_showNotificationsGestureBeganWithLocation:">(), location);
      break;
    case 2:
      send<void>(self, sel<"_showNotificationsGestureChangedWithLocation:velocity:">(), location, velocity);
      break;
    case 3:
      send<void>(self, sel<"_showNotificationsGestureEndedWithLocation:velocity:">(), location, velocity);
      break;
    case 4:  // taken away: released without speed, so the list goes back up
      send<void>(self, sel<"_showNotificationsGestureEndedWithLocation:velocity:">(), location, CGPointMake(0, 0));
      break;
    default:
      break;
  }
}

// The three steps of the pull-down are Notification Center's to carry out.
void uiControllerGestureBegan(id, SEL, CGPoint location) {
  send<void>(listController(), sel<"handleShowNotificationsGestureBeganWithTouchLocation:">(), location);
}
void uiControllerGestureChanged(id, SEL, CGPoint location, CGPoint velocity) {
  send<void>(listController(), sel<"handleShowNotificationsGestureChangedWithTouchLocation:velocity:">(), location,
             velocity);
}
void uiControllerGestureEnded(id, SEL, CGPoint, CGPoint velocity) {
  send<void>(listController(), sel<"handleShowNotificationsGestureEndedWithVelocity:">(), velocity);
}

void uiControllerDealloc(id self, SEL cmd) {
  auto* c = uic(self);
  if (c->_showNotificationsGestureRecognizer) {
    id view = send<id>(c->_showNotificationsGestureRecognizer, sel<"view">());
    if (view) send<void>(view, sel<"removeGestureRecognizer:">(), c->_showNotificationsGestureRecognizer);
  }
  if (c->_window) send<void>(c->_window, sel<"setHidden:">(), BOOL{YES});
  for (id* slot : {&c->_showNotificationsGestureRecognizer, &c->_frontDisplayView, &c->_frontApplication,
                   &c->_iconsView, &c->_wallpaperView, &c->_rootView, &c->_window}) {
    clear(*slot);
  }
  objc::sendSuper<void>(self, uicClass(), cmd);
}

}  // namespace

void registerUIControllerClasses() {
  objc::ClassBuilder<UIControllerIvars>("SBUIController", objc::NSObjectClass())
      .ivar<&UIControllerIvars::_window>("_window")
      .ivar<&UIControllerIvars::_rootView>("_rootView")
      .ivar<&UIControllerIvars::_contentView>("_contentView")
      .ivar<&UIControllerIvars::_wallpaperView>("_wallpaperView")
      .ivar<&UIControllerIvars::_iconsView>("_iconsView")
      .ivar<&UIControllerIvars::_frontApplication>("_frontApplication")
      .ivar<&UIControllerIvars::_frontDisplayView>("_frontDisplayView")
      .ivar<&UIControllerIvars::_showNotificationsGestureRecognizer>("_showNotificationsGestureRecognizer")
      .ivar<&UIControllerIvars::_launched>("_launched")
      .method<&uiControllerFinishLaunching>("finishLaunching")
      .method<&uiControllerWindow>("window")
      .method<&uiControllerRootView>("rootView")
      .method<&uiControllerContentView>("contentView")
      .method<&uiControllerFrontApplication>("frontApplication")
      .method<&uiControllerActivateApplication>("activateApplicationAnimated:")
      .method<&uiControllerReturnToHomeScreen>("_returnToHomeScreen")
      .method<&uiControllerClickedMenuButton>("clickedMenuButton")
      .method<&uiControllerTearDown>("tearDownIconListAndBar")
      .method<&uiControllerRestore>("restoreIconListAndBar")
      .method<&uiControllerGestureShouldBegin>("gestureRecognizerShouldBegin:")
      .method<&uiControllerGestureRecognized>("_showNotificationsGestureRecognized:")
      .method<&uiControllerGestureBegan>("_showNotificationsGestureBeganWithLocation:")
      .method<&uiControllerGestureChanged>("_showNotificationsGestureChangedWithLocation:velocity:")
      .method<&uiControllerGestureEnded>("_showNotificationsGestureEndedWithLocation:velocity:")
      .method<&uiControllerDealloc>("dealloc")
      .classMethod<&uiControllerShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb6::detail
