// The CGColor handle behind a UIColor: the colour model plus the component array
// CGColorGetComponents answers, with a reference count of its own.
#pragma once

#include <uikit/UIColor.h>

#include <atomic>

struct CGColor {
  std::atomic<long> references{1};
  uikit::Color color;
  CGFloat components[4] = {};
  std::size_t count = 0;
};

namespace uikit::detail {

// A new CGColor owned once by the caller (release with CGColorRelease).
CGColorRef createCGColor(const Color& color);

}  // namespace uikit::detail
