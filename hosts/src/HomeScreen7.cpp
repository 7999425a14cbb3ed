// The iOS 7 home screen behind the HomeScreen interface: every call goes to the
// SpringBoard7 host control, which reaches the host classes through message sends.
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
    sb7::Notification n;
    n.sectionID = b.sectionID;
    n.title = b.title.value_or("");
    n.message = b.message.value_or("");
    n.url = b.url.value_or("");
    n.recordID = b.recordID.value_or("");
    n.bulletinID = b.bulletinID.value_or("");
    return sb7::post(n);
  }
  objc::Status setBadge(const std::string& sectionID, std::optional<long long> value) override {
    return sb7::setBadge(sectionID, value ? std::optional<NSInteger>(static_cast<NSInteger>(*value)) : std::nullopt);
  }
  std::optional<long long> badge(const std::string& sectionID) override {
    auto value = sb7::badge(sectionID);
    return value ? std::optional<long long>(*value) : std::nullopt;
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
};

}  // namespace

std::unique_ptr<HomeScreen> makeHomeScreen7() { return std::make_unique<HomeScreen7>(); }

}  // namespace hosts
