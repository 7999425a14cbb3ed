// Run-loop costs against bare equivalents, measured side by side:
//  - posting work to the main loop and serving it, against a mutex-guarded queue of
//    std::function;
//  - a round trip of posted work between the main thread and a thread serving its
//    own run loop, against an eventfd ping-pong between two threads;
//  - delayed work run by advancing the manual clock, per piece of work.
#include <foundation/Clock.h>
#include <foundation/RunLoop.h>

#include <benchmark/benchmark.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace {

constexpr int kBatch = 100;

void BM_MainLoopPostAndServe(benchmark::State& state) {
  auto& loop = ns::RunLoop::main();
  long counter = 0;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) loop.perform([&counter] { ++counter; });
    loop.runUntilIdle();
  }
  benchmark::DoNotOptimize(counter);
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_MainLoopPostAndServe);

void BM_BareLockedFunctionQueue(benchmark::State& state) {
  std::mutex mutex;
  std::deque<std::function<void()>> queue;
  long counter = 0;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      std::lock_guard lock(mutex);
      queue.emplace_back([&counter] { ++counter; });
    }
    for (;;) {
      std::function<void()> work;
      {
        std::lock_guard lock(mutex);
        if (queue.empty()) break;
        work = std::move(queue.front());
        queue.pop_front();
      }
      work();
    }
  }
  benchmark::DoNotOptimize(counter);
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_BareLockedFunctionQueue);

// A worker thread serving its run loop; each round trip posts to it and waits for
// its answer posted back to the main loop.
void BM_CrossThreadRoundTrip(benchmark::State& state) {
  std::promise<std::shared_ptr<ns::RunLoop>> ready;
  auto keepAlive = ns::RunLoopSource::signalled([] {});
  std::thread worker([&] {
    auto& loop = ns::RunLoop::current();
    (void)loop.addSource(keepAlive, ns::kDefaultRunLoopMode);
    ready.set_value(ns::RunLoop::currentShared());
    loop.run();
  });
  auto workerLoop = ready.get_future().get();
  auto mainLoop = ns::RunLoop::mainShared();
  std::atomic<long> answered{0};
  long asked = 0;
  for (auto _ : state) {
    ++asked;
    workerLoop->perform([&] { mainLoop->perform([&] { ++answered; }); });
    mainLoop->runUntil([&] { return answered.load() == asked; }, 10.0);
  }
  workerLoop->stop();
  worker.join();
  keepAlive->invalidate();
}
BENCHMARK(BM_CrossThreadRoundTrip)->UseRealTime();

void BM_BareEventfdPingPong(benchmark::State& state) {
  int ping = eventfd(0, EFD_CLOEXEC), pong = eventfd(0, EFD_CLOEXEC);
  std::thread worker([&] {
    eventfd_t v;
    for (;;) {
      eventfd_read(ping, &v);
      if (v > 1) return;  // the stop signal
      eventfd_write(pong, 1);
    }
  });
  eventfd_t v;
  for (auto _ : state) {
    eventfd_write(ping, 1);
    eventfd_read(pong, &v);
  }
  eventfd_write(ping, 2);
  worker.join();
  close(ping);
  close(pong);
}
BENCHMARK(BM_BareEventfdPingPong)->UseRealTime();

void BM_AdvanceClockThroughDelayedWork(benchmark::State& state) {
  ns::useManualClock(0);
  auto& loop = ns::RunLoop::main();
  long counter = 0;
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) loop.performAfter(0.001 * ((i * 37) % kBatch), [&counter] { ++counter; });
    (void)ns::advanceClock(0.1);
  }
  benchmark::DoNotOptimize(counter);
  state.SetItemsProcessed(state.iterations() * kBatch);
  ns::useRealClock();
}
BENCHMARK(BM_AdvanceClockThroughDelayedWork);

}  // namespace

BENCHMARK_MAIN();
