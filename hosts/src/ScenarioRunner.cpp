#include "ScenarioRunner.h"

#include <chrono>
#include <cstdio>

namespace hosts {
namespace {

// How often `expect … within` looks again.
constexpr double kRetryInterval = 0.05;

template <class... Kinds>
bool isOneOf(const scenario::Command& command) {
  return (std::holds_alternative<Kinds>(command) || ...);
}

bool isExpectation(const scenario::Command& command) {
  using namespace scenario;
  return isOneOf<ExpectRead, ExpectBadge, ExpectMenu, ExpectRow, ExpectHeader, ExpectOption, ExpectFile, ExpectPixel,
                 ExpectValue, ExpectState, ExpectOpened, ExpectSounds, ExpectAnimation>(command);
}

// Whether a command may change what the screen shows: everything but reading, printing
// and writing files the screen does not show.
bool mayChangeScreen(const scenario::Command& command) {
  using namespace scenario;
  return !isExpectation(command) &&
         !isOneOf<Evaluate, Echo, Dump, Screenshot, PutMessage, WritePicture, SetActionMenu, SetPasscode>(command);
}

// "012-nc-show.png" for line 12, `nc show`.
std::string screenshotName(const scenario::ScriptLine& line) {
  char number[16];
  std::snprintf(number, sizeof number, "%03d", line.number);
  std::string name = scenario::commandName(line.command);
  for (char& c : name) {
    if (c == ' ') c = '-';
  }
  return std::string(number) + "-" + name + ".png";
}

}  // namespace

ScenarioRunner::ScenarioRunner(ScenarioHost& host, std::ostream& out, std::ostream& errors, std::string scriptName,
                               bool echo)
    : host_(host), out_(out), errors_(errors), scriptName_(std::move(scriptName)), echo_(echo) {}

void ScenarioRunner::reportParseError(const scenario::ParseError& error) {
  errors_ << scriptName_ << ":" << error.line << ": error: " << error.message << "\n    " << error.source << '\n';
}

int ScenarioRunner::runScript(std::string_view text) {
  scenario::ParsedScript script = scenario::parseScript(text);
  if (!script.errors.empty()) {
    for (const auto& error : script.errors) reportParseError(error);
    errors_ << scriptName_ << ": " << script.errors.size() << " bad line" << (script.errors.size() == 1 ? "" : "s")
            << "; nothing was run\n";
    badInput_ = true;
    return exitStatus();
  }
  for (const auto& line : script.lines) runLine(line);
  return exitStatus();
}

void ScenarioRunner::runText(std::string_view line, int lineNumber) {
  scenario::ParsedLine parsed = scenario::parseLine(line, lineNumber);
  if (auto* error = std::get_if<scenario::ParseError>(&parsed)) {
    reportParseError(*error);
    ++failures_;
  } else if (auto* command = std::get_if<scenario::ScriptLine>(&parsed)) {
    runLine(*command);
  }
}

void ScenarioRunner::runLine(const scenario::ScriptLine& line) {
  ++commands_;
  if (echo_) out_ << "[" << line.number << "] " << line.source << '\n' << std::flush;
  CommandContext context{host_, out_};
  auto once = [&] { return std::visit([&](const auto& command) { return run(command, context); }, line.command); };
  Outcome outcome = once();
  // Every effect of the command (delayed performs of delay 0, notifications) lands
  // before the next line looks.
  host_.settle();
  if (line.within && outcome.kind == Outcome::Kind::mismatch) {
    // Another process may still be on its way: look again while serving the run loop.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(*line.within);
    while (outcome.kind == Outcome::Kind::mismatch && std::chrono::steady_clock::now() < deadline) {
      host_.serveFor(kRetryInterval);
      outcome = once();
      host_.settle();
    }
  }
  // Sounds are counted from one `expect sounds` to the next, whether it held or not.
  if (std::holds_alternative<scenario::ExpectSounds>(line.command)) {
    if (HomeScreen* screen = host_.homeScreen()) screen->forgetSounds();
  }
  switch (outcome.kind) {
    case Outcome::Kind::done:
      if (isExpectation(line.command)) ++expectationsMet_;
      break;
    case Outcome::Kind::mismatch:
      ++failures_;
      errors_ << scriptName_ << ":" << line.number << ": expectation failed\n    " << line.source
              << "\n    expected: " << outcome.expected << "\n    found:    " << outcome.found << '\n';
      break;
    case Outcome::Kind::error:
      ++failures_;
      errors_ << scriptName_ << ":" << line.number << ": " << scenario::commandName(line.command)
              << " failed: " << outcome.message << "\n    " << line.source << '\n';
      break;
  }
  if (screenshots_ && mayChangeScreen(line.command)) {
    auto file = *screenshots_ / screenshotName(line);
    if (auto written = host_.writeScreenshot(file); !written) {
      ++failures_;
      errors_ << scriptName_ << ":" << line.number << ": screenshot failed: " << written.error().message << '\n';
    }
  }
  errors_ << std::flush;
  out_ << std::flush;
}

int ScenarioRunner::exitStatus() const {
  if (badInput_) return kExitBadInput;
  return failures_ > 0 ? kExitFailed : kExitSuccess;
}

int ScenarioRunner::finish() {
  if (!badInput_) {
    std::ostream& stream = failures_ > 0 ? errors_ : out_;
    stream << scriptName_ << ": " << commands_ << " command" << (commands_ == 1 ? "" : "s") << ", " << expectationsMet_
           << " expectation" << (expectationsMet_ == 1 ? "" : "s") << " met, " << failures_ << " failed\n"
           << std::flush;
  }
  return exitStatus();
}

}  // namespace hosts
