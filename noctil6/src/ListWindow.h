// Touch tracking of the list's own window (SBBulletinWindow) on the lock screen: a
// finger on the bottom edge of the shown list drags it up, and on release it slides
// away (unlocking with "PullUpToUnlock") or springs back; and the lock bar's knob can
// be dragged through the list ("EnableLockBar").  The replacement is made in place on
// the sendEvent: the window class inherits, so it acts for every window that
// inherits the same method and tracks only SBBulletinWindow's events.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// SBBulletinWindow sendEvent:.
extern hook::Slot<void(id)> gListWindowSendEvent;
void listWindowSendEventReplacement(id self, SEL cmd, id event);

// The parts of the lock bar the knob gesture needs: its well, and the well's text
// view and knob (each the last subview described so).  Any may be nil.
struct LockBarParts {
  id lockBar = nil;
  id well = nil;
  id textView = nil;
  id knob = nil;
};
LockBarParts findLockBarParts();

}  // namespace noctil6
