// Removal inside the iOS 7 home screen: Delete and Clear All from the cell menu, and
// the host's removal of a whole Notification Center section.  Each removal takes the
// notification out of the lists, then edits the stored copy that belongs to its app
// (none for Phone, a read request for Messages, the Mail archive, else the push
// store) and lowers or clears the badge.  Read requests land on a stand-in for the
// Messages app's port; the application object's background launch is watched.
#include "stores/ArchiveContent.h"
#include "noctil7/Noctil7Fixture.h"
#include "noctil7/ReadRequests.h"

#include "MessageReadService.h"
#include "Removal.h"
#include "Startup.h"

#include <foundation/Bundle.h>
#include <foundation/Clock.h>
#include <foundation/DeviceRoot.h>
#include <objcface/Ivar.h>
#include <springboard7/HostControl.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace noctil7_tests;
using store_tests::archiveContent;
using objc::sel;

constexpr const char* kSMS = "com.apple.MobileSMS";
constexpr const char* kMail = "com.apple.mobilemail";
constexpr const char* kPhone = "com.apple.mobilephone";
constexpr const char* kChat = "com.example.chat";
const char* kPushStores = "/var/mobile/Library/SpringBoard/PushStore/";

fs::path testData(const std::string& name) { return testing_support::testDataDir() / "stores" / name; }

// Background launches asked of the application object, in order.
std::vector<std::pair<std::string, bool>> gLaunches;
BOOL watchedLaunch(id, SEL, id identifier, BOOL suspended) {
  gLaunches.emplace_back(text(identifier), suspended == YES);
  return NO;
}

// What the host's _removeSection: saw when it ran.
struct HostRemoval {
  std::string section;
  std::optional<NSInteger> badge;
  std::size_t requests;
};
std::vector<HostRemoval> gHostRemovals;
IMP gHostRemoveSection = nullptr;
ReadRequestRecorder* gRecorder = nullptr;

id watchedRemoveSection(id self, SEL cmd, id info) {
  std::string section = text(objc::send<id>(info, sel<"identifier">()));
  gHostRemovals.push_back({section, sb7::badge(section), gRecorder ? gRecorder->drain().size() : 0});
  return objc::callImp<id>(gHostRemoveSection, self, cmd, info);
}

class RemovalTest : public Noctil7Test {
 protected:
  void SetUp() override {
    Noctil7Test::SetUp();
    gLaunches.clear();
    gHostRemovals.clear();
    gRecorder = &recorder_;
    Method launch = class_getInstanceMethod(objc_lookUpClass("SpringBoard"),
                                            sel_registerName("launchApplicationWithIdentifier:suspended:"));
    hostLaunch_ = method_setImplementation(launch, objc::toImp(&watchedLaunch));
    gHostRemoveSection = std::exchange(noctil7::gRemoveSection.previous, objc::toImp(&watchedRemoveSection));
  }
  void TearDown() override {
    noctil7::gRemoveSection.previous = gHostRemoveSection;
    method_setImplementation(class_getInstanceMethod(objc_lookUpClass("SpringBoard"),
                                                     sel_registerName("launchApplicationWithIdentifier:suspended:")),
                             hostLaunch_);
    recorder_.close();
    gRecorder = nullptr;
    Noctil7Test::TearDown();
  }

