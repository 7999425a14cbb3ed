// The application object SpringBoard (the shared UIApplication of the home screen):
// the home and lock buttons, the front display, rotation, opening URLs, and the
// status bar window it owns.  SBAppContextHostView is the view an app in front shows
// in SBUIController's window.
#include "Classes.h"
#include "Common.h"
#include "CoreClasses.h"

#include <foundation/NSString.h>
#include <uikit/UIApplication.h>
#include <uikit/UIColor.h>
#include <uikit/UIView.h>

#include <cctype>
#include <string>
#include <utility>

namespace sb6::detail {
namespace {

struct SpringBoardIvars : UIApplicationIvars {
  id _statusBarWindow;        // retained UIStatusBarWindow
  BOOL _menuButtonWokeScreen;  // the current home press turned the screen on
};

SpringBoardIvars* sb(id self) { return objc::ivars<SpringBoardIvars>(self); }

id awayController() { return shared("SBAwayController", sel<"sharedAwayController">()); }
id uiController() { return shared("SBUIController", sel<"sharedInstance">()); }

// ---- launching and the status bar ----

void springBoardDidFinishLaunching(id self, SEL, id) {
  send<id>(self, sel<"statusBarWindow">());
  send<void>(uiController(), sel<"finishLaunching">());
}

// The status bar's window, made on first use: as wide as the screen, above every
// window of the home screen but banners.
id springBoardStatusBarWindow(id self, SEL) {
  auto* s = sb(self);
  if (!s->_statusBarWindow) {
    CGRect bounds = screenBounds();
    s->_statusBarWindow = send<id>(send<id>(objc::classNamed("UIStatusBarWindow"), sel<"alloc">()),
                                   sel<"initWithFrame:">(), CGRectMake(0, 0, bounds.size.width, kStatusBarHeight));
    send<void>(s->_statusBarWindow, sel<"setHidden:">(), BOOL{NO});
  }
  return s->_statusBarWindow;
}

void springBoardHideStatusBar(id self, SEL) {
  send<void>(send<id>(self, sel<"statusBarWindow">()), sel<"setHidden:">(), BOOL{YES});
}
void springBoardShowStatusBar(id self, SEL) {
  send<void>(send<id>(self, sel<"statusBarWindow">()), sel<"setHidden:">(), BOOL{NO});
}

// ---- buttons ----

bool screenIsDark(id away) { return send<BOOL>(away, sel<"isLocked">()) && send<BOOL>(away, sel<"isDimmed">()); }

// The screen comes on and the lock screen is asked to unlock (which, without a
// tweak, only keeps it on for a while: unlocking is the user's slide).
void wakeScreen(id away) {
  send<void>(away, sel<"undimScreen">());
  send<void>(away, sel<"attemptUnlock">());
}

// A home press on a dark screen wakes it at once; the click itself is the release.
void springBoardMenuButtonDown(id self, SEL, id) {
  id away = awayController();
  sb(self)->_menuButtonWokeScreen = NO;
  if (screenIsDark(away)) {
    sb(self)->_menuButtonWokeScreen = YES;
    wakeScreen(away);
  }
}

// The click: on the lock screen it keeps the screen on; unlocked, SBUIController
// closes Notification Center or returns to the home screen.
void springBoardMenuButtonUp(id self, SEL, id) {
  if (std::exchange(sb(self)->_menuButtonWokeScreen, NO)) return;
  id away = awayController();
  if (send<BOOL>(away, sel<"isLocked">())) {
    send<void>(away, sel<"restartDimTimer:">(), kLockScreenDimSeconds);
    return;
  }
  send<void>(uiController(), sel<"clickedMenuButton">());
}

void springBoardLockButtonDown(id, SEL, id) {}

// The lock button: wakes a dark screen; otherwise turns the screen off, locking the
// device first when it is unlocked.
void springBoardLockButtonUp(id, SEL, id) {
  id away = awayController();
  if (screenIsDark(away)) {
    wakeScreen(away);
    return;
  }
  if (!send<BOOL>(away, sel<"isLocked">())) send<void>(away, sel<"lock">());
  send<void>(away, sel<"dimScreen:">(), BOOL{NO});
}

// ---- the front display ----

id springBoardFrontMostApplication(id, SEL) { return send<id>(uiController(), sel<"frontApplication">()); }

// An app in front covers the home screen's wallpaper, so the status bar behind the
// time turns opaque black; on the home screen it is see-through, and SpringBoard's
// own status bar shows again if it was hidden over an app.
void springBoardFrontDisplayDidChange(id self, SEL) {
  id front = send<id>(self, sel<"_accessibilityFrontMostApplication">());
  id statusBarWindow = send<id>(self, sel<"statusBarWindow">());
  id colour = uikit::makeColor(front ? uikit::Color::white(0, 1) : uikit::Color::white(0, 0.4));
  send<void>(statusBarWindow, sel<"setBackgroundColor:">(), colour);
  if (front == nil) send<void>(self, sel<"showSpringBoardStatusBar">());
}

void springBoardNoteOrientationChanged(id self, SEL, NSInteger orientation) {
  send<void>(self, sel<"setStatusBarOrientation:">(), orientation);
}

// ---- opening URLs ----

// The apps that open the system's URL schemes.
const char* applicationForScheme(const std::string& scheme) {
  static const std::pair<const char*, const char*> kSchemes[] = {
      {"sms", "com.apple.MobileSMS"},        {"mailto", "com.apple.mobilemail"},
      {"message", "com.apple.mobilemail"},   {"tel", "com.apple.mobilephone"},
      {"http", "com.apple.mobilesafari"},    {"https", "com.apple.mobilesafari"},
      {"calshow", "com.apple.mobilecal"},    {"x-apple-reminder", "com.apple.reminders"},
      {"gamecenter", "com.apple.gamecenter"}, {"shoebox", "com.apple.Passbook"},
      {"clock-alarm", "com.apple.mobiletimer"}, {"itms", "com.apple.MobileStore"},
      {"itms-apps", "com.apple.AppStore"},   {"facetime", "com.apple.facetime"},
      {"prefs", "com.apple.Preferences"},
  };
  for (const auto& [s, app] : kSchemes) {
    if (scheme == s) return app;
  }
  return nullptr;
}

// Opens a URL in the app of its scheme, which comes to the front.  Refused while the
// device is locked, and for a scheme no installed app opens: nothing happens then.
void springBoardOpenURL(id self, SEL, id url) {
  if (url == nil || send<BOOL>(awayController(), sel<"isLocked">())) return;
  std::string scheme = text(send<id>(url, sel<"scheme">()));
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const char* bundleID = applicationForScheme(scheme);
  id controller = shared("SBApplicationController", sel<"sharedInstance">());
  id app = bundleID ? send<id>(controller, sel<"applicationWithDisplayIdentifier:">(), str(bundleID)) : nil;
  if (app == nil) return;
  send<void>(uiController(), sel<"activateApplicationAnimated:">(), app);
  if (send<id>(self, sel<"_accessibilityFrontMostApplication">()) == app) {
    noteOpened(text(send<id>(url, sel<"absoluteString">())));
  }
}

void springBoardDealloc(id self, SEL cmd) {
  if (sb(self)->_statusBarWindow) send<void>(sb(self)->_statusBarWindow, sel<"setHidden:">(), BOOL{YES});
  clear(sb(self)->_statusBarWindow);
  objc::sendSuper<void>(self, objc::classNamed("SpringBoard"), cmd);
}

// ---- SBAppContextHostView ----

struct HostViewIvars : UIViewIvars {
  id _displayIdentifier;  // NSString, copied
  id _nameLabel;          // UILabel with the app's name, a subview
};

id hostViewInit(id self, SEL, CGRect frame, id identifier) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBAppContextHostView"), sel<"initWithFrame:">(), frame);
  if (!self) return nil;
  auto* v = objc::ivars<HostViewIvars>(self);
  v->_displayIdentifier = send<id>(identifier, sel<"copy">());
  send<void>(self, sel<"setBackgroundColor:">(), uikit::makeColor(uikit::Color::white(0.92, 1)));
  v->_nameLabel = send<id>(send<id>(objc::classNamed("UILabel"), sel<"alloc">()), sel<"initWithFrame:">(),
                           CGRectMake(0, frame.size.height / 2 - 20, frame.size.width, 40));
  send<void>(v->_nameLabel, sel<"setText:">(), str(appDisplayName(text(identifier))));
  send<void>(v->_nameLabel, sel<"setTextAlignment:">(), NSInteger{1});
  send<void>(self, sel<"addSubview:">(), v->_nameLabel);
  objc::release(v->_nameLabel);
  return self;
}

id hostViewIdentifier(id self, SEL) { return objc::ivars<HostViewIvars>(self)->_displayIdentifier; }

// The app's display identifier is part of the description.
id hostViewDescription(id self, SEL cmd) {
  id base = objc::sendSuper<id>(self, objc::classNamed("SBAppContextHostView"), cmd);
  std::string s = text(base);
  std::string extra = "; displayIdentifier = " + text(objc::ivars<HostViewIvars>(self)->_displayIdentifier);
  if (!s.empty() && s.back() == '>') s.insert(s.size() - 1, extra);
  else s += extra;
  return str(s);
}

void hostViewDealloc(id self, SEL cmd) {
  clear(objc::ivars<HostViewIvars>(self)->_displayIdentifier);
  objc::sendSuper<void>(self, objc::classNamed("SBAppContextHostView"), cmd);
}

}  // namespace

