// The host programs' command lines and the options file that `set`, `unset` and
// `expect option` edit.
#include "HostOptions.h"
#include "OptionsFile.h"

#include <foundation/DeviceRoot.h>

#include <TestSupport.h>
#include <gtest/gtest.h>

#include <fstream>

using hosts::HostOptions;
using hosts::HostProgram;
using hosts::parseHostOptions;

namespace {

std::string errorOf(HostProgram program, std::vector<std::string> args) {
  auto result = parseHostOptions(program, args);
  EXPECT_FALSE(result.ok());
  return result.ok() ? "" : result.error().message;
}

}  // namespace

TEST(HostOptions, SpringBoardNeedsAVersionAndTakesTheRest) {
  auto o = parseHostOptions(HostProgram::springboard, {"--ios", "7.x", "--device", "/tmp/root", "--script", "a.scn"});
  ASSERT_TRUE(o.ok()) << o.error().message;
  EXPECT_EQ(o->iosMajor, 7);
  EXPECT_EQ(o->deviceRoot, "/tmp/root");
  EXPECT_EQ(o->input, HostOptions::Input::file);
  EXPECT_EQ(o->script, "a.scn");

  o = parseHostOptions(HostProgram::springboard, {"--ios=6.1.3", "--quiet"});
  ASSERT_TRUE(o.ok());
  EXPECT_EQ(o->iosMajor, 6);
  EXPECT_EQ(o->deviceRoot, hosts::kDefaultDeviceRoot);
  EXPECT_EQ(o->input, HostOptions::Input::standardInput);
  EXPECT_TRUE(o->quiet);
  for (const char* v : {"7", "7.0", "7.1.2"}) EXPECT_EQ(parseHostOptions(HostProgram::springboard, {"--ios", v})->iosMajor, 7);
  EXPECT_TRUE(parseHostOptions(HostProgram::springboard, {"--help"})->help);
}

TEST(HostOptions, TheIOS6DeviceAndScreenshots) {
  auto o = parseHostOptions(HostProgram::springboard,
                            {"--ios", "6.x", "--ipad", "--passcode=1234", "--locked", "--screenshots", "shots"});
  ASSERT_TRUE(o.ok()) << o.error().message;
  EXPECT_EQ(o->iosMajor, 6);
  EXPECT_TRUE(o->ipad);
  EXPECT_EQ(o->passcode, "1234");
  EXPECT_TRUE(o->startLocked);
  EXPECT_EQ(o->screenshots, std::filesystem::path("shots"));
  o = parseHostOptions(HostProgram::springboard, {"--ios", "6.1"});
  EXPECT_FALSE(o->ipad || o->startLocked || o->passcode || o->screenshots);
  // Screenshots are for both versions.
  EXPECT_EQ(parseHostOptions(HostProgram::springboard, {"--screenshots=s", "--ios", "7.x"})->screenshots,
            std::filesystem::path("s"));
}

TEST(HostOptions, MobileSMSServesWithoutAScriptAndReadsStdinOnDash) {
  auto o = parseHostOptions(HostProgram::mobilesms, {"--device", "r"});
  ASSERT_TRUE(o.ok());
  EXPECT_EQ(o->input, HostOptions::Input::none);
  EXPECT_EQ(parseHostOptions(HostProgram::mobilesms, {"--script", "-"})->input, HostOptions::Input::standardInput);
}

