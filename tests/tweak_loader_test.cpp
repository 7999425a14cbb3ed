// The tweak loader: filter lists in every form they come in, which libraries a
// program loads and in what order, which system versions they are for, and that a
// bad library is reported and skipped.
#include "FilterList.h"
#include "TweakLoader.h"

#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>

#include <TestSupport.h>
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using hosts::filterBundles;

namespace {

using Strings = std::vector<std::string>;

const char* kXmlFilter = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict><key>Filter</key><dict><key>Bundles</key><array>
<string>com.apple.springboard</string><string>com.test.host</string></array></dict></dict></plist>
)";

std::string binaryFilter(const Strings& bundles) {
  plist_t root = plist_new_dict();
  plist_t filter = plist_new_dict();
  plist_t array = plist_new_array();
  for (const auto& b : bundles) plist_array_append_item(array, plist_new_string(b.c_str()));
  plist_dict_set_item(filter, "Bundles", array);
  plist_dict_set_item(root, "Filter", filter);
  char* data = nullptr;
  uint32_t length = 0;
  plist_to_bin(root, &data, &length);
  std::string out(data, length);
  std::free(data);
  plist_free(root);
  return out;
}

void writeFile(const fs::path& path, const std::string& data) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << data;
}

Strings readLines(const fs::path& path) {
  std::ifstream in(path);
  Strings lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(FilterList, ReadsXmlBinaryAndTheOldTextForm) {
  EXPECT_EQ(filterBundles(kXmlFilter).value(), (Strings{"com.apple.springboard", "com.test.host"}));
  EXPECT_EQ(filterBundles(binaryFilter({"com.apple.MobileSMS"})).value(), (Strings{"com.apple.MobileSMS"}));
  EXPECT_EQ(filterBundles("{ Filter = { Bundles = ( \"com.apple.springboard\", com.apple.MobileSMS, ); }; }").value(),
            (Strings{"com.apple.springboard", "com.apple.MobileSMS"}));
  EXPECT_EQ(filterBundles("// made by hand\n{Filter={Bundles=();/* none yet */};}").value(), Strings{});
  // Entries that are not strings are passed over; other filter keys do not matter.
  EXPECT_EQ(filterBundles("{ Filter = { Executables = (x); Bundles = ( (a), b ); }; }").value(), Strings{"b"});
}

TEST(FilterList, RefusesWhatIsNotAFilterList) {
  for (const char* bad : {"", "garbage", "{ Filter = { Bundles = ( a ); }; ", "( a, b )", "{ Filter = ( a ); }",
                          "{ Filter = { Classes = ( SBUIController ); }; }", "{ Filter = { Bundles = a; }; }",
                          "<plist><dict><key>Filter</key>", "bplist00\x01\x02",
                          "{ Filter = { Bundles = ( a ); }; } trailing"}) {
    EXPECT_FALSE(filterBundles(bad).ok()) << bad;
  }
  // Absurd nesting is refused, not followed.
  EXPECT_FALSE(filterBundles(std::string(10000, '(')).ok());
}

// A filter list for com.test.host limited to a CoreFoundation range, written by
// libplist with real numbers.
std::string versionedFilter(const std::vector<double>& versions, bool binary) {
  plist_t root = plist_new_dict();
  plist_t filter = plist_new_dict();
  plist_t array = plist_new_array();
  plist_array_append_item(array, plist_new_string("com.test.host"));
  plist_dict_set_item(filter, "Bundles", array);
  plist_t range = plist_new_array();
  for (double v : versions) plist_array_append_item(range, plist_new_real(v));
  plist_dict_set_item(filter, "CoreFoundationVersion", range);
  plist_dict_set_item(root, "Filter", filter);
  char* data = nullptr;
  uint32_t length = 0;
  if (binary) plist_to_bin(root, &data, &length);
  else plist_to_xml(root, &data, &length);
  std::string out(data, length);
  std::free(data);
  plist_free(root);
  return out;
}

TEST(FilterList, ReadsTheCoreFoundationRangeInEveryForm) {
  for (bool binary : {false, true}) {
    auto filter = hosts::readFilterList(versionedFilter({793.00, 847.20}, binary));
    ASSERT_TRUE(filter.ok()) << binary;
    EXPECT_EQ(filter->bundles, Strings{"com.test.host"});
    EXPECT_EQ(filter->lowestCoreFoundation, 793.00);
    EXPECT_EQ(filter->belowCoreFoundation, 847.20);
  }
  auto text = hosts::readFilterList("{ Filter = { Bundles = ( a ); CoreFoundationVersion = ( 847.20 ); }; }");
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(text->lowestCoreFoundation, 847.20);
  EXPECT_FALSE(text->belowCoreFoundation);
  auto none = hosts::readFilterList(kXmlFilter);
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none->lowestCoreFoundation || none->belowCoreFoundation);
  // Not one or two numbers: the filter list is unusable.
  for (const char* bad : {"{ Filter = { Bundles = ( a ); CoreFoundationVersion = ( ); }; }",
                          "{ Filter = { Bundles = ( a ); CoreFoundationVersion = ( 1, 2, 3 ); }; }",
                          "{ Filter = { Bundles = ( a ); CoreFoundationVersion = ( 793.0x ); }; }",
                          "{ Filter = { Bundles = ( a ); CoreFoundationVersion = 793; }; }",
                          "{ Filter = { Bundles = ( a ); CoreFoundationVersion = ( ( 793 ) ); }; }"}) {
    EXPECT_FALSE(hosts::readFilterList(bad).ok()) << bad;
  }
}

