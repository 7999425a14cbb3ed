// CoreTelephony's call centre: the telephony server's call-status notifications reach
// every live call centre through the runtime and keep its calls and event handler up
// to date; anything else changes nothing.
#include <telephony/Telephony.h>

#include <foundation/Block.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSNumber.h>
#include <foundation/NSString.h>
#include <objcface/Send.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objc::sel;
using objc::send;

namespace {

objc::Ref makeCenter() {
  return objc::Ref::adopt(send<id>(send<id>(ct::CTCallCenterClass(), sel<"alloc">()), sel<"init">()));
}

NSUInteger callCount(id center) {
  id calls = send<id>(center, sel<"currentCalls">());
  return calls ? send<NSUInteger>(calls, sel<"count">()) : 0;
}

TEST(TelephonyTest, CallStatusReachesEveryCallCenterAndItsHandler) {
  objc::AutoreleasePool pool;
  std::size_t before = ct::callCenterCount();
  objc::Ref first = makeCenter();
  objc::Ref second = makeCenter();
  EXPECT_EQ(ct::callCenterCount(), before + 2);
  std::vector<std::string> seen;
  objc::Ref handler = ns::makeBlock<void(id)>([&seen](id call) {
    seen.push_back(ns::utf8(send<id>(call, sel<"callID">())) + " " + ns::utf8(send<id>(call, sel<"callState">())));
  });
  send<void>(first, sel<"setCallEventHandler:">(), handler.get());
  EXPECT_EQ(send<id>(first, sel<"currentCalls">()), nil);

  EXPECT_EQ(ct::postCallStatus("a", ct::kCallStatusIncoming), before + 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"a CTCallStateIncoming"}));
  EXPECT_EQ(callCount(first), 1u);
  EXPECT_EQ(callCount(second), 1u);
  ct::postCallStatus("a", ct::kCallStatusConnected);
  EXPECT_EQ(callCount(first), 1u);
  ct::postCallStatus("a", ct::kCallStatusDisconnected);
  EXPECT_EQ(seen.back(), "a CTCallStateDisconnected");
  EXPECT_EQ(send<id>(first, sel<"currentCalls">()), nil);

  second.reset();  // a freed centre hears nothing more
  EXPECT_EQ(ct::callCenterCount(), before + 1);
  send<void>(first, sel<"setCallEventHandler:">(), id{nil});
  EXPECT_EQ(ct::postCallStatus("b", ct::kCallStatusIncoming), before + 1);
  EXPECT_EQ(seen.size(), 3u);
}

TEST(TelephonyTest, OtherNotificationsAndMissingValuesChangeNothing) {
  objc::AutoreleasePool pool;
  objc::Ref center = makeCenter();
  SEL handle = sel<"handleNotificationFromConnection:ofType:withInfo:">();
  id status = ns::numberWithInt(ct::kCallStatusIncoming);
  send<void>(center, handle, static_cast<void*>(nullptr), ns::str("kCTRegistrationStatusChangedNotification"),
             ns::dictionary({{ns::str("kCTCall"), ns::str("x")}, {ns::str("kCTCallStatus"), status}}));
  send<void>(center, handle, static_cast<void*>(nullptr), ns::str("kCTCallStatusChangeNotification"),
             ns::dictionary({{ns::str("kCTCall"), ns::str("x")}}));
  send<void>(center, handle, static_cast<void*>(nullptr), ns::str("kCTCallStatusChangeNotification"),
             ns::dictionary({{ns::str("kCTCallStatus"), status}}));
  send<void>(center, handle, static_cast<void*>(nullptr), ns::str("kCTCallStatusChangeNotification"), id{nil});
  send<void>(center, handle, static_cast<void*>(nullptr), id{nil}, id{nil});
  send<void>(center, handle, static_cast<void*>(nullptr), ns::str("kCTCallStatusChangeNotification"),
             ns::dictionary({{ns::str("kCTCall"), ns::str("x")}, {ns::str("kCTCallStatus"), ns::numberWithInt(99)}}));
  EXPECT_EQ(send<id>(center, sel<"currentCalls">()), nil);
}

}  // namespace
