// The words of one scenario command after its name, read front to back with checks
// that stop at the first complaint, and the number readings the command parsers
// share (ScriptParser.cpp, ScriptParserDevice.cpp).  Private to the parser.
#pragma once

#include "ScriptCommands.h"
#include "ScriptLexer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scenario::parsing {

// Longest wait a script may ask for: a day.  A larger value is a typing mistake.
constexpr double kMaximumWaitSeconds = 86400;

// Thrown inside the parser only, turned into a ParseError at the line's edge, so each
// rule can stop at its first complaint without threading results through.
struct Complaint {
  std::string message;
};

inline std::string shown(const Word& word) { return quoteWord(word.text); }

inline std::optional<long long> parseInteger(std::string_view text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

inline std::optional<double> parseNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty() || !std::isfinite(value)) return std::nullopt;
  return value;
}

inline bool isIdentifier(std::string_view text) {
  if (text.empty()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    bool digit = c >= '0' && c <= '9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

// The words of one command after its name, read front to back.
class Arguments {
 public:
  Arguments(std::string name, std::vector<Word> words, std::size_t first)
      : name_(std::move(name)), words_(std::move(words)), next_(first) {}

  const std::string& name() const { return name_; }
  bool empty() const { return next_ >= words_.size(); }
  std::size_t remaining() const { return words_.size() - next_; }

  [[noreturn]] void fail(const std::string& message) const { throw Complaint{name_ + ": " + message}; }

  const Word& take(const char* what) {
    if (empty()) fail("missing " + std::string(what));
    return words_[next_++];
  }
  std::string text(const char* what) { return take(what).text; }

  // A value that names something (a section ID, a key): never empty.
  std::string name(const char* what) {
    const Word& w = take(what);
    if (w.text.empty()) fail(std::string(what) + " is empty");
    return w.text;
  }

  long long integer(const char* what, long long minimum) {
    const Word& w = take(what);
    auto value = w.quoted ? std::nullopt : parseInteger(w.text);
    if (!value) fail("expected a whole number for " + std::string(what) + ", found " + shown(w));
    if (*value < minimum) fail(std::string(what) + " must be at least " + std::to_string(minimum) + ", found " + w.text);
    return *value;
  }

  // One of the given keywords, answered as its index.
  std::size_t keyword(const char* what, std::initializer_list<const char*> choices) {
    const Word& w = take(what);
    std::size_t index = 0;
    std::string list;
    for (const char* choice : choices) {
      if (!w.quoted && w.text == choice) return index;
      if (!list.empty()) list += "|";
      list += choice;
      ++index;
    }
    fail("expected " + list + " for " + std::string(what) + ", found " + shown(w));
  }

  // <n|none>
  std::optional<long long> badgeValue() {
    const Word& w = take("badge value (a number or none)");
    if (!w.quoted && w.text == "none") return std::nullopt;
    auto value = w.quoted ? std::nullopt : parseInteger(w.text);
    if (!value || *value < 0) fail("expected a number from 0 up or none, found " + shown(w));
    return value;
  }

  // <r>,<g>,<b>, each 0 to 255.
  void rgb(const Word& w, const std::string& text, int out[3]) const {
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
      std::size_t end = i < 2 ? text.find(',', start) : text.size();
      auto value = end == std::string::npos ? std::nullopt : parseInteger(text.substr(start, end - start));
      if (!value || *value < 0 || *value > 255) fail("expected a colour r,g,b of numbers 0 to 255, found " + shown(w));
      out[i] = static_cast<int>(*value);
      start = end + 1;
    }
  }

  // A number from `minimum` to `maximum`, unquoted.
  double number(const char* what, double minimum, double maximum) {
    const Word& w = take(what);
    return numberIn(w, w.text, what, minimum, maximum);
  }
  double numberIn(const Word& w, std::string_view text, const char* what, double minimum, double maximum) const {
    auto value = w.quoted ? std::nullopt : parseNumber(text);
    if (!value || *value < minimum || *value > maximum) {
      fail("expected a number from " + numberText(minimum) + " to " + numberText(maximum) + " for " + what +
           ", found " + shown(w));
    }
    return *value;
  }

  long long wholeIn(const Word& w, std::string_view text, const char* what, long long minimum, long long maximum) const {
    auto value = w.quoted ? std::nullopt : parseInteger(text);
    if (!value || *value < minimum || *value > maximum) {
      fail("expected a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum) + " for " +
           what + ", found " + shown(w));
    }
    return *value;
  }

  // <x>,<y>: two numbers joined by a comma.
  Point point(const char* what) {
    const Word& w = take(what);
    std::size_t comma = w.text.find(',');
    auto x = w.quoted || comma == std::string::npos ? std::nullopt : parseNumber(std::string_view(w.text).substr(0, comma));
    auto y = x ? parseNumber(std::string_view(w.text).substr(comma + 1)) : std::nullopt;
    if (!y) fail("expected a point <x>,<y> for " + std::string(what) + ", found " + shown(w));
    return Point{*x, *y};
  }

  // The words left, each <key>=<value> with a key of `keys`, each key at most once;
  // answered in the order written.
  std::vector<std::pair<std::string, Word>> settings(std::initializer_list<const char*> keys) {
    std::vector<std::pair<std::string, Word>> out;
    std::string list;
    std::size_t index = 0;
    for (const char* key : keys) {
      ++index;
      list += std::string(index == 1 ? "" : index == keys.size() ? " or " : ", ") + key + "=<value>";
    }
    for (const Word& w : rest()) {
      std::size_t eq = w.text.find('=');
      std::string key = eq == std::string::npos ? std::string() : w.text.substr(0, eq);
      bool known = false;
      for (const char* k : keys) known = known || key == k;
      if (!known) fail("expected " + list + ", found " + shown(w));
      for (const auto& [seen, value] : out) {
        if (seen == key) fail(key + "= given twice");
      }
      out.emplace_back(key, Word{w.text.substr(eq + 1), w.quoted});
    }
    return out;
  }

  static std::string numberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
  }

  ListKind list() {
    return keyword("list (nc or lock)", {"nc", "lock"}) == 0 ? ListKind::notificationCenter : ListKind::lockScreen;
  }

  std::vector<Word> rest() {
    std::vector<Word> out(words_.begin() + static_cast<std::ptrdiff_t>(std::min(next_, words_.size())), words_.end());
    next_ = words_.size();
    return out;
  }

  void done() const {
    if (!empty()) fail("unexpected " + shown(words_[next_]) + " (too many values)");
  }

 private:
  std::string name_;
  std::vector<Word> words_;
  std::size_t next_;
};

}  // namespace scenario::parsing

namespace scenario::parsing {

// ScriptParserDevice.cpp: the commands that play a device's buttons, fingers and
// events (passcode, keypad, rotate, open, call, camera, alert, drag, swipe, tap,
// confirm-delete, tap-widget, tap-banner, scroll, screenshot), and the expectations
// of what the device shows (list, locked, keypad, statusbar, banner, opened, sounds,
// animation).  Each answers nullopt when the name is none of its own.
std::optional<Command> parseDeviceCommand(const std::string& name, Arguments& args);
std::optional<Command> parseDeviceExpectation(const std::string& what, Arguments& args);

}  // namespace scenario::parsing
