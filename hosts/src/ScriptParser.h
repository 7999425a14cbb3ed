// Turns scenario script text into checked commands (ScriptCommands.h).  A bad line
// gives an error that names the line number, the line and what is wrong, so a script
// can be checked as a whole before any of it runs.  Pure C++.
#pragma once

#include "ScriptCommands.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace scenario {

struct ParseError {
  int line = 0;
  std::string source;
  std::string message;
  // "line 7: badge: expected a number or none, found "x"" followed by the line itself.
  std::string describe() const;
};

// One line: nothing for a blank line or a comment, a command, or an error.
using ParsedLine = std::variant<std::monostate, ScriptLine, ParseError>;
ParsedLine parseLine(std::string_view text, int lineNumber);

// A whole script: every command in order, and every bad line (so all of them can be
// reported at once).  Lines are numbered from 1.
struct ParsedScript {
  std::vector<ScriptLine> lines;
  std::vector<ParseError> errors;
};
ParsedScript parseScript(std::string_view text);

// The name a command is written with ("post", "expect row", …), for messages.
std::string commandName(const Command& command);

}  // namespace scenario
