// The base class of the settings panes: rows loaded once from the bundle's property
// list, every user-visible text passed through the bundle's string table (stored
// values untouched), localised titles, and the reloading flag around a redisplay.
#include "SettingsFixture.h"

#include <foundation/Bundle.h>
#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <preferences/PSSpecifier.h>

#include <fstream>

using namespace settings_testing;
using objc::send;
using objc::sel;

namespace {

// The pane class under test answers this bundle instead of its own, so the test can
// hold a table whose translations differ from their keys.
id gTestBundle = nil;
int gLoads = 0;
std::vector<std::string> gLoadedNames;
std::vector<BOOL> gReloadingDuringReload;

id testBundle(id, SEL) { return gTestBundle; }
id countingLoad(id self, SEL cmd, id name, id target) {
  ++gLoads;
  gLoadedNames.push_back(ns::utf8(name));
  return objc::sendSuper<id>(self, objc::classNamed("TranslatedPane"), cmd, name, target);
}
void recordingReload(id self, SEL cmd) {
  gReloadingDuringReload.push_back(send<BOOL>(self, sel<"reloading">()));
  objc::sendSuper<void>(self, objc::classNamed("TranslatedPane"), cmd);
}

Class translatedPaneClass() {
  static Class cls = objc::ClassBuilder<NoctilIvars>("TranslatedPane", objc::classNamed("NoctilListController"))
                         .method<&testBundle>("bundle")
                         .method<&countingLoad>("loadSpecifiersFromPlistName:target:")
                         .method<&recordingReload>("reload")
                         .registerClass();
  return cls;
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

constexpr const char* kRootPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>title</key><string>Options</string>
  <key>items</key><array>
    <dict><key>cell</key><string>PSGroupCell</string><key>label</key><string>Colours</string>
          <key>footerText</key><string>Pick one</string></dict>
    <dict><key>cell</key><string>PSLinkListCell</string><key>label</key><string>Tint</string>
          <key>key</key><string>ColorTint</string><key>defaults</key><string>com.trelmo.noctil</string>
          <key>default</key><string>darkGray</string>
          <key>validValues</key><array><string>darkGray</string><string>hotpink</string><integer>3</integer></array>
          <key>validTitles</key><array><string>Dark Gray</string><string>Hot Pink</string><string>Three</string></array></dict>
    <dict><key>cell</key><string>PSGroupCell</string></dict>
    <dict><key>cell</key><string>PSSwitchCell</string><key>label</key><string>Untranslated</string>
          <key>key</key><string>Enabled</string></dict>
  </array>
</dict></plist>)";

constexpr const char* kTable = R"("Colours" = "Couleurs";
"Pick one" = "Choisissez";
"Tint" = "Teinte";
"Dark Gray" = "Gris fonce";
"Hot Pink" = "Rose vif";
"Options" = "Reglages";
"Noctil" = "Noctil FR";
)";

class ListController : public SettingsBundleTest {
 protected:
  void SetUp() override {
    SettingsBundleTest::SetUp();
    fs::path bundleDir = root_.path() / "Library/PreferenceBundles/Translated.bundle";
    writeFile(bundleDir / "Root.plist", kRootPlist);
    writeFile(bundleDir / "en.lproj/Localizable.strings", kTable);
    fs::create_directories(root_.path() / "Library/PreferenceBundles/Empty.bundle");
    gTestBundle = ns::bundleWithPath("/Library/PreferenceBundles/Translated.bundle");
    ASSERT_NE(gTestBundle, nil);
    gLoads = 0;
    gLoadedNames.clear();
    gReloadingDuringReload.clear();
  }
  id pane() { return objc::autorelease(objc::allocInit(translatedPaneClass())); }
};

id property(id rowSpecifier, const char* key) { return send<id>(rowSpecifier, sel<"propertyForKey:">(), ns::str(key)); }

}  // namespace

TEST_F(ListController, SpecifiersLoadTheRootListOnceAndLocaliseWhatTheUserSees) {
  id p = pane();
  id first = send<id>(p, sel<"specifiers">());
  id second = send<id>(p, sel<"specifiers">());
  EXPECT_EQ(first, second);
  EXPECT_EQ(gLoads, 1);
  EXPECT_EQ(gLoadedNames, std::vector<std::string>{"Root"});
  EXPECT_EQ(objc::getIvar<id>(p, "_specifiers").value_or(nil), first);

  auto rows = ns::elements(first);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(ns::utf8(send<id>(rows[0], sel<"name">())), "Couleurs");
  EXPECT_EQ(ns::utf8(property(rows[0], "footerText")), "Choisissez");
  EXPECT_EQ(ns::utf8(send<id>(rows[1], sel<"name">())), "Teinte");
  // The label property stays the key: only the shown name is translated.
  EXPECT_EQ(ns::utf8(property(rows[1], "label")), "Tint");
  EXPECT_EQ(ns::utf8(send<id>(rows[3], sel<"name">())), "Untranslated");
}

