#include "ScriptParser.h"

#include "ScriptArguments.h"
#include "ScriptLexer.h"

#include <charconv>
#include <cmath>

namespace scenario {
namespace {

using namespace parsing;

OptionValue optionValue(const std::string& key, const Word& word) {
  // The list options always hold arrays; any other key holds one when the value is
  // written in square brackets.
  const bool listKey = key == "foldedSections" || key == "CollapsibleSections";
  std::string_view text = word.text;
  bool bracketed = !word.quoted && text.size() >= 2 && text.front() == '[' && text.back() == ']';
  if (listKey || bracketed) {
    if (bracketed) text = text.substr(1, text.size() - 2);
    std::vector<std::string> items;
    if (!text.empty()) {
      std::size_t start = 0;
      while (true) {
        std::size_t comma = text.find(',', start);
        items.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
      }
    }
    return items;
  }
  if (word.quoted) return word.text;
  if (word.text == "YES" || word.text == "true") return true;
  if (word.text == "NO" || word.text == "false") return false;
  if (auto i = parseInteger(word.text)) return *i;
  if (auto d = parseNumber(word.text)) return *d;
  return word.text;
}

ExpectedValue expectedValue(const Word& word) {
  ExpectedValue v;
  v.text = word.text;
  if (word.quoted) {
    v.kind = ExpectedValue::Kind::string;
  } else if (word.text == "nil") {
    v.kind = ExpectedValue::Kind::nilValue;
  } else if (word.text == "YES" || word.text == "NO") {
    v.kind = ExpectedValue::Kind::boolean;
    v.boolean = word.text == "YES";
  } else if (auto d = parseNumber(word.text)) {
    v.kind = ExpectedValue::Kind::number;
    v.number = *d;
  } else {
    v.kind = ExpectedValue::Kind::string;
  }
  return v;
}

// <Class> <token> …: the class name and the message / ivar names after it.
void reflectionPath(Arguments& args, const std::vector<Word>& words, std::string& className,
                    std::vector<std::string>& tokens) {
  if (words.empty()) args.fail("missing class name");
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i].quoted || !isIdentifier(words[i].text)) {
      args.fail("expected a " + std::string(i == 0 ? "class" : "message or instance variable") + " name, found " +
                shown(words[i]));
    }
  }
  className = words[0].text;
  for (std::size_t i = 1; i < words.size(); ++i) tokens.push_back(words[i].text);
}

