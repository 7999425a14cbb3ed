// The iOS 6 home screen behind the HomeScreen interface: every call goes to the
// SpringBoard6 host control, which reaches the host classes through message sends
// and delivers fingers through UIApplication sendEvent:.  `unlock` is the lock bar's
// slide (with a passcode set it brings up the keypad); `lock` in a row names the
// lock screen's own list.  The cell menu of iOS 7 (a long press) is not on iOS 6; the
// shared menu itself is UIKit's and is read and driven as on iOS 7.
#include "HomeScreen6.h"

#include <springboard6/HostControl.h>
#include <uikit/UIMenuController.h>

namespace hosts {
namespace {

sb6::List listOf(scenario::ListKind list) {
  return list == scenario::ListKind::notificationCenter ? sb6::List::NotificationCenter : sb6::List::LockScreen;
}

sb6::WindowKind windowOf(scenario::DragWindow window) {
  switch (window) {
    case scenario::DragWindow::statusBar: return sb6::WindowKind::StatusBar;
    case scenario::DragWindow::lockScreen: return sb6::WindowKind::LockScreen;
    case scenario::DragWindow::list: return sb6::WindowKind::List;
    case scenario::DragWindow::banner: return sb6::WindowKind::Banner;
  }
  return sb6::WindowKind::LockScreen;
}

sb6::DragEnd endOf(scenario::TouchEnd end) {
  switch (end) {
    case scenario::TouchEnd::ended: return sb6::DragEnd::Ended;
    case scenario::TouchEnd::cancelled: return sb6::DragEnd::Cancelled;
    case scenario::TouchEnd::none: return sb6::DragEnd::None;
  }
  return sb6::DragEnd::Ended;
}

class HomeScreen6 : public HomeScreen {
 public:
  explicit HomeScreen6(const HomeScreenSettings& settings) {
    device_.ipad = settings.ipad;
    device_.passcode = settings.passcode;
    device_.startLocked = settings.startLocked;
  }

  std::string name() const override { return "iOS 6"; }
  void registerClasses() override { sb6::registerClasses(); }
  objc::Status launch() override { return sb6::launch(device_); }
  void settle() override { sb6::settle(); }

  objc::Result<std::string> post(const scenario::PostBulletin& b) override {
    return sb6::post(notificationFrom<sb6::Notification>(b));
  }
  objc::Status setBadge(const std::string& sectionID, std::optional<long long> value) override {
    return sb6::setBadge(sectionID, badgeValue<NSInteger>(value));
  }
  std::optional<long long> badge(const std::string& sectionID) override {
    return badgeValue<long long>(sb6::badge(sectionID));
  }

  objc::Status lock() override { return sb6::lock(); }
  objc::Status unlock() override { return sb6::unlockWithLockBar(); }
  objc::Status showNotificationCenter() override { return sb6::showNotificationCenter(); }
  objc::Status hideNotificationCenter() override { return sb6::hideNotificationCenter(); }
  objc::Status pressHome() override { return sb6::pressHome(); }
  objc::Status longPress(scenario::ListKind, const std::string&, long long) override {
    return unavailable("the cell menu (a long press on a row)");
  }
  objc::Status tapHeader(const std::string& sectionID) override { return sb6::tapHeader(sectionID); }
  objc::Status clearSection(const std::string& sectionID) override { return sb6::clearSection(sectionID); }
  objc::Status performMenuItem(const std::string& title) override {
    if (!sb6::isLaunched()) return objc::makeError("the home screen is not launched");
    auto status = uikit::performVisibleMenuItem(title);
    sb6::settle();
    return status;
  }

  std::vector<std::string> visibleMenuItems() override { return uikit::visibleMenuItemTitles(); }
  RowReading row(scenario::ListKind list, const std::string& sectionID, long long row) override {
    sb6::RowInfo info = sb6::row(listOf(list), sectionID, static_cast<NSInteger>(row));
    RowReading out;
    out.height = info.height;
    switch (info.state) {
      case sb6::RowState::Visible: out.state = scenario::RowState::visible; break;
      case sb6::RowState::Hidden: out.state = scenario::RowState::hidden; break;
      case sb6::RowState::Absent: out.state = scenario::RowState::absent; break;
    }
    return out;
  }
  std::optional<std::string> headerTitle(const std::string& sectionID) override { return sb6::headerTitle(sectionID); }

