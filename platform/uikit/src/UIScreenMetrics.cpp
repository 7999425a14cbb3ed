#include <uikit/UIScreen.h>

#include <cmath>
#include <mutex>

namespace uikit {

namespace {

std::mutex& metricsMutex() {
  static std::mutex m;
  return m;
}

ScreenMetrics& metrics() {
  static ScreenMetrics current;
  return current;
}

}  // namespace

ScreenMetrics screen() {
  std::lock_guard lock(metricsMutex());
  return metrics();
}

bool setScreen(CGRect bounds, CGFloat scale) {
  const CGFloat w = bounds.size.width;
  const CGFloat h = bounds.size.height;
  if (!(w > 0) || !(h > 0) || !(scale > 0) || !std::isfinite(w) || !std::isfinite(h) || !std::isfinite(scale))
    return false;
  std::lock_guard lock(metricsMutex());
  metrics() = ScreenMetrics{CGRectMake(0, 0, w, h), scale};
  return true;
}

void resetScreen() {
  std::lock_guard lock(metricsMutex());
  metrics() = ScreenMetrics{};
}

}  // namespace uikit
