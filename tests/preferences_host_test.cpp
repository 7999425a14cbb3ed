// The preferences host program: its command language, and runs of the real program
// on a device root with the settings bundle, driven by scripts, with a deadline.
#include "SettingsFixture.h"

#include "PreferencesScript.h"

#include <foundation/Plist.h>
#include <foundation/NSData.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <uikit/UIImage.h>

#include <sys/wait.h>

#include <fstream>

using namespace settings_testing;
using namespace hosts::prefs;
using objc::send;
using objc::sel;

TEST(PreferencesScript, ReadsEveryCommandForm) {
  auto one = [](std::string_view line) {
    auto parsed = parseCommand(line);
    EXPECT_TRUE(parsed.ok()) << line << ": " << (parsed.ok() ? "" : parsed.error().message);
    return parsed.ok() && parsed->has_value() ? **parsed : Command{Show{}};
  };
  EXPECT_TRUE(std::holds_alternative<Show>(one("show")));
  EXPECT_EQ(std::get<Open>(one("open \"Blur & Tint\"  # a comment")).label, "Blur & Tint");
  EXPECT_TRUE(std::holds_alternative<Back>(one("back")));
  auto set = std::get<Set>(one("set NoNotificationsText \"All quiet\""));
  EXPECT_EQ(set.key, "NoNotificationsText");
  EXPECT_EQ(set.value, "All quiet");
  EXPECT_EQ(std::get<Press>(one("press \"Visit Website\"")).label, "Visit Website");
  auto pick = std::get<Pick>(one("pick pictures/sea.jpg camera"));
  EXPECT_EQ(pick.file, "pictures/sea.jpg");
  EXPECT_TRUE(pick.camera);
  EXPECT_FALSE(std::get<ExpectValue>(one("expect value Collapsible absent")).value.has_value());
  EXPECT_EQ(std::get<ExpectValue>(one("expect value NoNotificationsText \"absent\"")).value, "absent");
  EXPECT_EQ(std::get<ExpectValue>(one("expect value BlurValue 20")).value, "20");
  EXPECT_EQ(std::get<ExpectShown>(one("expect shown \"Enabled\"")).label, "Enabled");
  EXPECT_EQ(std::get<ExpectTitle>(one("expect title \"Noctil\"")).text, "Noctil");
  EXPECT_EQ(std::get<ExpectFile>(one("expect file /var/x.png jpeg")).state, ExpectFile::State::jpeg);
  EXPECT_DOUBLE_EQ(std::get<Wait>(one("wait 0.5")).seconds, 0.5);
  EXPECT_TRUE(std::get<Source>(one("source camera")).camera);
  EXPECT_FALSE(std::get<Source>(one("source library")).camera);
  EXPECT_TRUE(std::holds_alternative<TapOutside>(one("tap-outside")));

  auto blank = parseCommand("   # only a comment");
  ASSERT_TRUE(blank.ok());
  EXPECT_FALSE(blank->has_value());
  for (const char* bad : {"open", "open a b", "set Collapsible", "pick x.png album", "expect value K",
                          "expect colour red", "fly away", "wait -1", "wait soon", "open \"unterminated", "source",
                          "source album", "source camera now", "tap-outside there"}) {
    EXPECT_FALSE(parseCommand(bad).ok()) << bad;
  }
}

namespace {

struct ProgramRun {
  int status = -1;
  std::vector<std::string> output;
  bool has(const std::string& line) const { return std::find(output.begin(), output.end(), line) != output.end(); }
};

class HostProgram : public SettingsBundleTest {
 protected:
  ProgramRun run(const std::string& script, std::vector<std::string> arguments) {
    fs::path file = scripts_.path() / "script.txt";
    std::ofstream(file) << script;
    arguments.insert(arguments.end(), {"--device", root_.str(), "--script", file.string()});
    testing_support::ChildProcess child(NOCTIL_PREFERENCES_PROGRAM, arguments);
    ProgramRun result;
    while (auto line = child.readLine(std::chrono::seconds(30))) result.output.push_back(*line);
    auto status = child.waitExit(std::chrono::seconds(30));
    if (status && WIFEXITED(*status)) result.status = WEXITSTATUS(*status);
    return result;
  }

