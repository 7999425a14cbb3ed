// The scenario commands of the device's buttons, fingers and system events, and the
// expectations of what it shows.  Forms and limits are in README.md.
#include "ScriptArguments.h"

namespace scenario::parsing {
namespace {

// Limits that catch typing mistakes rather than anything a device could not do.
constexpr double kMaximumGestureSeconds = 60;
constexpr int kMaximumSteps = 1000;
constexpr int kMaximumTouches = 11;  // as many fingers as a screen tracks
constexpr double kMaximumPoints = 100000;

bool endsWithPng(const std::string& path) {
  if (path.size() < 5) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".png";
}

Command parseDrag(Arguments& args) {
  Drag c;
  switch (args.keyword("window (statusbar, lockscreen, list or banner)", {"statusbar", "lockscreen", "list", "banner"})) {
    case 0: c.window = DragWindow::statusBar; break;
    case 1: c.window = DragWindow::lockScreen; break;
    case 2: c.window = DragWindow::list; break;
    default: c.window = DragWindow::banner; break;
  }
  c.from = args.point("the first point");
  c.to = args.point("the second point");
  for (const auto& [key, value] : args.settings({"seconds", "steps", "end", "touches"})) {
    if (key == "seconds") {
      c.seconds = args.numberIn(value, value.text, "seconds=", 0, kMaximumGestureSeconds);
    } else if (key == "steps") {
      c.steps = static_cast<int>(args.wholeIn(value, value.text, "steps=", 1, kMaximumSteps));
    } else if (key == "touches") {
      c.touches = static_cast<int>(args.wholeIn(value, value.text, "touches=", 1, kMaximumTouches));
    } else {
      if (value.quoted || (value.text != "ended" && value.text != "cancelled" && value.text != "none"))
        args.fail("expected end=ended|cancelled|none, found end=" + shown(value));
      c.end = value.text == "ended" ? TouchEnd::ended : value.text == "cancelled" ? TouchEnd::cancelled : TouchEnd::none;
    }
  }
  return c;
}

Command parseSwipe(Arguments& args) {
  Swipe c;
  c.list = args.list();
  c.sectionID = args.name("section ID");
  c.row = args.integer("row", 0);
  c.left = args.keyword("direction", {"left", "right"}) == 0;
  c.distance = args.number("distance", 0, kMaximumPoints);
  if (c.distance <= 0) args.fail("the distance must be more than 0 points");
  for (const auto& [key, value] : args.settings({"seconds", "from"})) {
    if (key == "seconds") {
      c.seconds = args.numberIn(value, value.text, "seconds=", 0, kMaximumGestureSeconds);
    } else {
      c.fromX = args.numberIn(value, value.text, "from=", -kMaximumPoints, kMaximumPoints);
    }
  }
  return c;
}

}  // namespace

std::optional<Command> parseDeviceCommand(const std::string& name, Arguments& args) {
  if (name == "sleep" || name == "wake") {
    args.done();
    return Navigate{name == "sleep" ? Navigation::sleep : Navigation::wake};
  }
  if (name == "passcode") {
    const Word& w = args.take("passcode (or none)");
    args.done();
    if (!w.quoted && w.text == "none") return SetPasscode{};
    if (w.text.empty()) args.fail("the passcode is empty");
    return SetPasscode{w.text};
  }
  if (name == "keypad") {
    const Word& w = args.take("passcode to type (or cancel)");
    args.done();
    if (!w.quoted && w.text == "cancel") return UseKeypad{};
    if (w.text.empty()) args.fail("the passcode is empty");
    return UseKeypad{w.text};
  }
  if (name == "rotate") {
    static constexpr Orientation kOrientations[] = {Orientation::portrait, Orientation::upsideDown,
                                                    Orientation::landscapeLeft, Orientation::landscapeRight};
    std::size_t i = args.keyword("orientation", {"portrait", "upside-down", "landscape-left", "landscape-right"});
    args.done();
    return Rotate{kOrientations[i]};
  }
  if (name == "open") {
    OpenApplication c{args.name("bundle ID")};
    args.done();
    return c;
  }
  if (name == "call" || name == "camera" || name == "alert") {
    bool first = name == "call" ? args.keyword("call state", {"incoming", "ended"}) == 0
                                : args.keyword("on or off", {"on", "off"}) == 0;
    args.done();
    if (name == "call") return Happen{first ? SystemEvent::incomingCall : SystemEvent::callEnded};
    if (name == "camera") return Happen{first ? SystemEvent::cameraOn : SystemEvent::cameraOff};
    return Happen{first ? SystemEvent::alertOn : SystemEvent::alertOff};
  }
  if (name == "drag") return parseDrag(args);
  if (name == "swipe") return parseSwipe(args);
  if (name == "tap") {
    TapRow c;
    c.list = args.list();
    c.sectionID = args.name("section ID");
    c.row = args.integer("row", 0);
    args.done();
    return c;
  }
  if (name == "confirm-delete") {
    args.done();
    return ConfirmDelete{};
  }
  if (name == "tap-widget") {
    TapWidget c{args.name("section ID")};
    args.done();
    return c;
  }
  if (name == "tap-banner") {
    TapBanner c{args.point("point in the banner")};
    args.done();
    return c;
  }
  if (name == "scroll") {
    args.keyword("list (nc)", {"nc"});
    ScrollList c{args.number("content offset", -kMaximumPoints, kMaximumPoints)};
    args.done();
    return c;
  }
  if (name == "screenshot") {
    Screenshot c{args.name("picture file (.png)")};
    if (!endsWithPng(c.path)) args.fail("the picture file must end in .png, found " + quoteWord(c.path));
    args.done();
    return c;
  }
  return std::nullopt;
}

std::optional<Command> parseDeviceExpectation(const std::string& what, Arguments& args) {
  struct StateWords {
    const char* what;
    DeviceState state;
    const char* yes;
    const char* no;
  };
  static constexpr StateWords kStates[] = {
      {"list", DeviceState::list, "shown", "hidden"},      {"locked", DeviceState::locked, "yes", "no"},
      {"keypad", DeviceState::keypad, "shown", "hidden"},  {"statusbar", DeviceState::statusBar, "time", "lock"},
      {"banner", DeviceState::banner, "shown", "none"},
  };
  for (const auto& s : kStates) {
    if (what != s.what) continue;
    ExpectState c{s.state, args.keyword("state", {s.yes, s.no}) == 0};
    args.done();
    return c;
  }
  if (what == "opened") {
    const Word& w = args.take("URL or bundle ID (or none)");
    args.done();
    if (!w.quoted && w.text == "none") return ExpectOpened{};
    if (w.text.empty()) args.fail("the URL or bundle ID is empty");
    return ExpectOpened{w.text};
  }
  if (what == "sounds") {
    ExpectSounds c;
    for (const Word& w : args.rest()) c.names.push_back(w.text);
    return c;
  }
  if (what == "animation") {
    ExpectAnimation c;
    const Word& w = args.take("curve");
    static constexpr const char* kCurves[] = {"easeInOut", "easeIn", "easeOut", "linear"};
    bool known = false;
    for (long i = 0; i < 4; ++i) {
      if (!w.quoted && (w.text == kCurves[i] || w.text == std::to_string(i))) {
        c.curve = i;
        known = true;
      }
    }
    if (!known) args.fail("expected a curve easeInOut|easeIn|easeOut|linear (or 0 to 3), found " + shown(w));
    c.seconds = args.number("seconds", 0, 3600);
    args.done();
    return c;
  }
  return std::nullopt;
}

}  // namespace scenario::parsing
