// The object faces of the run loop: delayed performs, NSTimer, dispatch_after, the
// main operation queue and block objects, all under the manual clock.
#include <foundation/Block.h>
#include <foundation/Clock.h>
#include <foundation/Dispatch.h>
#include <foundation/OperationQueue.h>
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>
#include <foundation/Timer.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using objc::sel;
using objc::send;

namespace {

std::vector<std::string>& events() {
  static std::vector<std::string> log;
  return log;
}
int& deallocs() {
  static int n = 0;
  return n;
}

// A recorder object: -note: logs its argument's tag, -ping logs "ping"; its dealloc
// is counted.
struct RecorderIvars : NSObjectIvars {
  int _tag;
};
void recorderNote(id, SEL, id argument) {
  events().push_back("note " + std::to_string(argument ? objc::ivars<RecorderIvars>(argument)->_tag : -1));
}
void recorderPing(id self, SEL) { events().push_back("ping " + std::to_string(objc::ivars<RecorderIvars>(self)->_tag)); }
void recorderTick(id, SEL, id timer) {
  events().push_back("tick");
  if (events().size() == 4) send<void>(timer, sel<"invalidate">());
}
BOOL recorderIsEqual(id self, SEL, id other) {
  return other != nil && objc::ivars<RecorderIvars>(other)->_tag == objc::ivars<RecorderIvars>(self)->_tag ? YES : NO;
}
void recorderDealloc(id self, SEL cmd) {
  ++deallocs();
  objc::sendSuper<void>(self, objc::classNamed("RlRecorder"), cmd);
}

Class recorderClass() {
  static Class cls = objc::ClassBuilder<RecorderIvars>("RlRecorder", objc::NSObjectClass())
                         .ivar<&RecorderIvars::_tag>("_tag")
                         .method<&recorderNote>("note:")
                         .method<&recorderPing>("ping")
                         .method<&recorderTick>("tick:")
                         .method<&recorderIsEqual>("isEqual:")
                         .method<&recorderDealloc>("dealloc")
                         .registerClass();
  return cls;
}

objc::Ref recorder(int tag) {
  objc::Ref r = objc::Ref::adopt(objc::allocInit(recorderClass()));
  objc::ivars<RecorderIvars>(r)->_tag = tag;
  return r;
}

void afterDelay(id target, const char* selector, id argument, double delay) {
  send<void>(target, sel<"performSelector:withObject:afterDelay:">(), sel_registerName(selector), argument, delay);
}

class ObjectFaces : public ::testing::Test {
 protected:
  void SetUp() override {
    ns::useManualClock(0);
    events().clear();
    deallocs() = 0;
  }
  void TearDown() override { ns::useRealClock(); }
};

TEST_F(ObjectFaces, DelayedPerformsDispatchAfterAndOperationsRunInDueOrder) {
  objc::Ref a = recorder(1), b = recorder(2);
  afterDelay(a, "ping", nil, 0.2);
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 100 * NSEC_PER_MSEC), dispatch_get_main_queue(), [] {
    events().push_back("dispatch 0.1");
    // Scheduled from work: a perform 0.1 s later, and a main-queue operation due now.
    ns::addOperationWithBlock(send<id>(ns::NSOperationQueueClass(), sel<"mainQueue">()),
                              [] { events().push_back("operation"); });
  });
  afterDelay(b, "ping", nil, 0.2);  // same due time as a's: runs after it
  dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 200 * NSEC_PER_MSEC), dispatch_get_main_queue(),
                 [] { events().push_back("dispatch 0.2"); });
  dispatch_async(dispatch_get_main_queue(), [] { events().push_back("async"); });
  ASSERT_TRUE(ns::advanceClock(0.15).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"async", "dispatch 0.1", "operation"}));
  ASSERT_TRUE(ns::advanceClock(0.05).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"async", "dispatch 0.1", "operation", "ping 1", "ping 2",
                                                "dispatch 0.2"}));
}

TEST_F(ObjectFaces, DelayedPerformRetainsReceiverAndArgumentUntilItRuns) {
  {
    objc::Ref target = recorder(1), argument = recorder(7);
    afterDelay(target, "note:", argument, 1.0);
  }
  EXPECT_EQ(deallocs(), 0) << "both are held by the pending perform";
  ASSERT_TRUE(ns::advanceClock(1.0).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"note 7"}));
  EXPECT_EQ(deallocs(), 2);
}

TEST_F(ObjectFaces, CancelledPerformsDoNotRunAndReleaseAtOnce) {
  objc::Ref target = recorder(1);
  {
    objc::Ref seven = recorder(7), eight = recorder(8), other = recorder(9);
    afterDelay(target, "note:", seven, 1.0);
    afterDelay(target, "note:", eight, 1.0);
    afterDelay(other, "note:", seven, 1.0);
  }
  // An equal argument (isEqual:) matches: only the perform with 7 on target goes.
  objc::Ref probe = recorder(7);
  send<void>(objc::NSObjectClass(), sel<"cancelPreviousPerformRequestsWithTarget:selector:object:">(), target.get(),
             sel<"note:">(), probe.get());
  EXPECT_EQ(deallocs(), 0) << "7 is still held by the other target's perform";
  send<void>(objc::NSObjectClass(), sel<"cancelPreviousPerformRequestsWithTarget:">(), target.get());
  EXPECT_EQ(deallocs(), 1) << "8 is released as soon as its perform is cancelled";
  ASSERT_TRUE(ns::advanceClock(2.0).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"note 7"}));
  EXPECT_EQ(deallocs(), 3);
}