  static std::string post(const std::string& section, const std::string& message, const std::string& url = "",
                          const std::string& record = "") {
    sb7::Notification n;
    n.sectionID = section;
    n.message = message;
    n.url = url;
    n.recordID = record;
    auto posted = sb7::post(n);
    EXPECT_TRUE(posted.ok());
    return posted.ok() ? posted.value() : "";
  }
  static void deleteRow(sb7::List list, const std::string& section, NSInteger row) {
    ASSERT_TRUE(sb7::longPress(list, section, row).ok());
    ASSERT_TRUE(sb7::performMenuItem("Delete").ok());
  }
  static void clearAll(sb7::List list, const std::string& section, NSInteger row) {
    ASSERT_TRUE(sb7::longPress(list, section, row).ok());
    ASSERT_TRUE(sb7::performMenuItem("Clear All").ok());
  }
  static std::vector<std::string> messages(sb7::List list, const std::string& section) {
    std::vector<std::string> out;
    for (NSInteger r = 0; r < sb7::rowCount(list, section); ++r) out.push_back(sb7::row(list, section, r).message);
    return out;
  }
  // Rows of a Notification Center section that have a cell now, by message.
  static std::set<std::string> messagesWithCells(const std::string& section) {
    std::set<std::string> out;
    for (NSInteger r = 0; r < sb7::rowCount(sb7::List::NotificationCenter, section); ++r)
      if (cellOf(false, section, r) != nil) out.insert(sb7::row(sb7::List::NotificationCenter, section, r).message);
    return out;
  }
  void setOption(const char* key, bool on) {
    options_[key] = on ? OptionValue::yes() : OptionValue::no();
    writeOptions(options_);
    reloadOptions();
  }
  fs::path install(const std::string& name, const std::string& devicePath) {
    fs::path target = hostPath(devicePath);
    fs::create_directories(target.parent_path());
    fs::copy_file(testData(name), target, fs::copy_options::overwrite_existing);
    return target;
  }
  // Every file under the stored-copy folders, with its size and write time.
  std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> storedFiles() {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> out;
    for (const char* folder : {"/var/mobile/Library/SpringBoard/PushStore", "/var/mobile/Library/Mail"}) {
      fs::path dir = hostPath(folder);
      if (!fs::exists(dir)) continue;
      for (const auto& entry : fs::recursive_directory_iterator(dir))
        out[entry.path().string()] = {entry.is_regular_file() ? entry.file_size() : 0, entry.last_write_time()};
    }
    return out;
  }

  ReadRequestRecorder recorder_;
  OptionsFile options_;
  IMP hostLaunch_ = nullptr;
};

TEST_F(RemovalTest, ALockScreenDeleteTakesTheMessageOutOfBothListsAsksForReadAndLowersTheBadge) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::setBadge(kSMS, 5).ok());
  ASSERT_TRUE(sb7::lock().ok());
  post(kSMS, "older", "sms:+15550001", "6");
  post(kSMS, "newer", "sms:+15550002", "7");
  ASSERT_EQ(sb7::rowCount(sb7::List::NotificationCenter, kSMS), 2);
  deleteRow(sb7::List::LockScreen, kSMS, 0);

  EXPECT_EQ(messages(sb7::List::LockScreen, kSMS), std::vector<std::string>{"older"});
  EXPECT_EQ(messages(sb7::List::NotificationCenter, kSMS), std::vector<std::string>{"older"});
  EXPECT_EQ(sb7::badge(kSMS), 4);
  const auto& requests = recorder_.waitFor(1);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].address, "+15550002");
  EXPECT_EQ(requests[0].recordID, 7);
  EXPECT_EQ(requests[0].entries, 2u);
  EXPECT_TRUE(gLaunches.empty());
}

TEST_F(RemovalTest, TheAddressIsThePieceAfterTheFirstSeparator) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  // Oldest first, so that row 0 is always the last one posted.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"sms:+15551234", "+15551234"},
      {"x:y", "y"},
      {"a=b=c", "b"},
      {"sms:/open?groupid=chat1234:extra", "chat1234:extra"},  // "=" wins over ":"
      {"sms:%2B1555%20777", "+1555 777"},                      // escapes decoded first
  };
  std::size_t sent = 0;
  for (const auto& [url, address] : cases) {
    post(kSMS, url, url, "12");
    deleteRow(sb7::List::NotificationCenter, kSMS, 0);
    const auto& requests = recorder_.waitFor(++sent);
    ASSERT_EQ(requests.size(), sent) << url;
    EXPECT_EQ(requests.back().address, address) << url;
    EXPECT_EQ(requests.back().recordID, 12) << url;
  }
}

