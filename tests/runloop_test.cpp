// The run loop core and the process clock: due order under the manual clock,
// repeating timers, posted work, modes, descriptor and signalled sources, stopping.
#include <foundation/Clock.h>
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

class ManualClock : public ::testing::Test {
 protected:
  void SetUp() override { ns::useManualClock(1000.0); }
  void TearDown() override { ns::useRealClock(); }
  std::vector<std::string> log;
  std::function<void()> note(std::string what) {
    return [this, what] { log.push_back(what + "@" + std::to_string(static_cast<int>(ns::now() * 10) - 10000)); };
  }
};

TEST_F(ManualClock, AdvanceRunsDueWorkInDueOrderThenSchedulingOrder) {
  auto& main = ns::RunLoop::main();
  main.performAfter(2.0, note("b"));
  main.performAfter(1.0, note("a"));
  main.performAfter(2.0, note("c"));  // ties keep scheduling order
  main.perform(note("now"));
  main.performAfter(5.0, note("late"));
  EXPECT_TRUE(log.empty()) << "nothing runs before the clock moves or the loop runs";
  ASSERT_TRUE(ns::advanceClock(3.0).ok());
  // Times are tenths of a second since the start: each piece sees its own due time.
  EXPECT_EQ(log, (std::vector<std::string>{"now@0", "a@10", "b@20", "c@20"}));
  EXPECT_DOUBLE_EQ(ns::now(), 1003.0);
  ASSERT_TRUE(ns::advanceClock(2.0).ok());
  EXPECT_EQ(log.back(), "late@50");
}

TEST_F(ManualClock, WorkScheduledByWorkRunsWithinTheSameAdvance) {
  auto& main = ns::RunLoop::main();
  main.performAfter(1.0, [&] {
    note("first")();
    main.performAfter(0.5, note("child"));  // due 1.5: inside the span
    main.perform(note("posted"));            // due now: right after this one
    main.performAfter(5.0, note("outside"));  // due 6.0: outside the span
  });
  main.performAfter(1.2, note("between"));
  ASSERT_TRUE(ns::advanceClock(2.0).ok());
  EXPECT_EQ(log, (std::vector<std::string>{"first@10", "posted@10", "between@12", "child@15"}));
  ASSERT_TRUE(ns::advanceClock(4.0).ok());
  EXPECT_EQ(log.back(), "outside@60");
}

TEST_F(ManualClock, RepeatingTimerFiresOncePerIntervalAndStopsWhenInvalidated) {
  auto& main = ns::RunLoop::main();
  int fired = 0;
  std::shared_ptr<ns::RunLoopTimer> timer;
  timer = ns::RunLoopTimer::create(ns::now() + 1.0, 1.0, true, [&] {
    ++fired;
    if (fired == 5) timer->invalidate();  // from inside its own action
  });
  ASSERT_TRUE(main.addTimer(timer, ns::kDefaultRunLoopMode).ok());
  ASSERT_TRUE(ns::advanceClock(3.5).ok());
  EXPECT_EQ(fired, 3);
  EXPECT_DOUBLE_EQ(timer->fireDate(), 1004.0);
  ASSERT_TRUE(ns::advanceClock(10).ok());
  EXPECT_EQ(fired, 5);
  EXPECT_FALSE(timer->isValid());
  EXPECT_FALSE(main.containsTimer(timer, ns::kDefaultRunLoopMode));
}

TEST_F(ManualClock, InvalidatedWorkDoesNotRunAndReleasesWhatItHolds) {
  auto held = std::make_shared<int>(7);
  std::weak_ptr<int> watch = held;
  bool ran = false;
  auto timer = ns::RunLoop::main().performAfter(1.0, [&ran, held] { ran = *held == 7; });
  held.reset();
  EXPECT_FALSE(watch.expired());
  timer->invalidate();
  EXPECT_TRUE(watch.expired()) << "cancelling drops the work at once";
  ASSERT_TRUE(ns::advanceClock(2.0).ok());
  EXPECT_FALSE(ran);
}

