// The run loop core: sources, passes, the wait in poll(), and the ways to run.
#include <foundation/RunLoop.h>

#include <objcface/NSObject.h>

#include "RunLoopInternal.h"

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace ns {

// --- Sources -------------------------------------------------------------------------

objc::Status RunLoop::addSource(const std::shared_ptr<RunLoopSource>& source, std::string_view mode) {
  if (!source || !source->isValid()) return objc::makeError("the run-loop source is invalid");
  if (mode.empty()) return objc::makeError("a source needs a run-loop mode");
  bool added = false;
  {
    std::lock_guard lock(mutex_);
    if (retired_) return objc::makeError("the run loop's thread has ended");
    auto it = std::find_if(sources_.begin(), sources_.end(), [&](const auto& e) { return e.source == source; });
    if (it == sources_.end()) {
      sources_.push_back({source, {std::string(mode)}});
      added = true;
    } else if (!hasMode(it->modes, mode)) {
      it->modes.emplace_back(mode);
      added = true;
    }
  }
  if (added) {
    source->scheduled(*this, mode);
    // A loop asleep in poll() must start watching the new descriptor.
    signalWakeFd();
  }
  return objc::Ok{};
}

void RunLoop::removeSource(const std::shared_ptr<RunLoopSource>& source, std::string_view mode) {
  if (!source) return;
  bool removedMode = false, removedAll = false;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(sources_.begin(), sources_.end(), [&](const auto& e) { return e.source == source; });
    if (it == sources_.end()) return;
    auto m = std::find(it->modes.begin(), it->modes.end(), mode);
    if (m == it->modes.end()) return;
    it->modes.erase(m);
    removedMode = true;
    if (it->modes.empty()) {
      sources_.erase(it);
      removedAll = true;
    }
  }
  if (removedMode) source->cancelled(*this, mode);
  if (removedAll) source->forgetLoop(*this);
}

bool RunLoop::containsSource(const std::shared_ptr<RunLoopSource>& source, std::string_view mode) const {
  if (!source) return false;
  std::lock_guard lock(mutex_);
  for (const auto& e : sources_)
    if (e.source == source) return hasMode(e.modes, mode) || matches(e.modes, mode);
  return false;
}

void RunLoop::detachSource(RunLoopSource& source) {
  std::shared_ptr<RunLoopSource> keep;
  RunLoopModes modes;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(sources_.begin(), sources_.end(), [&](const auto& e) { return e.source.get() == &source; });
    if (it == sources_.end()) return;
    keep = it->source;
    modes = std::move(it->modes);
    sources_.erase(it);
  }
  for (const auto& mode : modes) source.cancelled(*this, mode);
}

std::vector<std::shared_ptr<RunLoopSource>> RunLoop::sourcesFor(std::string_view mode) const {
  std::vector<std::shared_ptr<RunLoopSource>> result;
  {
    std::lock_guard lock(mutex_);
    for (const auto& e : sources_)
      if (e.source->isValid() && matches(e.modes, mode)) result.push_back(e.source);
  }
  std::stable_sort(result.begin(), result.end(), [](const auto& a, const auto& b) { return a->order() < b->order(); });
  return result;
}

// --- Running -------------------------------------------------------------------------

RunLoop::PassResult RunLoop::servePass(std::string_view mode) {
  PassResult result;
  std::int64_t t = clockTicks(now());
  std::uint64_t seqLimit;
  {
    std::lock_guard lock(mutex_);
    seqLimit = nextSeq_;
  }
  // Due work queued before this pass began, in due order.  Work it schedules for now
  // gets a later order number and waits for the next pass.
  for (;;) {
    std::shared_ptr<RunLoopTimer> timer;
    {
      std::lock_guard lock(mutex_);
      for (auto it = queue_.begin(); it != queue_.end() && it->first.first <= t; ++it) {
        if (it->first.second >= seqLimit || !matches(it->second->modes_, mode)) continue;
        timer = it->second;
        timer->queued_ = false;
        queue_.erase(it);
        break;
      }
    }
    if (!timer) break;
    result.ranAnything = true;
    if (timer->countsAsSource()) result.handledSource = true;
    fire(timer);
  }
  for (const auto& source : sourcesFor(mode)) {
    if (source->fd() >= 0 || !source->takeSignal()) continue;
    result.ranAnything = result.handledSource = true;
    source->perform();
  }
  return result;
}

double RunLoop::waitSeconds(std::string_view mode, TimeInterval deadline, double realDeadline) const {
  TimeInterval t = now();
  std::int64_t tTicks = clockTicks(t);
  for (const auto& e : sources_)
    if (e.source->fd() < 0 && e.source->isValid() && e.source->signalled_.load() && matches(e.modes, mode)) return 0;
  double earliest = kForever;
  for (const auto& [key, timer] : queue_) {
    if (matches(timer->modes_, mode)) {
      if (key.first <= tTicks) return 0;
      earliest = timer->fireDate();
      break;
    }
  }
  double wait = kForever;
  // On the manual clock only advanceClock moves time, and it wakes every loop.
  if (!isManualClock()) wait = std::min(earliest, deadline) - t;
  wait = std::min(wait, realDeadline - steadySeconds());
  return std::max(wait, 0.0);
}