TEST_F(RemovalTest, ALaunchURLWithoutASecondPieceSendsNothingAndLaunchesNothing) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::setBadge(kSMS, 3).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kSMS, "no url");
  post(kSMS, "no separator", "nothing-here");
  for (int i = 0; i < 2; ++i) deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  ASSERT_TRUE(ns::advanceClock(1.0).ok());
  EXPECT_TRUE(recorder_.drain().empty());
  EXPECT_TRUE(gLaunches.empty());
  EXPECT_EQ(sb7::badge(kSMS), 1);  // the badge goes down all the same
}

TEST_F(RemovalTest, WithMarkAsReadOffNoRequestGoesButTheBadgeStillDrops) {
  setOption("MarkSMSAsRead", false);
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::setBadge(kSMS, 2).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kSMS, "hello", "sms:+15551234", "3");
  deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  EXPECT_TRUE(recorder_.drain().empty());
  EXPECT_EQ(sb7::badge(kSMS), 1);
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, kSMS), 0);
}

TEST_F(RemovalTest, WithoutThePortMessagesIsLaunchedAndTheRequestRetriedUntilItServes) {
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kSMS, "hello", "sms:+15551234", "9");
  deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  using Launch = std::pair<std::string, bool>;
  EXPECT_EQ(gLaunches, (std::vector<Launch>{{kSMS, true}}));
  ASSERT_TRUE(ns::advanceClock(0.1).ok());
  EXPECT_EQ(gLaunches.size(), 2u);

  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(ns::advanceClock(0.1).ok());
  const auto& requests = recorder_.waitFor(1);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].address, "+15551234");
  EXPECT_EQ(requests[0].recordID, 9);
  ASSERT_TRUE(ns::advanceClock(1.0).ok());
  EXPECT_EQ(gLaunches.size(), 2u);
  EXPECT_EQ(recorder_.drain().size(), 1u);
}

TEST_F(RemovalTest, RetriesStopAfterTheirBoundAndTheRequestIsDropped) {
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kSMS, "hello", "sms:+15551234", "9");
  deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  ASSERT_TRUE(ns::advanceClock(noctil7::kMaxAttempts * noctil7::kRetryDelay + 5).ok());
  EXPECT_EQ(gLaunches.size(), static_cast<std::size_t>(noctil7::kMaxAttempts));
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(ns::advanceClock(1.0).ok());
  EXPECT_TRUE(recorder_.drain().empty());
}

TEST_F(RemovalTest, APortThatWentAwayIsReplacedAndTheRequestStillArrives) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kSMS, "one", "sms:+15550001", "1");
  deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  ASSERT_EQ(recorder_.waitFor(1).size(), 1u);
  // Messages ends; the cached port is found dead at the next removal.
  recorder_.close();
  post(kSMS, "two", "sms:+15550002", "2");
  deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  EXPECT_EQ(gLaunches.size(), 1u);
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(ns::advanceClock(0.1).ok());
  const auto& requests = recorder_.waitFor(2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].recordID, 2);
}

TEST_F(RemovalTest, TwoQuickRemovalsSendTwoRequestsOverOnePort) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kSMS, "one", "sms:+15550001", "1");
  post(kSMS, "two", "sms:+15550002", "2");
  deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  deleteRow(sb7::List::NotificationCenter, kSMS, 0);
  const auto& requests = recorder_.waitFor(2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].recordID, 2);
  EXPECT_EQ(requests[1].recordID, 1);
}