TEST_F(ObjectFaces, RepeatingTimerTicksUntilItsTargetInvalidatesIt) {
  objc::Ref target = recorder(1);
  id timer = nil;
  {
    objc::AutoreleasePool pool;
    timer = send<id>(ns::NSTimerClass(), sel<"scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:">(),
                     0.5, target.get(), sel<"tick:">(), static_cast<id>(nil), BOOL{YES});
    objc::retain(timer);
  }
  EXPECT_EQ(send<NSUInteger>(target, sel<"retainCount">()), 2u) << "the timer retains its target";
  {
    objc::AutoreleasePool pool;
    EXPECT_DOUBLE_EQ(send<double>(send<id>(timer, sel<"fireDate">()), sel<"timeIntervalSinceReferenceDate">()), 0.5);
  }
  EXPECT_DOUBLE_EQ(send<double>(timer, sel<"timeInterval">()), 0.5);
  ASSERT_TRUE(ns::advanceClock(1.2).ok());
  EXPECT_EQ(events().size(), 2u);
  EXPECT_EQ(send<BOOL>(timer, sel<"isValid">()), YES);
  ASSERT_TRUE(ns::advanceClock(10).ok());
  EXPECT_EQ(events().size(), 4u) << "the fourth tick invalidates the timer";
  EXPECT_EQ(send<BOOL>(timer, sel<"isValid">()), NO);
  EXPECT_EQ(send<NSUInteger>(target, sel<"retainCount">()), 1u) << "invalidation releases the target";
  EXPECT_EQ(send<NSUInteger>(timer, sel<"retainCount">()), 1u) << "and the run loop lets go of the timer";
  objc::release(timer);
}

TEST_F(ObjectFaces, OneShotBlockTimerFiresOnceAndIsReleasedByTheLoop) {
  int fired = 0;
  id seen = nil;
  {
    objc::AutoreleasePool pool;
    id block = ns::block<void(id)>([&](id timer) {
      ++fired;
      seen = timer;
    });
    send<id>(ns::NSTimerClass(), sel<"scheduledTimerWithTimeInterval:repeats:block:">(), 2.0, BOOL{NO}, block);
  }
  ASSERT_TRUE(ns::advanceClock(5).ok());
  EXPECT_EQ(fired, 1);
  EXPECT_NE(seen, nil);
}

TEST_F(ObjectFaces, EachPassDrainsItsOwnAutoreleasePool) {
  EXPECT_EQ(objc::pendingAutoreleases(), 0u) << "no pool is open around the test";
  ns::RunLoop::main().perform([] { objc::autorelease(recorder(5).leak()); });
  ns::RunLoop::main().performAfter(1.0, [] { objc::autorelease(recorder(6).leak()); });
  EXPECT_TRUE(ns::RunLoop::main().runUntilIdle());
  EXPECT_EQ(deallocs(), 1) << "released when the pass ended, not leaked for want of a pool";
  ASSERT_TRUE(ns::advanceClock(1.0).ok());
  EXPECT_EQ(deallocs(), 2) << "advancing the clock drains a pool per piece of work";
}

TEST_F(ObjectFaces, BlocksCopyByRetainAndDestroyTheirCallableWithTheLastRelease) {
  auto captured = std::make_shared<int>(41);
  std::weak_ptr<int> watch = captured;
  objc::Ref block = ns::makeBlock<int(int)>([captured](int x) { return *captured + x; });
  captured.reset();
  EXPECT_TRUE(ns::isBlock(block));
  EXPECT_EQ(ns::invokeBlock<int(int)>(block, 1), 42);
  objc::Ref copy = objc::Ref::adopt(send<id>(block, sel<"copy">()));
  EXPECT_EQ(copy.get(), block.get());
  block.reset();
  EXPECT_FALSE(watch.expired());
  copy.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(ns::invokeBlock<int(int)>(nil, 1), 0);
  EXPECT_FALSE(ns::isBlock(recorder(1)));
}

TEST_F(ObjectFaces, InvokingABlockWithAnotherSignatureStops) {
  objc::Ref block = ns::makeBlock<void(BOOL)>([](BOOL) {});
  EXPECT_DEATH(ns::invokeBlock<void(id)>(block, static_cast<id>(nil)), "invoked as");
  EXPECT_DEATH(ns::invokeBlock<void()>(recorder(1)), "not a block");
}

TEST_F(ObjectFaces, MainQueueTakesBlockObjectsAndDropsForeverAndNullQueues) {
  {
    objc::AutoreleasePool pool;
    id queue = send<id>(ns::NSOperationQueueClass(), sel<"mainQueue">());
    EXPECT_EQ(queue, send<id>(ns::NSOperationQueueClass(), sel<"currentQueue">()));
    send<void>(queue, sel<"addOperationWithBlock:">(), ns::block<void()>([] { events().push_back("block op"); }));
    dispatch_async(dispatch_get_main_queue(), ns::block<void()>([] { events().push_back("block async"); }));
    dispatch_after(DISPATCH_TIME_FOREVER, dispatch_get_main_queue(), [] { events().push_back("never"); });
    dispatch_async(nullptr, [] { events().push_back("nowhere"); });
  }
  EXPECT_TRUE(events().empty());
  ASSERT_TRUE(ns::advanceClock(0).ok());
  EXPECT_EQ(events(), (std::vector<std::string>{"block op", "block async"}));
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, 5), DISPATCH_TIME_FOREVER);
  EXPECT_EQ(dispatch_time(dispatch_time(DISPATCH_TIME_NOW, 0), 1500) - dispatch_time(DISPATCH_TIME_NOW, 0), 1500u);
}

}  // namespace
