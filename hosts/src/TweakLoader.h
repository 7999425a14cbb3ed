// The tweak loader: what the loader on a device does when a program starts.  It maps
// every library in the device root's /Library/MobileSubstrate/DynamicLibraries whose
// filter list (FilterList.h) names the program's bundle identifier and admits the
// CoreFoundation version of the iOS the program plays, in file-name order, so each
// library's load-time initialiser runs inside the program.
//
// A library without a readable filter list, or one that fails to load, is reported
// on the given error stream and skipped; the program goes on.  Loaded libraries stay
// loaded for the life of the process.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace hosts {

// The device folder the loader reads.
inline constexpr std::string_view kTweakFolder = "/Library/MobileSubstrate/DynamicLibraries";

struct TweakLoadResult {
  // File names of the libraries whose initialisers ran, in load order.
  std::vector<std::string> loaded;
  // One line per library that was meant for this program (or could not be judged)
  // but was not loaded; also written to the error stream.
  std::vector<std::string> problems;
};

// Loads the tweaks for bundleIdentifier from the current device root, for a system
// whose CoreFoundation version is coreFoundationVersion (kCoreFoundationVersionIOS6 or
// …IOS7 of FilterList.h).  A missing folder means no tweaks are installed.
TweakLoadResult loadTweaks(std::string_view bundleIdentifier, std::ostream& errors, double coreFoundationVersion);

// The libraries of the folder (regular files named *.dylib), in name order.
std::vector<std::filesystem::path> tweakLibraries(const std::filesystem::path& folder);

}  // namespace hosts
