// The Settings app's preference machinery: a row bound to an option key (its "key"
// property) in a preferences domain (its "defaults" property) shows the value stored
// in "/var/mobile/Library/Preferences/<domain>.plist", or the row's "default" when
// the file or the key is absent.  When the user changes the row, the file is
// rewritten whole and atomically (every other key kept, XML) and the row's
// "PostNotification", if any, is posted as a Darwin notification.
//
// PSListController's readPreferenceValue: and setPreferenceValue:specifier: are this
// machinery; the C++ face below serves the host program and tests.
#pragma once

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <string>
#include <string_view>

namespace preferences {

// "/var/mobile/Library/Preferences/<domain>.plist"; an error for a domain that is
// empty, holds a '/' or a NUL, or starts with '.', so a domain never names a file
// outside the preferences folder.
objc::Result<std::string> domainFilePath(std::string_view domain);

// The dictionary stored for a domain (an immutable NSDictionary, owned by the
// result), or an empty Ref when the file does not exist.  An error when the file
// exists but is not a readable dictionary.
objc::Result<objc::Ref> readDomain(std::string_view domain);

// Stores `value` under `key` (nil removes the key), keeping every other key.  An
// error, and nothing written, when the domain is bad, the existing file is not a
// readable dictionary (it is never replaced by a fresh one), or the write fails.
objc::Status writeDomainValue(std::string_view domain, id key, id value);

}  // namespace preferences
