// The scenario runner against a stand-in program: how failures are reported and
// counted, that a script with bad lines runs nothing, what each command family
// asks of the program and compares, and the files the generic commands touch.
#include "ScenarioRunner.h"

#include <foundation/DeviceRoot.h>

#include <TestSupport.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

using namespace hosts;
using scenario::ListKind;
using scenario::RowState;

namespace {

class FakeHomeScreen : public HomeScreen {
 public:
  std::string name() const override { return "iOS test"; }
  void registerClasses() override {}
  objc::Status launch() override { return objc::Ok{}; }
  void settle() override {}
  objc::Result<std::string> post(const scenario::PostBulletin& b) override {
    calls.push_back("post " + b.sectionID + " " + b.title.value_or("-"));
    if (b.sectionID == "refused") return objc::makeError("no such app");
    return std::string("b1");
  }
  objc::Status setBadge(const std::string& s, std::optional<long long> v) override {
    badges[s] = v;
    return objc::Ok{};
  }
  std::optional<long long> badge(const std::string& s) override { return badges.count(s) ? badges[s] : std::nullopt; }
  objc::Status lock() override { return record("lock"); }
  objc::Status unlock() override { return record("unlock"); }
  objc::Status showNotificationCenter() override { return record("nc show"); }
  objc::Status hideNotificationCenter() override { return record("nc hide"); }
  objc::Status pressHome() override { return record("home"); }
  objc::Status longPress(ListKind list, const std::string& s, long long row) override {
    if (row > 0) return objc::makeError("no cell on screen");
    return record(std::string("longpress ") + (list == ListKind::lockScreen ? "lock " : "nc ") + s);
  }
  objc::Status tapHeader(const std::string& s) override { return record("tap " + s); }
  objc::Status clearSection(const std::string& s) override { return record("clear " + s); }
  objc::Status performMenuItem(const std::string& t) override {
    if (t != "Delete") return objc::makeError("no such item");
    return record("menu " + t);
  }
  std::vector<std::string> visibleMenuItems() override { return menu; }
  RowReading row(ListKind, const std::string& s, long long r) override {
    auto it = rows.find(s + "#" + std::to_string(r));
    return it == rows.end() ? RowReading{} : it->second;
  }
  std::optional<std::string> headerTitle(const std::string& s) override {
    if (s == "com.apple.MobileSMS") return std::string("Messages");
    return std::nullopt;
  }

  objc::Status setPasscode(const std::optional<std::string>& code) override {
    return record("passcode " + code.value_or("none"));
  }
  objc::Status typePasscode(const std::string& code) override {
    if (!keypadShown) return objc::makeError("no keypad is shown");
    return record("keypad " + code);
  }
  objc::Status cancelKeypad() override { return record("keypad cancel"); }
  objc::Status sleep() override { return record("sleep"); }
  objc::Status wake() override { return record("wake"); }
  objc::Status rotate(scenario::Orientation o) override {
    return record("rotate " + std::to_string(static_cast<int>(o)));
  }
  objc::Status openApplication(const std::string& id) override { return record("open " + id); }
  objc::Status happen(scenario::SystemEvent e) override {
    if (e == scenario::SystemEvent::alertOn) return unavailable("an alarm alert");
    return record("event " + std::to_string(static_cast<int>(e)));
  }
  objc::Status drag(const scenario::Drag& d) override {
    char text[160];
    std::snprintf(text, sizeof text, "drag %d %g,%g %g,%g %gs %d steps end %d touches %d", static_cast<int>(d.window),
                  d.from.x, d.from.y, d.to.x, d.to.y, d.seconds, d.steps, static_cast<int>(d.end), d.touches);
    return record(text);
  }
  objc::Status swipe(const scenario::Swipe& w) override {
    char text[160];
    std::snprintf(text, sizeof text, "swipe %s %s %lld %s %g %gs from %s", w.list == ListKind::lockScreen ? "lock" : "nc",
                  w.sectionID.c_str(), w.row, w.left ? "left" : "right", w.distance, w.seconds,
                  w.fromX ? std::to_string(static_cast<int>(*w.fromX)).c_str() : "middle");
    return record(text);
  }
  objc::Status tapRow(ListKind list, const std::string& s, long long row) override {
    if (row > 0) return objc::makeError("no cell on screen");
    return record(std::string("tap ") + (list == ListKind::lockScreen ? "lock " : "nc ") + s);
  }
  objc::Status confirmDelete() override { return objc::makeError("no Delete button shows"); }
  objc::Status tapWidget(const std::string& s) override { return record("widget " + s); }
  objc::Status tapBanner(scenario::Point p) override {
    return record("banner " + std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y)));
  }
  objc::Status scrollNotificationCenter(double offset) override {
    return record("scroll " + std::to_string(static_cast<int>(offset)));
  }
  objc::Result<bool> state(scenario::DeviceState what) override {
    if (what == scenario::DeviceState::statusBar) return unavailable("the status bar");
    return states[what];
  }
  objc::Result<std::optional<std::string>> lastOpened() override { return opened; }
  objc::Result<std::vector<std::string>> soundsHeard() override { return sounds; }
  void forgetSounds() override {
    sounds.clear();
    ++soundsForgotten;
  }

  objc::Status record(std::string call) {
    calls.push_back(std::move(call));
    return objc::Ok{};
  }
  std::vector<std::string> calls;
  std::map<std::string, std::optional<long long>> badges;
  std::vector<std::string> menu;
  std::map<std::string, RowReading> rows;
  bool keypadShown = false;
  std::map<scenario::DeviceState, bool> states;
  std::optional<std::string> opened;
  std::vector<std::string> sounds;
  int soundsForgotten = 0;
};