TEST_F(RemovalTest, APhoneNotificationTouchesNoFileAndOnlyLowersItsBadge) {
  install("com.example.chat.pushstore", std::string(kPushStores) + kPhone + ".pushstore");
  install("Bulletins", noctil7::kMailArchivePath);
  auto before = storedFiles();
  ASSERT_TRUE(sb7::setBadge(kPhone, 2).ok());
  ASSERT_TRUE(sb7::setBadge(kSMS, 4).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kPhone, "Dinner at 8?", "tel:+15551234", "mail-2");  // matches both stores' entries
  deleteRow(sb7::List::NotificationCenter, kPhone, 0);
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, kPhone), 0);
  EXPECT_EQ(storedFiles(), before);
  EXPECT_EQ(sb7::badge(kPhone), 1);
  EXPECT_EQ(sb7::badge(kSMS), 4);
  EXPECT_TRUE(gLaunches.empty());
}

TEST_F(RemovalTest, MailAndOtherAppsLoseTheirStoredCopy) {
  fs::path mail = install("Bulletins", noctil7::kMailArchivePath);
  fs::path store = install("com.example.chat.pushstore", std::string(kPushStores) + kChat + ".pushstore");
  ASSERT_TRUE(sb7::lock().ok());
  post(kMail, "Lunch?", "", "mail-2");
  post(kChat, "Dinner at 8?");
  deleteRow(sb7::List::LockScreen, kMail, 0);
  deleteRow(sb7::List::LockScreen, kChat, 0);
  EXPECT_EQ(archiveContent(mail), archiveContent(testData("Bulletins.without-mail-2")));
  EXPECT_EQ(archiveContent(store), archiveContent(testData("com.example.chat.pushstore.without-dinner")));
  EXPECT_TRUE(sb7::sections(sb7::List::LockScreen).empty());
}

TEST_F(RemovalTest, BadgesGoDownByOneAndAreNeverSetToZero) {
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  const std::vector<std::pair<std::optional<NSInteger>, std::optional<NSInteger>>> cases = {
      {5, 4}, {2, 1}, {1, std::nullopt}, {0, 0}, {std::nullopt, std::nullopt}};
  for (const auto& [before, after] : cases) {
    ASSERT_TRUE(sb7::setBadge(kChat, before).ok());
    post(kChat, "hello");
    deleteRow(sb7::List::NotificationCenter, kChat, 0);
    EXPECT_EQ(sb7::badge(kChat), after) << "from " << before.value_or(-1);
  }
  // With "RemoveBadge" off no badge changes, whatever removes the notification.
  setOption("RemoveBadge", false);
  ASSERT_TRUE(sb7::setBadge(kChat, 5).ok());
  post(kChat, "one");
  post(kChat, "two");
  deleteRow(sb7::List::NotificationCenter, kChat, 0);
  EXPECT_EQ(sb7::badge(kChat), 5);
  ASSERT_TRUE(sb7::clearSection(kChat).ok());
  EXPECT_EQ(sb7::badge(kChat), 5);
}

TEST_F(RemovalTest, ACellWithoutAKnownNotificationIsLeftAlone) {
  ASSERT_TRUE(sb7::setBadge(kChat, 3).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kChat, "hello");
  objc::Ref plain = objc::Ref::adopt(objc::send<id>(objc::send<id>(objc_lookUpClass("UITableViewCell"), sel<"alloc">()),
                                                    sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, str("x")));
  noctil7::removeNotificationOfCell(plain);
  noctil7::removeNotificationOfCell(nil);
  // A lock-screen cell whose notification is not in the lock-screen list.
  objc::Ref lockCell =
      objc::Ref::adopt(objc::send<id>(objc::send<id>(objc_lookUpClass("SBLockScreenBulletinCell"), sel<"alloc">()),
                                      sel<"initWithStyle:reuseIdentifier:">(), NSInteger{0}, str("x")));
  noctil7::removeNotificationOfCell(lockCell);
  EXPECT_EQ(sb7::badge(kChat), 3);
  EXPECT_EQ(sb7::rowCount(sb7::List::NotificationCenter, kChat), 1);
}

