// The pull-down of the lock screen: a finger drawn down from the top edge of the
// lock screen's window (SBAlertWindow, within 30 points of the top) or of the status
// bar's window (UIStatusBarWindow, within 60 points) opens the Notification Center
// list through the same gesture calls SpringBoard makes to open it when unlocked.
// While a pull-down is in progress the windows do not see its moves.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

inline constexpr CGFloat kLockScreenPullZone = 30.0;
inline constexpr CGFloat kStatusBarPullZone = 60.0;

// UIStatusBarWindow sendEvent: and SBAlertWindow sendEvent:.
extern hook::Slot<void(id)> gStatusBarSendEvent;
void statusBarSendEventReplacement(id self, SEL cmd, id event);
extern hook::Slot<void(id)> gAlertWindowSendEvent;
void alertWindowSendEventReplacement(id self, SEL cmd, id event);

}  // namespace noctil6