class FakeHost : public ScenarioHost {
 public:
  explicit FakeHost(bool withHomeScreen) : withHomeScreen_(withHomeScreen) {}
  std::string programName() const override { return withHomeScreen_ ? "springboard" : "mobilesms"; }
  HomeScreen* homeScreen() override { return withHomeScreen_ ? &screen : nullptr; }
  void settle() override { ++settles; }
  void serveFor(double seconds) override {
    waited += seconds;
    if (++serves == 3) screen.badges["late"] = 5;  // something another process does meanwhile
    if (serves == 2) screen.sounds.push_back("unlock");  // a sound that comes late
  }
  objc::Status postDarwinNotification(std::string_view name) override {
    notifications.emplace_back(name);
    return objc::Ok{};
  }
  objc::Status setActionMenuAvailable(bool on) override {
    actionMenu = on;
    return objc::Ok{};
  }
  objc::Result<std::string> dumpScreen() override { return std::string("UIWindow (0 0; 320 568)"); }
  objc::Status writeScreenshot(const std::filesystem::path& file) override {
    if (file.string().find("full") != std::string::npos) return objc::makeError("the disk is full");
    screenshots.push_back(file.string());
    return objc::Ok{};
  }
  std::optional<AnimationReading> lastAnimation() override { return animation; }

  FakeHomeScreen screen;
  int settles = 0;
  double waited = 0;
  int serves = 0;
  std::vector<std::string> notifications;
  std::optional<bool> actionMenu;
  std::vector<std::string> screenshots;
  std::optional<AnimationReading> animation;

 private:
  bool withHomeScreen_;
};

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }
  int run(const std::string& script, bool withHomeScreen = true) {
    host_ = std::make_unique<FakeHost>(withHomeScreen);
    out_.str("");
    errors_.str("");
    ScenarioRunner runner(*host_, out_, errors_, "test.scn", false);
    runner.runScript(script);
    return runner.finish();
  }
  testing_support::TempDir root_;
  std::unique_ptr<FakeHost> host_;
  std::ostringstream out_;
  std::ostringstream errors_;
};

}  // namespace

TEST_F(RunnerTest, AFailedExpectationIsReportedWithItsLineAndTheScriptGoesOn) {
  int status = run("badge com.apple.MobileSMS 3\n"
                   "# a comment\n"
                   "expect badge com.apple.MobileSMS 4\n"
                   "lock\n"
                   "expect badge com.apple.MobileSMS 3\n");
  EXPECT_EQ(status, kExitFailed);
  EXPECT_EQ(errors_.str(),
            "test.scn:3: expectation failed\n"
            "    expect badge com.apple.MobileSMS 4\n"
            "    expected: 4\n"
            "    found:    3\n"
            "test.scn: 4 commands, 1 expectation met, 1 failed\n");
  EXPECT_EQ(host_->screen.calls, std::vector<std::string>{"lock"});
  EXPECT_EQ(host_->settles, 4);  // the run loop is served after every command
}

