// The command lines of the host programs:
//
//   springboard --ios 7.x|6.x [--ipad] [--passcode CODE] [--locked] [--device DIR]
//               [--script FILE] [--screenshots DIR] [--quiet]
//   mobilesms [--device DIR] [--script FILE] [--quiet]
//
// --device names the device root (default: "device" in the working directory);
// --script a scenario file ("-" or none: commands from standard input; mobilesms
// without a script serves its run loop until it is terminated); --screenshots a
// folder (relative to the working directory) that receives a picture of the screen
// after every command that changes it.  --ipad, --passcode and --locked set up the
// iOS 6 device.  Both programs also take "--option=value".  Pure C++.
#pragma once

#include <objcface/Result.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hosts {

enum class HostProgram { springboard, mobilesms };

inline constexpr const char* kDefaultDeviceRoot = "device";

struct HostOptions {
  // The iOS major version springboard plays (7 or 6); 7 for mobilesms.
  int iosMajor = 7;
  std::filesystem::path deviceRoot = kDefaultDeviceRoot;
  // Where commands come from: a script file, standard input, or nowhere (mobilesms
  // then serves its run loop until it is terminated).
  enum class Input { file, standardInput, none };
  Input input = Input::standardInput;
  std::filesystem::path script;  // for Input::file
  // Do not echo each script line as it runs.
  bool quiet = false;
  // springboard --ios 6.x: an iPad, the device passcode, started on the lock screen.
  bool ipad = false;
  std::optional<std::string> passcode;
  bool startLocked = false;
  // springboard: where the pictures of --screenshots go (none: no pictures).
  std::optional<std::filesystem::path> screenshots;
  bool help = false;
};

// The options of argv[1…]; an error message names the bad argument.
objc::Result<HostOptions> parseHostOptions(HostProgram program, const std::vector<std::string>& arguments);

// The usage text of a program, for --help and after an error.
std::string usage(HostProgram program);

}  // namespace hosts
