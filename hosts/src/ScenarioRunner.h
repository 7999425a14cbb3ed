// Runs scenario commands in a host program and reports what happened.
//
// Each command runs, then the main run loop is served until nothing is due, so the
// next command sees every effect.  A failed expectation is reported on the error
// stream with the script name, the line number, the line, what was expected and
// what was found; a command that cannot run is reported the same way with the
// reason.  Either makes the run fail, and the script goes on with its next line, so
// one run shows every failure.  A script file with bad lines does not run at all:
// every bad line is reported first.  With a screenshot folder, a picture of the screen
// is written after each command that may change it.
#pragma once

#include "CommandFamilies.h"
#include "ScriptParser.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace hosts {

// Exit statuses of the host programs.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;      // an expectation failed or a command could not run
inline constexpr int kExitBadInput = 2;    // a bad command line or a script with bad lines

class ScenarioRunner {
 public:
  // `scriptName` prefixes every report ("stock_ios7.scn:12: …"); `echo` prints each
  // command line on `out` as it runs.
  ScenarioRunner(ScenarioHost& host, std::ostream& out, std::ostream& errors, std::string scriptName, bool echo);

  // Parses a whole script and runs it; a script with bad lines runs nothing.  Answers
  // the exit status of the run so far.
  int runScript(std::string_view text);

  // Parses and runs one line (standard input); a bad line is reported and counts as
  // a failure, and the run goes on.
  void runText(std::string_view line, int lineNumber);

  void runLine(const scenario::ScriptLine& line);

  // After every command that may change the screen, a PNG of the screen goes into
  // `folder` (made when missing), named by script line and command:
  // "012-nc-show.png".  A picture that cannot be written counts as a failure.
  void takeScreenshotsInto(std::filesystem::path folder) { screenshots_ = std::move(folder); }

  // Prints "<n> commands, <m> expectations met, <k> failed" (to `out`, or to the error
  // stream when anything failed) and answers the exit status.
  int finish();

  int failures() const { return failures_; }
  int exitStatus() const;

 private:
  void reportParseError(const scenario::ParseError& error);

  ScenarioHost& host_;
  std::ostream& out_;
  std::ostream& errors_;
  std::string scriptName_;
  bool echo_;
  int commands_ = 0;
  int expectationsMet_ = 0;
  int failures_ = 0;
  bool badInput_ = false;
  std::optional<std::filesystem::path> screenshots_;
};

}  // namespace hosts
