// Pieces of the run loop core shared by its source files.
#pragma once

#include <foundation/RunLoop.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <string>

namespace ns {

struct RunLoop::Frame {
  std::string mode;
  bool stopped = false;
  Frame* outer = nullptr;
};

inline constexpr double kForever = std::numeric_limits<double>::infinity();

// Seconds on the monotonic clock, for real-time bounds.
inline double steadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline bool hasMode(const RunLoopModes& modes, std::string_view mode) {
  return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

}  // namespace ns