TEST_F(RunnerTest, AScriptWithBadLinesRunsNothing) {
  int status = run("lock\nbadge com.x many\nunlock\nfly\n");
  EXPECT_EQ(status, kExitBadInput);
  EXPECT_TRUE(host_->screen.calls.empty());
  EXPECT_NE(errors_.str().find("test.scn:2: error: badge: expected a number from 0 up or none, found many\n"
                               "    badge com.x many\n"),
            std::string::npos)
      << errors_.str();
  EXPECT_NE(errors_.str().find("test.scn:4: error: unknown command fly"), std::string::npos);
  EXPECT_NE(errors_.str().find("2 bad lines; nothing was run"), std::string::npos);
}

TEST_F(RunnerTest, LinesFromStandardInputGoOnPastABadLine) {
  FakeHost host(true);
  std::ostringstream out, errors;
  ScenarioRunner runner(host, out, errors, "stdin", true);
  runner.runText("lock", 1);
  runner.runText("lokc", 2);
  runner.runText("", 3);
  runner.runText("unlock", 4);
  EXPECT_EQ(runner.finish(), kExitFailed);
  EXPECT_EQ(host.screen.calls, (std::vector<std::string>{"lock", "unlock"}));
  EXPECT_EQ(out.str(), "[1] lock\n[4] unlock\n");
  EXPECT_NE(errors.str().find("stdin:2: error: unknown command lokc"), std::string::npos);
  EXPECT_NE(errors.str().find("stdin: 2 commands, 0 expectations met, 1 failed"), std::string::npos);
}

TEST_F(RunnerTest, HomeScreenCommandsNeedAHomeScreen) {
  EXPECT_EQ(run("post com.apple.MobileSMS title=x\nexpect row nc com.x 0 absent\necho fine\n", false), kExitFailed);
  EXPECT_NE(errors_.str().find("test.scn:1: post failed: post needs a home screen; mobilesms has none"),
            std::string::npos)
      << errors_.str();
  EXPECT_NE(errors_.str().find("test.scn:2: expect row failed"), std::string::npos);
  EXPECT_EQ(out_.str(), "fine\n");
}

TEST_F(RunnerTest, RowsMenusHeadersAndBadgesCompareAsShown) {
  host_ = std::make_unique<FakeHost>(true);
  host_->screen.rows["com.a#0"] = RowReading{RowState::visible, 88};
  host_->screen.rows["com.a#1"] = RowReading{RowState::hidden, 0};
  host_->screen.menu = {"Delete", "Clear All"};
  std::ostringstream out, errors;
  ScenarioRunner runner(*host_, out, errors, "t", false);
  runner.runScript("expect row nc com.a 0 visible\n"
                   "expect row nc com.a 0 visible height=88\n"
                   "expect row lock com.a 1 hidden height=0\n"
                   "expect row nc com.a 2 absent\n"
                   "expect menu Delete \"Clear All\"\n"
                   "expect header com.apple.MobileSMS Messages\n"
                   "expect badge com.a none\n");
  EXPECT_EQ(runner.failures(), 0) << errors.str();
  runner.runScript("expect row nc com.a 0 visible height=44\n"
                   "expect row nc com.a 2 hidden\n"
                   "expect menu \"Clear All\" Delete\n"
                   "expect menu\n"
                   "expect header com.a Messages\n"
                   "badge com.a 0\n"
                   "expect badge com.a none\n");
  EXPECT_EQ(runner.failures(), 6);
  const std::string e = errors.str();
  EXPECT_NE(e.find("expected: visible height=44\n    found:    visible height=88"), std::string::npos) << e;
  EXPECT_NE(e.find("expected: hidden\n    found:    absent"), std::string::npos) << e;
  EXPECT_NE(e.find("expected: \"Clear All\" \"Delete\"\n    found:    \"Delete\" \"Clear All\""), std::string::npos);
  EXPECT_NE(e.find("expected: no menu\n"), std::string::npos);
  EXPECT_NE(e.find("expected: \"Messages\"\n    found:    no header"), std::string::npos);
  EXPECT_NE(e.find("expected: none\n    found:    0"), std::string::npos);
}

