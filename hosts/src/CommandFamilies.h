// The scenario commands, grouped in families, each family in its own file under
// commands/.  Every command runs against a ScenarioHost and answers an Outcome; the
// runner (ScenarioRunner.h) reports outcomes and counts failures.
#pragma once

#include "ScenarioHost.h"
#include "ScriptCommands.h"

#include <ostream>
#include <string>

namespace hosts {

struct Outcome {
  enum class Kind { done, mismatch, error };
  Kind kind = Kind::done;
  std::string expected;  // mismatch: what the script expected
  std::string found;     // mismatch: what the program shows
  std::string message;   // error: why the command could not run

  static Outcome done() { return {}; }
  static Outcome mismatch(std::string expected, std::string found) {
    return {Kind::mismatch, std::move(expected), std::move(found), {}};
  }
  static Outcome error(std::string message) { return {Kind::error, {}, {}, std::move(message)}; }
  // An expectation: done when equal, else a mismatch showing both.
  static Outcome compare(bool equal, std::string expected, std::string found) {
    return equal ? done() : mismatch(std::move(expected), std::move(found));
  }
};

struct CommandContext {
  ScenarioHost& host;
  std::ostream& out;  // what eval, dump and echo print
};

// commands/StoreCommands.cpp: the Messages store.
Outcome run(const scenario::PutMessage& c, CommandContext& ctx);
Outcome run(const scenario::ExpectRead& c, CommandContext& ctx);

// commands/NotificationCommands.cpp: notifications and badges.
Outcome run(const scenario::PostBulletin& c, CommandContext& ctx);
Outcome run(const scenario::SetBadge& c, CommandContext& ctx);
Outcome run(const scenario::ExpectBadge& c, CommandContext& ctx);

// commands/ScreenCommands.cpp: navigation, touches, menus and the lists.
Outcome run(const scenario::Navigate& c, CommandContext& ctx);
Outcome run(const scenario::LongPress& c, CommandContext& ctx);
Outcome run(const scenario::PerformMenuItem& c, CommandContext& ctx);
Outcome run(const scenario::TapHeader& c, CommandContext& ctx);
Outcome run(const scenario::ClearSection& c, CommandContext& ctx);
Outcome run(const scenario::ExpectMenu& c, CommandContext& ctx);
Outcome run(const scenario::ExpectRow& c, CommandContext& ctx);
Outcome run(const scenario::ExpectHeader& c, CommandContext& ctx);

// commands/DeviceCommands.cpp: the passcode and keypad, rotation, opening apps, and
// what the system does (calls, the camera, alarms).
Outcome run(const scenario::SetPasscode& c, CommandContext& ctx);
Outcome run(const scenario::UseKeypad& c, CommandContext& ctx);
Outcome run(const scenario::Rotate& c, CommandContext& ctx);
Outcome run(const scenario::OpenApplication& c, CommandContext& ctx);
Outcome run(const scenario::Happen& c, CommandContext& ctx);

// commands/TouchCommands.cpp: fingers on windows, rows, widgets and banners.
Outcome run(const scenario::Drag& c, CommandContext& ctx);
Outcome run(const scenario::Swipe& c, CommandContext& ctx);
Outcome run(const scenario::TapRow& c, CommandContext& ctx);
Outcome run(const scenario::ConfirmDelete& c, CommandContext& ctx);
Outcome run(const scenario::TapWidget& c, CommandContext& ctx);
Outcome run(const scenario::TapBanner& c, CommandContext& ctx);
Outcome run(const scenario::ScrollList& c, CommandContext& ctx);

// commands/StateCommands.cpp: what the device shows, the last action opened, the
// sounds heard and the last animation.
Outcome run(const scenario::ExpectState& c, CommandContext& ctx);
Outcome run(const scenario::ExpectOpened& c, CommandContext& ctx);
Outcome run(const scenario::ExpectSounds& c, CommandContext& ctx);
Outcome run(const scenario::ExpectAnimation& c, CommandContext& ctx);

// commands/OptionCommands.cpp: the options file and the action-menu switch.
Outcome run(const scenario::SetOption& c, CommandContext& ctx);
Outcome run(const scenario::UnsetOption& c, CommandContext& ctx);
Outcome run(const scenario::SetActionMenu& c, CommandContext& ctx);
Outcome run(const scenario::ExpectOption& c, CommandContext& ctx);

// commands/InspectCommands.cpp: time, files, values, the screen and output.
Outcome run(const scenario::Wait& c, CommandContext& ctx);
Outcome run(const scenario::ExpectFile& c, CommandContext& ctx);
Outcome run(const scenario::ExpectValue& c, CommandContext& ctx);
Outcome run(const scenario::Evaluate& c, CommandContext& ctx);
Outcome run(const scenario::Dump& c, CommandContext& ctx);
Outcome run(const scenario::Echo& c, CommandContext& ctx);
Outcome run(const scenario::WritePicture& c, CommandContext& ctx);
Outcome run(const scenario::ExpectPixel& c, CommandContext& ctx);
Outcome run(const scenario::Screenshot& c, CommandContext& ctx);

// The home screen, or an error outcome naming the command and the program.
HomeScreen* requireHomeScreen(CommandContext& ctx, const char* command, Outcome& failure);

// Done, or an error outcome "<what>: <the status's message>".
Outcome fromStatus(const objc::Status& status, const std::string& what);

}  // namespace hosts
