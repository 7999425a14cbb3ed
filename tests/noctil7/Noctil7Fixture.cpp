#include "Noctil7Fixture.h"

#include "Background.h"
#include "Launch.h"
#include "MessageReadService.h"
#include "Options.h"
#include "Startup.h"
#include "TweakController.h"

#include <foundation/Bundle.h>
#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <foundation/Plist.h>
#include <objcface/Ivar.h>
#include <springboard7/HostControl.h>
#include <uikit/UIMenuController.h>

#include <fstream>
#include <sstream>

namespace noctil7_tests {

using objc::sel;

std::string text(id string) {
  if (string == nil) return "";
  const char* utf8 = objc::send<const char*>(string, sel<"UTF8String">());
  return utf8 != nullptr ? utf8 : "";
}

id str(const std::string& s) {
  return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), s.c_str());
}

namespace {

std::string xmlEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

// The tweak's process-wide state back as before launch.
void resetTweak() {
  noctil7::resetLaunchState();
  noctil7::resetBackgroundState();
  noctil7::resetBackgroundPictureState();
  noctil7::resetServiceState();
  noctil7::resetOptions();
}

}  // namespace

void startSpringBoardOnce() {
  static bool started = [] {
    ns::setMainBundleIdentifier("com.apple.springboard");
    sb7::registerClasses();
    noctil7::start();
    return true;
  }();
  (void)started;
}

void Noctil7Test::SetUp() {
  ns::setDeviceRoot(root_.path());
  ns::useManualClock(420000000.0);
  startSpringBoardOnce();
  resetTweak();
  // Each test starts from the options of a fresh install: no options file.
  noctil7::loadOptions();
  objc::send<void>(uikit::sharedMenuController(), sel<"setMenuItems:">(), id{nil});
  objc::send<void>(uikit::sharedMenuController(), sel<"setMenuVisible:">(), BOOL{NO});
  ASSERT_TRUE(sb7::launch().ok());
}

void Noctil7Test::TearDown() {
  sb7::shutdown();
  resetTweak();
  ns::useRealClock();
}

std::filesystem::path Noctil7Test::hostPath(const std::string& devicePath) const {
  return ns::hostPath(devicePath).value();
}

void Noctil7Test::writeOptions(const OptionsFile& options) {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
  for (const auto& [key, value] : options) {
    xml << "\t<key>" << xmlEscaped(key) << "</key>\n\t";
    switch (value.kind) {
      case OptionValue::Kind::Bool: xml << (value.b ? "<true/>" : "<false/>"); break;
      case OptionValue::Kind::Real: xml << "<real>" << value.real << "</real>"; break;
      case OptionValue::Kind::String: xml << "<string>" << xmlEscaped(value.text) << "</string>"; break;
      case OptionValue::Kind::Strings:
        xml << "<array>";
        for (const auto& s : value.strings) xml << "<string>" << xmlEscaped(s) << "</string>";
        xml << "</array>";
        break;
    }
    xml << "\n";
  }
  xml << "</dict>\n</plist>\n";
  auto path = hostPath(noctil7::kOptionsPath);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << xml.str();
}

void Noctil7Test::reloadOptions() { noctil7::loadOptions(); }

std::string Noctil7Test::optionsFileText() {
  std::ifstream in(hostPath(noctil7::kOptionsPath));
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::optional<std::vector<std::string>> Noctil7Test::savedFoldedSections() {
  objc::AutoreleasePool pool;
  auto file = ns::readPropertyListFile(noctil7::kOptionsPath);
  if (!file.ok()) return std::nullopt;
  id list = objc::send<id>(file.value().get(), sel<"objectForKey:">(), str("foldedSections"));
  if (list == nil) return std::nullopt;
  std::vector<std::string> out;
  NSUInteger count = objc::send<NSUInteger>(list, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) out.push_back(text(objc::send<id>(list, sel<"objectAtIndex:">(), i)));
  return out;
}

id Noctil7Test::notificationCenterController() {
  return objc::send<id>(objc_lookUpClass("SBNotificationCenterController"), sel<"sharedInstance">());
}

id Noctil7Test::visibleBulletinViewController() {
  id viewController = objc::send<id>(notificationCenterController(), sel<"viewController">());
  id mode = objc::send<id>(objc::objectIvar(viewController, "_modeController"), sel<"selectedViewController">());
  return objc::send<id>(mode, sel<"bulletinViewController">());
}

id Noctil7Test::notificationCenterTable() {
  return objc::send<id>(visibleBulletinViewController(), sel<"tableView">());
}

id Noctil7Test::lockScreenListController() {
  id manager = objc::send<id>(objc_lookUpClass("SBLockScreenManager"), sel<"sharedInstance">());
  id lockController = objc::send<id>(manager, sel<"lockScreenViewController">());
  return objc::objectIvar(lockController, "_notificationController");
}

id Noctil7Test::lockScreenTable() {
  return objc::objectIvar(objc::objectIvar(lockScreenListController(), "_notificationView"), "_tableView");
}

NSInteger Noctil7Test::sectionIndex(const std::string& sectionID) {
  id sections = objc::objectIvar(visibleBulletinViewController(), "_orderedSections");
  NSUInteger count = objc::send<NSUInteger>(sections, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id info = objc::send<id>(sections, sel<"objectAtIndex:">(), i);
    if (text(objc::send<id>(info, sel<"identifier">())) == sectionID) return static_cast<NSInteger>(i);
  }
  return -1;
}

id Noctil7Test::cellOf(bool lockScreen, const std::string& sectionID, NSInteger row) {
  objc::AutoreleasePool pool;
  id table = nil;
  NSInteger section = 0, tableRow = row;
  if (lockScreen) {
    // One table section: the rows of every notification section, newest first.
    table = lockScreenTable();
    id items = objc::objectIvar(lockScreenListController(), "_listItems");
    NSUInteger count = objc::send<NSUInteger>(items, sel<"count">());
    NSInteger seen = 0;
    tableRow = -1;
    for (NSUInteger i = 0; i < count && tableRow < 0; ++i) {
      id bulletin = objc::send<id>(objc::send<id>(items, sel<"objectAtIndex:">(), i), sel<"activeBulletin">());
      if (text(objc::send<id>(bulletin, sel<"sectionID">())) != sectionID) continue;
      if (seen++ == row) tableRow = static_cast<NSInteger>(i);
    }
  } else {
    table = notificationCenterTable();
    section = sectionIndex(sectionID);
  }
  if (section < 0 || tableRow < 0) return nil;
  id indexPath = objc::send<id>(objc_lookUpClass("NSIndexPath"), sel<"indexPathForRow:inSection:">(), tableRow, section);
  return objc::send<id>(table, sel<"cellForRowAtIndexPath:">(), indexPath);
}

}  // namespace noctil7_tests