TEST_F(RunnerTest, TouchesAndMenusSayWhyTheyFailed) {
  host_ = std::make_unique<FakeHost>(true);
  host_->screen.menu = {"Copy"};
  std::ostringstream out, errors;
  ScenarioRunner runner(*host_, out, errors, "t", false);
  runner.runScript("longpress lock com.a 0\nlongpress nc com.a 3\nmenu Delete\nmenu Paste\nnc show\nhome\n");
  EXPECT_EQ(host_->screen.calls,
            (std::vector<std::string>{"longpress lock com.a", "menu Delete", "nc show", "home"}));
  EXPECT_NE(errors.str().find("t:2: longpress failed: cannot long-press row 3 of com.a (nc): no cell on screen"),
            std::string::npos)
      << errors.str();
  EXPECT_NE(errors.str().find("t:4: menu failed: cannot perform menu item \"Paste\": no such item (the menu shows "
                              "\"Copy\")"),
            std::string::npos)
      << errors.str();
}

TEST_F(RunnerTest, SetWritesTheFileAndPostsTheChangeEachTime) {
  int status = run("set Enabled NO\n"
                   "set BlurValue 12\n"
                   "set foldedSections com.a,com.b\n"
                   "unset Missing\n"
                   "expect option Enabled NO\n"
                   "expect option BlurValue 12.0\n"
                   "expect option foldedSections com.a,com.b\n"
                   "expect option ColorTint absent\n"
                   "expect option BlurValue \"12.0\"\n"
                   "actionmenu on\n");
  EXPECT_EQ(status, kExitFailed);
  EXPECT_EQ(host_->notifications, std::vector<std::string>(4, "com.trelmo.noctil.settingschanged"));
  EXPECT_EQ(host_->actionMenu, true);
  // Only the quoted "12.0" fails: quoted values compare as text.
  EXPECT_NE(errors_.str().find("test.scn:9: expectation failed"), std::string::npos) << errors_.str();
  EXPECT_NE(errors_.str().find("expected: 12.0\n    found:    12\n"), std::string::npos);
  EXPECT_NE(errors_.str().find("4 expectations met, 1 failed"), std::string::npos);
}

TEST_F(RunnerTest, MessagesFilesWaitsAndOutput) {
  std::filesystem::create_directories(root_.path() / "var/mobile/Library/Noctil");
  int status = run("message +15550100 7 \"See you\"\n"
                   "expect read 7 no\n"
                   "expect read 8 no\n"
                   "message +15550100 7 \"again\"\n"
                   "expect file /var/mobile/Library/Noctil exists\n"
                   "expect file /var/mobile/Library/Other missing\n"
                   "expect file /../etc exists\n"
                   "wait 1.5\n"
                   "echo \"all done\"\n"
                   "dump\n");
  EXPECT_EQ(status, kExitFailed);
  EXPECT_DOUBLE_EQ(host_->waited, 1.5);
  EXPECT_EQ(out_.str(), "all done\nUIWindow (0 0; 320 568)\n");
  const std::string e = errors_.str();
  EXPECT_NE(e.find("test.scn:3: expectation failed"), std::string::npos) << e;
  EXPECT_NE(e.find("found:    no message 8"), std::string::npos) << e;
  EXPECT_NE(e.find("test.scn:4: message failed: cannot put the message into the store"), std::string::npos) << e;
  EXPECT_NE(e.find("test.scn:7: expect file failed: not a device path"), std::string::npos) << e;
  EXPECT_NE(e.find("3 expectations met, 3 failed"), std::string::npos) << e;
}

TEST_F(RunnerTest, WithinLooksAgainWhileServingTheRunLoop) {
  EXPECT_EQ(run("expect badge late 5 within 5\n"), kExitSuccess) << errors_.str();
  EXPECT_EQ(host_->serves, 3);
  // An expectation that never comes true fails once its time is up.
  EXPECT_EQ(run("expect badge late 7 within 0.1\n"), kExitFailed);
  EXPECT_NE(errors_.str().find("expected: 7\n    found:    5"), std::string::npos) << errors_.str();
  // Without within there is no second look.
  EXPECT_EQ(run("expect badge late 5\n"), kExitFailed);
  EXPECT_EQ(host_->serves, 0);
}