Command parseExpect(Arguments& args) {
  const Word& first = args.take("what to expect");
  const std::string what = first.quoted ? std::string() : first.text;
  if (what == "badge") {
    ExpectBadge c;
    c.sectionID = args.name("section ID");
    c.value = args.badgeValue();
    args.done();
    return c;
  }
  if (what == "menu") {
    ExpectMenu c;
    for (const Word& w : args.rest()) c.titles.push_back(w.text);
    return c;
  }
  if (what == "row") {
    ExpectRow c;
    c.list = args.list();
    c.sectionID = args.name("section ID");
    c.row = args.integer("row", 0);
    std::size_t state = args.keyword("row state", {"visible", "hidden", "absent"});
    c.state = state == 0 ? RowState::visible : state == 1 ? RowState::hidden : RowState::absent;
    if (!args.empty()) {
      const Word& w = args.take("height");
      if (w.text.rfind("height=", 0) != 0) args.fail("expected height=<points>, found " + shown(w));
      auto h = parseNumber(std::string_view(w.text).substr(7));
      if (!h || *h < 0) args.fail("expected a height of 0 or more points, found " + shown(w));
      c.height = h;
    }
    args.done();
    return c;
  }
  if (what == "header") {
    ExpectHeader c;
    c.sectionID = args.name("section ID");
    c.title = args.text("header title");
    args.done();
    return c;
  }
  if (what == "option") {
    ExpectOption c;
    c.key = args.name("option key");
    const Word& w = args.take("expected value (or absent)");
    if (!w.quoted && w.text == "absent") {
      c.value = std::nullopt;
    } else {
      c.value = w.text;
      c.quoted = w.quoted;
    }
    for (const Word& file : args.rest()) {
      if (!c.file.empty() || file.text.rfind("in=/", 0) != 0)
        args.fail("expected in=<device path> at most once, found " + shown(file));
      c.file = file.text.substr(3);
    }
    return c;
  }
  if (what == "read") {
    ExpectRead c;
    c.rowID = args.integer("message row ID", 1);
    c.read = args.keyword("read state", {"yes", "no"}) == 0;
    args.done();
    return c;
  }
  if (what == "file") {
    ExpectFile c;
    c.path = args.name("device path");
    c.exists = args.keyword("file state", {"exists", "missing"}) == 0;
    args.done();
    return c;
  }
  if (what == "pixel") {
    ExpectPixel c;
    for (double* coordinate : {&c.x, &c.y}) {
      const Word& w = args.take("point (x y)");
      auto value = w.quoted ? std::nullopt : parseNumber(w.text);
      if (!value) args.fail("expected a number for the point, found " + shown(w));
      *coordinate = *value;
    }
    const Word& colour = args.take("colour r,g,b");
    args.rgb(colour, colour.text, c.rgb);
    for (const Word& w : args.rest()) {
      auto value = w.text.rfind("tolerance=", 0) == 0 ? parseInteger(w.text.substr(10)) : std::nullopt;
      if (w.quoted || !value || *value < 0 || *value > 255) args.fail("expected tolerance=<0 to 255>, found " + shown(w));
      c.tolerance = static_cast<int>(*value);
    }
    return c;
  }
  if (!first.quoted) {
    if (auto command = parseDeviceExpectation(what, args)) return *command;
  }
  // expect <Class> <token> … == <value>
  std::vector<Word> words{first};
  for (const Word& w : args.rest()) words.push_back(w);
  std::size_t equals = words.size();
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (!words[i].quoted && words[i].text == "==") {
      equals = i;
      break;
    }
  }
  if (equals == words.size()) {
    args.fail("expected badge, menu, row, header, option, read, file, pixel, list, locked, keypad, statusbar, banner, "
              "opened, sounds, animation or <Class> <token> … == <value>");
  }
  if (equals + 2 != words.size()) args.fail("expected exactly one value after ==");
  ExpectValue c;
  reflectionPath(args, std::vector<Word>(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(equals)),
                 c.className, c.tokens);
  c.expected = expectedValue(words.back());
  return c;
}

