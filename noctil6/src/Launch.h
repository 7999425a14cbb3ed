// What the iOS 6 tweak knows about SpringBoard's launch: the launched flag and the
// tweak controller, both set once SBUIController has finished launching, and the
// screen height the controller stores when it is made.
#pragma once

#include <objcface/Types.h>

namespace noctil6 {

// YES once SpringBoard has finished launching.
BOOL launched();

// The single Noctil object, nil before SpringBoard has finished launching.
id tweakController();

// Sets the flag and makes the controller (the finishLaunching replacement's part).
void didFinishLaunching();

// The main screen's height as read by the controller's init; 0 before.
CGFloat screenHeight();
void setScreenHeight(CGFloat height);

// Back to the state before launch (tests).
void resetLaunchState();

}  // namespace noctil6
