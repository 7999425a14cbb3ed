// Removing notifications and what follows from it: the notification leaves
// Notification Center and the lock-screen list, its stored copy leaves the Mail
// notification archive or the app's push store, a text message is marked read in
// Messages, and the app's badge goes down.
#pragma once

#include <noctil/MethodHooks.h>
#include <noctil/StoredNotifications.h>

namespace noctil7 {

using noctil::kMailArchivePath;
using noctil::kMailSection;
using noctil::kMessagesSection;
using noctil::kPhoneSection;
using noctil::kPushStoreFormat;
inline constexpr const char* kMissedModeSection = "SBNotificationsMissedModeSectionInfo";

extern hook::Slot<id(id)> gRemoveSection;

// The notification a cell shows, or nil.
id notificationForCell(id cell);
// Removes the cell's notification from the lists, then its side effects.
void removeNotificationOfCell(id cell);
// Removes the notification of every row of the table that has a cell now.
void removeAllNotificationsInTable(id tableView);
// Lowers the badge of the section's app by one, or clears it, when "RemoveBadge"
// is on.
void updateBadge(id sectionID, BOOL clear);
// SBBulletinViewController _removeSection: (answers what the host's answers: the
// section removed).
id bulletinRemoveSection(id self, SEL cmd, id sectionInfo);

}  // namespace noctil7
