// The preferences host program:
//
//   preferences --ios 6.x|7.x --device DIR [--script FILE] [--ipad] [--no-camera] [--quiet]
//
// --ios gives the version UIDevice reports ("6.x" reads as 6.1, "7.x" as 7.0; a full
// version such as 6.1.3 is used as it stands); --device the device root (default:
// "device" in the working directory; made when missing); --script a command file
// (PreferencesScript.h; "-" or none: standard input); --ipad makes the device an
// iPad; --no-camera takes the camera away; --quiet stops the echo of each command.
// The program loads the preference bundle named by the device's PreferenceLoader
// entries, prints its root pane and runs the commands.  Exit status, as the other
// host programs: 0 when every command ran and every expectation held; 1 when one
// failed or the program could not start; 2 for a bad command line or a script with
// bad lines (then nothing runs).
#pragma once

#include <objcface/Result.h>

#include <filesystem>
#include <string>
#include <vector>

namespace hosts::prefs {

struct ProgramOptions {
  std::string systemVersion;
  std::filesystem::path deviceRoot = "device";
  std::filesystem::path script;  // empty: standard input
  bool pad = false;
  bool camera = true;
  bool quiet = false;
  bool help = false;
};

objc::Result<ProgramOptions> parseProgramOptions(const std::vector<std::string>& arguments);
std::string programUsage();

int runPreferencesProgram(int argc, char** argv);

}  // namespace hosts::prefs
