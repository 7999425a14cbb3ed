// The bundle's resources as a whole: every pane list reads cleanly, the rows of each
// OS's panes cover exactly that OS's option keys with the keys' absent values as
// defaults, the domain and notification the tweaks use, every text the user sees has
// an entry in the string table, and the close-box picture fits its 15 x 16 points.
#include "SettingsFixture.h"

#include <foundation/Bundle.h>
#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <foundation/Object.h>
#include <foundation/Plist.h>
#include <preferences/PSSpecifier.h>
#include <preferences/PreferenceRows.h>
#include <uikit/UIDevice.h>
#include <uikit/ImageCodec.h>
#include <uikit/UIImage.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <variant>

using namespace settings_testing;
using objc::send;
using objc::sel;

namespace {

struct Empty {};
struct AnyBool {};
using Absent = std::variant<bool, double, std::string, Empty, AnyBool>;

// The option keys of the iOS 7 library and the value each takes before the pane
// writes it.
const std::map<std::string, Absent>& ios7Keys() {
  static const std::map<std::string, Absent> keys{
      {"Enabled", true},           {"Collapsible", true},        {"ActionMenuEnabled", true},
      {"RemoveBadge", true},       {"MarkSMSAsRead", true},      {"BGSettingsEnabled", false},
      {"BlurValue", 20.0},         {"GrayscaleValue", 0.73},     {"ColorTintAlpha", 0.0},
      {"ColorTint", std::string("darkGray")}, {"BGImageEnabled", false}, {"BGImageScaleToFill", true},
      {"BGImageBlurValue", 0.0},   {"BGImageAlpha", 1.0},        {"BGImageGrayscaleValue", 0.0},
      {"foldedSections", Empty{}},
  };
  return keys;
}

// The option keys of the iOS 6 library with their absent values ("BlurValue" and
// "LockBlurValue" keep their current value when absent, which starts at 5.0;
// "LockScaleToFill" has none, any switch position will do).
const std::map<std::string, Absent>& ios6Keys() {
  static const std::map<std::string, Absent> keys{
      {"NoctilEnabled", true},      {"BannerClosebox", true},    {"Collapsible", true},
      {"SwipeToDelete", true},      {"SDRequireConfirm", true},  {"SDRemoveBadge", true},
      {"SDMarkSMSAsRead", true},    {"CSRemoveBadge", true},     {"CSMarkSMSAsRead", true},
      {"ShowNoNotificationsLabel", true}, {"NoNotificationsText", std::string()}, {"TopShelfWidgets", 0.0},
      {"Transparent", false},       {"BGAlpha", 1.0},            {"BGImageEnabled", false},
      {"ScaleToFill", true},        {"Blur", false},             {"BlurValue", 5.0},
      {"CellBackAlpha", 0.0},       {"BlurApplyToBack", false},  {"LockTransparent", false},
      {"LockBGAlpha", 1.0},         {"LockBlur", false},         {"LockBlurValue", 5.0},
      {"LockEnabled", true},        {"DefaultShow", 0.0},        {"PullUpToUnlock", false},
      {"EnableLockBar", false},     {"HideTimeView", true},      {"HideLockBar", false},
      {"UnlockSound", true},        {"UnlockAnimation", false},  {"LockCellBackAlpha", 0.0},
      {"LockBGImageEnabled", false}, {"LockScaleToFill", AnyBool{}}, {"LockBlurApplyToBack", false},
      {"TintColor", std::string("darkGray")}, {"LockTintColor", std::string("darkGray")},
      {"CollapsibleSections", Empty{}},
  };
  return keys;
}

const char* const kPaneLists[] = {"Root",          "Root7",         "SwipeToDelete",  "ClearSection",
                                  "NoNotificationsText", "SwipeToDelete7", "Backgrounder7", "BGSettings7",
                                  "BGImage7",      "Backgrounder",  "LockBackgrounder", "MoreApps"};

std::string describeAbsent(const Absent& a) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) return v ? "YES" : "NO";
        if constexpr (std::is_same_v<T, double>) return std::to_string(v);
        if constexpr (std::is_same_v<T, std::string>) return "\"" + v + "\"";
        if constexpr (std::is_same_v<T, Empty>) return "an empty array";
        return "a boolean";
      },
      a);
}

bool matches(id value, const Absent& a) {
  return std::visit(
      [value](const auto& v) -> bool {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) return ns::isBoolean(value) && (ns::numberAsLongLong(value) != 0) == v;
        if constexpr (std::is_same_v<T, double>) {
          return ns::isNumber(value) && !ns::isBoolean(value) && std::abs(ns::numberAsDouble(value) - v) < 1e-6;
        }
        if constexpr (std::is_same_v<T, std::string>) return ns::isString(value) && ns::utf8(value) == v;
        if constexpr (std::is_same_v<T, Empty>) return ns::isArray(value) && ns::elements(value).empty();
        return ns::isBoolean(value);
      },
      a);
}

