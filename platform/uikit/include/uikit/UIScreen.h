// The device's screen: UIScreen mainScreen with its bounds (points), scale (pixels per
// point) and current mode (the size in pixels).  The screen starts as a 4-inch
// Retina iPhone, 320 × 568 points at scale 2.0; hosts and tests choose another with
// setScreen before or while objects ask for it.
#pragma once

#include <objcface/Types.h>

namespace uikit {

struct ScreenMetrics {
  CGRect bounds = CGRectMake(0, 0, 320, 568);
  CGFloat scale = 2.0;
};

// The main screen's metrics now.
ScreenMetrics screen();
// Changes the main screen.  The bounds' origin is kept at (0, 0); a side that is not
// positive or a scale that is not positive is refused (false, nothing changed).
bool setScreen(CGRect bounds, CGFloat scale);
// Back to 320 × 568 at 2.0.
void resetScreen();

// The UIScreen class (registered when the library loads).
Class UIScreenClass();

}  // namespace uikit
