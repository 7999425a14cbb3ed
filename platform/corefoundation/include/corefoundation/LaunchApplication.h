// Starting applications in the background by bundle identifier, as the home screen
// does with launchApplicationWithIdentifier:suspended:.
//
// A process-wide registry maps each bundle identifier to the host program that
// plays that application.  A launch starts the program detached from the caller (a
// new session, no zombie left behind, standard input from /dev/null and output to
// "/var/run/noctil-apps/<id>.log" in the device root) with "--device <root>", so it
// joins the same simulated device.
//
// One instance per device root: "/var/run/noctil-apps/<id>.pid" carries an
// open-file-description lock held by the running instance (taken by the launcher
// and inherited by the program across exec) and the instance's pid.  The kernel
// drops the lock when the process ends, however it ends, so a dead instance never
// blocks a relaunch.  A host program started by hand claims the same lock with
// claimApplicationInstance.
#pragma once

#include <objcface/Result.h>

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ns {

// Registers (or replaces) the program for a bundle identifier.  `arguments` come
// before "--device <root>" on the command line.
void registerApplication(std::string bundleIdentifier, std::filesystem::path program,
                         std::vector<std::string> arguments = {});
void unregisterApplication(std::string_view bundleIdentifier);
bool isApplicationRegistered(std::string_view bundleIdentifier);

enum class LaunchOutcome { started, alreadyRunning };

// Starts the registered program of `bundleIdentifier` unless an instance runs in
// the current device root, and returns without waiting for it (only for the exec
// itself, so a missing program is reported).  Every launch is in the background;
// `suspended` is accepted for the iOS call's sake and changes nothing, as no
// application here shows a user interface of its own when launched.
objc::Result<LaunchOutcome> launchApplication(std::string_view bundleIdentifier, bool suspended);

// The pid of the running instance of `bundleIdentifier` in the current device root.
std::optional<pid_t> runningApplicationPid(std::string_view bundleIdentifier);

// For host programs: makes this process the instance of `bundleIdentifier` for as
// long as it lives.  True when it is (also when the launcher already made it so);
// false when another live process is the instance.
objc::Result<bool> claimApplicationInstance(std::string_view bundleIdentifier);

}  // namespace ns
