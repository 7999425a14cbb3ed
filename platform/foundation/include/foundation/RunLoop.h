// The run loop core: one loop per thread that serves timers (and every kind of
// scheduled work: delayed performs, dispatch_after, posted work, main-queue
// operations), run-loop sources (file descriptors that became readable, and sources
// signalled by hand) and stop requests.  NSRunLoop and CFRunLoop are faces of it.
//
// Work is kept in one queue ordered by due time on the process clock (see Clock.h),
// then by scheduling order; work posted "now" is simply due now, so it runs before
// anything due later and after anything already due.  Each pass of a run serves,
// inside its own autorelease pool, the due work that was queued when the pass
// began, then the signalled sources, then the readable descriptors; work scheduled
// by that work waits for the next pass.  Between passes the loop sleeps in poll()
// on its wake-up eventfd and its descriptors until the next due time (real clock)
// or until woken (manual clock: only advanceClock moves time).
//
// Modes: every timer and source is served in the modes it was added for.  The mode
// name kCommonRunLoopModes stands for every mode the loop counts as common: the
// default mode and any added with addCommonMode.  Posted work is served in the
// common modes unless told otherwise.
//
// Threads: perform, performAfter, addTimer, addSource, stop and wakeUp may be called
// from any thread.  A loop runs only on its own thread; the main run loop belongs to
// the main thread (see Thread.h) and also serves the main queue, so it never counts
// as empty.  When a thread ends, its loop drops every timer and source it still holds
// (releasing what they retain) and serves nothing more.
#pragma once

#include <foundation/Clock.h>
#include <objcface/Result.h>
#include <objcface/Types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace ns {

// The mode names, equal to the CF constants' texts (NSDefaultRunLoopMode is the same
// text as kCFRunLoopDefaultMode on iOS).
inline constexpr std::string_view kDefaultRunLoopMode = "kCFRunLoopDefaultMode";
inline constexpr std::string_view kCommonRunLoopModes = "kCFRunLoopCommonModes";

// Due times are compared in whole nanoseconds of the process clock, so that two
// ways of writing the same moment (now + 0.1 s, or a dispatch time 100,000,000 ns
// from now) fall due together and keep their scheduling order.
std::int64_t clockTicks(TimeInterval t);

using RunLoopModes = std::vector<std::string>;
inline RunLoopModes commonModes() { return {std::string(kCommonRunLoopModes)}; }
inline RunLoopModes defaultMode() { return {std::string(kDefaultRunLoopMode)}; }

class RunLoop;

// A timer: an action due at a fire date, once or repeating at an interval.  All
// scheduled work is a timer; one-shot work is invalidated after it runs.  The action
// (and everything it captures) is dropped when the timer is invalidated, so objects
// a timer retains are released at once when it is cancelled.
class RunLoopTimer {
 public:
  // interval > 0 repeats; a repeating timer asked for a smaller interval gets 0.1 ms,
  // as NSTimer does.  countsAsSource marks posted work, which ends a run that returns
  // after one handled source (timers do not).
  static std::shared_ptr<RunLoopTimer> create(TimeInterval fireDate, TimeInterval interval, bool repeats,
                                              std::function<void()> action, bool countsAsSource = false);

  // Stops the timer for good: it leaves its loop and drops its action.  Safe from
  // any thread and from inside its own action.
  void invalidate();
  bool isValid() const;
  // Whether the timer has been added to a loop (that is still alive).
  bool isScheduled() const;
  TimeInterval fireDate() const;
  // Moves the next firing; a timer in a loop is re-queued (after others due at the
  // same moment).
  void setFireDate(TimeInterval date);
  TimeInterval interval() const { return interval_; }
  bool repeats() const { return repeats_; }
  bool countsAsSource() const { return countsAsSource_; }
  // Runs the action now without changing the schedule (NSTimer -fire); a one-shot
  // timer is invalidated afterwards.
  void fireNow();
  // Runs once when the timer is invalidated (however that happens: invalidate(), a
  // one-shot firing, its loop's thread ending).  False, and nothing kept, when the
  // timer is already invalid.
  bool setInvalidationHook(std::function<void()> hook);

 private:
  friend class RunLoop;
  using Action = std::shared_ptr<std::function<void()>>;
  RunLoopTimer(TimeInterval fireDate, TimeInterval interval, bool repeats, std::function<void()> action,
               bool countsAsSource);
  Action currentAction() const;

  const TimeInterval interval_;
  const bool repeats_;
  const bool countsAsSource_;
  // Guarded by mutex_.  A loop that needs both locks takes its own first.
  mutable std::mutex mutex_;
  Action action_;
  std::function<void()> onInvalidate_;
  TimeInterval fireDate_;
  bool valid_ = true;
  std::weak_ptr<RunLoop> loop_;  // set once, when first added to a loop
  // Guarded by the owning loop's mutex.
  RunLoopModes modes_;
  bool queued_ = false;
  std::pair<std::int64_t, std::uint64_t> key_{};
};