TEST_F(RemovalTest, ClearAllOnAListLongerThanTheScreenRemovesOnlyRowsWithCells) {
  ASSERT_TRUE(sb7::setBadge(kChat, 40).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  for (int i = 0; i < 30; ++i) post(kChat, "m" + std::to_string(i));
  post(kMail, "a mail");
  auto shown = messagesWithCells(kChat);
  ASSERT_GT(shown.size(), 0u);
  ASSERT_LT(shown.size(), 30u) << "the list must be longer than the screen";
  std::set<std::string> offScreen;
  for (const auto& m : messages(sb7::List::NotificationCenter, kChat))
    if (!shown.count(m)) offScreen.insert(m);

  clearAll(sb7::List::NotificationCenter, kChat, 0);
  auto left = messages(sb7::List::NotificationCenter, kChat);
  EXPECT_EQ(std::set<std::string>(left.begin(), left.end()), offScreen);
  EXPECT_EQ(sb7::badge(kChat), 40 - static_cast<NSInteger>(shown.size()));
}

TEST_F(RemovalTest, ClearAllOnTheLockScreenRemovesEveryShownNotificationOfEveryApp) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::setBadge(kSMS, 2).ok());
  ASSERT_TRUE(sb7::setBadge(kChat, 3).ok());
  ASSERT_TRUE(sb7::lock().ok());
  post(kSMS, "text", "sms:+15551234", "4");
  post(kChat, "chat one");
  post(kChat, "chat two");
  clearAll(sb7::List::LockScreen, kChat, 1);
  EXPECT_TRUE(sb7::sections(sb7::List::LockScreen).empty());
  EXPECT_TRUE(sb7::sections(sb7::List::NotificationCenter).empty());
  EXPECT_EQ(sb7::badge(kSMS), 1);
  EXPECT_EQ(sb7::badge(kChat), 1);
  EXPECT_EQ(recorder_.waitFor(1).size(), 1u);
}

TEST_F(RemovalTest, RemovingTheMessagesSectionClearsItsBadgeAndAsksForReadForRowsWithCells) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::setBadge(kSMS, 40).ok());
  ASSERT_TRUE(sb7::setBadge(kChat, 2).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  for (int i = 0; i < 30; ++i) post(kSMS, "m" + std::to_string(i), "sms:+1555000" + std::to_string(i), std::to_string(100 + i));
  post(kChat, "chat");
  // Rows with cells, in table order (newest first).
  std::vector<long long> shown;
  for (NSInteger r = 0; r < sb7::rowCount(sb7::List::NotificationCenter, kSMS); ++r)
    if (cellOf(false, kSMS, r) != nil) shown.push_back(100 + std::stoll(sb7::row(sb7::List::NotificationCenter, kSMS, r).message.substr(1)));
  ASSERT_GT(shown.size(), 0u);
  ASSERT_LT(shown.size(), 30u);

  ASSERT_TRUE(sb7::clearSection(kSMS).ok());
  // The host ran first, before the badge changed and before any request.
  ASSERT_EQ(gHostRemovals.size(), 1u);
  EXPECT_EQ(gHostRemovals[0].section, kSMS);
  EXPECT_EQ(gHostRemovals[0].badge, 40);
  EXPECT_EQ(gHostRemovals[0].requests, 0u);
  EXPECT_EQ(sb7::badge(kSMS), std::nullopt);
  EXPECT_EQ(sb7::badge(kChat), 2);
  const auto& requests = recorder_.waitFor(shown.size());
  std::vector<long long> asked;
  for (const auto& r : requests) asked.push_back(r.recordID.value_or(-1));
  EXPECT_EQ(asked, shown);
  EXPECT_EQ(recorder_.drain().size(), shown.size());
}