TEST_F(RunnerTest, DeviceCommandsReachTheHomeScreenAsWritten) {
  host_ = std::make_unique<FakeHost>(true);
  std::ostringstream out, errors;
  ScenarioRunner runner(*host_, out, errors, "t", false);
  runner.runScript("passcode 1234\n"
                   "sleep\n"
                   "wake\n"
                   "keypad 1234\n"
                   "keypad cancel\n"
                   "passcode none\n"
                   "rotate landscape-right\n"
                   "open com.apple.mobilemail\n"
                   "call incoming\n"
                   "camera off\n"
                   "alert on\n"
                   "drag statusbar 160,2 160,300.5 steps=4 seconds=0.2 end=none touches=2\n"
                   "swipe lock com.a 0 left 100 from=250\n"
                   "swipe nc com.a 1 right 40.5\n"
                   "tap nc com.a 0\n"
                   "tap lock com.a 3\n"
                   "confirm-delete\n"
                   "tap-widget com.apple.weather\n"
                   "tap-banner 40,12\n"
                   "scroll nc 180\n");
  EXPECT_EQ(host_->screen.calls,
            (std::vector<std::string>{"passcode 1234", "sleep", "wake", "keypad cancel", "passcode none", "rotate 3",
                                      "open com.apple.mobilemail", "event 0", "event 3",
                                      "drag 0 160,2 160,300.5 0.2s 4 steps end 2 touches 2",
                                      "swipe lock com.a 0 left 100 0.3s from 250", "swipe nc com.a 1 right 40.5 0.3s from middle",
                                      "tap nc com.a", "widget com.apple.weather", "banner 40,12", "scroll 180"}));
  const std::string e = errors.str();
  EXPECT_EQ(runner.failures(), 4) << e;
  EXPECT_NE(e.find("t:4: keypad failed: cannot type the passcode: no keypad is shown"), std::string::npos) << e;
  EXPECT_NE(e.find("t:11: alert failed: cannot play the alert: an alarm alert is not on iOS test"), std::string::npos)
      << e;
  EXPECT_NE(e.find("t:16: tap failed: cannot tap row 3 of com.a (lock): no cell on screen"), std::string::npos) << e;
  EXPECT_NE(e.find("t:17: confirm-delete failed: cannot tap the Delete confirmation button: no Delete button shows"),
            std::string::npos)
      << e;
  // Without a home screen none of them runs.
  EXPECT_EQ(run("passcode 1\nswipe nc com.a 0 left 5\nexpect locked no\n", false), kExitFailed);
  EXPECT_NE(errors_.str().find("test.scn:2: swipe failed: swipe needs a home screen; mobilesms has none"),
            std::string::npos)
      << errors_.str();
  EXPECT_NE(errors_.str().find("3 failed"), std::string::npos);
}

TEST_F(RunnerTest, DeviceStatesCompareInTheWordsOfTheScript) {
  host_ = std::make_unique<FakeHost>(true);
  host_->screen.states = {{scenario::DeviceState::list, true},
                          {scenario::DeviceState::locked, false},
                          {scenario::DeviceState::keypad, false},
                          {scenario::DeviceState::banner, true}};
  host_->screen.opened = "sms:+15551234567";
  std::ostringstream out, errors;
  ScenarioRunner runner(*host_, out, errors, "t", false);
  runner.runScript("expect list shown\nexpect locked no\nexpect keypad hidden\nexpect banner shown\n"
                   "expect opened sms:+15551234567\n");
  EXPECT_EQ(runner.failures(), 0) << errors.str();
  runner.runScript("expect list hidden\nexpect locked yes\nexpect keypad shown\nexpect banner none\n"
                   "expect opened com.apple.MobileSMS\nexpect statusbar time\n");
  EXPECT_EQ(runner.failures(), 6);
  const std::string e = errors.str();
  EXPECT_NE(e.find("expected: hidden\n    found:    shown"), std::string::npos) << e;
  EXPECT_NE(e.find("expected: yes\n    found:    no"), std::string::npos) << e;
  EXPECT_NE(e.find("expected: shown\n    found:    hidden"), std::string::npos) << e;
  EXPECT_NE(e.find("expected: none\n    found:    shown"), std::string::npos) << e;
  EXPECT_NE(e.find("expected: com.apple.MobileSMS\n    found:    sms:+15551234567"), std::string::npos) << e;
  // A read-back the version does not have is an error, not a mismatch.
  EXPECT_NE(e.find("t:6: expect statusbar failed: the status bar is not on iOS test"), std::string::npos) << e;
  host_->screen.opened.reset();
  runner.runScript("expect opened none\n");
  EXPECT_EQ(runner.failures(), 6) << errors.str();
}

