// NSBundle: opening bundles by path, Info.plist, resource lookup, and string tables
// with their fall-backs (localization folders, missing keys, missing tables).
#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/Foundation.h>
#include <foundation/Plist.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using objc::send;
using objc::sel;
namespace fs = std::filesystem;

namespace {

constexpr const char* kBundle = "/Library/PreferenceBundles/NoctilSettings.bundle";

class Bundles : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }

  void put(const std::string& devicePath, std::string_view bytes) {
    fs::path host = ns::hostPath(devicePath).value();
    fs::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
  }

  static std::string lookup(id bundle, const char* key, id value, const char* table = nullptr) {
    return ns::utf8(send<id>(bundle, sel<"localizedStringForKey:value:table:">(), key ? ns::str(key) : nil, value,
                             table ? ns::str(table) : nil));
  }

  objc::AutoreleasePool pool_;
  testing_support::TempDir root_;
};

TEST_F(Bundles, OpenByFolderWithInfoPlistAndResources) {
  EXPECT_EQ(send<id>(ns::NSBundleClass(), sel<"bundleWithPath:">(), ns::str(kBundle)), nil);  // no folder yet
  id info = ns::dictionary({{ns::str("CFBundleIdentifier"), ns::str("com.trelmo.noctil.settings")}});
  auto bytes = ns::dataFromPropertyList(info, NSPropertyListBinaryFormat_v1_0);
  put(std::string(kBundle) + "/Info.plist", std::string(bytes.value().begin(), bytes.value().end()));
  put(std::string(kBundle) + "/banner_closebox.png", "png");
  put(std::string(kBundle) + "/en.lproj/Help.txt", "help");
  put(std::string(kBundle) + "/Panes/Root.plist", "x");

  id bundle = send<id>(ns::NSBundleClass(), sel<"bundleWithPath:">(), ns::str(kBundle));
  ASSERT_NE(bundle, nil);
  EXPECT_EQ(bundle, ns::bundleWithPath(std::string(kBundle) + "/"));  // one object per folder
  EXPECT_EQ(ns::utf8(send<id>(bundle, sel<"bundlePath">())), kBundle);
  EXPECT_EQ(ns::utf8(send<id>(bundle, sel<"bundleIdentifier">())), "com.trelmo.noctil.settings");
  EXPECT_EQ(ns::utf8(send<id>(bundle, sel<"pathForResource:ofType:">(), ns::str("banner_closebox"), ns::str("png"))),
            std::string(kBundle) + "/banner_closebox.png");
  EXPECT_EQ(ns::utf8(send<id>(bundle, sel<"pathForResource:ofType:">(), ns::str("banner_closebox.png"), nil)),
            std::string(kBundle) + "/banner_closebox.png");
  EXPECT_EQ(ns::utf8(send<id>(bundle, sel<"pathForResource:ofType:">(), ns::str("Help"), ns::str("txt"))),
            std::string(kBundle) + "/en.lproj/Help.txt");
  EXPECT_EQ(ns::utf8(send<id>(bundle, sel<"pathForResource:ofType:inDirectory:">(), ns::str("Root"), ns::str("plist"),
                              ns::str("Panes"))),
            std::string(kBundle) + "/Panes/Root.plist");
  EXPECT_EQ(send<id>(bundle, sel<"pathForResource:ofType:">(), ns::str("missing"), ns::str("png")), nil);
  EXPECT_EQ(send<id>(bundle, sel<"pathForResource:ofType:">(), nil, ns::str("png")), nil);
  EXPECT_EQ(send<id>(ns::NSBundleClass(), sel<"bundleWithIdentifier:">(), ns::str("com.trelmo.noctil.settings")),
            bundle);
}

