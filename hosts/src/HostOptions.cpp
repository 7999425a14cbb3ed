#include "HostOptions.h"

#include <charconv>

namespace hosts {
namespace {

// "7", "7.x", "7.0", "7.1.2" → 7.  Anything else is refused.
std::optional<int> iosMajor(const std::string& text) {
  int major = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, major);
  if (ec != std::errc() || ptr == begin) return std::nullopt;
  if (ptr == end) return major;
  if (*ptr != '.') return std::nullopt;
  std::string rest(ptr + 1, end);
  if (rest == "x") return major;
  // Further numeric components, each non-empty.
  std::size_t start = 0;
  while (true) {
    std::size_t dot = rest.find('.', start);
    std::string part = rest.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    if (dot == std::string::npos) return major;
    start = dot + 1;
  }
}

}  // namespace

std::string usage(HostProgram program) {
  if (program == HostProgram::springboard) {
    return "usage: springboard --ios 7.x|6.x [--ipad] [--passcode CODE] [--locked] [--device DIR]\n"
           "                   [--script FILE] [--screenshots DIR] [--quiet]\n"
           "  --ios VERSION      the home screen to play: 7.x or 6.x\n"
           "  --ipad             iOS 6: an iPad (768 x 1024 points) instead of a phone\n"
           "  --passcode CODE    iOS 6: the device passcode (default: none)\n"
           "  --locked           iOS 6: start on the lock screen, as after a boot\n"
           "  --device DIR       the device root (default: ./device)\n"
           "  --script FILE      a scenario to run, then exit; without it (or with -) commands\n"
           "                     are read from standard input until its end\n"
           "  --screenshots DIR  write a PNG of the screen after every command that changes it,\n"
           "                     named by script line (DIR is made when missing)\n"
           "  --quiet            do not echo each command as it runs\n";
  }
  return "usage: mobilesms [--device DIR] [--script FILE] [--quiet]\n"
         "  --device DIR    the device root (default: ./device)\n"
         "  --script FILE   a scenario to run, then exit (- reads standard input); without\n"
         "                  it the program serves until it is terminated (SIGTERM)\n"
         "  --quiet         do not echo each command as it runs\n";
}

objc::Result<HostOptions> parseHostOptions(HostProgram program, const std::vector<std::string>& arguments) {
  HostOptions options;
  options.input = program == HostProgram::mobilesms ? HostOptions::Input::none : HostOptions::Input::standardInput;
  bool sawIos = false, sawDevice = false, sawScript = false, sawPasscode = false, sawShots = false;
  std::string sixOnly;  // the first option given that only the iOS 6 home screen takes
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::optional<std::string> value;
    if (name.rfind("--", 0) == 0) {
      if (auto eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
      }
    }
    auto takeValue = [&]() -> objc::Result<std::string> {
      if (value) return *value;
      if (i + 1 >= arguments.size()) return objc::makeError(name + " needs a value");
      return arguments[++i];
    };
    auto once = [&](bool& seen) -> objc::Status {
      if (seen) return objc::makeError(name + " is given twice");
      seen = true;
      return objc::Ok{};
    };
    if (name == "--help" || name == "-h") {
      options.help = true;
    } else if (name == "--quiet") {
      if (value) return objc::makeError("--quiet takes no value");
      options.quiet = true;
    } else if (name == "--ios" && program == HostProgram::springboard) {
      if (auto s = once(sawIos); !s) return s.error();
      auto v = takeValue();
      if (!v) return v.error();
      auto major = iosMajor(*v);
      if (!major) return objc::makeError("--ios: expected a version such as 7.x or 6.x, found \"" + *v + "\"");
      if (*major != 7 && *major != 6) {
        return objc::makeError("--ios: there is no home screen for iOS " + *v + " (7.x or 6.x)");
      }
      options.iosMajor = *major;
    } else if ((name == "--ipad" || name == "--locked") && program == HostProgram::springboard) {
      if (value) return objc::makeError(name + " takes no value");
      (name == "--ipad" ? options.ipad : options.startLocked) = true;
      if (sixOnly.empty()) sixOnly = name;
    } else if (name == "--passcode" && program == HostProgram::springboard) {
      if (auto s = once(sawPasscode); !s) return s.error();
      auto v = takeValue();
      if (!v) return v.error();
      if (v->empty()) return objc::makeError("--passcode: the passcode must not be empty");
      options.passcode = *v;
      if (sixOnly.empty()) sixOnly = name;
    } else if (name == "--screenshots" && program == HostProgram::springboard) {
      if (auto s = once(sawShots); !s) return s.error();
      auto v = takeValue();
      if (!v) return v.error();
      if (v->empty()) return objc::makeError("--screenshots: the folder name must not be empty");
      options.screenshots = *v;
    } else if (name == "--device") {
      if (auto s = once(sawDevice); !s) return s.error();
      auto v = takeValue();
      if (!v) return v.error();
      if (v->empty()) return objc::makeError("--device: the device root must not be empty");
      options.deviceRoot = *v;
    } else if (name == "--script") {
      if (auto s = once(sawScript); !s) return s.error();
      auto v = takeValue();
      if (!v) return v.error();
      if (v->empty()) return objc::makeError("--script: the file name must not be empty");
      if (*v == "-") {
        options.input = HostOptions::Input::standardInput;
      } else {
        options.input = HostOptions::Input::file;
        options.script = *v;
      }
    } else if (name.rfind("-", 0) == 0) {
      return objc::makeError("unknown option " + name);
    } else {
      return objc::makeError("unexpected argument \"" + name + "\"");
    }
  }
  if (program == HostProgram::springboard && !sawIos && !options.help) {
    return objc::makeError("--ios is required (7.x or 6.x)");
  }
  if (!sixOnly.empty() && options.iosMajor != 6 && !options.help) {
    return objc::makeError(sixOnly + " is for the iOS 6 home screen (--ios 6.x)");
  }
  return options;
}

}  // namespace hosts