  id option(const char* key) {
    auto plist = ns::readPropertyListFile(kOptionsPath);
    if (!plist) return nil;
    return send<id>(objc::autorelease(plist->leak()), sel<"objectForKey:">(), ns::str(key));
  }

  // A small PNG picture for `pick`, next to the script.
  void writePicture(const char* name) {
    auto bitmap = uikit::Bitmap::create(8, 6, true).value();
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) bitmap.setPixel(x, y, {200, static_cast<std::uint8_t>(x * 30), 40, 255});
    id image = uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(bitmap)), 1.0);
    auto bytes = ns::bytesOf(UIImagePNGRepresentation(image));
    std::ofstream(scripts_.path() / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  testing_support::TempDir scripts_;
};

}  // namespace

TEST_F(HostProgram, ShowsTheIOS7RootAndChangesOptionsAsAUserWould) {
  ProgramRun r = run(R"(expect title "Noctil"
expect shown "Collapsible Sections"
expect value Collapsible YES
expect value Collapsible absent
set Collapsible NO
expect value Collapsible NO
open "Background"
expect title "Background"
open "Blur & Tint"
set ColorTint hotpink
expect value ColorTint "Hot Pink"
open "Tint Colour"
press "Cyan"
back
expect value ColorTint cyan
back
back
set BlurValue 33
expect value BlurValue 33
press "Visit Website"
expect opened "https://trelmo.example.invalid/"
)",
              {"--ios", "7.x"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.has("== Noctil =="));
  EXPECT_TRUE(r.has("  Collapsible Sections: ON"));
  EXPECT_TRUE(r.has("  Background >"));
  EXPECT_TRUE(r.has("  [Visit Website]"));
  EXPECT_TRUE(r.has("  Tint Colour: Dark Gray >"));
  EXPECT_TRUE(r.has("opened https://trelmo.example.invalid/"));
  ASSERT_NE(option("Collapsible"), nil);
  EXPECT_FALSE(send<BOOL>(option("Collapsible"), sel<"boolValue">()));
  EXPECT_TRUE(r.has("  Hot Pink \u2713"));
  EXPECT_EQ(ns::utf8(option("ColorTint")), "cyan");
  EXPECT_FLOAT_EQ(send<float>(option("BlurValue"), sel<"floatValue">()), 33.0f);
  EXPECT_EQ(option("Enabled"), nil);
}

TEST_F(HostProgram, ValuesAreWhatTheRowShowsFromAnyPane) {
  // Rows on the root pane, expected from a pane two levels down that cannot reach
  // them: the defaults the rows show, then a value the file holds.
  ProgramRun r = run(R"(set Collapsible NO
open "Background"
open "Custom Picture"
expect value Collapsible NO
expect value Enabled YES
expect value Enabled absent
expect value BGImageAlpha 1
)",
                     {"--ios", "7.x"});
  EXPECT_EQ(r.status, 0);
  r = run("open \"Background\"\nopen \"Custom Picture\"\nexpect value Enabled NO\n", {"--ios", "7.x"});
  EXPECT_EQ(r.status, 1);
}

TEST_F(HostProgram, ACoveredPaneTakesNoTapsUntilTheSheetOrPickerIsAnswered) {
  writePicture("sea.png");
  // The pane under the sheet cannot be left (its sheet would call a freed pane); once
  // answered, the same commands run.
  ProgramRun r = run(R"(open "Background"
press "Choose Picture"
back
set Blur YES
press "Choose Picture"
cancel
set Blur YES
back
)",
                     {"--ios", "6.x"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.has("action sheet: cancelled"));
  ASSERT_NE(option("Blur"), nil);
  EXPECT_TRUE(send<BOOL>(option("Blur"), sel<"boolValue">()));

  // A full-screen library picker covers the pane as well: the refused back leaves
  // the picture pane open for a second choice.
  r = run(R"(open "Background"
open "Custom Picture"
press "Choose Picture"
back
pick sea.png library
press "Choose Picture"
pick sea.png library
)",
          {"--ios", "7.x", "--no-camera"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), "picked " + (scripts_.path() / "sea.png").string()), 2);
}