class BundleResources : public SettingsBundleTest {
 protected:
  id list(const char* name) {
    id path = send<id>(bundle_, sel<"pathForResource:ofType:">(), ns::str(name), ns::str("plist"));
    EXPECT_NE(path, nil) << name;
    if (!path) return nil;
    auto plist = ns::readPropertyListFile(ns::utf8View(path));
    EXPECT_TRUE(plist.ok()) << name;
    return plist.ok() ? objc::autorelease(plist->leak()) : nil;
  }

  bool translated(const std::string& text) {
    return ns::localizedString(bundle_, text, "\x01none") != "\x01none";
  }

  // Every option row reachable from the root pane of an OS version.
  std::vector<preferences::KeyedRow> reachable(const char* version) {
    uikit::setSystemVersion(version);
    id root = make("NoctilSettings");
    auto rows = preferences::reachableKeyedRows(root);
    uikit::setSystemVersion("7.0");
    return rows;
  }

  void checkCoverage(const char* version, const std::map<std::string, Absent>& table) {
    std::set<std::string> seen;
    for (const auto& row : reachable(version)) {
      id rowSpecifier = row.specifier.get();
      SCOPED_TRACE(std::string(version) + " " + row.paneTitle + " " + row.key);
      auto known = table.find(row.key);
      EXPECT_TRUE(known != table.end()) << row.key << " is not an option key of this version";
      EXPECT_TRUE(seen.insert(row.key).second) << row.key << " has two rows";
      auto prop = [rowSpecifier](const char* key) { return send<id>(rowSpecifier, sel<"propertyForKey:">(), ns::str(key)); };
      EXPECT_EQ(ns::utf8(prop("defaults")), "com.trelmo.noctil");
      EXPECT_EQ(ns::utf8(prop("PostNotification")), kSettingsChanged);
      if (known != table.end()) {
        EXPECT_TRUE(matches(prop("default"), known->second))
            << "default " << ns::describe(prop("default")) << ", expected " << describeAbsent(known->second);
      }
      if (send<PSCellType>(rowSpecifier, sel<"cellType">()) == PSSliderCell) {
        double value = send<double>(prop("default"), sel<"doubleValue">());
        EXPECT_LE(send<double>(prop("min"), sel<"doubleValue">()), value);
        EXPECT_GE(send<double>(prop("max"), sel<"doubleValue">()), value);
      }
    }
    for (const auto& [key, absent] : table) EXPECT_TRUE(seen.count(key)) << key << " has no row under iOS " << version;
  }
};

}  // namespace

TEST_F(BundleResources, EveryPaneListReadsWithoutProblems) {
  // The lists checked here and below are every pane list the bundle carries.
  std::set<std::string> carried;
  for (const auto& item : fs::directory_iterator(host(kBundlePath))) {
    if (item.path().extension() == ".plist" && item.path().stem() != "Info") carried.insert(item.path().stem().string());
  }
  EXPECT_EQ(carried, std::set<std::string>(std::begin(kPaneLists), std::end(kPaneLists)));
  for (const char* name : kPaneLists) {
    id plist = list(name);
    auto specifiers = preferences::specifiersFromPlist(plist, nil);
    EXPECT_TRUE(specifiers.problems.empty()) << name << ": " << specifiers.problems.front();
    EXPECT_FALSE(ns::elements(specifiers.specifiers.get()).empty()) << name;
  }
}

TEST_F(BundleResources, TheIOS7PanesCoverEveryIOS7OptionKey) { checkCoverage("7.0", ios7Keys()); }

TEST_F(BundleResources, TheIOS6PanesCoverEveryIOS6OptionKey) { checkCoverage("6.1", ios6Keys()); }

