// The Darwin notification center: notifications by name between the processes of
// one device root (see NotifyDelivery.h for how they travel), with iOS's C calls.
//
// A post (notify_post, or CFNotificationCenterPostNotification on this center)
// reaches every process of the device root that observes the name, the posting
// process included.  Callbacks run on the observer's main run loop (in its common
// modes), never inside the post.  Posts that arrive before the main run loop gets to
// them fold into one callback per observer, whatever the suspension behaviour: the
// processes here are never suspended, so every behaviour acts as coalescing.  As on
// iOS, a Darwin notification carries only its name: the callback gets the name, a
// NULL object and NULL user information, and the object and user information given
// to a post are ignored.
//
// An observation is the triple (observer, callback, name); adding the same triple
// again changes nothing.  Removing an observer takes out its observations for that
// name (all names when the name is NULL).  A callback may add and remove
// observations, including its own.
#pragma once

#include <corefoundation/CFBase.h>

extern "C" {

typedef struct __CFNotificationCenter* CFNotificationCenterRef;

typedef void (*CFNotificationCallback)(CFNotificationCenterRef center, void* observer, CFStringRef name,
                                       const void* object, CFDictionaryRef userInfo);

typedef CFIndex CFNotificationSuspensionBehavior;
enum : CFIndex {
  CFNotificationSuspensionBehaviorDrop = 1,
  CFNotificationSuspensionBehaviorCoalesce = 2,
  CFNotificationSuspensionBehaviorHold = 3,
  CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};

// The process's one Darwin center (never deallocated; retain and release are
// harmless).
CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter(void);

// A NULL callback or name, or a center other than the Darwin center, is ignored.
void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callBack, CFStringRef name, const void* object,
                                     CFNotificationSuspensionBehavior suspensionBehavior);
void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer, CFStringRef name,
                                        const void* object);
void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer);

// Posts `name` as notify_post does.
void CFNotificationCenterPostNotification(CFNotificationCenterRef center, CFStringRef name, const void* object,
                                          CFDictionaryRef userInfo, Boolean deliverImmediately);

}  // extern "C"