  objc::Status setPasscode(const std::optional<std::string>& code) override {
    if (!sb6::isLaunched()) return objc::makeError("the home screen is not launched");
    sb6::setPasscode(code);
    return objc::Ok{};
  }
  objc::Status typePasscode(const std::string& code) override { return sb6::typePasscode(code); }
  objc::Status cancelKeypad() override { return sb6::cancelKeypad(); }
  objc::Status sleep() override { return sb6::sleep(); }
  objc::Status wake() override { return sb6::wake(); }
  objc::Status rotate(scenario::Orientation orientation) override {
    return sb6::rotate(static_cast<NSInteger>(orientation));
  }
  objc::Status openApplication(const std::string& bundleID) override { return sb6::openApplication(bundleID); }
  objc::Status happen(scenario::SystemEvent event) override {
    switch (event) {
      case scenario::SystemEvent::incomingCall: return sb6::incomingCall();
      case scenario::SystemEvent::callEnded: return sb6::callEnded();
      case scenario::SystemEvent::cameraOn: return sb6::setCameraActive(true);
      case scenario::SystemEvent::cameraOff: return sb6::setCameraActive(false);
      case scenario::SystemEvent::alertOn: return sb6::setAlertSounding(true);
      case scenario::SystemEvent::alertOff: return sb6::setAlertSounding(false);
    }
    return objc::makeError("unknown event");
  }

  objc::Status drag(const scenario::Drag& d) override {
    sb6::Drag out;
    out.window = windowOf(d.window);
    out.from = CGPoint{d.from.x, d.from.y};
    out.to = CGPoint{d.to.x, d.to.y};
    out.seconds = d.seconds;
    out.steps = d.steps;
    out.end = endOf(d.end);
    out.touches = d.touches;
    return sb6::drag(out);
  }
  objc::Status swipe(const scenario::Swipe& s) override {
    const CGFloat distance = s.left ? -s.distance : s.distance;
    return sb6::swipeRow(listOf(s.list), s.sectionID, static_cast<NSInteger>(s.row), distance, s.seconds,
                         s.fromX ? std::optional<CGFloat>(*s.fromX) : std::nullopt);
  }
  objc::Status tapRow(scenario::ListKind list, const std::string& sectionID, long long row) override {
    return sb6::tapRow(listOf(list), sectionID, static_cast<NSInteger>(row));
  }
  objc::Status confirmDelete() override { return sb6::confirmDelete(); }
  objc::Status tapWidget(const std::string& sectionID) override { return sb6::tapWidget(sectionID); }
  objc::Status tapBanner(scenario::Point point) override { return sb6::tapBanner(CGPoint{point.x, point.y}); }
  objc::Status scrollNotificationCenter(double offset) override { return sb6::scrollNotificationCenter(offset); }

  objc::Result<bool> state(scenario::DeviceState what) override {
    switch (what) {
      case scenario::DeviceState::list: return sb6::isNotificationCenterShown();
      case scenario::DeviceState::locked: return sb6::isLocked();
      case scenario::DeviceState::keypad: return sb6::isKeypadShown();
      case scenario::DeviceState::statusBar: return sb6::statusBarShowsTime();
      case scenario::DeviceState::banner: return sb6::isBannerShown();
    }
    return objc::makeError("unknown state");
  }
  objc::Result<std::optional<std::string>> lastOpened() override { return sb6::lastOpened(); }
  objc::Result<std::vector<std::string>> soundsHeard() override {
    // The home screen hands each sound out once; they are kept here until forgotten.
    for (auto& sound : sb6::takeSounds()) heard_.push_back(std::move(sound));
    return heard_;
  }
  void forgetSounds() override {
    (void)soundsHeard();
    heard_.clear();
  }

 private:
  sb6::Device device_;
  std::vector<std::string> heard_;
};

}  // namespace

std::unique_ptr<HomeScreen> makeHomeScreen6(const HomeScreenSettings& settings) {
  return std::make_unique<HomeScreen6>(settings);
}

}  // namespace hosts
