// The command lines of the host programs:
//
//   springboard --ios 7.x [--device DIR] [--script FILE] [--quiet]
//   mobilesms [--device DIR] [--script FILE] [--quiet]
//
// --device names the device root (default: "device" in the working directory);
// --script a scenario file ("-" or none: commands from standard input; mobilesms
// without a script serves its run loop until it is terminated).  Both programs
// also take "--option=value".  Pure C++.
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
  bool help = false;
};

// The options of argv[1…]; an error message names the bad argument.
objc::Result<HostOptions> parseHostOptions(HostProgram program, const std::vector<std::string>& arguments);

// The usage text of a program, for --help and after an error.
std::string usage(HostProgram program);

}  // namespace hosts
