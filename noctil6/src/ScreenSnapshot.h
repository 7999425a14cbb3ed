// The two things a blurred list background is made of: a still picture of the screen
// as it is drawn now, and the one-filter lists (a Gaussian blur) given to the back
// view's layer.  The filter lists, one for Notification Center and one for the lock
// screen, are made when first needed and kept in the background caches until the
// options are reloaded.
#pragma once

#include <objcface/NSObject.h>

namespace noctil6 {

// A picture of the screen now, upright for the interface orientation, at the main
// screen's scale; nil when the platform cannot take one.
objc::Ref takeScreenSnapshot();

// The image orientation that shows a snapshot taken in an interface orientation
// upright: 2 (upside down) → 1, 3 (landscape left) → 2, 4 → 3, any other → 0.
NSInteger snapshotImageOrientation(NSInteger interfaceOrientation);

// Makes the missing filter lists of the blurs that are on ("Blur" for Notification
// Center, "LockBlur" for the lock screen), each with its own radius, and answers the
// list of the current context (the lock screen's inside the lock context); nil when
// that blur is off.
id blurFiltersForCurrentContext();

}  // namespace noctil6
