// BulletinBoard: bulletins and their actions, and the bulletin server's deliveries to
// observers through the main run loop, by feed, with removals and resets.
#include <bulletinboard/BulletinBoard.h>
#include <foundation/Clock.h>
#include <foundation/NSString.h>
#include <foundation/RunLoop.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objc::sel;
using objc::send;

namespace {

// A delegate that records what its observers are told, as "add:<id>:<feed>" and
// "remove:<id>".
std::vector<std::string>& events() {
  static std::vector<std::string> log;
  return log;
}

void recordAdd(id, SEL, id, id bulletin, NSUInteger feed) {
  events().push_back("add:" + bb::bulletinString(bulletin, sel<"bulletinID">()) + ":" + std::to_string(feed));
}
void recordRemove(id, SEL, id, id bulletin) {
  events().push_back("remove:" + bb::bulletinString(bulletin, sel<"bulletinID">()));
}

Class recorderClass() {
  static Class cls = objc::ClassBuilder<NSObjectIvars>("BBTestRecorder", objc::NSObjectClass())
                         .method<&recordAdd>("observer:addBulletin:forFeed:")
                         .method<&recordRemove>("observer:removeBulletin:")
                         .registerClass();
  return cls;
}

class BulletinBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::useManualClock(500000000.0);
    bb::BulletinServer::shared().reset();
    events().clear();
    recorder_ = objc::Ref::adopt(objc::allocInit(recorderClass()));
  }
  void TearDown() override {
    bb::BulletinServer::shared().reset();
    ns::RunLoop::main().runUntilIdle();
    ns::useRealClock();
  }
  objc::Ref observe(NSUInteger feed) {
    objc::Ref observer = objc::Ref::adopt(objc::allocInit(bb::BBObserverClass()));
    send<void>(observer, sel<"setObserverFeed:">(), feed);
    send<void>(observer, sel<"setDelegate:">(), recorder_.get());
    return observer;
  }
  objc::Ref bulletin(const std::string& section, const std::string& bulletinID) {
    bb::BulletinFields f;
    f.sectionID = section;
    f.bulletinID = bulletinID;
    f.recordID = "17";
    f.message = "hi";
    return bb::makeBulletin(f);
  }
  void serve() { ns::RunLoop::main().runUntilIdle(); }
  objc::Ref recorder_;
};

TEST_F(BulletinBoardTest, BulletinsCarryTheirFieldsAndDefaultAction) {
  bb::BulletinFields f;
  f.sectionID = "com.apple.MobileSMS";
  f.title = "Anna";
  f.message = "See you at 8";
  f.url = "sms:+15551234567";
  f.recordID = "42";
  f.bulletinID = "b-1";
  objc::Ref b = bb::makeBulletin(f);
  EXPECT_EQ(bb::bulletinString(b, sel<"sectionID">()), "com.apple.MobileSMS");
  EXPECT_EQ(bb::bulletinString(b, sel<"title">()), "Anna");
  EXPECT_EQ(bb::bulletinString(b, sel<"message">()), "See you at 8");
  EXPECT_EQ(send<NSInteger>(send<id>(b, sel<"recordID">()), sel<"integerValue">()), 42);
  id url = send<id>(send<id>(b, sel<"defaultAction">()), sel<"launchURL">());
  ASSERT_NE(url, nil);
  EXPECT_EQ(ns::utf8(send<id>(url, sel<"absoluteString">())), "sms:+15551234567");
  EXPECT_DOUBLE_EQ(send<double>(send<id>(b, sel<"date">()), sel<"timeIntervalSinceReferenceDate">()), 500000000.0);

  // Without a URL there is no default action; string properties are copied.
  f.url.clear();
  objc::Ref plain = bb::makeBulletin(f);
  EXPECT_EQ(send<id>(plain, sel<"defaultAction">()), nil);
  id mutableTitle = ns::mutableStr("mutable");
  send<void>(plain, sel<"setTitle:">(), mutableTitle);
  send<void>(mutableTitle, sel<"appendString:">(), ns::str(" changed"));
  EXPECT_EQ(bb::bulletinString(plain, sel<"title">()), "mutable");
}

TEST_F(BulletinBoardTest, DeliveriesArriveThroughTheRunLoopByFeed) {
  objc::Ref nc = observe(bb::kFeedNotificationCenter);
  objc::Ref lock = observe(bb::kFeedLockScreen);
  auto& server = bb::BulletinServer::shared();
  ASSERT_TRUE(server.publish(bulletin("a", "1"), bb::kFeedNotificationCenter).ok());
  ASSERT_TRUE(server.publish(bulletin("a", "2")).ok());
  EXPECT_TRUE(events().empty()) << "deliveries wait for the run loop";
  serve();
  EXPECT_EQ(events(), (std::vector<std::string>{"add:1:2", "add:2:2", "add:2:4"}));

  events().clear();
  EXPECT_TRUE(server.withdraw("2"));
  EXPECT_FALSE(server.withdraw("2"));
  serve();
  EXPECT_EQ(events(), (std::vector<std::string>{"remove:2", "remove:2"}));
  EXPECT_EQ(server.bulletins().size(), 1u);
}

