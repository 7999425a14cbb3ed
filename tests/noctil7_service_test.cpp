// The message-read service as it runs in Messages: the tweak started in a process
// whose bundle identifier is "com.apple.MobileSMS" serves its port on its own thread
// and marks messages read in the SQLite message store on the main thread.  Requests
// come from this process's own client side (the code SpringBoard runs) and from raw
// sends of well- and ill-formed data.
#include "MessageReadService.h"
#include "Startup.h"

#include <TestSupport.h>
#include <bulletinboard/BulletinBoard.h>
#include <chatkit/ChatKit.h>
#include <chatkit/MessageStore.h>
#include <corefoundation/CFMessagePort.h>
#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>
#include <objcface/NSObject.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using objc::sel;

id str(const char* s) { return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), s); }

// One device root for the whole program: the service's port lives under it from the
// moment the tweak starts.
testing_support::TempDir& deviceRoot() {
  static testing_support::TempDir root;
  return root;
}

void startMessagesOnce() {
  static bool started = [] {
    ns::setDeviceRoot(deviceRoot().path());
    ns::setMainBundleIdentifier("com.apple.MobileSMS");
    noctil7::start();
    return true;
  }();
  (void)started;
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startMessagesOnce();
    // A fresh store for each test; the conversation objects are read again from it.
    std::filesystem::remove_all(deviceRoot().path() / "var/mobile/Library/SMS");
    ck::resetConversationList();
    noctil7::resetServiceState();
    // The service thread opens its port soon after start-up; a bounded wait for it.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!isServing() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(isServing());
  }

  static bool isServing() {
    CFMessagePortRef remote = CFMessagePortCreateRemote(nullptr, reinterpret_cast<CFStringRef>(str(noctil7::kServicePortName)));
    bool valid = remote != nullptr && CFMessagePortIsValid(remote);
    if (remote != nullptr) CFRelease(remote);
    return valid;
  }

  static void sendRaw(const std::vector<std::uint8_t>& bytes) {
    CFMessagePortRef remote = CFMessagePortCreateRemote(nullptr, reinterpret_cast<CFStringRef>(str(noctil7::kServicePortName)));
    ASSERT_NE(remote, nullptr);
    CFDataRef data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    EXPECT_EQ(CFMessagePortSendRequest(remote, 0, data, 5.0, 5.0, nullptr, nullptr), 0);
    CFRelease(data);
    CFRelease(remote);
  }
  static void sendObject(id root) {
    objc::AutoreleasePool pool;
    id data = objc::send<id>(objc_lookUpClass("NSKeyedArchiver"), sel<"archivedDataWithRootObject:">(), root);
    ASSERT_NE(data, nil);
    auto* bytes = static_cast<const std::uint8_t*>(objc::send<const void*>(data, sel<"bytes">()));
    sendRaw(std::vector<std::uint8_t>(bytes, bytes + objc::send<NSUInteger>(data, sel<"length">())));
  }
  static id request(id address, id recordID) {
    id dictionary = objc::send<id>(objc_lookUpClass("NSMutableDictionary"), sel<"dictionary">());
    if (address != nil) objc::send<void>(dictionary, sel<"setObject:forKey:">(), address, str("address"));
    if (recordID != nil) objc::send<void>(dictionary, sel<"setObject:forKey:">(), recordID, str("recordID"));
    return dictionary;
  }
  static id number(long long value) {
    return objc::send<id>(objc_lookUpClass("NSNumber"), sel<"numberWithLongLong:">(), value);
  }

  // Serves the main run loop (where the service hands its work) until the message is
  // read, at most a few seconds of real time.
  static bool becomesRead(int64_t rowID, double seconds = 5.0) {
    return ns::RunLoop::main().runUntil([&] { return isRead(rowID); }, seconds);
  }
  static bool isRead(int64_t rowID) {
    auto read = ck::isMessageRead(rowID);
    return read.ok() && read.value();
  }
  // Gives requests in flight time to arrive and be handled.
  static void settle() { ns::RunLoop::main().runUntil([] { return false; }, 0.3); }

  static void requestFromNotification(const std::string& url, const std::string& recordID) {
    objc::AutoreleasePool pool;
    bb::BulletinFields fields;
    fields.sectionID = "com.apple.MobileSMS";
    fields.message = "hello";
    fields.url = url;
    fields.recordID = recordID;
    fields.bulletinID = "b-" + recordID;
    objc::Ref bulletin = bb::makeBulletin(fields);
    noctil7::requestMarkAsRead(bulletin);
  }
};