Command parseCommand(const std::vector<Word>& words) {
  const Word& head = words.front();
  if (head.quoted) throw Complaint{"a command name is never quoted, found " + shown(head)};
  Arguments args(head.text, words, 1);
  const std::string& name = head.text;

  if (name == "message") {
    PutMessage c;
    c.chat = args.name("address or chat ID");
    c.rowID = args.integer("message row ID", 1);
    c.text = args.text("message text");
    args.done();
    return c;
  }
  if (name == "post") {
    PostBulletin c;
    c.sectionID = args.name("section ID");
    for (const Word& w : args.rest()) {
      std::size_t eq = w.text.find('=');
      if (eq == std::string::npos) args.fail("expected key=value (title, message, url, record or id), found " + shown(w));
      std::string key = w.text.substr(0, eq);
      std::string value = w.text.substr(eq + 1);
      std::optional<std::string>* slot = key == "title"     ? &c.title
                                         : key == "message" ? &c.message
                                         : key == "url"     ? &c.url
                                         : key == "record"  ? &c.recordID
                                         : key == "id"      ? &c.bulletinID
                                                            : nullptr;
      if (slot == nullptr) args.fail("unknown field " + quoteWord(key) + " (title, message, url, record or id)");
      if (slot->has_value()) args.fail("field " + key + " given twice");
      *slot = value;
    }
    return c;
  }
  if (name == "badge") {
    SetBadge c;
    c.sectionID = args.name("section ID");
    c.value = args.badgeValue();
    args.done();
    return c;
  }
  if (name == "lock" || name == "unlock" || name == "home") {
    args.done();
    return Navigate{name == "lock" ? Navigation::lock : name == "unlock" ? Navigation::unlock : Navigation::home};
  }
  if (name == "nc") {
    bool show = args.keyword("show or hide", {"show", "hide"}) == 0;
    args.done();
    return Navigate{show ? Navigation::showNotificationCenter : Navigation::hideNotificationCenter};
  }
  if (name == "wait") {
    const Word& w = args.take("seconds");
    auto seconds = w.quoted ? std::nullopt : parseNumber(w.text);
    if (!seconds || *seconds < 0 || *seconds > kMaximumWaitSeconds) {
      args.fail("expected a number of seconds from 0 to 86400, found " + shown(w));
    }
    args.done();
    return Wait{*seconds};
  }
  if (name == "longpress") {
    LongPress c;
    c.list = args.list();
    c.sectionID = args.name("section ID");
    c.row = args.integer("row", 0);
    args.done();
    return c;
  }
  if (name == "menu") {
    PerformMenuItem c{args.text("menu item title")};
    args.done();
    return c;
  }
  if (name == "tap-header") {
    TapHeader c{args.name("section ID")};
    args.done();
    return c;
  }
  if (name == "clear-section") {
    ClearSection c{args.name("section ID")};
    args.done();
    return c;
  }
  if (name == "set") {
    SetOption c;
    c.key = args.name("option key");
    c.value = optionValue(c.key, args.take("value"));
    args.done();
    return c;
  }
  if (name == "unset") {
    UnsetOption c{args.name("option key")};
    args.done();
    return c;
  }
  if (name == "actionmenu") {
    SetActionMenu c{args.keyword("on or off", {"on", "off"}) == 0};
    args.done();
    return c;
  }
  if (name == "expect") return parseExpect(args);
  if (name == "eval") {
    Evaluate c;
    reflectionPath(args, args.rest(), c.className, c.tokens);
    return c;
  }
  if (name == "picture") {
    WritePicture c;
    c.path = args.name("device path");
    c.width = args.integer("width", 1);
    c.height = args.integer("height", 1);
    if (c.width > 8192 || c.height > 8192) args.fail("a picture is at most 8192 x 8192");
    c.jpeg = args.keyword("format", {"jpeg", "png"}) == 0;
    for (const Word& w : args.rest()) {
      if (w.quoted || w.text.rfind("rgb=", 0) != 0) args.fail("expected rgb=<r>,<g>,<b>, found " + shown(w));
      args.rgb(w, w.text.substr(4), c.rgb);
    }
    return c;
  }
  if (name == "dump") {
    args.done();
    return Dump{};
  }
  if (name == "echo") {
    Echo c;
    for (const Word& w : args.rest()) c.text += (c.text.empty() ? "" : " ") + w.text;
    return c;
  }
  if (auto command = parseDeviceCommand(name, args)) return *command;
  throw Complaint{"unknown command " + shown(head)};
}

// Strips a trailing unquoted "within <seconds>" from an expect line.
std::optional<double> takeWithin(std::vector<Word>& words) {
  if (words.size() < 4 || words.front().quoted || words.front().text != "expect") return std::nullopt;
  const Word& keyword = words[words.size() - 2];
  if (keyword.quoted || keyword.text != "within") return std::nullopt;
  const Word& value = words.back();
  auto seconds = value.quoted ? std::nullopt : parseNumber(value.text);
  if (!seconds || *seconds < 0 || *seconds > kMaximumWaitSeconds) {
    throw Complaint{"expect: expected within <seconds from 0 to 86400>, found " + shown(value)};
  }
  words.resize(words.size() - 2);
  return seconds;
}

}  // namespace

std::string ParseError::describe() const {
  return "line " + std::to_string(line) + ": " + message + "\n    " + source;
}

ParsedLine parseLine(std::string_view text, int lineNumber) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  std::string source(text);
  auto words = splitWords(text);
  if (!words) return ParseError{lineNumber, source, words.error().message};
  if (words->empty()) return std::monostate{};
  try {
    std::optional<double> within = takeWithin(*words);
    return ScriptLine{lineNumber, source, parseCommand(*words), within};
  } catch (const Complaint& complaint) {
    return ParseError{lineNumber, source, complaint.message};
  }
}

ParsedScript parseScript(std::string_view text) {
  ParsedScript script;
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++number;
    ParsedLine parsed = parseLine(text.substr(start, end - start), number);
    if (auto* line = std::get_if<ScriptLine>(&parsed)) script.lines.push_back(std::move(*line));
    if (auto* error = std::get_if<ParseError>(&parsed)) script.errors.push_back(std::move(*error));
    start = end + 1;
  }
  return script;
}

