// The commands of the scenario language, one struct per command, as the parser
// produces them from a line.  Every value is already checked (numbers are numbers,
// keywords are known), so the command families that run them only deal with what the
// host finds.  The language itself is described in README.md ("Scenarios").
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace scenario {

// The two notification lists of the home screen.
enum class ListKind { notificationCenter, lockScreen };

// What `expect row` asks of a row.
enum class RowState { visible, hidden, absent };

// --- The Messages store -------------------------------------------------------------
// message <address-or-chat-id> <rowid> "<text>"
struct PutMessage {
  std::string chat;
  long long rowID = 0;
  std::string text;
};
// expect read <rowid> yes|no
struct ExpectRead {
  long long rowID = 0;
  bool read = false;
};

// --- Notifications and badges -------------------------------------------------------
// post <sectionID> [title=…] [message=…] [url=…] [record=…] [id=…]
struct PostBulletin {
  std::string sectionID;
  std::optional<std::string> title;
  std::optional<std::string> message;
  std::optional<std::string> url;
  std::optional<std::string> recordID;
  std::optional<std::string> bulletinID;
};
// badge <sectionID> <n|none>; nullopt is none.
struct SetBadge {
  std::string sectionID;
  std::optional<long long> value;
};
// expect badge <sectionID> <n|none>
struct ExpectBadge {
  std::string sectionID;
  std::optional<long long> value;
};

// --- Navigation and time ------------------------------------------------------------
// lock, unlock, nc show|hide, home; sleep (the screen goes dark as when the dim timer
// runs out) and wake (the lock button on a dark screen).
enum class Navigation { lock, unlock, showNotificationCenter, hideNotificationCenter, home, sleep, wake };
struct Navigate {
  Navigation what = Navigation::lock;
};
// wait <seconds>
struct Wait {
  double seconds = 0;
};

// --- Touches and menus --------------------------------------------------------------
// longpress <nc|lock> <sectionID> <row>
struct LongPress {
  ListKind list = ListKind::notificationCenter;
  std::string sectionID;
  long long row = 0;
};
// menu "<item title>"
struct PerformMenuItem {
  std::string title;
};
// tap-header <sectionID>
struct TapHeader {
  std::string sectionID;
};
// clear-section <sectionID>
struct ClearSection {
  std::string sectionID;
};
// expect menu ["<title>" …]: no titles means no menu is visible.
struct ExpectMenu {
  std::vector<std::string> titles;
};
// expect row <nc|lock> <sectionID> <row> visible|hidden|absent [height=<h>]
struct ExpectRow {
  ListKind list = ListKind::notificationCenter;
  std::string sectionID;
  long long row = 0;
  RowState state = RowState::visible;
  std::optional<double> height;
};
// expect header <sectionID> "<title>"
struct ExpectHeader {
  std::string sectionID;
  std::string title;
};

// --- The device (the iOS 6 home screen) -------------------------------------------
// passcode <code>|none: the device passcode; nullopt is none.
struct SetPasscode {
  std::optional<std::string> code;
};
// keypad <code> types a passcode on the keypad shown now; keypad cancel dismisses it
// (code is nullopt).
struct UseKeypad {
  std::optional<std::string> code;
};
// rotate portrait|upside-down|landscape-left|landscape-right; the values are
// UIInterfaceOrientation's (landscape left, home button on the left, is 4).
enum class Orientation { portrait = 1, upsideDown = 2, landscapeRight = 3, landscapeLeft = 4 };
struct Rotate {
  Orientation orientation = Orientation::portrait;
};
// open <bundleID>: brings an app to the front.
struct OpenApplication {
  std::string bundleID;
};
// call incoming|ended, camera on|off, alert on|off: what the system does to the lock
// screen (a telephone call, the lock screen's camera, an alarm alert sounding).
enum class SystemEvent { incomingCall, callEnded, cameraOn, cameraOff, alertOn, alertOff };
struct Happen {
  SystemEvent event = SystemEvent::incomingCall;
};

// --- Fingers (the iOS 6 home screen) ----------------------------------------------
struct Point {
  double x = 0;
  double y = 0;
};
// The windows a drag goes through.
enum class DragWindow { statusBar, lockScreen, list, banner };
// How the fingers of a drag leave: lifted, taken away by the system, or left down.
enum class TouchEnd { ended, cancelled, none };
// drag <statusbar|lockscreen|list|banner> <x1>,<y1> <x2>,<y2> [seconds=<s>] [steps=<n>]
//      [end=ended|cancelled|none] [touches=<n>]
struct Drag {
  DragWindow window = DragWindow::lockScreen;
  Point from;
  Point to;
  double seconds = 0.3;
  int steps = 10;
  TouchEnd end = TouchEnd::ended;
  int touches = 1;
};
// swipe <nc|lock> <sectionID> <row> left|right <distance> [seconds=<s>] [from=<x>]
struct Swipe {
  ListKind list = ListKind::notificationCenter;
  std::string sectionID;
  long long row = 0;
  bool left = true;
  double distance = 0;  // points, positive
  double seconds = 0.3;
  std::optional<double> fromX;  // the cell's x where the finger goes down; default its middle
};
// tap <nc|lock> <sectionID> <row>
struct TapRow {
  ListKind list = ListKind::notificationCenter;
  std::string sectionID;
  long long row = 0;
};
// confirm-delete: the table's Delete confirmation button.
struct ConfirmDelete {};
// tap-widget <sectionID>
struct TapWidget {
  std::string sectionID;
};
// tap-banner <x>,<y> (banner coordinates)
struct TapBanner {
  Point point;
};
// scroll nc <offset>: drags the Notification Center table to that content offset.
struct ScrollList {
  double offset = 0;
};

// --- What the device shows (the iOS 6 home screen) --------------------------------
// expect list shown|hidden, expect locked yes|no, expect keypad shown|hidden,
// expect statusbar time|lock, expect banner shown|none: `value` is the first word.
enum class DeviceState { list, locked, keypad, statusBar, banner };
struct ExpectState {
  DeviceState what = DeviceState::list;
  bool value = true;
};
// expect opened <url-or-bundleID>|none: the last action performed since start-up.
struct ExpectOpened {
  std::optional<std::string> what;
};
// expect sounds ["<name>" …]: the sounds played since the previous expect sounds.
struct ExpectSounds {
  std::vector<std::string> names;
};
// expect animation <curve> <seconds>: the last committed animation block.  The
// curve is UIViewAnimationCurve's value (0 ease-in-out … 3 linear).
struct ExpectAnimation {
  long curve = 0;
  double seconds = 0;
};

// --- Options -----------------------------------------------------------------------
// A value for the options file, typed by the rule in README.md ("set").
using OptionValue = std::variant<bool, long long, double, std::string, std::vector<std::string>>;
// set <key> <value>
struct SetOption {
  std::string key;
  OptionValue value;
};
// unset <key>: removes one key (and posts the change notification like set).
struct UnsetOption {
  std::string key;
};
// actionmenu on|off
struct SetActionMenu {
  bool on = false;
};
// expect option <key> <value|absent> [in=<device path>]; nullopt is absent.
struct ExpectOption {
  std::string key;
  std::optional<std::string> value;
  bool quoted = false;  // a quoted value always compares as text
  // The property-list file read: empty for the options file, else the device path
  // given with in= (the settings file of another add-on, say).
  std::string file;
};

// --- Files ---------------------------------------------------------------------------
// expect file <device path> exists|missing
struct ExpectFile {
  std::string path;
  bool exists = false;
};

// picture <device path> <width> <height> jpeg|png [rgb=<r>,<g>,<b>]: writes a picture
// of one colour (whole-file, atomically), for example a background the user picked.
struct WritePicture {
  std::string path;
  long long width = 0;
  long long height = 0;
  bool jpeg = true;
  int rgb[3] = {128, 128, 128};
};

// --- The screen as the user sees it --------------------------------------------------
// expect pixel <x> <y> <r>,<g>,<b> [tolerance=<n>]: the colour at a point of the
// screen drawn as it stands (each channel within the tolerance, 8 by default).
struct ExpectPixel {
  double x = 0;
  double y = 0;
  int rgb[3] = {0, 0, 0};
  int tolerance = 8;
};

// screenshot <file.png>: the screen as drawn now, at the screen's scale, written to a
// path relative to the working directory (not the device root).
struct Screenshot {
  std::string path;
};

// --- Reflection ----------------------------------------------------------------------
// The value on the right of `==`.
struct ExpectedValue {
  enum class Kind { nilValue, boolean, number, string };
  Kind kind = Kind::nilValue;
  bool boolean = false;
  double number = 0;
  std::string text;  // the word as written (also for numbers and YES/NO)
};
// expect <Class> <token> … == <value>
struct ExpectValue {
  std::string className;
  std::vector<std::string> tokens;
  ExpectedValue expected;
};
// eval <Class> <token> …
struct Evaluate {
  std::string className;
  std::vector<std::string> tokens;
};

// --- Output --------------------------------------------------------------------------
// dump: prints the view tree.
struct Dump {};
// echo "<text>": prints the text (to make a run's output easy to follow).
struct Echo {
  std::string text;
};

using Command =
    std::variant<PutMessage, ExpectRead, PostBulletin, SetBadge, ExpectBadge, Navigate, Wait, LongPress, PerformMenuItem,
                 TapHeader, ClearSection, ExpectMenu, ExpectRow, ExpectHeader, SetOption, UnsetOption, SetActionMenu,
                 ExpectOption, ExpectFile, WritePicture, ExpectPixel, ExpectValue, Evaluate, Dump, Echo, SetPasscode,
                 UseKeypad, Rotate, OpenApplication, Happen, Drag, Swipe, TapRow, ConfirmDelete, TapWidget, TapBanner,
                 ScrollList, ExpectState, ExpectOpened, ExpectSounds, ExpectAnimation, Screenshot>;

// One parsed line: where it came from and what it says.
struct ScriptLine {
  int number = 0;
  std::string source;
  Command command;
  // `expect … within <seconds>`: the expectation is checked again and again, with the
  // run loop served in between, until it holds or that much real time has passed.
  std::optional<double> within;
};

}  // namespace scenario