bool RunLoop::serveSources(std::string_view mode, bool wait, TimeInterval deadline, double realDeadline) {
  auto sources = sourcesFor(mode);
  std::erase_if(sources, [](const auto& s) { return s->fd() < 0; });
  if (!wait && sources.empty()) return false;
  double seconds = 0;
  if (wait) {
    std::lock_guard lock(mutex_);
    seconds = waitSeconds(mode, deadline, realDeadline);
    waiting_ = seconds > 0;
  }
  std::vector<pollfd> fds;
  fds.reserve(sources.size() + 1);
  fds.push_back({wakeFd_, POLLIN, 0});
  for (const auto& s : sources) fds.push_back({s->fd(), POLLIN, 0});
  timespec ts{};
  timespec* timeout = &ts;
  if (std::isinf(seconds)) {
    timeout = nullptr;
  } else if (seconds > 0) {
    double whole = std::floor(seconds);
    ts.tv_sec = static_cast<time_t>(std::min(whole, 1e9));
    // Round up, so a loop woken for a due time finds it due rather than spinning.
    ts.tv_nsec = std::min(999999999L, static_cast<long>(std::ceil((seconds - whole) * 1e9)));
  }
  int n = ppoll(fds.data(), fds.size(), timeout, nullptr);
  if (wait) {
    std::lock_guard lock(mutex_);
    waiting_ = false;
  }
  if (n <= 0) return false;
  if (fds[0].revents != 0) drainWakeFd();
  bool handled = false;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    short revents = fds[i + 1].revents;
    if (revents & POLLNVAL) {
      // The descriptor was closed under the source: it can never fire again, and
      // keeping it would make every poll return at once.
      sources[i]->invalidate();
      continue;
    }
    if ((revents & (POLLIN | POLLHUP | POLLERR)) && sources[i]->isValid()) {
      sources[i]->perform();
      handled = true;
    }
  }
  return handled;
}

RunResult RunLoop::runImpl(std::string_view mode, TimeInterval deadline, double realDeadline,
                           bool returnAfterSourceHandled, const std::function<bool()>* done, bool untilIdle) {
  if (!isCurrent() || mode.empty() || mode == kCommonRunLoopModes) return RunResult::finished;
  {
    std::lock_guard lock(mutex_);
    if (retired_ || (!isMain_ && modeIsEmpty(mode))) return RunResult::finished;
  }
  Frame frame{std::string(mode)};
  {
    std::lock_guard lock(mutex_);
    frame.outer = innermost_;
    innermost_ = &frame;
  }
  auto iterate = [&]() -> std::optional<RunResult> {
    objc::AutoreleasePool pool;
    PassResult pass = servePass(mode);
    if (serveSources(mode, false, deadline, realDeadline)) pass.ranAnything = pass.handledSource = true;
    if (pass.handledSource && returnAfterSourceHandled) return RunResult::handledSource;
    {
      std::lock_guard lock(mutex_);
      if (frame.stopped) return RunResult::stopped;
    }
    if (done != nullptr && (*done)()) return RunResult::handledSource;
    if (untilIdle) return pass.ranAnything ? std::nullopt : std::optional(RunResult::timedOut);
    if (now() >= deadline || steadySeconds() >= realDeadline) return RunResult::timedOut;
    {
      std::lock_guard lock(mutex_);
      if (retired_ || (!isMain_ && modeIsEmpty(mode))) return RunResult::finished;
    }
    if (serveSources(mode, true, deadline, realDeadline) && returnAfterSourceHandled)
      return RunResult::handledSource;
    return std::nullopt;
  };
  RunResult result;
  for (;;) {
    if (auto r = iterate()) {
      result = *r;
      break;
    }
  }
  {
    std::lock_guard lock(mutex_);
    innermost_ = frame.outer;
  }
  return result;
}

RunResult RunLoop::runInMode(std::string_view mode, TimeInterval seconds, bool returnAfterSourceHandled) {
  TimeInterval deadline = std::isnan(seconds) ? now() : now() + std::max(seconds, 0.0);
  return runImpl(mode, deadline, kForever, returnAfterSourceHandled, nullptr, false);
}

RunResult RunLoop::run() {
  for (;;) {
    RunResult r = runInMode(kDefaultRunLoopMode, 1.0e10, false);
    if (r == RunResult::stopped || r == RunResult::finished) return r;
  }
}

bool RunLoop::runUntil(const std::function<bool()>& done, double realSeconds, std::string_view mode) {
  if (done()) return true;
  double realDeadline = steadySeconds() + (std::isnan(realSeconds) ? 0 : std::max(realSeconds, 0.0));
  runImpl(mode, kForever, realDeadline, false, &done, false);
  return done();
}

bool RunLoop::runUntilIdle(std::string_view mode) {
  bool ranAnything = false;
  // One pass at a time, so that the answer says whether anything ran at all.
  for (;;) {
    bool ran = false;
    {
      std::lock_guard lock(mutex_);
      if (!isCurrent() || retired_) return ranAnything;
    }
    Frame frame{std::string(mode)};
    {
      std::lock_guard lock(mutex_);
      frame.outer = innermost_;
      innermost_ = &frame;
    }
    {
      objc::AutoreleasePool pool;
      ran = servePass(mode).ranAnything;
      if (serveSources(mode, false, 0, 0)) ran = true;
    }
    {
      std::lock_guard lock(mutex_);
      innermost_ = frame.outer;
    }
    if (!ran) return ranAnything;
    ranAnything = true;
  }
}

}  // namespace ns