TEST_F(ManualClock, ModesDecideWhatRuns) {
  auto& main = ns::RunLoop::main();
  main.performAfter(1.0, note("tracking"), {"UITrackingRunLoopMode"});
  main.performAfter(1.0, note("default"), ns::defaultMode());
  main.performAfter(1.0, note("common"), ns::commonModes());
  ASSERT_TRUE(ns::advanceClock(1.0).ok());
  EXPECT_EQ(log, (std::vector<std::string>{"default@10", "common@10"}));
  log.clear();
  main.addCommonMode("UITrackingRunLoopMode");
  main.performAfter(0, note("common2"), ns::commonModes());
  EXPECT_EQ(main.runInMode("UITrackingRunLoopMode", 0, false), ns::RunResult::timedOut);
  EXPECT_EQ(log, (std::vector<std::string>{"tracking@10", "common2@10"}));
}

TEST_F(ManualClock, AdvanceRefusesBadSpansAndTheRealClock) {
  EXPECT_FALSE(ns::advanceClock(-1).ok());
  EXPECT_FALSE(ns::advanceClock(std::nan("")).ok());
  EXPECT_DOUBLE_EQ(ns::now(), 1000.0);
  ns::useRealClock();
  EXPECT_FALSE(ns::advanceClock(1).ok());
  EXPECT_NEAR(ns::now(), ns::realNow(), 0.5);
}

TEST_F(ManualClock, RunOnceServesPostedWorkAndReportsHandledSource) {
  auto& main = ns::RunLoop::main();
  main.perform(note("a"));
  EXPECT_EQ(main.runInMode(ns::kDefaultRunLoopMode, 0, true), ns::RunResult::handledSource);
  EXPECT_EQ(log.size(), 1u);
  main.performAfter(0, note("delayed"));  // timers do not count as sources
  EXPECT_EQ(main.runInMode(ns::kDefaultRunLoopMode, 0, true), ns::RunResult::timedOut);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_FALSE(main.runUntilIdle());
}

TEST_F(ManualClock, RunUntilIdleRunsChainsOfPostedWork) {
  auto& main = ns::RunLoop::main();
  int depth = 0;
  std::function<void()> chain = [&] {
    if (++depth < 4) main.perform(chain);
  };
  main.perform(chain);
  EXPECT_TRUE(main.runUntilIdle());
  EXPECT_EQ(depth, 4);
}

TEST(RunLoopSources, DescriptorSourceFiresWhenReadableUntilDrained) {
  auto& loop = ns::RunLoop::current();
  int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  ASSERT_GE(fd, 0);
  int calls = 0;
  auto source = ns::RunLoopSource::watchingFd(fd, [&] {
    ++calls;
    eventfd_t v;
    (void)eventfd_read(fd, &v);
  });
  ASSERT_TRUE(loop.addSource(source, ns::kDefaultRunLoopMode).ok());
  EXPECT_FALSE(loop.runUntilIdle());
  eventfd_write(fd, 1);
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_EQ(calls, 1);
  // Written from another thread while the loop sleeps: the loop wakes and serves it.
  std::thread writer([fd] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    eventfd_write(fd, 1);
  });
  EXPECT_TRUE(loop.runUntil([&] { return calls == 2; }, 5.0));
  writer.join();
  source->invalidate();
  EXPECT_FALSE(loop.containsSource(source, ns::kDefaultRunLoopMode));
  eventfd_write(fd, 1);
  EXPECT_FALSE(loop.runUntilIdle());
  EXPECT_EQ(calls, 2);
  close(fd);
}

