// The copies of notifications that SpringBoard keeps on disk, and the one edit the
// tweak libraries make to them when the user removes a notification: the Mail
// notification archive loses the entry of the notification's record ID, and an
// app's push store loses the first entry holding the notification's message.
//
// Both files are keyed archives.  Whatever an edit does not mean to change (other
// keys and entries, objects of classes the platform does not model, objects shared
// between entries) is written back as it was read, and each rewrite replaces the
// whole file atomically, so an interrupted one leaves the old file whole.  Nothing
// is reported: a missing or foreign file is left alone.
#pragma once

#include <objcface/Types.h>

namespace noctil {

inline constexpr const char* kMailArchivePath = "/var/mobile/Library/Mail/Bulletins";
inline constexpr const char* kPushStoreFormat = "/var/mobile/Library/SpringBoard/PushStore/%@.pushstore";

// Sections whose notifications are handled apart.
inline constexpr const char* kMessagesSection = "com.apple.MobileSMS";
inline constexpr const char* kMailSection = "com.apple.mobilemail";
inline constexpr const char* kPhoneSection = "com.apple.mobilephone";

// Removes the entry keyed by the record ID (compared with isEqual:) from the
// archive's "bulletins" dictionary and writes the archive back.  The file is not
// written when it is missing, is not a dictionary archive, or has no such entry.
void removeFromMailArchive(id recordID);

// Removes the first entry of the section's push store whose "AppNotificationMessage"
// equals the message (every entry equal to that one as a whole goes with it, as an
// array removal by equality does) and writes the list back, also when nothing
// matched.  A missing store, a store that is not a list, and a section ID that could
// name a file outside the push store folder are left alone.
void removeFromPushStore(id sectionID, id message);

// The stored-copy edit a removed notification calls for, chosen by its section:
// none for Phone and Messages (which keep no copy here), the Mail archive for Mail,
// the app's push store for any other section.
void removeStoredCopy(id notification);

// Whether `value` is an NSString equal to `text`.
bool isStringEqualTo(id value, const char* text);

}  // namespace noctil
