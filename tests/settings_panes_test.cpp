// The settings panes: the root pane chosen by the OS version, each sub-pane with its
// own property list, the web-site and package links, and rows that write the options
// file and post the settings-changed notification through the preference machinery.
#include "SettingsFixture.h"

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <foundation/Plist.h>
#include <preferences/PSSpecifier.h>
#include <preferences/PreferenceRows.h>
#include <uikit/UIApplication.h>
#include <uikit/UIDevice.h>

#include <set>

using namespace settings_testing;
using objc::send;
using objc::sel;

namespace {

class Panes : public SettingsBundleTest {
 protected:
  void SetUp() override {
    SettingsBundleTest::SetUp();
    uikit::clearOpenedURLs();
    fs::create_directories(host("/var/mobile/Library/Preferences"));
  }
  void TearDown() override {
    uikit::setSystemVersion("7.0");
    SettingsBundleTest::TearDown();
  }

  // The keys of the pane's rows, in order.
  static std::vector<std::string> keys(id pane) {
    std::vector<std::string> out;
    for (id rowSpecifier : ns::elements(send<id>(pane, sel<"specifiers">()))) {
      id key = send<id>(rowSpecifier, sel<"propertyForKey:">(), ns::str("key"));
      if (key) out.push_back(ns::utf8(key));
    }
    return out;
  }

  static id row(id pane, const std::string& key) {
    for (id rowSpecifier : ns::elements(send<id>(pane, sel<"specifiers">()))) {
      if (ns::utf8(send<id>(rowSpecifier, sel<"propertyForKey:">(), ns::str("key"))) == key) return rowSpecifier;
    }
    return nil;
  }

  static id rowNamed(id pane, const std::string& name) {
    for (id rowSpecifier : ns::elements(send<id>(pane, sel<"specifiers">()))) {
      if (ns::utf8(send<id>(rowSpecifier, sel<"name">())) == name) return rowSpecifier;
    }
    return nil;
  }

  id options() {
    auto plist = ns::readPropertyListFile(kOptionsPath);
    return plist.ok() ? objc::autorelease(plist->leak()) : nil;
  }
};

}  // namespace

TEST_F(Panes, TheRootPaneFollowsTheVersionReadAsAFloat) {
  struct Case {
    const char* version;
    const char* firstKey;
  };
  for (Case c : {Case{"6.1.3", "NoctilEnabled"}, Case{"7.0.4", "Enabled"}, Case{"abc", "NoctilEnabled"},
                 Case{"7.1", "Enabled"}, Case{"6.9.9", "NoctilEnabled"}, Case{"8.0", "Enabled"}}) {
    uikit::setSystemVersion(c.version);
    auto k = keys(make("NoctilSettings"));
    ASSERT_FALSE(k.empty()) << c.version;
    EXPECT_EQ(k.front(), c.firstKey) << c.version;
  }
}

TEST_F(Panes, APaneKeepsItsRowsWhenAskedAgain) {
  id root = make("NoctilSettings");
  id rows = send<id>(root, sel<"specifiers">());
  uikit::setSystemVersion("6.1");  // a later change of version does not reload the kept rows
  EXPECT_EQ(send<id>(root, sel<"specifiers">()), rows);
  EXPECT_EQ(keys(root).front(), "Enabled");
}

TEST_F(Panes, EverySubPaneLoadsItsOwnList) {
  struct Pane {
    const char* cls;
    const char* someKey;
  };
  for (Pane p : {Pane{"SwipeToDeleteController", "SDRequireConfirm"}, Pane{"ClearSectionController", "CSRemoveBadge"},
                 Pane{"NoNotificationsTextController", "NoNotificationsText"},
                 Pane{"SwipeToDeleteController7", "ActionMenuEnabled"}, Pane{"BGSettings7", "BlurValue"},
                 Pane{"BGImage7", "BGImageAlpha"}, Pane{"BGController", "BlurApplyToBack"},
                 Pane{"LockBGController", "LockBlurApplyToBack"}}) {
    auto k = keys(make(p.cls));
    EXPECT_NE(std::find(k.begin(), k.end(), p.someKey), k.end()) << p.cls;
  }
  // The background pane of iOS 7 only links to its two sub-panes.
  id bg7 = make("BGController7");
  EXPECT_TRUE(keys(bg7).empty());
  std::set<std::string> links;
  for (id rowSpecifier : ns::elements(send<id>(bg7, sel<"specifiers">()))) {
    if (Class detail = send<Class>(rowSpecifier, sel<"detailControllerClass">())) links.insert(class_getName(detail));
  }
  EXPECT_EQ(links, (std::set<std::string>{"BGSettings7", "BGImage7"}));
}

TEST_F(Panes, TheWebsiteButtonOpensTheMakersSite) {
  id root = make("NoctilSettings");
  id button = rowNamed(root, "Visit Website");
  ASSERT_NE(button, nil);
  ASSERT_TRUE(preferences::userPressesButton(button).ok());
  ASSERT_EQ(uikit::openedURLs().size(), 1u);
  EXPECT_EQ(uikit::openedURLs()[0], "https://trelmo.example.invalid/");
}

