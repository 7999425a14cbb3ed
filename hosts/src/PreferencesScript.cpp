#include "PreferencesScript.h"

#include "ScriptLexer.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace hosts::prefs {
namespace {

using scenario::Word;

objc::Result<std::optional<Command>> fail(const std::string& message) { return objc::makeError(message); }

bool count(const std::vector<Word>& words, std::size_t n) { return words.size() == n; }

}  // namespace

objc::Result<std::optional<Command>> parseCommand(std::string_view line) {
  auto split = scenario::splitWords(line);
  if (!split) return split.error();
  const std::vector<Word>& w = *split;
  if (w.empty()) return std::optional<Command>();
  const std::string& verb = w[0].text;
  if (w[0].quoted) return fail("a command does not start with a quoted word");

  if (verb == "show" && count(w, 1)) return std::optional<Command>(Show{});
  if (verb == "back" && count(w, 1)) return std::optional<Command>(Back{});
  if (verb == "cancel" && count(w, 1)) return std::optional<Command>(Cancel{});
  if (verb == "tap-outside" && count(w, 1)) return std::optional<Command>(TapOutside{});
  if (verb == "source" && count(w, 2)) {
    if (w[1].text != "library" && w[1].text != "camera") return fail("source: expected library or camera");
    return std::optional<Command>(Source{w[1].text == "camera"});
  }
  if (verb == "open" && count(w, 2)) return std::optional<Command>(Open{w[1].text});
  if (verb == "press" && count(w, 2)) return std::optional<Command>(Press{w[1].text});
  if (verb == "set" && count(w, 3)) return std::optional<Command>(Set{w[1].text, w[2].text});
  if (verb == "pick" && count(w, 3)) {
    if (w[2].text != "library" && w[2].text != "camera") return fail("pick: the source is library or camera");
    return std::optional<Command>(Pick{w[1].text, w[2].text == "camera"});
  }
  if (verb == "wait" && count(w, 2)) {
    char* end = nullptr;
    double seconds = std::strtod(w[1].text.c_str(), &end);
    if (w[1].text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 600) {
      return fail("wait: expected seconds between 0 and 600, found \"" + w[1].text + "\"");
    }
    return std::optional<Command>(Wait{seconds});
  }
  if (verb == "expect" && w.size() >= 2) {
    const std::string& what = w[1].text;
    if (what == "value" && count(w, 4)) {
      ExpectValue e{w[2].text, w[3].text};
      if (!w[3].quoted && w[3].text == "absent") e.value.reset();
      return std::optional<Command>(e);
    }
    if (what == "shown" && count(w, 3)) return std::optional<Command>(ExpectShown{w[2].text});
    if (what == "title" && count(w, 3)) return std::optional<Command>(ExpectTitle{w[2].text});
    if (what == "opened" && count(w, 3)) return std::optional<Command>(ExpectOpened{w[2].text});
    if (what == "file" && count(w, 4)) {
      ExpectFile e{w[2].text};
      if (w[3].text == "exists") {
        e.state = ExpectFile::State::exists;
      } else if (w[3].text == "missing") {
        e.state = ExpectFile::State::missing;
      } else if (w[3].text == "jpeg") {
        e.state = ExpectFile::State::jpeg;
      } else {
        return fail("expect file: expected exists, missing or jpeg");
      }
      return std::optional<Command>(e);
    }
    return fail("expect: expected value <key> <value|absent>, shown \"<label>\", title \"<text>\", "
                "file <path> exists|missing|jpeg or opened \"<url>\"");
  }
  static const char* const kKnown[] = {"show", "back", "cancel", "open", "press", "set", "pick", "wait", "source",
                                       "tap-outside"};
  for (const char* known : kKnown) {
    if (verb == known) return fail(verb + ": wrong number of words");
  }
  return fail("unknown command \"" + verb + "\"");
}

}  // namespace hosts::prefs
