// The client side of the message-read service inside the iOS 7 home screen, when
// Messages is not serving: requests that wait for the port at the same time share
// one background launch and one look per retry tick, each keeps its own bound, they
// go out in order once the port is there, and a send that fails is retried like a
// missing port instead of being lost.
#include "noctil7/Noctil7Fixture.h"
#include "noctil7/ReadRequests.h"

#include "MessageReadService.h"

#include <bulletinboard/BulletinBoard.h>
#include <corefoundation/CFMessagePort.h>
#include <foundation/Clock.h>

#include <dlfcn.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace noctil7_tests;
using objc::sel;

// Background launches asked of the application object.
int gLaunches = 0;
BOOL countedLaunch(id, SEL, id, BOOL) {
  ++gLaunches;
  return NO;
}

// Sends that are made to fail, as a service that goes away between the port check
// and the send would make them.  This definition stands in front of the platform's
// for the tweak library, which reaches it through the dynamic linker.
int gSendsToFail = 0;     // the next this many sends fail
int gFailSendNumber = 0;  // the send with this ordinal fails (0: none)
int gSendsTried = 0;

}  // namespace

extern "C" SInt32 CFMessagePortSendRequest(CFMessagePortRef remote, SInt32 msgid, CFDataRef data,
                                           CFTimeInterval sendTimeout, CFTimeInterval rcvTimeout, CFStringRef replyMode,
                                           CFDataRef* returnData) {
  using Send = SInt32 (*)(CFMessagePortRef, SInt32, CFDataRef, CFTimeInterval, CFTimeInterval, CFStringRef, CFDataRef*);
  static const auto platformSend = reinterpret_cast<Send>(dlsym(RTLD_NEXT, "CFMessagePortSendRequest"));
  ++gSendsTried;
  if (gSendsToFail > 0 || gSendsTried == gFailSendNumber) {
    if (gSendsToFail > 0) --gSendsToFail;
    return kCFMessagePortBecameInvalidError;
  }
  return platformSend(remote, msgid, data, sendTimeout, rcvTimeout, replyMode, returnData);
}

namespace {

class ReadRequestTest : public Noctil7Test {
 protected:
  void SetUp() override {
    Noctil7Test::SetUp();
    gLaunches = 0;
    gSendsToFail = 0;
    gFailSendNumber = 0;
    gSendsTried = 0;
    launch_ = class_getInstanceMethod(objc_lookUpClass("SpringBoard"),
                                      sel_registerName("launchApplicationWithIdentifier:suspended:"));
    hostLaunch_ = method_setImplementation(launch_, objc::toImp(&countedLaunch));
  }
  void TearDown() override {
    method_setImplementation(launch_, hostLaunch_);
    recorder_.close();
    Noctil7Test::TearDown();
  }

  static void request(int recordID, const std::string& url = "") {
    objc::AutoreleasePool pool;
    bb::BulletinFields fields;
    fields.sectionID = "com.apple.MobileSMS";
    fields.message = "message " + std::to_string(recordID);
    fields.url = url.empty() ? "sms:+1555000" + std::to_string(recordID) : url;
    fields.recordID = std::to_string(recordID);
    fields.bulletinID = "read-" + std::to_string(recordID);
    objc::Ref bulletin = bb::makeBulletin(fields);
    noctil7::requestMarkAsRead(bulletin);
  }
  static void tick() { ASSERT_TRUE(ns::advanceClock(noctil7::kRetryDelay).ok()); }
  std::vector<long long> recordIDs() {
    std::vector<long long> out;
    for (const auto& r : recorder_.requests()) out.push_back(r.recordID.value_or(-1));
    return out;
  }