TEST_F(BundleResources, ButtonsAndLinksReachWhatTheyName) {
  // Each list's pane class, as the panes load them.
  const std::map<std::string, std::vector<const char*>> owners{
      {"Root", {"NoctilSettings"}},        {"Root7", {"NoctilSettings"}},
      {"SwipeToDelete", {"SwipeToDeleteController"}}, {"ClearSection", {"ClearSectionController"}},
      {"NoNotificationsText", {"NoNotificationsTextController"}}, {"SwipeToDelete7", {"SwipeToDeleteController7"}},
      {"Backgrounder7", {"BGController7"}}, {"BGSettings7", {"BGSettings7"}},
      {"BGImage7", {"BGImage7"}},          {"Backgrounder", {"BGController"}},
      {"LockBackgrounder", {"LockBGController"}}, {"MoreApps", {"MoreAppsController"}}};
  for (const char* name : kPaneLists) {
    Class owner = objc::classNamed(owners.at(name).front());
    ASSERT_NE(owner, Nil) << name;
    for (id rowSpecifier : ns::elements(preferences::specifiersFromPlist(list(name), nil).specifiers.get())) {
      if (SEL action = send<SEL>(rowSpecifier, sel<"buttonAction">())) {
        EXPECT_TRUE(class_respondsToSelector(owner, action)) << name << ": " << sel_getName(action);
      }
      if (send<PSCellType>(rowSpecifier, sel<"cellType">()) == PSLinkCell) {
        Class detail = send<Class>(rowSpecifier, sel<"detailControllerClass">());
        ASSERT_NE(detail, Nil) << name;
        EXPECT_TRUE(class_getSuperclass(detail) == objc::classNamed("NoctilListController") ||
                    class_getSuperclass(class_getSuperclass(detail)) == objc::classNamed("NoctilListController"))
            << class_getName(detail);
      }
    }
  }
}

TEST_F(BundleResources, EveryTextTheUserSeesHasATranslation) {
  std::vector<std::string> texts{"Delete", "Clear All", "Cancel", "Photo Library", "Camera"};
  for (const char* name : kPaneLists) {
    id plist = list(name);
    texts.push_back(ns::utf8(send<id>(plist, sel<"objectForKey:">(), ns::str("title"))));
    for (id item : ns::elements(send<id>(plist, sel<"objectForKey:">(), ns::str("items")))) {
      for (const char* key : {"label", "footerText", "placeholder"}) {
        if (id text = send<id>(item, sel<"objectForKey:">(), ns::str(key))) texts.push_back(ns::utf8(text));
      }
      for (id title : ns::elements(send<id>(item, sel<"objectForKey:">(), ns::str("validTitles")))) {
        texts.push_back(ns::utf8(title));
      }
    }
  }
  auto entries = preferences::preferenceLoaderEntries();
  ASSERT_TRUE(entries.ok());
  ASSERT_EQ(entries->size(), 1u);
  texts.push_back(entries->front().label);
  for (const auto& text : texts) {
    EXPECT_FALSE(text.empty());
    EXPECT_TRUE(translated(text)) << "no entry for \"" << text << "\"";
  }
  EXPECT_EQ(ns::localizedString(bundle_, "Clear All", ""), "Clear All");
}

TEST_F(BundleResources, TheEntryAndInfoNameTheRootPane) {
  auto entries = preferences::preferenceLoaderEntries();
  ASSERT_TRUE(entries.ok());
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ(entries->front().bundle, "NoctilSettings");
  EXPECT_EQ(entries->front().detail, "NoctilSettings");
  EXPECT_EQ(ns::utf8(send<id>(bundle_, sel<"objectForInfoDictionaryKey:">(), ns::str("NSPrincipalClass"))),
            "NoctilSettings");
  EXPECT_EQ(preferences::bundleForClass(objc::classNamed("LockBGController")), bundle_);
  EXPECT_EQ(preferences::bundleForClass(objc::classNamed("PSListController")), nil);
}

TEST_F(BundleResources, TheCloseBoxIsADrawnGlyphOfFifteenBySixteenPoints) {
  // As the tweak loads it: by name, in points, whatever the screen's scale.
  id image = send<id>(reinterpret_cast<id>(uikit::UIImageClass()), sel<"imageWithContentsOfFile:">(),
                      ns::str(std::string(kBundlePath) + "/banner_closebox.png"));
  ASSERT_NE(image, nil);
  CGSize size = send<CGSize>(image, sel<"size">());
  EXPECT_DOUBLE_EQ(size.width, 15);
  EXPECT_DOUBLE_EQ(size.height, 16);

  for (auto [file, scale] : {std::pair<const char*, int>{"banner_closebox.png", 1}, {"banner_closebox@2x.png", 2}}) {
    std::ifstream in(host(std::string(kBundlePath) + "/" + file), std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto bitmap = uikit::decodeImage(bytes);
    ASSERT_TRUE(bitmap.ok()) << file;
    EXPECT_EQ(bitmap->width(), 15 * scale) << file;
    EXPECT_EQ(bitmap->height(), 16 * scale) << file;
    // Clear corners, a dark button and a light cross in the middle.
    EXPECT_EQ(bitmap->pixel(0, 0).a, 0) << file;
    EXPECT_EQ(bitmap->pixel(15 * scale - 1, 16 * scale - 1).a, 0) << file;
    EXPECT_GT(bitmap->pixel(15 * scale / 2, 15 * scale / 2).r, 200) << file;
    auto button = bitmap->pixel(15 * scale / 2, 2 * scale + scale / 2 + 1);
    EXPECT_GT(button.a, 150) << file;
    EXPECT_LT(button.r, 80) << file;
  }
}
