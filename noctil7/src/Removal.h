// Removing notifications and what follows from it: the notification leaves
// Notification Center and the lock-screen list, its stored copy leaves the Mail
// notification archive or the app's push store, a text message is marked read in
// Messages, and the app's badge goes down.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil7 {

inline constexpr const char* kMailArchivePath = "/var/mobile/Library/Mail/Bulletins";
inline constexpr const char* kPushStoreFormat = "/var/mobile/Library/SpringBoard/PushStore/%@.pushstore";
inline constexpr const char* kMessagesSection = "com.apple.MobileSMS";
inline constexpr const char* kMailSection = "com.apple.mobilemail";
inline constexpr const char* kPhoneSection = "com.apple.mobilephone";
inline constexpr const char* kMissedModeSection = "SBNotificationsMissedModeSectionInfo";

extern hook::Slot<id(id)> gRemoveSection;

// The notification a cell shows, or nil.
id notificationForCell(id cell);
// Removes the cell's notification from the lists, then its side effects.
void removeNotificationOfCell(id cell);
// Removes the notification of every row of the table that has a cell now.
void removeAllNotificationsInTable(id tableView);
// Lowers the badge of the section's app by one, or clears it.
void updateBadge(id sectionID, BOOL clear);
// SBBulletinViewController _removeSection: (answers what the host's answers: the
// section removed).
id bulletinRemoveSection(id self, SEL cmd, id sectionInfo);

// The two stored-file edits (also usable on their own).
void removeFromMailArchive(id recordID);
void removeFromPushStore(id sectionID, id message);

}  // namespace noctil7
