// What the scenario commands need from the program they run in: its run loop, its
// home screen (springboard only), Darwin notifications, the screen and the shared
// menu.  The host programs give the platform's own (PlatformHost.h); the runner's
// tests give a stand-in that records calls.
#pragma once

#include "HomeScreen.h"

#include <objcface/Result.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hosts {

// A committed animation block: its UIViewAnimationCurve and duration.
struct AnimationReading {
  long curve = 0;
  double seconds = 0;
};

class ScenarioHost {
 public:
  virtual ~ScenarioHost() = default;

  // "springboard" or "mobilesms", for messages.
  virtual std::string programName() const = 0;
  // The home screen, or nullptr in a program without one.
  virtual HomeScreen* homeScreen() = 0;

  // Serves the main run loop until nothing is due now (after every command).
  virtual void settle() = 0;
  // Serves the main run loop for this many seconds of the process clock, which is
  // real in a host program, so other processes run meanwhile.
  virtual void serveFor(double seconds) = 0;

  // notify_post.
  virtual objc::Status postDarwinNotification(std::string_view name) = 0;
  // Whether the shared menu controller answers registerAction:title:canPerform:.
  virtual objc::Status setActionMenuAvailable(bool available) = 0;
  // The view tree of the screen as text.
  virtual objc::Result<std::string> dumpScreen() = 0;
  // Writes a PNG of the screen as drawn now, at the screen's scale, to a file of this
  // computer (a path relative to the working directory, not a device path); the file
  // is replaced whole.
  virtual objc::Status writeScreenshot(const std::filesystem::path& file) = 0;
  // The last animation block committed in this program, if any.
  virtual std::optional<AnimationReading> lastAnimation() = 0;
};

}  // namespace hosts
