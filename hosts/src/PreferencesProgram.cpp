#include "PreferencesProgram.h"

#include "PreferencesApp.h"

#include <foundation/DeviceRoot.h>
#include <objcface/NSObject.h>

#include <fstream>
#include <iostream>

namespace hosts::prefs {
namespace {

// "6", "6.x", "7.0", "6.1.3": the version UIDevice reports; only iOS 6 and 7.
objc::Result<std::string> systemVersionFor(const std::string& text) {
  std::string major = text.substr(0, text.find('.'));
  if (major != "6" && major != "7") return objc::makeError("--ios: expected 6.x or 7.x, found \"" + text + "\"");
  std::string rest = text.size() > major.size() ? text.substr(major.size() + 1) : std::string();
  if (text.size() > major.size() && rest.empty()) return objc::makeError("--ios: bad version \"" + text + "\"");
  if (rest.empty() || rest == "x") return major == "6" ? std::string("6.1") : std::string("7.0");
  for (char c : rest) {
    if (c != '.' && (c < '0' || c > '9')) return objc::makeError("--ios: bad version \"" + text + "\"");
  }
  if (rest.front() == '.' || rest.back() == '.' || rest.find("..") != std::string::npos) {
    return objc::makeError("--ios: bad version \"" + text + "\"");
  }
  return text;
}

}  // namespace

std::string programUsage() {
  return "usage: preferences --ios 6.x|7.x [--device DIR] [--script FILE] [--ipad] [--no-camera] [--quiet]\n";
}

objc::Result<ProgramOptions> parseProgramOptions(const std::vector<std::string>& arguments) {
  ProgramOptions options;
  bool haveVersion = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    auto value = [&]() -> objc::Result<std::string> {
      if (i + 1 >= arguments.size()) return objc::makeError(a + " needs a value");
      return arguments[++i];
    };
    if (a == "--help" || a == "-h") {
      options.help = true;
    } else if (a == "--ios") {
      auto v = value();
      if (!v) return v.error();
      auto version = systemVersionFor(*v);
      if (!version) return version.error();
      options.systemVersion = *version;
      haveVersion = true;
    } else if (a == "--device") {
      auto v = value();
      if (!v) return v.error();
      options.deviceRoot = *v;
    } else if (a == "--script") {
      auto v = value();
      if (!v) return v.error();
      options.script = *v == "-" ? std::filesystem::path() : std::filesystem::path(*v);
    } else if (a == "--ipad") {
      options.pad = true;
    } else if (a == "--no-camera") {
      options.camera = false;
    } else if (a == "--quiet") {
      options.quiet = true;
    } else {
      return objc::makeError("unknown argument \"" + a + "\"");
    }
  }
  if (!haveVersion && !options.help) return objc::makeError("--ios is required (6.x or 7.x)");
  return options;
}

namespace {

struct ScriptLine {
  int number = 0;
  std::string source;
  Command command;
};

// Runs one command, reporting a failure on standard error; false when it failed.
bool runLine(SettingsApp& app, const ScriptLine& line, bool quiet) {
  if (!quiet) std::cout << "> " << line.source << '\n';
  auto status = app.run(line.command, std::cout);
  std::cout.flush();
  if (status) return true;
  std::cerr << "line " << line.number << ": " << status.error().message << "\n  " << line.source << '\n';
  return false;
}

}  // namespace

int runPreferencesProgram(int argc, char** argv) {
  auto options = parseProgramOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!options) {
    std::cerr << "preferences: " << options.error().message << '\n' << programUsage();
    return 2;
  }
  if (options->help) {
    std::cout << programUsage();
    return 0;
  }

  AppConfig config;
  config.systemVersion = options->systemVersion;
  config.pad = options->pad;
  config.camera = options->camera;

  // A script file is read and checked whole before anything runs.
  std::vector<ScriptLine> script;
  if (!options->script.empty()) {
    std::ifstream in(options->script);
    if (!in) {
      std::cerr << "preferences: cannot read " << options->script.string() << '\n';
      return 2;
    }
    config.fileBase = options->script.parent_path();
    int number = 0;
    int bad = 0;
    for (std::string source; std::getline(in, source);) {
      ++number;
      auto parsed = parseCommand(source);
      if (!parsed) {
        std::cerr << "line " << number << ": " << parsed.error().message << "\n  " << source << '\n';
        ++bad;
      } else if (*parsed) {
        script.push_back({number, source, **parsed});
      }
    }
    if (bad) return 2;
  }

  std::error_code ec;
  auto root = std::filesystem::absolute(options->deviceRoot, ec);
  if (!ec) std::filesystem::create_directories(root, ec);
  if (ec) {
    std::cerr << "preferences: cannot use the device root " << options->deviceRoot.string() << '\n';
    return 1;
  }
  ns::setDeviceRoot(root);

  auto app = SettingsApp::launch(config);
  if (!app) {
    std::cerr << "preferences: " << app.error().message << '\n';
    return 1;
  }
  (*app)->show(std::cout);
  std::cout.flush();

  int failures = 0;
  if (!options->script.empty()) {
    for (const auto& line : script) failures += !runLine(**app, line, options->quiet);
  } else {
    int number = 0;
    for (std::string source; std::getline(std::cin, source);) {
      ++number;
      auto parsed = parseCommand(source);
      if (!parsed) {
        std::cerr << "line " << number << ": " << parsed.error().message << "\n  " << source << '\n';
        ++failures;
      } else if (*parsed) {
        failures += !runLine(**app, {number, source, **parsed}, options->quiet);
      }
    }
  }
  if (auto left = (*app)->finish(); !left) {
    std::cerr << "preferences: " << left.error().message << '\n';
    ++failures;
  }
  {
    objc::AutoreleasePool pool;
    app->reset();
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace hosts::prefs
