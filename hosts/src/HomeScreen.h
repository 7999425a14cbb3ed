// The home screen as the springboard host program drives it, whatever the iOS
// version: the scenario commands that post, lock, press and read rows go through
// this interface, and each version's host classes answer it (HomeScreen7.cpp for
// iOS 7; an iOS 6 adapter plugs in the same way, see makeHomeScreen).
//
// Sections are named by section ID; rows count from 0 within a section, in the
// order the list shows them (newest first).
#pragma once

#include "ScriptCommands.h"

#include <objcface/Result.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hosts {

struct RowReading {
  scenario::RowState state = scenario::RowState::absent;
  double height = 0;
};

class HomeScreen {
 public:
  virtual ~HomeScreen() = default;

  // "iOS 7" and so on, for messages.
  virtual std::string name() const = 0;

  // Registers the version's runtime classes (before the tweak loader runs).
  virtual void registerClasses() = 0;
  // Creates the application and sends finishLaunching through the runtime, so a
  // tweak's replacement runs (after the tweak loader).
  virtual objc::Status launch() = 0;
  // Serves the main run loop until nothing is due now.
  virtual void settle() = 0;

  // The system.
  virtual objc::Result<std::string> post(const scenario::PostBulletin& bulletin) = 0;
  virtual objc::Status setBadge(const std::string& sectionID, std::optional<long long> value) = 0;
  virtual std::optional<long long> badge(const std::string& sectionID) = 0;

  // The user.
  virtual objc::Status lock() = 0;
  virtual objc::Status unlock() = 0;
  virtual objc::Status showNotificationCenter() = 0;
  virtual objc::Status hideNotificationCenter() = 0;
  virtual objc::Status pressHome() = 0;
  virtual objc::Status longPress(scenario::ListKind list, const std::string& sectionID, long long row) = 0;
  virtual objc::Status tapHeader(const std::string& sectionID) = 0;
  virtual objc::Status clearSection(const std::string& sectionID) = 0;
  virtual objc::Status performMenuItem(const std::string& title) = 0;

  // Read-backs.
  virtual std::vector<std::string> visibleMenuItems() = 0;
  virtual RowReading row(scenario::ListKind list, const std::string& sectionID, long long row) = 0;
  virtual std::optional<std::string> headerTitle(const std::string& sectionID) = 0;
};

// The home screen of an iOS major version, or an error saying it is not available.
objc::Result<std::unique_ptr<HomeScreen>> makeHomeScreen(int iosMajor);

}  // namespace hosts