TEST(RunLoopSources, ClosedDescriptorInvalidatesItsSourceInsteadOfSpinning) {
  auto& loop = ns::RunLoop::current();
  int fd = eventfd(0, EFD_CLOEXEC);
  auto source = ns::RunLoopSource::watchingFd(fd, [] {});
  ASSERT_TRUE(loop.addSource(source, ns::kDefaultRunLoopMode).ok());
  close(fd);
  loop.runUntilIdle();
  EXPECT_FALSE(source->isValid());
  EXPECT_FALSE(ns::RunLoopSource::watchingFd(-1, [] {})->isValid());
  EXPECT_FALSE(loop.addSource(ns::RunLoopSource::watchingFd(-1, [] {}), ns::kDefaultRunLoopMode).ok());
}

TEST(RunLoopSources, SignalledSourcesRunInOrderOncePerSignalWithHooks) {
  auto& loop = ns::RunLoop::current();
  std::vector<std::string> log;
  auto late = ns::RunLoopSource::signalled([&] { log.push_back("late"); }, 5);
  auto early = ns::RunLoopSource::signalled([&] { log.push_back("early"); }, -1);
  late->setHooks([&](ns::RunLoop&, std::string_view mode) { log.push_back("schedule " + std::string(mode)); },
                 [&](ns::RunLoop&, std::string_view mode) { log.push_back("cancel " + std::string(mode)); });
  ASSERT_TRUE(loop.addSource(late, ns::kCommonRunLoopModes).ok());
  ASSERT_TRUE(loop.addSource(early, ns::kDefaultRunLoopMode).ok());
  EXPECT_TRUE(loop.containsSource(late, ns::kDefaultRunLoopMode)) << "common modes include the default mode";
  late->signal();
  early->signal();
  early->signal();
  EXPECT_TRUE(loop.runUntilIdle());
  EXPECT_FALSE(loop.runUntilIdle());
  late->invalidate();
  early->invalidate();
  EXPECT_EQ(log, (std::vector<std::string>{"schedule kCFRunLoopCommonModes", "early", "late",
                                           "cancel kCFRunLoopCommonModes"}));
}

TEST(RunLoopThreads, ThreadLoopFinishesWhenEmptyAndStopsFromAnotherThread) {
  std::promise<std::shared_ptr<ns::RunLoop>> loopOf;
  std::promise<std::vector<ns::RunResult>> results;
  std::thread worker([&] {
    auto& loop = ns::RunLoop::current();
    std::vector<ns::RunResult> r;
    r.push_back(loop.runInMode(ns::kDefaultRunLoopMode, 10, false));  // nothing to serve
    auto keepAlive = ns::RunLoopSource::signalled([] {});
    (void)loop.addSource(keepAlive, ns::kDefaultRunLoopMode);
    loopOf.set_value(ns::RunLoop::currentShared());
    r.push_back(loop.run());
    keepAlive->invalidate();
    results.set_value(r);
  });
  auto future = loopOf.get_future();
  ASSERT_EQ(future.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto loop = future.get();
  auto done = results.get_future();
  // The stop may come before the worker is running; repeat it until the worker ends.
  bool finished = false;
  for (int i = 0; i < 500 && !finished; ++i) {
    std::atomic<bool> ran{false};
    loop->perform([&ran] { ran = true; });
    for (int j = 0; j < 100 && !ran; ++j) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    loop->stop();
    finished = done.wait_for(std::chrono::milliseconds(10)) == std::future_status::ready;
  }
  ASSERT_TRUE(finished) << "the worker's run loop never stopped";
  worker.join();
  EXPECT_EQ(done.get(), (std::vector<ns::RunResult>{ns::RunResult::finished, ns::RunResult::stopped}));
}

TEST(RunLoopThreads, WorkPostedToAnEndedThreadIsDroppedAndReleased) {
  std::shared_ptr<ns::RunLoop> loop;
  std::thread([&] { loop = ns::RunLoop::currentShared(); }).join();
  auto held = std::make_shared<int>(1);
  std::weak_ptr<int> watch = held;
  auto work = loop->perform([held] {});
  held.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(work->isValid());
}

}  // namespace