// A run-loop source: either a file descriptor (its perform runs when the descriptor
// is readable, or at end of file or error) or a hand-signalled source (its perform
// runs once per signal, like a version-0 CFRunLoopSource).  Sources of one loop are
// served in ascending order.  A source may be in several loops and modes.
class RunLoopSource : public std::enable_shared_from_this<RunLoopSource> {
 public:
  using Hook = std::function<void(RunLoop&, std::string_view mode)>;

  // The descriptor stays owned by the caller, who must invalidate the source before
  // closing it.  A source whose descriptor is found closed under it is invalidated.
  static std::shared_ptr<RunLoopSource> watchingFd(int fd, std::function<void()> onReadable, long order = 0);
  static std::shared_ptr<RunLoopSource> signalled(std::function<void()> perform, long order = 0);

  // Marks a signalled source ready; it runs at its loops' next pass.  Like
  // CFRunLoopSourceSignal it does not wake a sleeping loop: call wakeLoops() (or
  // CFRunLoopWakeUp) for that.
  void signal();
  void wakeLoops();
  // Leaves every loop (running the cancel hook for each loop and mode) and drops the
  // perform and hooks.  Safe from any thread and from inside the perform.
  void invalidate();
  bool isValid() const { return valid_.load(); }
  int fd() const { return fd_; }
  long order() const { return order_; }

  // CF's schedule / cancel callbacks: run when the source is added to a loop in a
  // mode, and when it leaves that loop mode (removal, invalidation, loop teardown).
  void setHooks(Hook onSchedule, Hook onCancel);
  // Runs once, when the source is invalidated.
  void setInvalidationHook(std::function<void()> hook);

 private:
  friend class RunLoop;
  RunLoopSource(int fd, std::function<void()> perform, long order);
  void perform();
  bool takeSignal() { return signalled_.exchange(false); }
  void scheduled(RunLoop& loop, std::string_view mode);
  void cancelled(RunLoop& loop, std::string_view mode);
  void forgetLoop(const RunLoop& loop);

  const int fd_;
  const long order_;
  std::atomic<bool> valid_{true};
  std::atomic<bool> signalled_{false};
  mutable std::mutex mutex_;
  std::shared_ptr<std::function<void()>> perform_;
  std::shared_ptr<Hook> onSchedule_;
  std::shared_ptr<Hook> onCancel_;
  std::function<void()> onInvalidate_;
  std::vector<std::weak_ptr<RunLoop>> loops_;
};

// How a run ended, with CFRunLoopRunInMode's values.
enum class RunResult : std::int32_t { finished = 1, stopped = 2, timedOut = 3, handledSource = 4 };

class RunLoop : public std::enable_shared_from_this<RunLoop> {
 public:
  // The calling thread's loop (made on first use); the main thread's is the main loop.
  static RunLoop& current();
  static std::shared_ptr<RunLoop> currentShared();
  static RunLoop& main();
  static std::shared_ptr<RunLoop> mainShared();
  // Wakes every live loop (the manual clock moved).
  static void wakeAll();

  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  bool isMain() const { return isMain_; }
  bool isCurrent() const { return owner_.load() == std::this_thread::get_id(); }

  // Posted work: runs on this loop's thread at its next pass in the given modes.
  // Answers the timer carrying it, so the caller may cancel it with invalidate().
  std::shared_ptr<RunLoopTimer> perform(std::function<void()> work, RunLoopModes modes = commonModes());
  std::shared_ptr<RunLoopTimer> performAfter(TimeInterval delay, std::function<void()> work,
                                             RunLoopModes modes = commonModes());
  // Work due at a moment of the process clock.  countsAsSource: whether running it
  // ends a run that returns after one handled source (posted work does; delayed
  // work, like a timer, does not).
  std::shared_ptr<RunLoopTimer> performAt(TimeInterval due, std::function<void()> work,
                                          RunLoopModes modes = commonModes(), bool countsAsSource = false);

  // Adds a timer in a mode (adding it again in another mode widens its modes).  A
  // timer belongs to one loop; an invalid timer or one already in another loop is
  // refused.
  objc::Status addTimer(const std::shared_ptr<RunLoopTimer>& timer, std::string_view mode);
  bool containsTimer(const std::shared_ptr<RunLoopTimer>& timer, std::string_view mode) const;

  // Sources.  Adding an invalid source is refused; removing one that is not there
  // does nothing.
  objc::Status addSource(const std::shared_ptr<RunLoopSource>& source, std::string_view mode);
  void removeSource(const std::shared_ptr<RunLoopSource>& source, std::string_view mode);
  bool containsSource(const std::shared_ptr<RunLoopSource>& source, std::string_view mode) const;

