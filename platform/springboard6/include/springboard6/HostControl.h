// Control of the iOS 6 home screen from outside: what the host program, the scenario
// runner and the tests do to SpringBoard (the system delivering a notification or a
// call, the user pressing buttons, dragging and tapping) and the values they read
// back.  Every action reaches the home-screen objects the way iOS would: buttons
// through SpringBoard's own button methods, fingers through UIApplication sendEvent:
// and the windows' sendEvent: (uikit/Simulation.h), so methods replaced by a tweak
// run as on a device.
//
// Sections are named by their section ID ("com.apple.MobileSMS"); rows are counted
// from 0 within a section in the order the list shows them (newest first).  Points
// are in the coordinates of the window or view named.  All functions run on the
// main thread.  Until launch() has run every action answers an error and every
// read-back answers "nothing".
#pragma once

#include <objcface/Result.h>
#include <objcface/Types.h>

#include <optional>
#include <string>
#include <vector>

namespace sb6 {

// ---- Life cycle ----------------------------------------------------------------

// The device played.  A phone is 320 × 480 points at scale 2.0; an iPad 768 × 1024
// points at scale 2.0 (UIDevice userInterfaceIdiom 1).  UIDevice systemVersion is
// "6.1".
struct Device {
  bool ipad = false;
  std::optional<std::string> passcode;  // the device passcode; none by default
  bool startLocked = false;             // launched on the lock screen, as after a boot
};

// Registers every runtime class of the iOS 6 home screen (and CoreTelephony's
// CTCallCenter).  Not done when the library loads, because the iOS 7 home screen
// defines classes of the same names; a process registers one of the two.  Calling it
// again does nothing.
void registerClasses();

// Sets up the screen and device of `device`, creates the application object (class
// SpringBoard) and sends it applicationDidFinishLaunching:, which sends
// finishLaunching to SBUIController's shared instance through the runtime (so a
// tweak loaded before sees it).  With startLocked the lock screen is up (screen on)
// before finishLaunching is sent.  Reads the icon badges of the current device root.
// An error when the classes are not registered or the home screen is launched.
objc::Status launch(const Device& device = {});
bool isLaunched();

// Hides every screen, forgets every notification and drops the shared instances, so
// that the next launch() starts afresh from the files of the device root.
void shutdown();

// Serves the main run loop until no work is due at the current clock time.  The
// actions below call it before they return.
void settle();

// ---- The system --------------------------------------------------------------------

struct Notification {
  std::string sectionID;   // required: the app's bundle identifier
  std::string title;       // empty: the app's display name
  std::string subtitle;
  std::string message;
  std::string url;         // launch URL of the default action; empty: no default action
  std::string recordID;    // empty: the next record number of this section
  std::string bulletinID;  // empty: a fresh unique ID
  bool clearable = true;   // BBBulletin clearable
};

// Delivers a notification as the bulletin server does: to Notification Center's
// list, to the lock screen's own list while locked, and as a banner while unlocked.
// Answers its bulletin ID; an error for an empty section ID or a bulletin ID
// delivered already.
objc::Result<std::string> post(const Notification& notification);

objc::Status setBadge(const std::string& sectionID, std::optional<NSInteger> value);
std::optional<NSInteger> badge(const std::string& sectionID);
void installApplication(const std::string& bundleID, const std::string& displayName);
std::string displayName(const std::string& sectionID);

// The device passcode (none: std::nullopt), effective at once.
void setPasscode(std::optional<std::string> passcode);

// Rotates the device: activeInterfaceOrientation changes (UIKit's numbers: 1 portrait, 2 upside down,
// 3 landscape right, 4 landscape left) and SpringBoard is sent
// noteInterfaceOrientationChanged:.
objc::Status rotate(NSInteger orientation);

// CoreTelephony's call-status notification to CTCallCenter
// (handleNotificationFromConnection:ofType:withInfo: with "kCTCallStatus" 4 for an
// incoming call, 5 when it has ended).
objc::Status incomingCall();
objc::Status callEnded();

// The lock screen's camera (SBAwayController cameraIsActive).
objc::Status setCameraActive(bool active);
// An alarm alert sounding on the lock screen (SBAwayController currentAlertItem).
objc::Status setAlertSounding(bool sounding);

// ---- The user: buttons and the lock screen ----------------------------------------

// The lock button on an unlocked device: locks; the screen stays on, as after a wake.
objc::Status lock();
// The dim timer running out: the screen goes dark.
objc::Status sleep();
// The lock button on a dark screen: the screen comes on and SBAwayController is sent
// attemptUnlock.
objc::Status wake();
// Slides the lock bar's knob to its end with a finger: the device unlocks, or the
// passcode keypad comes up when a passcode is set.
objc::Status unlockWithLockBar();
// Types a passcode on the keypad shown now (attemptDeviceUnlockWithPassword:
// lockViewOwner:); an error when no keypad is shown.
objc::Status typePasscode(const std::string& code);
objc::Status cancelKeypad();
// The home button (SpringBoard menuButtonDown: then menuButtonUp:).
objc::Status pressHome();
// Brings an installed app to the front (frontDisplayDidChange follows); pressHome
// returns to the home screen.
objc::Status openApplication(const std::string& bundleID);

bool isLocked();
bool isScreenDark();
bool isKeypadShown();
// The status bar shows the time (true) or the lock (false).
bool statusBarShowsTime();
// The front application's bundle identifier, or std::nullopt on the home screen.
std::optional<std::string> frontApplication();
// The last action performed since launch: a launch URL or an app's bundle ID.
std::optional<std::string> lastOpened();
// The sounds played since the previous call, in order ("unlock" for the unlock sound).
std::vector<std::string> takeSounds();

// ---- Notification Center -----------------------------------------------------------

// showListViewAnimated: / hideListViewAnimated: through SBBulletinListController, then
// the animation ends.
objc::Status showNotificationCenter();
objc::Status hideNotificationCenter();
// listViewIsActive.
bool isNotificationCenterShown();

enum class List { NotificationCenter, LockScreen };

// Taps the row's cell (the table's own selection on Notification Center, the lock
// screen list's own action on a lock-screen cell).  An error when the row has no
// cell on screen.
objc::Status tapRow(List list, const std::string& sectionID, NSInteger row);
// A horizontal drag across the row's cell through its window, from `fromX` (the
// cell's x; default its middle) by `distance` points left (negative) or right.
objc::Status swipeRow(List list, const std::string& sectionID, NSInteger row, CGFloat distance,
                      double seconds, std::optional<CGFloat> fromX);
// Taps the Delete confirmation button of the Notification Center table (or the lock
// list's) when one shows; an error otherwise.
objc::Status confirmDelete();
// A tap on the section header (touchesBegan/Ended through the list window).
objc::Status tapHeader(const std::string& sectionID);
// The header's own clear button (SBBulletinListController _clearSection:).
objc::Status clearSection(const std::string& sectionID);
// A tap on the widget of that section (SBWeeAppCell _tapped:).
objc::Status tapWidget(const std::string& sectionID);
// Drags the Notification Center table to a vertical content offset and lets go
// (scrollViewDidEndDragging:willDecelerate:, then scrollViewDidEndDecelerating:).
objc::Status scrollNotificationCenter(CGFloat offset);

// ---- Banners ---------------------------------------------------------------------

bool isBannerShown();
// A tap at a point of the banner view on screen (banner coordinates).
objc::Status tapBanner(CGPoint point);

// ---- Fingers on windows --------------------------------------------------------

enum class WindowKind { StatusBar, LockScreen, List, Banner };
enum class DragEnd { Ended, Cancelled, None };
struct Drag {
  WindowKind window = WindowKind::LockScreen;
  CGPoint from{};
  CGPoint to{};
  double seconds = 0.3;
  int steps = 10;
  DragEnd end = DragEnd::Ended;
  int touches = 1;
};
// Puts `touches` fingers down at `from` (window coordinates), moves them in even
// steps to `to` with timestamps advancing by seconds/steps, then lifts (or cancels,
// or leaves down).  Each event goes UIApplication sendEvent: → the window's
// sendEvent:.  An error when that window is not on screen.
objc::Status drag(const Drag& drag);
// The window of a kind (nil when there is none on screen now).
id window(WindowKind kind);

// ---- Read-backs of the lists ----------------------------------------------------

enum class RowState { Visible, Hidden, Absent };
struct RowInfo {
  RowState state = RowState::Absent;
  CGFloat height = 0;
  std::string message;
  std::string bulletinID;
};
RowInfo row(List list, const std::string& sectionID, NSInteger row);
std::vector<std::string> sections(List list);
NSInteger rowCount(List list, const std::string& sectionID);
// The text of the Notification Center section header's label; nullopt when none.
std::optional<std::string> headerTitle(const std::string& sectionID);

}  // namespace sb6
