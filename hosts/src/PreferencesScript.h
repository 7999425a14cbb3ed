// The command language of the preferences host program, one command a line (words
// split by the scenario lexer: double quotes group words, '#' starts a comment):
//
//   show                              prints the current pane
//   open "<label>"                    follows a link row to its pane
//   back                              returns to the pane below
//   set <key> <value>                 changes the row bound to the option key, on this
//                                     pane or a pane reachable from it, as a user would
//   press "<label>"                   taps a button row
//   pick <image file> library|camera  answers the next image picker with the file
//   source library|camera             taps that source in the action sheet on screen,
//                                     opening its picker without answering it
//   tap-outside                       taps the screen beside the popover on screen
//   cancel                            cancels the action sheet or picker on screen
//   wait <seconds>                    serves the run loop that long
//   expect value <key> <value|absent> what the row bound to the key shows (the row
//                                     on any pane; "absent": not in the options file)
//   expect shown "<label>"            a row (or group) with that title is on the pane
//   expect title "<text>"             the pane's navigation title
//   expect file <device path> exists|missing|jpeg
//   expect opened "<url>"             the last address the panes opened
//
// While an action sheet or a full-screen picker is on screen, open, back, set and
// press fail as a tap on the covered pane would: pick or cancel answers it first.
//
// Pure C++: the words get their meaning here, the program runs them.
#pragma once

#include <objcface/Result.h>

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace hosts::prefs {

struct Show {};
struct Open { std::string label; };
struct Back {};
struct Set { std::string key; std::string value; };
struct Press { std::string label; };
struct Pick { std::string file; bool camera = false; };
struct Source { bool camera = false; };
struct TapOutside {};
struct Cancel {};
struct Wait { double seconds = 0; };
struct ExpectValue {
  std::string key;
  std::optional<std::string> value;  // none: the key is absent from the options file
};
struct ExpectShown { std::string label; };
struct ExpectTitle { std::string text; };
struct ExpectFile {
  enum class State { exists, missing, jpeg };
  std::string path;
  State state = State::exists;
};
struct ExpectOpened { std::string url; };

using Command = std::variant<Show, Open, Back, Set, Press, Pick, Source, TapOutside, Cancel, Wait, ExpectValue,
                             ExpectShown, ExpectTitle, ExpectFile, ExpectOpened>;

// The command of one line; nothing for a blank line or a comment; an error saying
// what is wrong.
objc::Result<std::optional<Command>> parseCommand(std::string_view line);

}  // namespace hosts::prefs
