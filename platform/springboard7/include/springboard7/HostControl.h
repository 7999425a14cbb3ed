// Control of the iOS 7 home screen from outside: what the host program, the scenario
// runner and the tests do to SpringBoard (the system delivering a notification, the
// user pressing, tapping and locking) and the values they read back.  Every action
// reaches the home-screen objects through message sends, the way the system and
// UIKit's event delivery would, so methods replaced by a tweak run as on a device.
//
// Sections are named by their section ID ("com.apple.MobileSMS"); rows are counted
// from 0 within a section in the order the list shows them (newest first).  All
// functions run on the main thread.  Until launch() has run every action answers an
// error and every read-back answers "nothing".
#pragma once

#include <objcface/Result.h>
#include <objcface/Types.h>

#include <optional>
#include <string>
#include <vector>

namespace sb7 {

// ---- Life cycle ----------------------------------------------------------------

// Registers every runtime class of the iOS 7 home screen.  Not done when the library
// loads, because the iOS 6 home screen defines classes of the same names; a process
// registers one of the two.  Calling it again does nothing.
void registerClasses();

// Creates the application object (class SpringBoard, which becomes UIApplication's
// shared application) and sends it applicationDidFinishLaunching:, which sends
// finishLaunching to SBUIController's shared instance; both go through the runtime,
// so a tweak loaded before this call sees them.  Reads the icon badges of the
// current device root.  An error when the classes are not registered or the home
// screen is already launched.
objc::Status launch();
bool isLaunched();

// Hides every screen, forgets every notification and drops the shared instances, so
// that the next launch() starts afresh from the files of the device root (tests use
// it between cases; badges and other files stay).  Nothing when not launched.
void shutdown();

// Serves the main run loop until no work is due at the current clock time (delayed
// performs of delay 0, main-queue work, notifications of the bulletin server).  The
// actions below call it before they return, so their effects are visible at once.
void settle();

// ---- The system --------------------------------------------------------------------

// One notification as the bulletin server delivers it.
struct Notification {
  std::string sectionID;   // required: the app's bundle identifier
  std::string title;       // empty: the app's display name
  std::string subtitle;
  std::string message;
  std::string url;         // launch URL of the default action; empty: no default action
  std::string recordID;    // empty: the next record number of this section ("1", "2", …)
  std::string bulletinID;  // empty: a fresh unique ID
};

// Delivers a notification: to Notification Center's lists, and to the lock-screen
// list while the UI is locked.  Installs an app the home screen does not know yet.
// Answers the notification's bulletin ID; an error for an empty section ID or a
// bulletin ID already delivered.
objc::Result<std::string> post(const Notification& notification);

// Sets the badge of an app's icon: a number, or none (std::nullopt) to remove it.
// Sent as setBadge: with a string or nil, and saved with the icon state.
objc::Status setBadge(const std::string& sectionID, std::optional<NSInteger> value);

// The badge of an app's icon: its integer value, or std::nullopt when the icon shows
// none (or the app is not installed).
std::optional<NSInteger> badge(const std::string& sectionID);

// Adds an app to the home screen with the given display name (used for section
// headers).  Known apps ("com.apple.MobileSMS" → "Messages", "com.apple.mobilemail" →
// "Mail", "com.apple.mobilephone" → "Phone", …) are installed from the start.
void installApplication(const std::string& bundleID, const std::string& displayName);
// The display name a section header carries: the installed app's name, else the ID.
std::string displayName(const std::string& sectionID);

// The interface orientation the application reports (1 portrait … 4 landscape).
void setInterfaceOrientation(NSInteger orientation);

// ---- The user ----------------------------------------------------------------------

objc::Status lock();    // locks the UI: the lock screen is shown, its list starts empty
objc::Status unlock();  // unlocks: the lock screen goes away with its list
bool isLocked();

objc::Status showNotificationCenter();  // presentAnimated:, then the animation ends
objc::Status hideNotificationCenter();  // dismissAnimated:, then the animation ends
bool isNotificationCenterVisible();

// The three lists of Notification Center; All is selected at launch.
enum class Mode { Today, All, Missed };
objc::Status selectMode(Mode mode);

// The home button: closes Notification Center when it is shown, else nothing.
objc::Status pressHome();

// The two lists that show notification cells.
enum class List { NotificationCenter, LockScreen };

// A long press on the cell of (section, row): every enabled long-press recogniser on
// the cell and its content view goes through began (once its minimum press duration
// has passed on the clock), then ended, each firing its actions.  An error when the
// row has no cell on screen.
objc::Status longPress(List list, const std::string& sectionID, NSInteger row);

// A tap on the header of a Notification Center section: touchesBegan:withEvent: and
// touchesEnded:withEvent: sent to the header view.
objc::Status tapHeader(const std::string& sectionID);

// The header's own clear button (SBBulletinViewController _removeSection:).
objc::Status clearSection(const std::string& sectionID);

// Performs the menu item of that title from the shared menu while it is visible: its
// action is sent to the first responder, and the menu hides.
objc::Status performMenuItem(const std::string& title);
// The titles of the shared menu as shown (empty when the menu is not visible).
std::vector<std::string> visibleMenuItems();

// ---- Read-backs --------------------------------------------------------------------

enum class RowState { Visible, Hidden, Absent };
struct RowInfo {
  RowState state = RowState::Absent;
  CGFloat height = 0;     // the row height the table's delegate gives
  std::string message;    // the notification's message text
  std::string bulletinID;
};
// A row of a list: Absent when the section or row does not exist, Hidden when its
// cell is hidden or its height is 0, else Visible.
RowInfo row(List list, const std::string& sectionID, NSInteger row);

// The section IDs a list shows, in order (Notification Center: the mode on screen).
std::vector<std::string> sections(List list);
// The number of rows of a section, 0 when absent.
NSInteger rowCount(List list, const std::string& sectionID);

// The title of a Notification Center section header as last built by the table, and
// the alpha of its backdrop; std::nullopt when the section has no header.
std::optional<std::string> headerTitle(const std::string& sectionID);
std::optional<CGFloat> headerBackdropAlpha(const std::string& sectionID);

// The settings Notification Center's backdrop view last applied (transitionToSettings:).
struct BackdropSettings {
  CGFloat blurRadius = 0;
  CGFloat grayscaleTintAlpha = 0;
  bool hasColorTint = false;
  CGFloat colorTint[4] = {0, 0, 0, 0};  // red, green, blue, alpha of the tint colour
  CGFloat colorTintAlpha = 0;
};
std::optional<BackdropSettings> backdropSettings();

}  // namespace sb7
