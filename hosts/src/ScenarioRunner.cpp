#include "ScenarioRunner.h"

#include <chrono>

namespace hosts {
namespace {

// How often `expect … within` looks again.
constexpr double kRetryInterval = 0.05;

bool isExpectation(const scenario::Command& command) {
  return std::holds_alternative<scenario::ExpectRead>(command) || std::holds_alternative<scenario::ExpectBadge>(command) ||
         std::holds_alternative<scenario::ExpectMenu>(command) || std::holds_alternative<scenario::ExpectRow>(command) ||
         std::holds_alternative<scenario::ExpectHeader>(command) ||
         std::holds_alternative<scenario::ExpectOption>(command) ||
         std::holds_alternative<scenario::ExpectFile>(command) ||
         std::holds_alternative<scenario::ExpectPixel>(command) || std::holds_alternative<scenario::ExpectValue>(command);
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
