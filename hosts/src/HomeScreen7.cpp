// The iOS 7 home screen behind the HomeScreen interface: every call goes to the
// SpringBoard7 host control, which reaches the host classes through message sends.
// What only the iOS 6 home screen has (the passcode keypad, the dim timer, swipes,
// banners, opening apps, sounds) answers that it is not on iOS 7.
#include "HomeScreen7.h"

#include <springboard7/HostControl.h>

namespace hosts {
namespace {

sb7::List listOf(scenario::ListKind list) {
  return list == scenario::ListKind::notificationCenter ? sb7::List::NotificationCenter : sb7::List::LockScreen;
}

class HomeScreen7 : public HomeScreen {
 public:
  std::string name() const override { return "iOS 7"; }
  void registerClasses() override { sb7::registerClasses(); }
  objc::Status launch() override { return sb7::launch(); }
  void settle() override { sb7::settle(); }

  objc::Result<std::string> post(const scenario::PostBulletin& b) override {
    return sb7::post(notificationFrom<sb7::Notification>(b));
  }
  objc::Status setBadge(const std::string& sectionID, std::optional<long long> value) override {
    return sb7::setBadge(sectionID, badgeValue<NSInteger>(value));
  }
  std::optional<long long> badge(const std::string& sectionID) override {
    return badgeValue<long long>(sb7::badge(sectionID));
  }

  objc::Status lock() override { return sb7::lock(); }
  objc::Status unlock() override { return sb7::unlock(); }
  objc::Status showNotificationCenter() override { return sb7::showNotificationCenter(); }
  objc::Status hideNotificationCenter() override { return sb7::hideNotificationCenter(); }
  objc::Status pressHome() override { return sb7::pressHome(); }
  objc::Status longPress(scenario::ListKind list, const std::string& sectionID, long long row) override {
    return sb7::longPress(listOf(list), sectionID, static_cast<NSInteger>(row));
  }
  objc::Status tapHeader(const std::string& sectionID) override { return sb7::tapHeader(sectionID); }
  objc::Status clearSection(const std::string& sectionID) override { return sb7::clearSection(sectionID); }
  objc::Status performMenuItem(const std::string& title) override { return sb7::performMenuItem(title); }

  std::vector<std::string> visibleMenuItems() override { return sb7::visibleMenuItems(); }
  RowReading row(scenario::ListKind list, const std::string& sectionID, long long row) override {
    sb7::RowInfo info = sb7::row(listOf(list), sectionID, static_cast<NSInteger>(row));
    RowReading out;
    out.height = info.height;
    switch (info.state) {
      case sb7::RowState::Visible: out.state = scenario::RowState::visible; break;
      case sb7::RowState::Hidden: out.state = scenario::RowState::hidden; break;
      case sb7::RowState::Absent: out.state = scenario::RowState::absent; break;
    }
    return out;
  }
  std::optional<std::string> headerTitle(const std::string& sectionID) override { return sb7::headerTitle(sectionID); }

  objc::Status setPasscode(const std::optional<std::string>&) override { return unavailable("a device passcode"); }
  objc::Status typePasscode(const std::string&) override { return unavailable("the passcode keypad"); }
  objc::Status cancelKeypad() override { return unavailable("the passcode keypad"); }
  objc::Status sleep() override { return unavailable("the dim timer"); }
  objc::Status wake() override { return unavailable("a dark screen to wake"); }
  objc::Status rotate(scenario::Orientation orientation) override {
    if (!sb7::isLaunched()) return objc::makeError("the home screen is not launched");
    sb7::setInterfaceOrientation(static_cast<NSInteger>(orientation));
    return objc::Ok{};
  }
  objc::Status openApplication(const std::string&) override { return unavailable("bringing an app to the front"); }
  objc::Status happen(scenario::SystemEvent event) override {
    switch (event) {
      case scenario::SystemEvent::incomingCall:
      case scenario::SystemEvent::callEnded: return unavailable("a telephone call");
      case scenario::SystemEvent::cameraOn:
      case scenario::SystemEvent::cameraOff: return unavailable("the lock screen's camera");
      default: return unavailable("an alarm alert on the lock screen");
    }
  }

  objc::Status drag(const scenario::Drag&) override { return unavailable("dragging through a window"); }
  objc::Status swipe(const scenario::Swipe&) override { return unavailable("a swipe across a row"); }
  objc::Status tapRow(scenario::ListKind, const std::string&, long long) override {
    return unavailable("a tap on a row");
  }
  objc::Status confirmDelete() override { return unavailable("the Delete confirmation button"); }
  objc::Status tapWidget(const std::string&) override { return unavailable("a widget of Notification Center"); }
  objc::Status tapBanner(scenario::Point) override { return unavailable("a banner"); }
  objc::Status scrollNotificationCenter(double) override { return unavailable("scrolling Notification Center"); }

  objc::Result<bool> state(scenario::DeviceState what) override {
    switch (what) {
      case scenario::DeviceState::list: return sb7::isNotificationCenterVisible();
      case scenario::DeviceState::locked: return sb7::isLocked();
      case scenario::DeviceState::keypad: return unavailable("the passcode keypad");
      case scenario::DeviceState::statusBar: return unavailable("the status bar's time or lock");
      case scenario::DeviceState::banner: return unavailable("a banner");
    }
    return unavailable("that state");
  }
  objc::Result<std::optional<std::string>> lastOpened() override { return unavailable("opening an app or URL"); }
  objc::Result<std::vector<std::string>> soundsHeard() override { return unavailable("the system's sounds"); }
  void forgetSounds() override {}
};

}  // namespace

std::unique_ptr<HomeScreen> makeHomeScreen7() { return std::make_unique<HomeScreen7>(); }

}  // namespace hosts
