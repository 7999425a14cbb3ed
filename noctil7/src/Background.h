// Notification Center's background: on every appearance, either the system backdrop
// with the user's blur, greyscale and tint, or the user's own picture with optional
// blur and a black dimming view in front.  While Notification Center is shown the
// ActionMenu add-on is switched off, and switched back on when it goes away.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil7 {

inline constexpr const char* kActionMenuOptionsPath = "/var/mobile/Library/Preferences/com.booleanmagic.ActionMenu.plist";
inline constexpr const char* kActionMenuNotification = "com.booleanmagic.ActionMenu.settingschange";

extern hook::Slot<void(BOOL)> gViewWillAppear;
extern hook::Slot<void(BOOL)> gViewWillDisappear;

// Replacements of SBNotificationCenterViewController's viewWillAppear: and
// viewWillDisappear:.
void notificationCenterWillAppear(id self, SEL cmd, BOOL animated);
void notificationCenterWillDisappear(id self, SEL cmd, BOOL animated);

// Forgets the blur filter list so the next blurred appearance makes it again.
void forgetBlurFilters();

// Whether this tweak owes ActionMenu being switched back on.
BOOL actionMenuSuspended();

// Back to the state before the first appearance (tests).
void resetBackgroundState();

}  // namespace noctil7
