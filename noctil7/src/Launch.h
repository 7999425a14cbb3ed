// What the iOS 7 tweak knows about SpringBoard's launch: the launched flag and the
// tweak controller, both set once SBUIController has finished launching.
#pragma once

#include <objcface/Types.h>

namespace noctil7 {

// YES once SpringBoard has finished launching.
BOOL launched();

// The single Noctil object, nil before SpringBoard has finished launching.
id tweakController();

// The finishLaunching replacement's own work: sets the flag and makes the controller.
void didFinishLaunching();

// Back to the state before launch (tests).
void resetLaunchState();

}  // namespace noctil7
