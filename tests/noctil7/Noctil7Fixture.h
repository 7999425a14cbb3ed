// The test fixture of the in-process Noctil7 tests: SpringBoard's iOS 7 home screen
// with the tweak installed, on a fresh device root per test, under the manual clock.
//
// The tweak's method table is permanent, so the process is made SpringBoard and the
// tweak started once; between tests the home screen is shut down and launched again
// and the tweak's process-wide state is put back as before launch.
#pragma once

#include <gtest/gtest.h>
#include <objcface/NSObject.h>

#include <TestSupport.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace noctil7_tests {

// An options value for writeOptions: a boolean, a number, a string or a list of strings.
struct OptionValue {
  enum class Kind { Bool, Real, String, Strings } kind = Kind::Bool;
  bool b = false;
  double real = 0;
  std::string text;
  std::vector<std::string> strings;
  static OptionValue yes() { return flag(true); }
  static OptionValue no() { return flag(false); }
  static OptionValue number(double r) {
    OptionValue v;
    v.kind = Kind::Real;
    v.real = r;
    return v;
  }
  static OptionValue string(std::string s) {
    OptionValue v;
    v.kind = Kind::String;
    v.text = std::move(s);
    return v;
  }
  static OptionValue list(std::vector<std::string> l) {
    OptionValue v;
    v.kind = Kind::Strings;
    v.strings = std::move(l);
    return v;
  }

 private:
  static OptionValue flag(bool on) {
    OptionValue v;
    v.b = on;
    return v;
  }
};
using OptionsFile = std::map<std::string, OptionValue>;

// Makes the process SpringBoard with the tweak installed (once per process).
void startSpringBoardOnce();

class Noctil7Test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The options file, written as XML by the test itself, then the options loader
  // run as the settings-changed notification would run it.
  void writeOptions(const OptionsFile& options);
  void reloadOptions();
  // "foldedSections" of the options file as stored now; nullopt when the file or key
  // is missing.
  std::optional<std::vector<std::string>> savedFoldedSections();
  std::string optionsFileText();

  // A host path under the device root.
  std::filesystem::path hostPath(const std::string& devicePath) const;

  // Host objects reached by name.
  static id notificationCenterController();
  static id visibleBulletinViewController();
  static id notificationCenterTable();
  static id lockScreenListController();
  static id lockScreenTable();
  // The cell of a row of a list, or nil when it has none on screen.
  static id cellOf(bool lockScreen, const std::string& sectionID, NSInteger row);
  // The table section index of a Notification Center section, or -1.
  static NSInteger sectionIndex(const std::string& sectionID);

  testing_support::TempDir root_;
};

// The text of an NSString (empty for nil).
std::string text(id string);
// An autoreleased NSString.
id str(const std::string& s);

}  // namespace noctil7_tests