TEST(HostOptions, BadCommandLinesNameTheProblem) {
  using P = HostProgram;
  EXPECT_EQ(errorOf(P::springboard, {}), "--ios is required (7.x or 6.x)");
  EXPECT_EQ(errorOf(P::springboard, {"--ios"}), "--ios needs a value");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "8.x"}), "--ios: there is no home screen for iOS 8.x (7.x or 6.x)");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "seven"}), "--ios: expected a version such as 7.x or 6.x, found \"seven\"");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "7."}), "--ios: expected a version such as 7.x or 6.x, found \"7.\"");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "7.x", "--ios", "7.x"}), "--ios is given twice");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "7.x", "--device="}), "--device: the device root must not be empty");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "7.x", "--colour", "red"}), "unknown option --colour");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "7.x", "extra"}), "unexpected argument \"extra\"");
  EXPECT_EQ(errorOf(P::mobilesms, {"--ios", "7.x"}), "unknown option --ios");
  EXPECT_EQ(errorOf(P::mobilesms, {"--quiet=yes"}), "--quiet takes no value");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "7.x", "--ipad"}), "--ipad is for the iOS 6 home screen (--ios 6.x)");
  EXPECT_EQ(errorOf(P::springboard, {"--locked", "--ios", "7.x"}), "--locked is for the iOS 6 home screen (--ios 6.x)");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "7.x", "--passcode", "1"}),
            "--passcode is for the iOS 6 home screen (--ios 6.x)");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "6.x", "--passcode"}), "--passcode needs a value");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "6.x", "--passcode="}), "--passcode: the passcode must not be empty");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "6.x", "--passcode", "1", "--passcode", "2"}), "--passcode is given twice");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "6.x", "--locked=yes"}), "--locked takes no value");
  EXPECT_EQ(errorOf(P::springboard, {"--ios", "6.x", "--screenshots="}), "--screenshots: the folder name must not be empty");
  EXPECT_EQ(errorOf(P::mobilesms, {"--ipad"}), "unknown option --ipad");
  EXPECT_EQ(errorOf(P::mobilesms, {"--screenshots", "x"}), "unknown option --screenshots");
  EXPECT_NE(hosts::usage(P::springboard).find("--ios"), std::string::npos);
  EXPECT_NE(hosts::usage(P::springboard).find("--screenshots DIR"), std::string::npos);
  EXPECT_EQ(hosts::usage(P::mobilesms).find("--ios"), std::string::npos);
}

class OptionsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }
  std::filesystem::path file() const { return root_.path() / "var/mobile/Library/Preferences/com.trelmo.noctil.plist"; }
  std::optional<hosts::OptionReading> read(const std::string& key) {
    auto r = hosts::readOption(hosts::kNoctilOptionsPath, key);
    EXPECT_TRUE(r.ok()) << r.error().message;
    return r.ok() ? *r : std::nullopt;
  }
  testing_support::TempDir root_;
};

TEST_F(OptionsFileTest, EachWriteKeepsTheOtherKeys) {
  using List = std::vector<std::string>;
  ASSERT_TRUE(hosts::writeOption(hosts::kNoctilOptionsPath, "Enabled", false).ok());
  ASSERT_TRUE(hosts::writeOption(hosts::kNoctilOptionsPath, "BlurValue", 12.5).ok());
  ASSERT_TRUE(hosts::writeOption(hosts::kNoctilOptionsPath, "Count", -3LL).ok());
  ASSERT_TRUE(hosts::writeOption(hosts::kNoctilOptionsPath, "ColorTint", std::string("hotpink")).ok());
  ASSERT_TRUE(hosts::writeOption(hosts::kNoctilOptionsPath, "foldedSections", List{"com.a", "com.b"}).ok());
  ASSERT_TRUE(hosts::writeOption(hosts::kNoctilOptionsPath, "ColorTint", std::string("red")).ok());

  EXPECT_EQ(read("Enabled")->text, "NO");
  EXPECT_EQ(read("Enabled")->number, 0.0);
  EXPECT_EQ(read("BlurValue")->text, "12.5");
  EXPECT_EQ(read("Count")->text, "-3");  // negative numbers survive libplist's unsigned integers
  EXPECT_EQ(read("ColorTint")->text, "red");
  EXPECT_EQ(read("foldedSections")->text, "com.a,com.b");
  EXPECT_FALSE(read("Missing").has_value());

  ASSERT_TRUE(hosts::removeOption(hosts::kNoctilOptionsPath, "ColorTint").ok());
  EXPECT_FALSE(read("ColorTint").has_value());
  EXPECT_EQ(read("BlurValue")->text, "12.5");
  // No temporary files are left beside the options file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file().parent_path()), {}), 1);
}

TEST_F(OptionsFileTest, AFileThatIsNotADictionaryIsLeftAlone) {
  EXPECT_FALSE(read("Enabled").has_value());  // no file: absent, no error
  EXPECT_TRUE(hosts::removeOption(hosts::kNoctilOptionsPath, "Enabled").ok());
  EXPECT_FALSE(std::filesystem::exists(file()));

  std::filesystem::create_directories(file().parent_path());
  std::ofstream(file()) << "not a plist";
  auto status = hosts::writeOption(hosts::kNoctilOptionsPath, "Enabled", true);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("not a property list"), std::string::npos);
  EXPECT_FALSE(hosts::readOption(hosts::kNoctilOptionsPath, "Enabled").ok());
  std::ifstream in(file());
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "not a plist");
}
