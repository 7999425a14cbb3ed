// The apps installed on the home screen, with the display names their icons and
// Notification Center's section headers carry (springboardcommon/Apps.h).
#include <springboardcommon/Apps.h>

#include <utility>

namespace sbcommon {
namespace {

std::vector<std::pair<std::string, std::string>>& installed() {
  static std::vector<std::pair<std::string, std::string>> apps = {
      {"com.apple.MobileSMS", "Messages"},    {"com.apple.mobilemail", "Mail"},
      {"com.apple.mobilephone", "Phone"},     {"com.apple.mobilecal", "Calendar"},
      {"com.apple.reminders", "Reminders"},   {"com.apple.gamecenter", "Game Center"},
      {"com.apple.Passbook", "Passbook"},     {"com.apple.mobiletimer", "Clock"},
      {"com.apple.weather", "Weather"},       {"com.apple.MobileStore", "iTunes Store"},
      {"com.apple.AppStore", "App Store"},    {"com.apple.facetime", "FaceTime"},
      {"com.apple.mobilesafari", "Safari"},   {"com.apple.Preferences", "Settings"},
  };
  return apps;
}

}  // namespace

void installApplication(const std::string& bundleID, const std::string& displayName) {
  if (bundleID.empty()) return;
  for (auto& [id, name] : installed()) {
    if (id == bundleID) {
      if (!displayName.empty()) name = displayName;
      return;
    }
  }
  installed().emplace_back(bundleID, displayName.empty() ? bundleID : displayName);
}

std::string displayName(const std::string& bundleID) {
  for (const auto& [id, name] : installed()) {
    if (id == bundleID) return name;
  }
  return bundleID;
}

bool isInstalled(const std::string& bundleID) {
  for (const auto& [id, name] : installed()) {
    if (id == bundleID) return true;
  }
  return false;
}

std::vector<std::string> installedApps() {
  std::vector<std::string> ids;
  for (const auto& [id, name] : installed()) ids.push_back(id);
  return ids;
}

}  // namespace sbcommon