TEST_F(RunnerTest, SoundsCountFromOneExpectSoundsToTheNext) {
  host_ = std::make_unique<FakeHost>(true);
  host_->screen.sounds = {"lock", "unlock"};
  std::ostringstream out, errors;
  ScenarioRunner runner(*host_, out, errors, "t", false);
  runner.runScript("expect sounds lock \"unlock\"\nexpect sounds\n");
  EXPECT_EQ(runner.failures(), 0) << errors.str();
  // A failed expect forgets what it saw too, so the next one starts afresh.
  host_->screen.sounds = {"lock"};
  runner.runScript("expect sounds unlock\nexpect sounds\n");
  EXPECT_EQ(runner.failures(), 1);
  EXPECT_NE(errors.str().find("expected: \"unlock\"\n    found:    \"lock\""), std::string::npos) << errors.str();
  // `within` looks again without forgetting: the sound played while serving counts.
  runner.runScript("expect sounds unlock within 5\nexpect sounds\n");
  EXPECT_EQ(runner.failures(), 1) << errors.str();
  EXPECT_EQ(host_->serves, 2);
  EXPECT_EQ(host_->screen.soundsForgotten, 6);
}

TEST_F(RunnerTest, AnimationReadsTheLastCommittedBlock) {
  host_ = std::make_unique<FakeHost>(true);
  std::ostringstream out, errors;
  ScenarioRunner runner(*host_, out, errors, "t", false);
  runner.runScript("expect animation easeInOut 0.3\n");
  EXPECT_NE(errors.str().find("expected: easeInOut 0.3\n    found:    no animation"), std::string::npos) << errors.str();
  host_->animation = AnimationReading{2, 0.4};
  runner.runScript("expect animation easeOut 0.4\nexpect animation 2 0.4\nexpect animation easeOut 0.25\n"
                   "expect animation linear 0.4\n");
  EXPECT_EQ(runner.failures(), 3);
  EXPECT_NE(errors.str().find("expected: easeOut 0.25\n    found:    easeOut 0.4"), std::string::npos) << errors.str();
  EXPECT_NE(errors.str().find("expected: linear 0.4\n    found:    easeOut 0.4"), std::string::npos) << errors.str();
}

TEST_F(RunnerTest, ScreenshotsFollowEveryCommandThatMayChangeTheScreen) {
  host_ = std::make_unique<FakeHost>(true);
  std::ostringstream out, errors;
  ScenarioRunner runner(*host_, out, errors, "t", false);
  runner.takeScreenshotsInto("shots");
  runner.runScript("# start\n"
                   "post com.a title=x\n"
                   "expect badge com.a none\n"
                   "echo hello\n"
                   "nc show\n"
                   "wait 1\n"
                   "screenshot mine.png\n"
                   "eval A b\n"
                   "message +1 2 hi\n"
                   "passcode 1234\n"
                   "tap nc com.a 5\n");
  // The screenshot command writes its own file; a failed command still shows its screen.
  EXPECT_EQ(host_->screenshots, (std::vector<std::string>{"shots/002-post.png", "shots/005-nc-show.png",
                                                          "shots/006-wait.png", "mine.png", "shots/011-tap.png"}));
  // A picture that cannot be written counts as a failure.
  runner.takeScreenshotsInto("full");
  runner.runScript("home\n");
  EXPECT_NE(errors.str().find("t:1: screenshot failed: the disk is full"), std::string::npos) << errors.str();
}