  void addCommonMode(std::string_view mode);

  // Runs this loop in `mode` for at most `seconds` on the process clock, returning
  // early when stopped, when one source (or posted work) was handled and
  // returnAfterSourceHandled is set, or when the mode has nothing to serve (never for
  // the main loop).  seconds <= 0 makes one pass that does not wait.  Only on the
  // loop's own thread; elsewhere it answers finished and does nothing.
  RunResult runInMode(std::string_view mode, TimeInterval seconds, bool returnAfterSourceHandled);
  // CFRunLoopRun: runs in the default mode until stopped or finished.
  RunResult run();
  // Runs in `mode` until done() answers true (checked after every pass) or
  // `realSeconds` of real time have passed, whatever the process clock.  For waits
  // on other threads and processes that must never hang.  Answers done().
  bool runUntil(const std::function<bool()>& done, double realSeconds,
                std::string_view mode = kDefaultRunLoopMode);
  // Serves everything that is ready now (due work, signalled sources, readable
  // descriptors), pass after pass, until nothing is; never waits.  Answers whether
  // anything ran.  Only on the loop's own thread.
  bool runUntilIdle(std::string_view mode = kDefaultRunLoopMode);

  // Ends the innermost run in progress (a stop while not running is forgotten, as
  // CFRunLoopStop's is).  Any thread.
  void stop();
  void wakeUp();
  bool isWaiting() const;
  // The mode of the innermost run in progress; empty when not running.
  std::string currentMode() const;

  // The NSRunLoop object of this loop, made by `make` on first use and kept while the
  // loop lives.  Used by the NSRunLoop and CFRunLoop faces.
  id faceObject(const std::function<id(const std::shared_ptr<RunLoop>&)>& make);

  // For the clock: steps through the due work of this loop up to `limit`, calling
  // setClock(due) before each piece (see advanceClock).  Main thread only.
  void serveDueUpTo(TimeInterval limit, const std::function<void(TimeInterval)>& setClock);

  // Drops every timer and source (the thread is ending); later posts are dropped.
  void retire();

  // For NSThread: a loop for a thread that has not started yet, and its binding to
  // that thread once it runs (the thread's current loop from then on).
  static std::shared_ptr<RunLoop> makeForNewThread();
  static void bindToCurrentThread(const std::shared_ptr<RunLoop>& loop);
  // Rebinds the main loop to the calling thread (markMainThread).
  void rebindToCurrentThread() { owner_.store(std::this_thread::get_id()); }

 private:
  friend class RunLoopTimer;
  friend class RunLoopSource;
  struct Frame;
  struct SourceEntry {
    std::shared_ptr<RunLoopSource> source;
    RunLoopModes modes;
  };
  using Key = std::pair<std::int64_t, std::uint64_t>;  // (due tick, scheduling order)

  RunLoop(bool isMain, std::thread::id owner);
  static std::shared_ptr<RunLoop> make(bool isMain, std::thread::id owner);

  bool matches(const RunLoopModes& modes, std::string_view mode) const;  // mutex_ held
  bool modeIsEmpty(std::string_view mode) const;                          // mutex_ held
  void enqueue(const std::shared_ptr<RunLoopTimer>& timer);               // both locks held
  void reschedule(RunLoopTimer& timer, TimeInterval date);
  void removeTimer(RunLoopTimer& timer);
  void detachSource(RunLoopSource& source);
  struct PassResult {
    bool ranAnything = false;
    bool handledSource = false;
  };
  RunResult runImpl(std::string_view mode, TimeInterval deadline, double realDeadline, bool returnAfterSourceHandled,
                    const std::function<bool()>* done, bool untilIdle);
  PassResult servePass(std::string_view mode);
  void fire(const std::shared_ptr<RunLoopTimer>& timer);
  void requeue(const std::shared_ptr<RunLoopTimer>& timer, TimeInterval firedAt);
  bool serveSources(std::string_view mode, bool wait, TimeInterval deadline, double realDeadline);
  double waitSeconds(std::string_view mode, TimeInterval deadline, double realDeadline) const;  // mutex_ held
  std::vector<std::shared_ptr<RunLoopSource>> sourcesFor(std::string_view mode) const;
  void drainWakeFd();
  void signalWakeFd();

  const bool isMain_;
  std::atomic<std::thread::id> owner_;
  int wakeFd_ = -1;

  mutable std::mutex mutex_;
  std::map<Key, std::shared_ptr<RunLoopTimer>> queue_;
  std::uint64_t nextSeq_ = 0;
  std::vector<SourceEntry> sources_;
  std::vector<std::string> commonModes_;
  Frame* innermost_ = nullptr;
  bool waiting_ = false;
  bool retired_ = false;
  id face_ = nil;  // retained
};

}  // namespace ns