TEST_F(Bundles, StringTablesPreferEnglishThenBaseThenTheRootFolder) {
  put(std::string(kBundle) + "/Localizable.strings", "\"Delete\" = \"root\"; \"OnlyRoot\" = \"r\";");
  put(std::string(kBundle) + "/Base.lproj/Localizable.strings", "\"Delete\" = \"base\"; \"Clear All\" = \"Tout\";");
  put(std::string(kBundle) + "/en.lproj/Other.strings", "\"Delete\" = \"other table\";");
  id bundle = ns::bundleWithPath(kBundle);
  ASSERT_NE(bundle, nil);
  // Base.lproj has the default table; the table found first is the one used.
  EXPECT_EQ(lookup(bundle, "Delete", ns::str("")), "base");
  EXPECT_EQ(lookup(bundle, "Clear All", ns::str(""), "Localizable"), "Tout");
  EXPECT_EQ(lookup(bundle, "OnlyRoot", ns::str("")), "OnlyRoot");
  EXPECT_EQ(lookup(bundle, "Delete", nil, "Other"), "other table");
  // Missing keys and tables: the value when it is non-empty, else the key.
  EXPECT_EQ(lookup(bundle, "Missing", ns::str("")), "Missing");
  EXPECT_EQ(lookup(bundle, "Missing", nil), "Missing");
  EXPECT_EQ(lookup(bundle, "Missing", ns::str("Fallback")), "Fallback");
  EXPECT_EQ(lookup(bundle, "Delete", ns::str("Fallback"), "NoSuchTable"), "Fallback");
  EXPECT_EQ(lookup(bundle, "Delete", ns::str(""), "NoSuchTable"), "Delete");
  EXPECT_EQ(lookup(bundle, nullptr, ns::str("v")), "v");
  id empty = send<id>(bundle, sel<"localizedStringForKey:value:table:">(), nil, nil, nil);
  ASSERT_NE(empty, nil);
  EXPECT_EQ(ns::utf8(empty), "");
  EXPECT_EQ(ns::localizedString(bundle, "Clear All"), "Tout");
}

TEST_F(Bundles, TablesReadInEveryEncodingAndFormat) {
  std::u16string text = u"/* titles */\n\"Delete\" = \"\u524a\u9664\";\n";
  std::string utf16 = "\xFF\xFE";
  for (char16_t u : text) utf16 += {static_cast<char>(u), static_cast<char>(u >> 8)};
  put(std::string(kBundle) + "/en.lproj/Localizable.strings", utf16);
  id plistTable = ns::dictionary({{ns::str("Delete"), ns::str("Supprimer")}});
  auto binary = ns::dataFromPropertyList(plistTable, NSPropertyListBinaryFormat_v1_0);
  put(std::string(kBundle) + "/en.lproj/Binary.strings", std::string(binary.value().begin(), binary.value().end()));
  put(std::string(kBundle) + "/en.lproj/Broken.strings", "\"Delete\" = \"unterminated");
  id bundle = ns::bundleWithPath(kBundle);
  EXPECT_EQ(lookup(bundle, "Delete", ns::str("")), "\u524a\u9664");
  EXPECT_EQ(lookup(bundle, "Delete", ns::str(""), "Binary"), "Supprimer");
  EXPECT_EQ(lookup(bundle, "Delete", ns::str(""), "Broken"), "Delete");  // an unreadable table is empty
}

TEST_F(Bundles, TheMainBundleTakesItsIdentifierAndPathFromTheHost) {
  id main = send<id>(ns::NSBundleClass(), sel<"mainBundle">());
  ASSERT_NE(main, nil);
  EXPECT_EQ(main, ns::mainBundle());
  put("/Applications/MobileSMS.app/Info.plist",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key>"
      "<string>com.apple.MobileSMS</string></dict></plist>");
  put("/Applications/MobileSMS.app/en.lproj/Localizable.strings", "\"Read\" = \"Gelesen\";");
  ns::setMainBundlePath("/Applications/MobileSMS.app");
  ns::setMainBundleIdentifier("");
  EXPECT_EQ(ns::utf8(send<id>(main, sel<"bundleIdentifier">())), "com.apple.MobileSMS");
  ns::setMainBundleIdentifier("com.apple.springboard");
  EXPECT_EQ(ns::utf8(send<id>(main, sel<"bundleIdentifier">())), "com.apple.springboard");
  EXPECT_EQ(ns::utf8(send<id>(main, sel<"bundlePath">())), "/Applications/MobileSMS.app");
  EXPECT_EQ(lookup(main, "Read", nil), "Gelesen");
  // A main bundle whose folder is missing still answers, with the fall-backs.
  ns::setMainBundlePath("/Applications/Nowhere.app");
  EXPECT_EQ(lookup(main, "Read", ns::str("")), "Read");
  ns::setMainBundleIdentifier("");
  EXPECT_EQ(send<id>(main, sel<"bundleIdentifier">()), nil);
  ns::setMainBundlePath("/");
}

}  // namespace