TEST_F(Panes, MoreAppsOffersSevenPackagesEachWithItsOwnPage) {
  id more = make("MoreAppsController");
  int buttons = 0;
  for (id rowSpecifier : ns::elements(send<id>(more, sel<"specifiers">()))) {
    if (send<PSCellType>(rowSpecifier, sel<"cellType">()) != PSButtonCell) continue;
    ++buttons;
    ASSERT_TRUE(preferences::userPressesButton(rowSpecifier).ok()) << ns::utf8(send<id>(rowSpecifier, sel<"name">()));
  }
  EXPECT_EQ(buttons, 7);
  auto opened = uikit::openedURLs();
  ASSERT_EQ(opened.size(), 7u);
  std::set<std::string> distinct(opened.begin(), opened.end());
  EXPECT_EQ(distinct.size(), 7u);
  for (const auto& url : opened) {
    EXPECT_EQ(url.rfind("https://packages.example.invalid/package/com.trelmo.", 0), 0u) << url;
  }
}

TEST_F(Panes, ASwitchWritesTheOptionsFileKeepingOtherKeysAndPosts) {
  ASSERT_TRUE(ns::writePropertyListFile(ns::dictionary({{ns::str("BlurValue"), ns::numberWithFloat(12.5f)},
                                                        {ns::str("foldedSections"), ns::array({ns::str("a")})}}),
                                        kOptionsPath)
                  .ok());
  posted(0);
  id root = make("NoctilSettings");
  id collapsible = row(root, "Collapsible");
  ASSERT_NE(collapsible, nil);
  EXPECT_EQ(preferences::shownValue(collapsible), "ON");  // the row's default
  ASSERT_TRUE(preferences::userChangesRow(collapsible, "NO").ok());
  EXPECT_EQ(preferences::shownValue(collapsible), "OFF");

  id file = options();
  ASSERT_NE(file, nil);
  id stored = send<id>(file, sel<"objectForKey:">(), ns::str("Collapsible"));
  ASSERT_TRUE(ns::isBoolean(stored));
  EXPECT_FALSE(send<BOOL>(stored, sel<"boolValue">()));
  EXPECT_FLOAT_EQ(send<float>(send<id>(file, sel<"objectForKey:">(), ns::str("BlurValue")), sel<"floatValue">()), 12.5f);
  EXPECT_EQ(send<NSUInteger>(send<id>(file, sel<"objectForKey:">(), ns::str("foldedSections")), sel<"count">()), 1u);
  EXPECT_EQ(posted(), std::vector<std::string>{kSettingsChanged});
}

TEST_F(Panes, UnfoldAllStoresAnEmptyFoldedSetThroughItsRow) {
  ASSERT_TRUE(ns::writePropertyListFile(ns::dictionary({{ns::str("foldedSections"),
                                                         ns::array({ns::str("com.apple.MobileSMS")})}}),
                                        kOptionsPath)
                  .ok());
  posted(0);
  id root = make("NoctilSettings");
  id button = rowNamed(root, "Unfold All Sections");
  ASSERT_NE(button, nil);
  ASSERT_TRUE(preferences::userPressesButton(button).ok());
  id folded = send<id>(options(), sel<"objectForKey:">(), ns::str("foldedSections"));
  ASSERT_TRUE(ns::isArray(folded));
  EXPECT_EQ(ns::elements(folded).size(), 0u);
  EXPECT_EQ(posted(), std::vector<std::string>{kSettingsChanged});
}

TEST_F(Panes, AChoiceStoresTheValueAndShowsItsTitle) {
  uikit::setSystemVersion("6.1");
  id root = make("NoctilSettings");
  auto found = preferences::findRowForKey(root, "LockTintColor");
  ASSERT_TRUE(found.ok()) << found.error().message;
  EXPECT_EQ(preferences::shownValue(found->specifier.get()), "Dark Gray");
  ASSERT_TRUE(preferences::userChangesRow(found->specifier.get(), "Hot Pink").ok());
  EXPECT_EQ(ns::utf8(send<id>(options(), sel<"objectForKey:">(), ns::str("LockTintColor"))), "hotpink");
  EXPECT_FALSE(preferences::userChangesRow(found->specifier.get(), "chartreuse").ok());

  auto show = preferences::findRowForKey(root, "DefaultShow");
  ASSERT_TRUE(show.ok());
  ASSERT_TRUE(preferences::userChangesRow(show->specifier.get(), "2").ok());
  id stored = send<id>(options(), sel<"objectForKey:">(), ns::str("DefaultShow"));
  ASSERT_TRUE(ns::isNumber(stored));
  EXPECT_FALSE(ns::isBoolean(stored));
  EXPECT_EQ(ns::numberAsLongLong(stored), 2);
}