TEST(FilterList, TheRangeIncludesItsLowestVersionAndExcludesItsUpperOne) {
  hosts::FilterList ios6{{"a"}, 793.00, 847.20};
  hosts::FilterList ios7{{"a"}, 847.20, std::nullopt};
  hosts::FilterList any{{"a"}, std::nullopt, std::nullopt};
  EXPECT_TRUE(admitsCoreFoundation(ios6, hosts::kCoreFoundationVersionIOS6));
  EXPECT_FALSE(admitsCoreFoundation(ios6, hosts::kCoreFoundationVersionIOS7));
  EXPECT_FALSE(admitsCoreFoundation(ios6, 793.00 - 0.01));
  EXPECT_TRUE(admitsCoreFoundation(ios7, hosts::kCoreFoundationVersionIOS7));
  EXPECT_FALSE(admitsCoreFoundation(ios7, hosts::kCoreFoundationVersionIOS6));
  EXPECT_TRUE(admitsCoreFoundation(any, 1.0));
}

class TweakLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::setDeviceRoot(root_.path());
    ns::setMainBundleIdentifier("com.test.host");
    folder_ = root_.path() / "Library/MobileSubstrate/DynamicLibraries";
    fs::create_directories(folder_);
  }
  // A copy of the probe library under a new name: a new file, so it loads anew.
  void installProbe(const std::string& name, const std::string& filter) {
    fs::copy_file(NOCTIL_LOADER_PROBE, folder_ / (name + ".dylib"));
    writeFile(folder_ / (name + ".plist"), filter);
  }
  Strings probeLog() const { return readLines(root_.path() / "var/tmp/loader-probe.log"); }

  testing_support::TempDir root_;
  fs::path folder_;
};

TEST_F(TweakLoaderTest, LoadsOnlyMatchingLibrariesInNameOrder) {
  installProbe("Zeta", kXmlFilter);
  installProbe("Alpha", binaryFilter({"com.test.host"}));
  installProbe("Mid", "{ Filter = { Bundles = ( com.apple.MobileSMS ); }; }");
  installProbe("Beta", "{ Filter = { Bundles = ( com.test.host ); }; }");
  writeFile(folder_ / "Readme.txt", "not a library");

  std::ostringstream errors;
  auto result = hosts::loadTweaks("com.test.host", errors, hosts::kCoreFoundationVersionIOS7);
  EXPECT_EQ(result.loaded, (Strings{"Alpha.dylib", "Beta.dylib", "Zeta.dylib"}));
  EXPECT_TRUE(result.problems.empty());
  EXPECT_EQ(errors.str(), "");
  // Each initialiser ran once, in load order, and saw the program's identity.
  EXPECT_EQ(probeLog(), (Strings{"Alpha.dylib com.test.host", "Beta.dylib com.test.host", "Zeta.dylib com.test.host"}));
}

