// Replacements that keep the lock screen and the list in step with SpringBoard: the
// launch, the home button, the front application, the away controller's unlock
// attempts and passcode keypad, and incoming calls.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// SpringBoard menuButtonDown: (the event, a GSEventRef passed as an object).
extern hook::Slot<void(id)> gMenuButtonDown;
void menuButtonDownReplacement(id self, SEL cmd, id event);

// SpringBoard frontDisplayDidChange.
extern hook::Slot<void()> gFrontDisplayDidChange;
void frontDisplayDidChangeReplacement(id self, SEL cmd);

// SBUIController finishLaunching.
extern hook::Slot<void()> gFinishLaunching;
void finishLaunchingReplacement(id self, SEL cmd);

// SBAwayController attemptUnlock and didAnimateLockKeypadOut.
extern hook::Slot<void()> gAttemptUnlock;
void attemptUnlockReplacement(id self, SEL cmd);
extern hook::Slot<void()> gDidAnimateLockKeypadOut;
void didAnimateLockKeypadOutReplacement(id self, SEL cmd);

// CTCallCenter handleNotificationFromConnection:ofType:withInfo: (the connection, the
// notification type, the information dictionary).
extern hook::Slot<void(void*, id, id)> gHandleCallNotification;
void handleCallNotificationReplacement(id self, SEL cmd, void* connection, id type, id info);

// SBAwayController attemptDeviceUnlockWithPassword:lockViewOwner:.
extern hook::Slot<BOOL(id, id)> gAttemptDeviceUnlock;
BOOL attemptDeviceUnlockReplacement(id self, SEL cmd, id password, id lockViewOwner);

}  // namespace noctil6