TEST_F(ListController, AMultipleChoiceRowKeepsItsStoredValues) {
  id list = ns::elements(send<id>(pane(), sel<"specifiers">()))[1];
  id titles = send<id>(list, sel<"titleDictionary">());
  ASSERT_NE(titles, nil);
  EXPECT_EQ(send<NSUInteger>(titles, sel<"count">()), 3u);
  EXPECT_EQ(ns::utf8(send<id>(titles, sel<"objectForKey:">(), ns::str("darkGray"))), "Gris fonce");
  EXPECT_EQ(ns::utf8(send<id>(titles, sel<"objectForKey:">(), ns::str("hotpink"))), "Rose vif");
  EXPECT_EQ(ns::utf8(send<id>(titles, sel<"objectForKey:">(), ns::numberWithInt(3))), "Three");
  EXPECT_EQ(send<id>(titles, sel<"objectForKey:">(), ns::str("Gris fonce")), nil);
  auto values = ns::elements(send<id>(list, sel<"values">()));
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(ns::utf8(values[0]), "darkGray");
  EXPECT_EQ(ns::utf8(values[1]), "hotpink");
  EXPECT_TRUE(ns::isNumber(values[2]));
}

TEST_F(ListController, ASpecifierWithoutNameFooterOrTitlesPassesUnchanged) {
  id p = pane();
  id bare = send<id>(reinterpret_cast<id>(preferences::PSSpecifierClass()), sel<"emptyGroupSpecifier">());
  send<void>(bare, sel<"setProperty:forKey:">(), ns::str("Colours"), ns::str("note"));
  id before = objc::autorelease(send<id>(send<id>(bare, sel<"properties">()), sel<"copy">()));
  id array = ns::array({bare});
  EXPECT_EQ(send<id>(p, sel<"localizedSpecifiersWithSpecifiers:">(), array), array);
  EXPECT_EQ(send<id>(bare, sel<"name">()), nil);
  EXPECT_EQ(send<id>(bare, sel<"titleDictionary">()), nil);
  EXPECT_EQ(property(bare, "footerText"), nil);
  EXPECT_TRUE(send<BOOL>(send<id>(bare, sel<"properties">()), sel<"isEqual:">(), before));
}

TEST_F(ListController, LocalisedStringsFallBackToTheKey) {
  id p = pane();
  EXPECT_EQ(ns::utf8(send<id>(p, sel<"localizedString:">(), ns::str("Hot Pink"))), "Rose vif");
  EXPECT_EQ(ns::utf8(send<id>(p, sel<"localizedString:">(), ns::str("No Such Text"))), "No Such Text");
  EXPECT_EQ(ns::utf8(send<id>(p, sel<"localizedString:">(), static_cast<id>(nil))), "");
}

TEST_F(ListController, TitlesComeFromTheOpeningRowAndTheListLocalised) {
  id p = pane();
  id opener = send<id>(reinterpret_cast<id>(preferences::PSSpecifierClass()), sel<"groupSpecifierWithName:">(),
                       ns::str("Noctil"));
  send<void>(p, sel<"setSpecifier:">(), opener);
  send<id>(p, sel<"specifiers">());
  // Before the view loads, the navigation title is the list's own, translated.
  EXPECT_EQ(ns::utf8(send<id>(p, sel<"navigationTitle">())), "Reglages");
  send<id>(p, sel<"view">());  // viewDidLoad
  EXPECT_EQ(ns::utf8(send<id>(p, sel<"title">())), "Noctil FR");
  EXPECT_EQ(ns::utf8(send<id>(p, sel<"navigationTitle">())), "Noctil FR");
}

TEST_F(ListController, ReloadSpecifiersRedisplaysWithTheSameRows) {
  id p = pane();
  id rows = send<id>(p, sel<"specifiers">());
  EXPECT_FALSE(send<BOOL>(p, sel<"reloading">()));
  send<void>(p, sel<"reloadSpecifiers">());
  EXPECT_EQ(gReloadingDuringReload, std::vector<BOOL>{YES});
  EXPECT_FALSE(send<BOOL>(p, sel<"reloading">()));
  EXPECT_EQ(send<id>(p, sel<"specifiers">()), rows);
  EXPECT_EQ(gLoads, 1);
  EXPECT_EQ(preferences::reloadCount(p), 1);
}

TEST_F(ListController, ABundleWithoutTheListGivesNoRows) {
  gTestBundle = ns::bundleWithPath("/Library/PreferenceBundles/Empty.bundle");
  ASSERT_NE(gTestBundle, nil);
  id p = pane();
  EXPECT_EQ(ns::elements(send<id>(p, sel<"specifiers">())).size(), 0u);
}