TEST_F(TweakLoaderTest, ABadLibraryIsReportedAndTheRestStillLoad) {
  writeFile(folder_ / "Broken.dylib", "this is not a shared object");
  writeFile(folder_ / "Broken.plist", kXmlFilter);
  installProbe("Good", kXmlFilter);
  fs::copy_file(NOCTIL_LOADER_PROBE, folder_ / "NoFilter.dylib");
  installProbe("BadFilter", "{ Filter = ");
  // A library meant for another program is never opened, even when it is broken.
  writeFile(folder_ / "Other.dylib", "also not a shared object");
  writeFile(folder_ / "Other.plist", binaryFilter({"com.apple.Preferences"}));

  std::ostringstream errors;
  auto result = hosts::loadTweaks("com.test.host", errors, hosts::kCoreFoundationVersionIOS7);
  EXPECT_EQ(result.loaded, Strings{"Good.dylib"});
  ASSERT_EQ(result.problems.size(), 3u);
  EXPECT_NE(result.problems[0].find("skipped BadFilter.dylib: filter list BadFilter.plist is unusable"),
            std::string::npos)
      << result.problems[0];
  EXPECT_NE(result.problems[1].find("skipped Broken.dylib: it failed to load"), std::string::npos)
      << result.problems[1];
  EXPECT_NE(result.problems[2].find("skipped NoFilter.dylib: no filter list NoFilter.plist"), std::string::npos)
      << result.problems[2];
  EXPECT_EQ(errors.str(), result.problems[0] + "\n" + result.problems[1] + "\n" + result.problems[2] + "\n");
  EXPECT_EQ(probeLog().size(), 1u);
}

TEST_F(TweakLoaderTest, EachSystemVersionLoadsTheLibrariesMadeForIt) {
  installProbe("Six", versionedFilter({793.00, 847.20}, false));
  installProbe("Seven", versionedFilter({847.20}, true));
  installProbe("Any", kXmlFilter);
  installProbe("Odd", "{ Filter = { Bundles = ( com.test.host ); CoreFoundationVersion = ( 1, 2, 3 ); }; }");
  std::ostringstream errors;
  auto six = hosts::loadTweaks("com.test.host", errors, hosts::kCoreFoundationVersionIOS6);
  EXPECT_EQ(six.loaded, (Strings{"Any.dylib", "Six.dylib"}));
  // A library made for another version is passed over quietly; a range that is not
  // one is reported.
  ASSERT_EQ(six.problems.size(), 1u);
  EXPECT_NE(six.problems[0].find("skipped Odd.dylib: filter list Odd.plist is unusable"), std::string::npos);
  EXPECT_EQ(probeLog(), (Strings{"Any.dylib com.test.host", "Six.dylib com.test.host"}));
}

TEST_F(TweakLoaderTest, TheSameDeviceUnderIOS7LoadsTheOtherLibrary) {
  installProbe("Six", versionedFilter({793.00, 847.20}, true));
  installProbe("Seven", versionedFilter({847.20}, false));
  std::ostringstream errors;
  auto seven = hosts::loadTweaks("com.test.host", errors, hosts::kCoreFoundationVersionIOS7);
  EXPECT_EQ(seven.loaded, Strings{"Seven.dylib"});
  EXPECT_TRUE(seven.problems.empty());
  EXPECT_EQ(probeLog(), Strings{"Seven.dylib com.test.host"});
}

TEST(TweakLoader, NoFolderMeansNothingInstalled) {
  testing_support::TempDir root;
  ns::setDeviceRoot(root.path());
  std::ostringstream errors;
  auto result = hosts::loadTweaks("com.apple.springboard", errors, hosts::kCoreFoundationVersionIOS7);
  EXPECT_TRUE(result.loaded.empty());
  EXPECT_TRUE(result.problems.empty());
  EXPECT_EQ(errors.str(), "");
}
