// The tweak loader: filter lists in every form they come in, which libraries a
// program loads and in what order, and that a bad library is reported and skipped.
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
  auto result = hosts::loadTweaks("com.test.host", errors);
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
  auto result = hosts::loadTweaks("com.test.host", errors);
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

TEST(TweakLoader, NoFolderMeansNothingInstalled) {
  testing_support::TempDir root;
  ns::setDeviceRoot(root.path());
  std::ostringstream errors;
  auto result = hosts::loadTweaks("com.apple.springboard", errors);
  EXPECT_TRUE(result.loaded.empty());
  EXPECT_TRUE(result.problems.empty());
  EXPECT_EQ(errors.str(), "");
}
