// The Settings app of the preferences host program: loads the preference bundle that
// the device's PreferenceLoader entries name, keeps the stack of panes, prints what
// the user sees and runs the commands of PreferencesScript.h through the
// Preferences stand-in's user actions (PreferenceRows.h).
#pragma once

#include "PreferencesScript.h"

#include <objcface/NSObject.h>
#include <objcface/Result.h>
#include <preferences/PreferenceRows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace hosts::prefs {

struct AppConfig {
  std::string systemVersion = "7.0";  // what UIDevice answers
  bool pad = false;                   // userInterfaceIdiom 1
  bool camera = true;                 // the camera source is available
  std::filesystem::path fileBase;     // relative picture files of `pick` start here
};

class SettingsApp {
 public:
  // Sets the device up, loads the bundle and opens its root pane.
  static objc::Result<std::unique_ptr<SettingsApp>> launch(const AppConfig& config);
  ~SettingsApp();

  // Prints the current pane as the user sees it.
  void show(std::ostream& out);

  // Runs one command; an error describes a failed command or expectation.
  objc::Status run(const Command& command, std::ostream& out);

  // What is left undone when the script ends (a pick no picker answered).
  objc::Status finish();

 private:
  SettingsApp() = default;
  id currentPane() const;
  objc::Result<id> rowLabelled(const std::string& label) const;
  // The row bound to an option key: on this pane or one reachable from it, else on
  // any pane of the bundle.
  objc::Result<preferences::FoundRow> rowForKeyAnywhere(const std::string& key) const;
  // Answers a waiting pick through the sheet or picker on screen; reports what
  // appeared on screen.
  objc::Status settle(std::ostream& out);
  // An error while an action sheet or a full-screen picker is on screen: the user
  // cannot reach the pane's rows or its back button until it is answered.
  objc::Status paneCovered() const;

  objc::Status open(const Open& c, std::ostream& out);
  objc::Status back(std::ostream& out);
  objc::Status set(const Set& c, std::ostream& out);
  objc::Status press(const Press& c, std::ostream& out);
  objc::Status pick(const Pick& c, std::ostream& out);
  objc::Status source(const Source& c, std::ostream& out);
  objc::Status tapOutside(std::ostream& out);
  objc::Status cancel(std::ostream& out);
  objc::Status expectValue(const ExpectValue& c) const;
  objc::Status expectShown(const ExpectShown& c) const;
  objc::Status expectTitle(const ExpectTitle& c) const;
  objc::Status expectFile(const ExpectFile& c) const;
  objc::Status expectOpened(const ExpectOpened& c) const;

  AppConfig config_;
  objc::Ref window_;
  objc::Ref root_;  // PSRootController
  struct PendingPick {
    objc::Ref image;
    bool camera = false;
    std::string file;
  };
  std::optional<PendingPick> pending_;
  std::size_t openedSeen_ = 0;
  id lastSheet_ = nil;   // borrowed, only compared
  id lastPicker_ = nil;  // borrowed, only compared
};

}  // namespace hosts::prefs