TEST_F(BulletinBoardTest, ANewObserverHearsOfKeptBulletinsAndAnInvalidOneHearsNothing) {
  auto& server = bb::BulletinServer::shared();
  ASSERT_TRUE(server.publish(bulletin("a", "1")).ok());
  objc::Ref late = observe(bb::kFeedNotificationCenter);
  serve();
  EXPECT_EQ(events(), (std::vector<std::string>{"add:1:2"}));

  events().clear();
  ASSERT_TRUE(server.publish(bulletin("a", "2")).ok());
  send<void>(late, sel<"invalidate">());
  serve();
  EXPECT_TRUE(events().empty());
}

TEST_F(BulletinBoardTest, ClearSectionWithdrawsOnlyThatSectionAfterTheCallReturns) {
  objc::Ref nc = observe(bb::kFeedNotificationCenter);
  auto& server = bb::BulletinServer::shared();
  ASSERT_TRUE(server.publish(bulletin("sms", "1")).ok());
  ASSERT_TRUE(server.publish(bulletin("mail", "2")).ok());
  ASSERT_TRUE(server.publish(bulletin("sms", "3")).ok());
  serve();
  events().clear();
  send<void>(nc, sel<"clearSection:">(), ns::str("sms"));
  EXPECT_EQ(server.bulletins().size(), 3u) << "the server answers on its own time";
  serve();
  EXPECT_EQ(events(), (std::vector<std::string>{"remove:1", "remove:3"}));
  ASSERT_EQ(server.bulletins().size(), 1u);
  EXPECT_EQ(bb::bulletinString(server.bulletins()[0], sel<"bulletinID">()), "2");
}

TEST_F(BulletinBoardTest, BadBulletinsAreRefusedAndResetDropsPendingDeliveries) {
  objc::Ref nc = observe(bb::kFeedAll);
  auto& server = bb::BulletinServer::shared();
  EXPECT_FALSE(server.publish(nil).ok());
  EXPECT_FALSE(server.publish(bulletin("", "1")).ok());
  EXPECT_FALSE(server.publish(bulletin("a", "")).ok());
  ASSERT_TRUE(server.publish(bulletin("a", "1")).ok());
  auto duplicate = server.publish(bulletin("b", "1"));
  ASSERT_FALSE(duplicate.ok());
  EXPECT_NE(duplicate.error().message.find("delivered already"), std::string::npos);
  server.reset();
  serve();
  EXPECT_TRUE(events().empty());
  EXPECT_TRUE(server.bulletins().empty());
  EXPECT_EQ(server.nextRecordID("a"), "1");
  EXPECT_EQ(server.nextRecordID("a"), "2");
  EXPECT_EQ(server.nextRecordID("b"), "1");
}

TEST_F(BulletinBoardTest, EachDeliveryNamesItsObserverWhichGoesToNilWhenTheObserverGoes) {
  auto& server = bb::BulletinServer::shared();
  objc::Ref b = bulletin("a", "1");
  EXPECT_EQ(send<id>(b, sel<"observer">()), nil);
  EXPECT_TRUE(send<BOOL>(b, sel<"clearable">()));
  {
    objc::Ref nc = observe(bb::kFeedNotificationCenter);
    ASSERT_TRUE(server.publish(b).ok());
    serve();
    EXPECT_EQ(send<id>(b, sel<"observer">()), nc.get());
  }
  EXPECT_EQ(send<id>(b, sel<"observer">()), nil) << "a freed observer is not left behind";

  objc::Ref lock = observe(bb::kFeedLockScreen);
  serve();
  EXPECT_EQ(send<id>(b, sel<"observer">()), lock.get());
  send<void>(lock, sel<"invalidate">());
  EXPECT_EQ(send<id>(b, sel<"observer">()), nil);
}

TEST_F(BulletinBoardTest, ClearingASectionLeavesItsBulletinsThatAreNotClearable) {
  objc::Ref nc = observe(bb::kFeedNotificationCenter);
  auto& server = bb::BulletinServer::shared();
  bb::BulletinFields f;
  f.sectionID = "phone";
  f.bulletinID = "kept";
  f.clearable = false;
  objc::Ref kept = bb::makeBulletin(f);
  EXPECT_FALSE(send<BOOL>(kept, sel<"clearable">()));
  ASSERT_TRUE(server.publish(kept).ok());
  ASSERT_TRUE(server.publish(bulletin("phone", "gone")).ok());
  serve();
  events().clear();
  EXPECT_EQ(server.clearSection("phone"), 1u);
  serve();
  EXPECT_EQ(events(), (std::vector<std::string>{"remove:gone"}));
  send<void>(kept, sel<"setClearable:">(), BOOL{YES});
  EXPECT_EQ(server.clearSection("phone"), 1u);
}

TEST_F(BulletinBoardTest, AnObserverFreedBeforeADeliveryIsNotCalled) {
  auto& server = bb::BulletinServer::shared();
  {
    objc::Ref gone = observe(bb::kFeedAll);
    ASSERT_TRUE(server.publish(bulletin("a", "1")).ok());
  }
  serve();
  EXPECT_TRUE(events().empty());
}

}  // namespace