TEST_F(ServiceTest, ARequestMarksTheMessageOfThatAddressRead) {
  ASSERT_TRUE(ck::addMessage("+15551234", 7, "first").ok());
  ASSERT_TRUE(ck::addMessage("+15551234", 8, "second").ok());
  requestFromNotification("sms:+15551234", "8");
  EXPECT_TRUE(becomesRead(8));
  EXPECT_FALSE(isRead(7));
}

TEST_F(ServiceTest, TheAddressIsTakenAfterTheFirstSeparator) {
  ASSERT_TRUE(ck::addMessage("+15551234", 3, "x").ok());
  ASSERT_TRUE(ck::addMessage("+15559876", 4, "y").ok());
  requestFromNotification("a=+15551234=c", "3");
  requestFromNotification("sms:+15559876", "4");
  EXPECT_TRUE(becomesRead(3));
  EXPECT_TRUE(becomesRead(4));
}

TEST_F(ServiceTest, AGroupChatIsFoundByItsIdentifier) {
  ASSERT_TRUE(ck::addMessage("chat778899", 11, "group").ok());
  ASSERT_TRUE(ck::addMessage("+15551234", 12, "single").ok());
  requestFromNotification("sms:/open?groupid=chat778899", "11");
  EXPECT_TRUE(becomesRead(11));
  EXPECT_FALSE(isRead(12));
}

TEST_F(ServiceTest, AnAddressWrittenOtherwiseIsFoundThroughTheRecipients) {
  ASSERT_TRUE(ck::addMessage("+15551234567", 21, "hello").ok());
  objc::AutoreleasePool pool;
  sendObject(request(str("+1 (555) 123-4567"), number(21)));
  EXPECT_TRUE(becomesRead(21));
}

TEST_F(ServiceTest, ARowIDThatMatchesNothingChangesNothing) {
  ASSERT_TRUE(ck::addMessage("+15551234", 7, "first").ok());
  ASSERT_TRUE(ck::addMessage("+15551234", 8, "second").ok());
  ASSERT_TRUE(ck::addMessage("+15550000", 9, "elsewhere").ok());
  objc::AutoreleasePool pool;
  sendObject(request(str("+15551234"), number(9)));     // a row of another chat
  sendObject(request(str("+15551234"), number(999)));   // no such row
  sendObject(request(str("+15557777"), number(7)));     // no such chat
  settle();
  EXPECT_FALSE(isRead(7));
  EXPECT_FALSE(isRead(8));
  EXPECT_FALSE(isRead(9));
  EXPECT_TRUE(isServing());
}

TEST_F(ServiceTest, MalformedRequestsAreDroppedAndTheServiceGoesOn) {
  ASSERT_TRUE(ck::addMessage("+15551234", 5, "hello").ok());
  objc::AutoreleasePool pool;
  sendRaw({});
  sendRaw({0xde, 0xad, 0xbe, 0xef, 0x00, 0x01});
  sendRaw(std::vector<std::uint8_t>{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xff, 0xff});
  sendObject(objc::send<id>(objc_lookUpClass("NSArray"), sel<"arrayWithObject:">(), str("+15551234")));
  sendObject(str("+15551234"));
  sendObject(request(str("+15551234"), nil));
  sendObject(request(nil, number(5)));
  sendObject(request(number(5), number(5)));
  sendObject(request(str("+15551234"), str("5")));
  settle();
  EXPECT_FALSE(isRead(5));
  EXPECT_TRUE(isServing());
  sendObject(request(str("+15551234"), number(5)));
  EXPECT_TRUE(becomesRead(5));
}

TEST_F(ServiceTest, ASecondServiceFindsTheNameTakenAndEndsWithoutServing) {
  objc::Ref second = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("NoctilService")));
  objc::send<void>(second, sel<"start">());
  EXPECT_TRUE(ns::waitUntilThreadFinished(second, 5.0));
  EXPECT_TRUE(objc::send<BOOL>(second, sel<"isFinished">()));
  EXPECT_EQ(objc::send<CFMessagePortRef>(second, sel<"localPort">()), nullptr);
  // The first goes on serving.
  ASSERT_TRUE(ck::addMessage("+15551234", 6, "hello").ok());
  requestFromNotification("sms:+15551234", "6");
  EXPECT_TRUE(becomesRead(6));
}

TEST_F(ServiceTest, TwoRequestsInQuickSuccessionAreBothServed) {
  ASSERT_TRUE(ck::addMessage("+15551234", 31, "a").ok());
  ASSERT_TRUE(ck::addMessage("+15551234", 32, "b").ok());
  requestFromNotification("sms:+15551234", "31");
  requestFromNotification("sms:+15551234", "32");
  EXPECT_TRUE(becomesRead(31));
  EXPECT_TRUE(becomesRead(32));
}

}  // namespace
