// The label Notification Center's list shows while it holds no notification: with
// "ShowNoNotificationsLabel" off it never shows (the list view is not even asked),
// and with a "NoNotificationsText" of the user's it shows that text, centred across
// the whole width of the list.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// SBBulletinListView setShowsNoNotificationsLabel:animated:.
extern hook::Slot<void(BOOL, BOOL)> gShowsNoNotificationsLabel;
void showsNoNotificationsLabelReplacement(id self, SEL cmd, BOOL shows, BOOL animated);

}  // namespace noctil6
