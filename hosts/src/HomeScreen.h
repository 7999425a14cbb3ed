// The home screen as the springboard host program drives it, whatever the iOS
// version: the scenario commands that post, lock, press, touch and read back go
// through this interface, and each version's host classes answer it (HomeScreen7.cpp
// for iOS 7, HomeScreen6.cpp for iOS 6; see makeHomeScreen).  An action or read-back
// that has no meaning on a version answers an error saying so (unavailable()).
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

// How the springboard program was asked to set its device up (HostOptions.h).
struct HomeScreenSettings {
  int iosMajor = 7;
  bool ipad = false;                    // iOS 6: a 768 x 1024 iPad instead of a phone
  std::optional<std::string> passcode;  // iOS 6: the device passcode
  bool startLocked = false;             // iOS 6: launched on the lock screen, as after a boot
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

  // The device's buttons and passcode.  sleep: the screen goes dark as when the dim
  // timer runs out; wake: the lock button on a dark screen.
  virtual objc::Status setPasscode(const std::optional<std::string>& code) = 0;
  virtual objc::Status typePasscode(const std::string& code) = 0;
  virtual objc::Status cancelKeypad() = 0;
  virtual objc::Status sleep() = 0;
  virtual objc::Status wake() = 0;
  virtual objc::Status rotate(scenario::Orientation orientation) = 0;
  virtual objc::Status openApplication(const std::string& bundleID) = 0;
  // A telephone call, the lock screen's camera, an alarm alert.
  virtual objc::Status happen(scenario::SystemEvent event) = 0;

  // Fingers.
  virtual objc::Status drag(const scenario::Drag& drag) = 0;
  virtual objc::Status swipe(const scenario::Swipe& swipe) = 0;
  virtual objc::Status tapRow(scenario::ListKind list, const std::string& sectionID, long long row) = 0;
  virtual objc::Status confirmDelete() = 0;
  virtual objc::Status tapWidget(const std::string& sectionID) = 0;
  virtual objc::Status tapBanner(scenario::Point point) = 0;
  virtual objc::Status scrollNotificationCenter(double offset) = 0;

  // What the device shows: Notification Center's list shown, locked, the passcode
  // keypad shown, the status bar showing the time (false: the lock), a banner shown.
  virtual objc::Result<bool> state(scenario::DeviceState what) = 0;
  // The last notification action or app opened since start-up (a URL or a bundle ID).
  virtual objc::Result<std::optional<std::string>> lastOpened() = 0;
  // The sounds played since forgetSounds() (or start-up), in order.  Reading does not
  // forget them, so an `expect sounds … within` may look again.
  virtual objc::Result<std::vector<std::string>> soundsHeard() = 0;
  virtual void forgetSounds() = 0;

 protected:
  // "<what> is not on iOS 7", for what has no meaning on this version.
  objc::Error unavailable(const std::string& what) const { return objc::Error{what + " is not on " + name()}; }
};

// The home screen of the version `settings` names, or an error saying it is not
// available (or that an option does not apply to it).
objc::Result<std::unique_ptr<HomeScreen>> makeHomeScreen(const HomeScreenSettings& settings);

// A `post` line as a home screen's own notification record (both versions name the
// fields alike); absent fields are empty, which each home screen fills in.
template <class Notification>
Notification notificationFrom(const scenario::PostBulletin& b) {
  Notification n;
  n.sectionID = b.sectionID;
  n.title = b.title.value_or("");
  n.message = b.message.value_or("");
  n.url = b.url.value_or("");
  n.recordID = b.recordID.value_or("");
  n.bulletinID = b.bulletinID.value_or("");
  return n;
}

// Badge values between the scenario language (long long) and a home screen (NSInteger).
template <class To, class From>
std::optional<To> badgeValue(std::optional<From> value) {
  return value ? std::optional<To>(static_cast<To>(*value)) : std::nullopt;
}

}  // namespace hosts