TEST_F(RemovalTest, RemovingAnotherSectionOnlyClearsItsBadge) {
  ASSERT_TRUE(recorder_.open());
  ASSERT_TRUE(sb7::setBadge(kChat, 7).ok());
  ASSERT_TRUE(sb7::setBadge(kSMS, 2).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  post(kSMS, "text", "sms:+15551234", "4");
  post(kChat, "chat");
  id bvc = visibleBulletinViewController();
  id info = objc::send<id>(bvc, sel<"sectionWithIdentifier:">(), str(kChat));
  ASSERT_NE(info, nil);
  // The replacement answers what the host answers: the section removed.
  EXPECT_EQ(objc::send<id>(bvc, sel<"_removeSection:">(), info), info);
  EXPECT_EQ(sb7::badge(kChat), std::nullopt);
  EXPECT_EQ(sb7::badge(kSMS), 2);
  EXPECT_TRUE(recorder_.drain().empty());

  // Messages with "MarkSMSAsRead" off: the badge is cleared, nothing is asked.
  setOption("MarkSMSAsRead", false);
  ASSERT_TRUE(sb7::clearSection(kSMS).ok());
  EXPECT_EQ(sb7::badge(kSMS), std::nullopt);
  EXPECT_TRUE(recorder_.drain().empty());
}

TEST_F(RemovalTest, TheMissedSectionFindsItsRowsThroughTheListsOwnItems) {
  ASSERT_TRUE(sb7::setBadge(kChat, 5).ok());
  ASSERT_TRUE(sb7::setBadge(kMail, 5).ok());
  ASSERT_TRUE(sb7::showNotificationCenter().ok());
  ASSERT_TRUE(sb7::selectMode(sb7::Mode::Missed).ok());
  post(kChat, "older chat");
  post(kMail, "newer mail", "", "m1");
  const std::string missed = noctil7::kMissedModeSection;
  ASSERT_EQ(messages(sb7::List::NotificationCenter, missed), (std::vector<std::string>{"newer mail", "older chat"}));
  // The missed section's list section is not what its rows show: only the list
  // items are.
  id info = objc::send<id>(visibleBulletinViewController(), sel<"sectionWithIdentifier:">(), str(missed));
  objc::send<void>(objc::send<id>(info, sel<"representedListSection">()), sel<"removeBulletinAtIndex:">(), NSUInteger{0});

  deleteRow(sb7::List::NotificationCenter, missed, 1);
  EXPECT_EQ(messages(sb7::List::NotificationCenter, missed), std::vector<std::string>{"newer mail"});
  EXPECT_EQ(sb7::badge(kChat), 4);
  EXPECT_EQ(sb7::badge(kMail), 5);
}

// ---- A home screen whose icon model has no shared instance ----------------------------

// Some home screens reach their icon model only through the home screen's icon view
// map: SBIconModel there does not answer sharedInstance.  This variant is made of
// test classes with the home screen's names, so it lives in a process of its own
// (the stand-in's home screen defines the same names).  Every call the library
// makes to it is logged.
std::vector<std::string> gVariantCalls;

struct VariantIconIvars : NSObjectIvars {
  id _badge;  // NSString or nil
};
NSInteger variantBadgeValue(id self, SEL) {
  id badge = objc::ivars<VariantIconIvars>(self)->_badge;
  return badge ? objc::send<NSInteger>(badge, sel<"integerValue">()) : 0;
}
void variantSetBadge(id self, SEL, id badge) {
  gVariantCalls.push_back("setBadge:" + (badge ? text(badge) : std::string("nil")));
  auto* icon = objc::ivars<VariantIconIvars>(self);
  id old = icon->_badge;
  icon->_badge = badge ? objc::send<id>(badge, sel<"copy">()) : nil;
  objc::release(old);
}

struct VariantModelIvars : NSObjectIvars {
  id _icons;  // NSMutableDictionary: display identifier → icon
};
id variantIconFor(id self, SEL, id identifier) {
  return objc::send<id>(objc::ivars<VariantModelIvars>(self)->_icons, sel<"objectForKey:">(), identifier);
}

struct VariantMapIvars : NSObjectIvars {
  id _model;
};
id gHomescreenMap = nil;
id variantHomescreenMap(id, SEL) {
  gVariantCalls.push_back("homescreenMap");
  return gHomescreenMap;
}
id variantIconModel(id self, SEL) {
  gVariantCalls.push_back("iconModel");
  return objc::ivars<VariantMapIvars>(self)->_model;
}

// Registers the variant's classes and makes its map, model and one icon per
// (display identifier, badge) pair.
void makeVariantHomeScreen(std::initializer_list<std::pair<const char*, const char*>> icons) {
  Class iconClass = objc::ClassBuilder<VariantIconIvars>("SBApplicationIcon", objc::NSObjectClass())
                        .ivar<&VariantIconIvars::_badge>("_badge")
                        .method<&variantBadgeValue>("badgeValue")
                        .method<&variantSetBadge>("setBadge:")
                        .registerClass();
  Class modelClass = objc::ClassBuilder<VariantModelIvars>("SBIconModel", objc::NSObjectClass())
                         .ivar<&VariantModelIvars::_icons>("_icons")
                         .method<&variantIconFor>("applicationIconForDisplayIdentifier:")
                         .registerClass();
  Class mapClass = objc::ClassBuilder<VariantMapIvars>("SBIconViewMap", objc::NSObjectClass())
                       .ivar<&VariantMapIvars::_model>("_model")
                       .method<&variantIconModel>("iconModel")
                       .classMethod<&variantHomescreenMap>("homescreenMap")
                       .registerClass();
  id model = objc::allocInit(modelClass);
  objc::ivars<VariantModelIvars>(model)->_icons =
      objc::retain(objc::send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">()));
  for (const auto& [identifier, badge] : icons) {
    objc::Ref icon = objc::Ref::adopt(objc::allocInit(iconClass));
    objc::ivars<VariantIconIvars>(icon)->_badge = badge ? objc::retain(str(badge)) : nil;
    objc::send<void>(objc::ivars<VariantModelIvars>(model)->_icons, sel<"setObject:forKey:">(), icon.get(),
                     str(identifier));
  }
  gHomescreenMap = objc::allocInit(mapClass);
  objc::ivars<VariantMapIvars>(gHomescreenMap)->_model = model;
}

std::string variantBadge(const char* identifier) {
  id model = objc::ivars<VariantMapIvars>(gHomescreenMap)->_model;
  id badge = objc::ivars<VariantIconIvars>(variantIconFor(model, nullptr, str(identifier)))->_badge;
  return badge ? text(badge) : "none";
}

TEST(Noctil7BadgeDeathTest, WithoutASharedIconModelTheHomeScreenMapGivesTheModel) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::TempDir root;
  EXPECT_EXIT(
      {
        objc::AutoreleasePool pool;
        ns::setDeviceRoot(root.path());
        ns::setMainBundleIdentifier("com.apple.springboard");
        ASSERT_EQ(objc_lookUpClass("SBIconModel"), Nil) << "the stand-in's home screen is registered already";
        makeVariantHomeScreen({{kChat, "5"}, {kSMS, "1"}, {kMail, nullptr}});
        ASSERT_FALSE(objc::send<BOOL>(objc_lookUpClass("SBIconModel"), sel<"respondsToSelector:">(),
                                      sel<"sharedInstance">()));
        noctil7::start();

        noctil7::updateBadge(str(kChat), NO);
        EXPECT_EQ(variantBadge(kChat), "4");
        EXPECT_EQ(gVariantCalls, (std::vector<std::string>{"homescreenMap", "iconModel", "setBadge:4"}));
        gVariantCalls.clear();
        noctil7::updateBadge(str(kSMS), NO);
        EXPECT_EQ(variantBadge(kSMS), "none");
        noctil7::updateBadge(str(kMail), NO);  // no badge: left alone
        EXPECT_EQ(gVariantCalls,
                  (std::vector<std::string>{"homescreenMap", "iconModel", "setBadge:nil", "homescreenMap", "iconModel"}));
        noctil7::updateBadge(str(kChat), YES);
        EXPECT_EQ(variantBadge(kChat), "none");
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