std::string commandName(const Command& command) {
  struct Namer {
    std::string operator()(const PutMessage&) const { return "message"; }
    std::string operator()(const ExpectRead&) const { return "expect read"; }
    std::string operator()(const PostBulletin&) const { return "post"; }
    std::string operator()(const SetBadge&) const { return "badge"; }
    std::string operator()(const ExpectBadge&) const { return "expect badge"; }
    std::string operator()(const Navigate& n) const {
      switch (n.what) {
        case Navigation::lock: return "lock";
        case Navigation::unlock: return "unlock";
        case Navigation::showNotificationCenter: return "nc show";
        case Navigation::hideNotificationCenter: return "nc hide";
        case Navigation::home: return "home";
        case Navigation::sleep: return "sleep";
        case Navigation::wake: return "wake";
      }
      return "navigation";
    }
    std::string operator()(const Wait&) const { return "wait"; }
    std::string operator()(const LongPress&) const { return "longpress"; }
    std::string operator()(const PerformMenuItem&) const { return "menu"; }
    std::string operator()(const TapHeader&) const { return "tap-header"; }
    std::string operator()(const ClearSection&) const { return "clear-section"; }
    std::string operator()(const ExpectMenu&) const { return "expect menu"; }
    std::string operator()(const ExpectRow&) const { return "expect row"; }
    std::string operator()(const ExpectHeader&) const { return "expect header"; }
    std::string operator()(const SetOption&) const { return "set"; }
    std::string operator()(const UnsetOption&) const { return "unset"; }
    std::string operator()(const SetActionMenu&) const { return "actionmenu"; }
    std::string operator()(const ExpectOption&) const { return "expect option"; }
    std::string operator()(const ExpectFile&) const { return "expect file"; }
    std::string operator()(const ExpectValue&) const { return "expect"; }
    std::string operator()(const Evaluate&) const { return "eval"; }
    std::string operator()(const Dump&) const { return "dump"; }
    std::string operator()(const Echo&) const { return "echo"; }
    std::string operator()(const WritePicture&) const { return "picture"; }
    std::string operator()(const ExpectPixel&) const { return "expect pixel"; }
    std::string operator()(const SetPasscode&) const { return "passcode"; }
    std::string operator()(const UseKeypad&) const { return "keypad"; }
    std::string operator()(const Rotate&) const { return "rotate"; }
    std::string operator()(const OpenApplication&) const { return "open"; }
    std::string operator()(const Happen& h) const {
      switch (h.event) {
        case SystemEvent::incomingCall:
        case SystemEvent::callEnded: return "call";
        case SystemEvent::cameraOn:
        case SystemEvent::cameraOff: return "camera";
        case SystemEvent::alertOn:
        case SystemEvent::alertOff: return "alert";
      }
      return "event";
    }
    std::string operator()(const Drag&) const { return "drag"; }
    std::string operator()(const Swipe&) const { return "swipe"; }
    std::string operator()(const TapRow&) const { return "tap"; }
    std::string operator()(const ConfirmDelete&) const { return "confirm-delete"; }
    std::string operator()(const TapWidget&) const { return "tap-widget"; }
    std::string operator()(const TapBanner&) const { return "tap-banner"; }
    std::string operator()(const ScrollList&) const { return "scroll nc"; }
    std::string operator()(const ExpectState& e) const {
      switch (e.what) {
        case DeviceState::list: return "expect list";
        case DeviceState::locked: return "expect locked";
        case DeviceState::keypad: return "expect keypad";
        case DeviceState::statusBar: return "expect statusbar";
        case DeviceState::banner: return "expect banner";
      }
      return "expect";
    }
    std::string operator()(const ExpectOpened&) const { return "expect opened"; }
    std::string operator()(const ExpectSounds&) const { return "expect sounds"; }
    std::string operator()(const ExpectAnimation&) const { return "expect animation"; }
    std::string operator()(const Screenshot&) const { return "screenshot"; }
  };
  return std::visit(Namer{}, command);
}

}  // namespace scenario