  ReadRequestRecorder recorder_;
  Method launch_ = nullptr;
  IMP hostLaunch_ = nullptr;
};

TEST_F(ReadRequestTest, ThirtyWaitingRequestsShareOneLaunchPerTickAndAllArriveInOrder) {
  for (int i = 1; i <= 30; ++i) request(i);
  // One launch for all thirty, not one each.
  EXPECT_EQ(gLaunches, 1);
  EXPECT_EQ(noctil7::waitingReadRequests(), 30u);
  for (int t = 1; t <= 5; ++t) {
    tick();
    EXPECT_EQ(gLaunches, 1 + t) << "tick " << t;
  }
  // A request made while the chain runs joins it without a launch of its own.
  request(31);
  EXPECT_EQ(gLaunches, 6);

  ASSERT_TRUE(recorder_.open());
  tick();
  const auto& arrived = recorder_.waitFor(31);
  ASSERT_EQ(arrived.size(), 31u);
  std::vector<long long> expected;
  for (int i = 1; i <= 31; ++i) expected.push_back(i);
  EXPECT_EQ(recordIDs(), expected);
  EXPECT_EQ(noctil7::waitingReadRequests(), 0u);
  // The chain has ended: no more launches, nothing sent twice.
  ASSERT_TRUE(ns::advanceClock(2.0).ok());
  EXPECT_EQ(gLaunches, 6);
  EXPECT_EQ(recorder_.drain().size(), 31u);
}

TEST_F(ReadRequestTest, EachRequestKeepsItsOwnBound) {
  request(1);
  // Half-way through the first request's retries a second one joins.
  for (int t = 0; t < noctil7::kMaxAttempts / 2; ++t) tick();
  request(2);
  EXPECT_EQ(noctil7::waitingReadRequests(), 2u);
  for (int t = 0; t < noctil7::kMaxAttempts / 2; ++t) tick();
  // The first has used its attempts and is dropped; the second still waits, so the
  // last tick launched once more for it.
  EXPECT_EQ(noctil7::waitingReadRequests(), 1u);
  EXPECT_EQ(gLaunches, noctil7::kMaxAttempts + 1);

  ASSERT_TRUE(recorder_.open());
  tick();
  const auto& arrived = recorder_.waitFor(1);
  ASSERT_EQ(arrived.size(), 1u);
  EXPECT_EQ(arrived[0].recordID, 2);
  EXPECT_EQ(recorder_.drain().size(), 1u);
}

TEST_F(ReadRequestTest, AFailedSendIsRetriedLikeAMissingPort) {
  ASSERT_TRUE(recorder_.open());
  gSendsToFail = 1;
  request(7);
  // The port was there but the send failed: nothing arrived, and the request waits
  // for the next tick with Messages launched, as for a missing port.
  EXPECT_EQ(gSendsTried, 1);
  EXPECT_EQ(gLaunches, 1);
  EXPECT_EQ(noctil7::waitingReadRequests(), 1u);
  tick();
  const auto& arrived = recorder_.waitFor(1);
  ASSERT_EQ(arrived.size(), 1u);
  EXPECT_EQ(arrived[0].recordID, 7);
  EXPECT_EQ(arrived[0].address, "+15550007");
  EXPECT_EQ(gSendsTried, 2);
  ASSERT_TRUE(ns::advanceClock(1.0).ok());
  EXPECT_EQ(recorder_.drain().size(), 1u);
  EXPECT_EQ(gLaunches, 1);
}

TEST_F(ReadRequestTest, AFailureMidQueueKeepsTheRestInOrder) {
  for (int i = 1; i <= 4; ++i) request(i);
  EXPECT_EQ(gLaunches, 1);
  ASSERT_TRUE(recorder_.open());
  // At the next tick the first request goes and the second send fails: the second
  // and everything behind it wait for the tick after, Messages launched again.
  gFailSendNumber = gSendsTried + 2;
  tick();
  ASSERT_EQ(recorder_.waitFor(1).size(), 1u);
  EXPECT_EQ(noctil7::waitingReadRequests(), 3u);
  EXPECT_EQ(gLaunches, 2);
  tick();
  ASSERT_EQ(recorder_.waitFor(4).size(), 4u);
  EXPECT_EQ(recordIDs(), (std::vector<long long>{1, 2, 3, 4}));
  EXPECT_EQ(noctil7::waitingReadRequests(), 0u);
}

TEST_F(ReadRequestTest, ANotificationWithoutAnAddressNeitherWaitsNorLaunches) {
  request(3, "no-separator-here");
  EXPECT_EQ(noctil7::waitingReadRequests(), 0u);
  EXPECT_EQ(gLaunches, 0);
  // Behind a waiting request it is dropped when its turn comes, never sent.
  request(4);
  request(5, "nothing");
  ASSERT_TRUE(recorder_.open());
  tick();
  ASSERT_EQ(recorder_.waitFor(1).size(), 1u);
  EXPECT_EQ(recorder_.drain().size(), 1u);
  EXPECT_EQ(noctil7::waitingReadRequests(), 0u);
}

}  // namespace
