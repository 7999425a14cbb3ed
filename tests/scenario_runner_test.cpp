// The scenario runner against a stand-in program: how failures are reported and
// counted, that a script with bad lines runs nothing, what each command family
// asks of the program and compares, and the files the generic commands touch.
#include "ScenarioRunner.h"

#include <foundation/DeviceRoot.h>

#include <TestSupport.h>
#include <gtest/gtest.h>

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

  objc::Status record(std::string call) {
    calls.push_back(std::move(call));
    return objc::Ok{};
  }
  std::vector<std::string> calls;
  std::map<std::string, std::optional<long long>> badges;
  std::vector<std::string> menu;
  std::map<std::string, RowReading> rows;
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

  FakeHomeScreen screen;
  int settles = 0;
  double waited = 0;
  int serves = 0;
  std::vector<std::string> notifications;
  std::optional<bool> actionMenu;

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