TEST_F(HostProgram, AFailedExpectationMakesTheRunFail) {
  ProgramRun r = run("expect value Collapsible NO\nexpect title \"Noctil\"\nexpect shown \"Nothing Like This\"\n",
              {"--ios", "7.0.4"});
  EXPECT_EQ(r.status, 1);
  r = run("set Collapsible perhaps\n", {"--ios", "7.x"});
  EXPECT_EQ(r.status, 1);
  r = run("show\nfly to the moon\n", {"--ios", "7.x"});
  EXPECT_EQ(r.status, 2);  // a bad line stops the script before anything runs
  EXPECT_FALSE(r.has("== Noctil =="));
}

TEST_F(HostProgram, TheIOS6PanesPickALockPictureThroughTheSheet) {
  writePicture("sea.png");
  ProgramRun r = run(R"(expect shown "Notification Center on Lock Screen"
open "Lock Screen Background"
press "Choose Picture"
pick sea.png library
expect file /var/mobile/Library/Noctil/LockCustomBGImage.png jpeg
expect file /var/mobile/Library/Noctil/CustomBGImage.png missing
set LockBlurValue 7.5
expect value LockBlurValue 7.5
back
set NoNotificationsText "All quiet"
expect value NoNotificationsText "All quiet"
)",
              {"--ios", "6.x"});
  fs::create_directories(root_.path() / "var/mobile/Library/Noctil");
  // The tweak makes the picture folder at its start; without it the write fails.
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.has("action sheet: Photo Library | Camera | Cancel"));
  EXPECT_TRUE(r.has("image picker: photo library, full screen"));

  r = run(R"(open "Lock Screen Background"
press "Choose Picture"
pick sea.png library
expect file /var/mobile/Library/Noctil/LockCustomBGImage.png jpeg
expect file /var/mobile/Library/Noctil/CustomBGImage.png missing
set LockBlurValue 7.5
expect value LockBlurValue 7.5
back
set NoNotificationsText "All quiet"
expect value NoNotificationsText "All quiet"
)",
          {"--ios", "6.x"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ns::utf8(option("NoNotificationsText")), "All quiet");
}

TEST_F(HostProgram, AnIPadWithoutACameraAnswersAPickMadeBeforeThePress) {
  writePicture("sea.png");
  fs::create_directories(root_.path() / "var/mobile/Library/Noctil");
  ProgramRun r = run(R"(open "Background"
open "Custom Picture"
pick sea.png library
press "Choose Picture"
expect file /var/mobile/Library/Noctil/CustomBGImage.png jpeg
)",
              {"--ios", "7.x", "--ipad", "--no-camera"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.has("image picker: photo library, in a popover"));
  EXPECT_FALSE(r.has("action sheet: Photo Library | Camera | Cancel"));

  r = run("pick sea.png camera\n", {"--ios", "7.x"});
  EXPECT_EQ(r.status, 1);  // no picker ever answered it
}

TEST_F(HostProgram, AnIPadSourceAndATapBesideThePopoverDriveThePickersOneByOne) {
  writePicture("sea.png");
  fs::create_directories(root_.path() / "var/mobile/Library/Noctil");
  ProgramRun r = run(R"(open "Background"
open "Custom Picture"
press "Choose Picture"
source library
tap-outside
press "Choose Picture"
source camera
cancel
press "Choose Picture"
pick sea.png camera
expect file /var/mobile/Library/Noctil/CustomBGImage.png jpeg
back
)",
                     {"--ios", "7.x", "--ipad"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.has("action sheet: Photo Library"));
  EXPECT_TRUE(r.has("image picker: photo library, in a popover"));
  EXPECT_TRUE(r.has("popover: closed"));
  EXPECT_TRUE(r.has("action sheet: Camera"));
  EXPECT_TRUE(r.has("image picker: camera, full screen"));
  EXPECT_TRUE(r.has("image picker: cancelled"));

  // Each needs what it acts on: a sheet offering the source, a popover on screen.
  r = run(R"(open "Background"
open "Custom Picture"
tap-outside
source library
press "Choose Picture"
source camera
)",
          {"--ios", "7.x", "--ipad", "--no-camera"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.has("image picker: photo library, in a popover"));
}

TEST_F(HostProgram, RefusesToStartWithoutWhatItNeeds) {
  EXPECT_EQ(run("show\n", {"--ios", "8.x"}).status, 2);
  EXPECT_EQ(run("show\n", {}).status, 2);
  fs::remove_all(root_.path() / "Library");
  EXPECT_EQ(run("show\n", {"--ios", "7.x"}).status, 1);
}
