// The ScenarioHost of the host programs: the platform's own run loop, Darwin
// notifications, menu controller and screen dump, and the program's home screen.
#pragma once

#include "ScenarioHost.h"

namespace hosts {

class PlatformHost : public ScenarioHost {
 public:
  // `homeScreen` may be nullptr (mobilesms); it is not owned.
  PlatformHost(std::string programName, HomeScreen* homeScreen)
      : programName_(std::move(programName)), homeScreen_(homeScreen) {}

  std::string programName() const override { return programName_; }
  HomeScreen* homeScreen() override { return homeScreen_; }
  void settle() override;
  // Serves the main run loop for `seconds` of real time, or until a termination
  // signal arrives.
  void serveFor(double seconds) override;
  objc::Status postDarwinNotification(std::string_view name) override;
  objc::Status setActionMenuAvailable(bool available) override;
  objc::Result<std::string> dumpScreen() override;
  objc::Status writeScreenshot(const std::filesystem::path& file) override;
  std::optional<AnimationReading> lastAnimation() override;

 private:
  std::string programName_;
  HomeScreen* homeScreen_;
};

}  // namespace hosts