void registerSpringBoardClasses() {
  objc::ClassBuilder<SpringBoardIvars>("SpringBoard", objc::classNamed("UIApplication"))
      .ivar<&SpringBoardIvars::_statusBarWindow>("_statusBarWindow")
      .ivar<&SpringBoardIvars::_menuButtonWokeScreen>("_menuButtonWokeScreen")
      .method<&springBoardDidFinishLaunching>("applicationDidFinishLaunching:")
      .method<&springBoardStatusBarWindow>("statusBarWindow")
      .method<&springBoardHideStatusBar>("hideSpringBoardStatusBar")
      .method<&springBoardShowStatusBar>("showSpringBoardStatusBar")
      .method<&springBoardMenuButtonDown>("menuButtonDown:")
      .method<&springBoardMenuButtonUp>("menuButtonUp:")
      .method<&springBoardLockButtonDown>("lockButtonDown:")
      .method<&springBoardLockButtonUp>("lockButtonUp:")
      .method<&springBoardFrontMostApplication>("_accessibilityFrontMostApplication")
      .method<&springBoardFrontDisplayDidChange>("frontDisplayDidChange")
      .method<&springBoardNoteOrientationChanged>("noteInterfaceOrientationChanged:")
      .method<&springBoardOpenURL>("applicationOpenURL:")
      .method<&springBoardDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<HostViewIvars>("SBAppContextHostView", objc::classNamed("UIView"))
      .ivar<&HostViewIvars::_displayIdentifier>("_displayIdentifier")
      .ivar<&HostViewIvars::_nameLabel>("_nameLabel")
      .method<&hostViewInit>("initWithFrame:displayIdentifier:")
      .method<&hostViewIdentifier>("displayIdentifier")
      .method<&hostViewDescription>("description")
      .method<&hostViewDealloc>("dealloc")
      .registerClass();
}

void registerApplicationClasses() {
  registerApplicationModelClasses();
  registerSpringBoardClasses();
  registerUIControllerClasses();
}

}  // namespace sb6::detail
