// Threads and run loops: an NSThread subclass serving its own run loop while the
// main thread keeps running, work handed to the main thread from other threads, and
// the thread objects.  Every wait is bounded in real time.
#include <foundation/Clock.h>
#include <foundation/OperationQueue.h>
#include <foundation/RunLoop.h>
#include <foundation/Thread.h>

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using objc::sel;
using objc::send;

namespace {

constexpr double kDeadline = 10.0;  // real seconds any wait may take before failing

// A service thread: -main watches an eventfd with a run-loop source and runs its
// run loop; each readable event hands a message to the main thread through the main
// operation queue, as a message-port service does.
struct ServiceIvars : ns::NSThreadIvars {
  int _fd;
  int _served;
  BOOL _sawOwnLoop;
  BOOL _onMainInMain;
};

std::atomic<int> gMainThreadOps{0};
std::atomic<int> gWrongThreadOps{0};

void serviceMain(id self, SEL) {
  auto* s = objc::ivars<ServiceIvars>(self);
  auto& loop = ns::RunLoop::current();
  s->_sawOwnLoop = !loop.isMain() && loop.isCurrent() ? YES : NO;
  s->_onMainInMain = send<BOOL>(ns::NSThreadClass(), sel<"isMainThread">());
  auto source = ns::RunLoopSource::watchingFd(s->_fd, [s] {
    eventfd_t count = 0;
    (void)eventfd_read(s->_fd, &count);
    s->_served += static_cast<int>(count);
    ns::addOperationWithBlock(send<id>(ns::NSOperationQueueClass(), sel<"mainQueue">()), [] {
      (ns::isMainThread() ? gMainThreadOps : gWrongThreadOps) += 1;
    });
  });
  (void)loop.addSource(source, ns::kDefaultRunLoopMode);
  loop.run();  // until stopped from outside
  source->invalidate();
}

Class serviceClass() {
  static Class cls = objc::ClassBuilder<ServiceIvars>("RlServiceThread", ns::NSThreadClass())
                         .ivar<&ServiceIvars::_fd>("_fd")
                         .ivar<&ServiceIvars::_served>("_served")
                         .ivar<&ServiceIvars::_sawOwnLoop>("_sawOwnLoop")
                         .ivar<&ServiceIvars::_onMainInMain>("_onMainInMain")
                         .method<&serviceMain>("main")
                         .registerClass();
  return cls;
}

TEST(Threads, SubclassServesItsOwnRunLoopWhileTheMainThreadKeepsRunning) {
  gMainThreadOps = gWrongThreadOps = 0;
  int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  ASSERT_GE(fd, 0);
  id thread = objc::allocInit(serviceClass());
  objc::ivars<ServiceIvars>(thread)->_fd = fd;
  send<void>(thread, sel<"start">());
  EXPECT_EQ(send<BOOL>(thread, sel<"isMainThread">()), NO);

  // The main thread keeps serving its own work meanwhile.
  int mainTicks = 0;
  std::shared_ptr<ns::RunLoopTimer> pending;
  std::function<void()> tick = [&] {
    ++mainTicks;
    pending = ns::RunLoop::main().performAfter(0.001, tick);
  };
  pending = ns::RunLoop::main().perform(tick);
  for (int i = 0; i < 3; ++i) eventfd_write(fd, 1);
  EXPECT_TRUE(ns::RunLoop::main().runUntil([] { return gMainThreadOps.load() >= 1; }, kDeadline));
  eventfd_write(fd, 2);
  EXPECT_TRUE(ns::RunLoop::main().runUntil(
      [&] { return objc::ivars<ServiceIvars>(thread)->_served == 5 && gMainThreadOps.load() >= 2; }, kDeadline));
  EXPECT_GT(mainTicks, 0);
  EXPECT_EQ(gWrongThreadOps.load(), 0);
  EXPECT_EQ(objc::ivars<ServiceIvars>(thread)->_sawOwnLoop, YES);
  EXPECT_EQ(objc::ivars<ServiceIvars>(thread)->_onMainInMain, NO);
  EXPECT_EQ(send<BOOL>(thread, sel<"isExecuting">()), YES);

  // Stop the service's loop from here; the thread then ends and lets go of itself.
  auto loop = ns::runLoopOfThread(thread);
  ASSERT_TRUE(loop);
  EXPECT_EQ(send<NSUInteger>(thread, sel<"retainCount">()), 2u) << "retained while its thread runs";
  loop->stop();
  EXPECT_TRUE(ns::waitUntilThreadFinished(thread, kDeadline));
  EXPECT_EQ(send<BOOL>(thread, sel<"isFinished">()), YES);
  // The ending thread gives its reference back right after it counts as finished.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (send<NSUInteger>(thread, sel<"retainCount">()) != 1u && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(send<NSUInteger>(thread, sel<"retainCount">()), 1u);
  objc::release(thread);
  close(fd);
  pending->invalidate();  // the main thread's ticking work
  ns::RunLoop::main().runUntilIdle();  // operations the service posted late
}

// Target of performSelector:…: records where it ran.
std::atomic<int> gRanOnMain{0}, gRanElsewhere{0};
void noteWhere(id, SEL, id) { (ns::isMainThread() ? gRanOnMain : gRanElsewhere) += 1; }
Class whereClass() {
  static Class cls = objc::ClassBuilder<NSObjectIvars>("RlWhere", objc::NSObjectClass())
                         .method<&noteWhere>("noteWhere:")
                         .registerClass();
  return cls;
}

TEST(Threads, WorkFromOtherThreadsRunsOnTheMainThread) {
  ns::RunLoop::main().runUntilIdle();
  gRanOnMain = gRanElsewhere = 0;
  gMainThreadOps = gWrongThreadOps = 0;
  objc::Ref target = objc::Ref::adopt(objc::allocInit(whereClass()));
  std::vector<std::thread> posters;
  for (int i = 0; i < 4; ++i)
    posters.emplace_back([&] {
      objc::AutoreleasePool pool;
      ns::addOperationWithBlock(send<id>(ns::NSOperationQueueClass(), sel<"mainQueue">()), [] {
        (ns::isMainThread() ? gMainThreadOps : gWrongThreadOps) += 1;
      });
      send<void>(target, sel<"performSelectorOnMainThread:withObject:waitUntilDone:">(), sel<"noteWhere:">(),
                 static_cast<id>(nil), BOOL{NO});
      EXPECT_EQ(send<BOOL>(ns::NSThreadClass(), sel<"isMainThread">()), NO);
      EXPECT_NE(send<id>(ns::NSThreadClass(), sel<"currentThread">()),
                send<id>(ns::NSThreadClass(), sel<"mainThread">()));
    });
  for (auto& t : posters) t.join();
  EXPECT_EQ(gMainThreadOps.load(), 0) << "nothing runs until the main loop serves it";
  EXPECT_TRUE(ns::RunLoop::main().runUntil([] { return gMainThreadOps == 4 && gRanOnMain == 4; }, kDeadline));
  EXPECT_EQ(gWrongThreadOps.load(), 0);
  EXPECT_EQ(gRanElsewhere.load(), 0);
}

TEST(Threads, WaitUntilDoneBlocksTheCallerUntilTheMainThreadRanIt) {
  gRanOnMain = gRanElsewhere = 0;
  objc::Ref target = objc::Ref::adopt(objc::allocInit(whereClass()));
  std::atomic<bool> returned{false};
  std::thread caller([&] {
    send<void>(target, sel<"performSelectorOnMainThread:withObject:waitUntilDone:">(), sel<"noteWhere:">(),
               static_cast<id>(nil), BOOL{YES});
    returned = gRanOnMain.load() == 1;
  });
  EXPECT_TRUE(ns::RunLoop::main().runUntil([&] { return gRanOnMain.load() == 1; }, kDeadline));
  caller.join();
  EXPECT_TRUE(returned.load()) << "the caller returned only after the perform ran";
  // On the main thread itself, waiting runs it at once.
  send<void>(target, sel<"performSelectorOnMainThread:withObject:waitUntilDone:">(), sel<"noteWhere:">(),
             static_cast<id>(nil), BOOL{YES});
  EXPECT_EQ(gRanOnMain.load(), 2);
}

TEST(Threads, DetachedThreadRunsTargetAndPerformOnThreadReachesIt) {
  gRanOnMain = gRanElsewhere = 0;
  objc::Ref target = objc::Ref::adopt(objc::allocInit(whereClass()));
  send<void>(ns::NSThreadClass(), sel<"detachNewThreadSelector:toTarget:withObject:">(), sel<"noteWhere:">(),
             target.get(), static_cast<id>(nil));
  // performSelector:onThread: before the thread starts: the work waits in its loop.
  objc::Ref idle = objc::Ref::adopt(objc::allocInit(serviceClass()));
  send<void>(target, sel<"performSelector:onThread:withObject:waitUntilDone:">(), sel<"noteWhere:">(), idle.get(),
             static_cast<id>(nil), BOOL{NO});
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (gRanElsewhere.load() < 1 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(gRanElsewhere.load(), 1);
  int fd = eventfd(0, EFD_CLOEXEC);
  objc::ivars<ServiceIvars>(idle)->_fd = fd;
  send<void>(idle, sel<"start">());
  while (gRanElsewhere.load() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(gRanElsewhere.load(), 2) << "the work posted before start ran on the new thread";
  ns::runLoopOfThread(idle)->stop();
  EXPECT_TRUE(ns::waitUntilThreadFinished(idle, kDeadline));
  close(fd);
}

TEST(Threads, QueueOfOnesOwnRunsBlocksInOrderOffTheMainThread) {
  id queue = objc::allocInit(ns::NSOperationQueueClass());
  ASSERT_NE(queue, nil);
  std::mutex m;
  std::vector<int> order;
  std::atomic<int> onMain{0}, sawQueue{0};
  std::atomic<bool> release{false};
  ns::addOperationWithBlock(queue, [&] {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!release.load() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  for (int i = 0; i < 20; ++i)
    ns::addOperationWithBlock(queue, [&, i, queue] {
      std::lock_guard lock(m);
      order.push_back(i);
      if (ns::isMainThread()) ++onMain;
      if (send<id>(ns::NSOperationQueueClass(), sel<"currentQueue">()) == queue) ++sawQueue;
    });
  EXPECT_EQ(send<NSUInteger>(queue, sel<"operationCount">()), 21u) << "the first block holds the others back";
  objc::Ref keep = objc::Ref::retain(queue);
  objc::release(queue);  // the queue stays alive while it has work
  release = true;
  send<void>(keep, sel<"waitUntilAllOperationsAreFinished">());
  EXPECT_EQ(send<NSUInteger>(keep, sel<"operationCount">()), 0u);
  std::vector<int> expected;
  for (int i = 0; i < 20; ++i) expected.push_back(i);
  std::lock_guard lock(m);
  EXPECT_EQ(order, expected);
  EXPECT_EQ(onMain.load(), 0);
  EXPECT_EQ(sawQueue.load(), 20);
}

// In a child process (the main-thread identity is process-wide): another thread
// becomes the main thread and serves the main queue.
TEST(ThreadsDeathTest, MarkMainThreadMovesTheMainThreadAndItsLoop) {
  EXPECT_EXIT(
      {
        bool ok = true;
        std::thread other([&] {
          ns::markMainThread();
          ok = ok && ns::isMainThread() && ns::RunLoop::current().isMain();
          ok = ok && send<BOOL>(ns::NSThreadClass(), sel<"isMainThread">()) == YES;
          std::atomic<bool> ran{false};
          ns::addOperationWithBlock(send<id>(ns::NSOperationQueueClass(), sel<"mainQueue">()),
                                    [&] { ran = ns::isMainThread(); });
          ok = ok && ns::RunLoop::main().runUntil([&] { return ran.load(); }, kDeadline);
        });
        other.join();
        ok = ok && !ns::isMainThread() && !ns::RunLoop::current().isMain();
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Threads, MainThreadObjectAndIdentity) {
  id main = send<id>(ns::NSThreadClass(), sel<"mainThread">());
  EXPECT_EQ(send<id>(ns::NSThreadClass(), sel<"currentThread">()), main);
  EXPECT_EQ(send<BOOL>(main, sel<"isMainThread">()), YES);
  EXPECT_EQ(send<BOOL>(main, sel<"isExecuting">()), YES);
  EXPECT_TRUE(ns::isMainThread());
  EXPECT_TRUE(ns::RunLoop::current().isMain());
  id unstarted = objc::allocInit(ns::NSThreadClass());
  EXPECT_EQ(send<BOOL>(unstarted, sel<"isExecuting">()), NO);
  EXPECT_EQ(send<BOOL>(unstarted, sel<"isFinished">()), NO);
  send<void>(unstarted, sel<"cancel">());
  EXPECT_EQ(send<BOOL>(unstarted, sel<"isCancelled">()), YES);
  objc::release(unstarted);
}

}  // namespace
