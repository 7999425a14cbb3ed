// NSBundle: a folder of resources at a device path, with its Info.plist, its resource
// lookup and its string tables.  The main bundle always exists; its identifier is
// set by the host program (as the system sets a real app's) and its path may be set
// too.  Other bundles are opened with bundleWithPath:, which answers nil for a path
// that is not a folder, and which answers the same object for the same folder.
//
// localizedStringForKey:value:table: reads <table>.strings (old-style text in UTF-8
// or UTF-16 with a byte-order mark, or a property list) from the bundle's en.lproj,
// else Base.lproj, else its root folder; a nil or empty table name means
// "Localizable".  A key the table lacks (or a missing table) answers the value when it
// is non-empty, else the key; a nil key answers the value or "".  Tables are read once
// per bundle and kept, as Foundation does.
#pragma once

#include <objcface/NSObject.h>

#include <string>
#include <string_view>

namespace ns {

Class NSBundleClass();

// The main bundle (never nil).
id mainBundle();

// Set by the host program before it runs anything that asks.  An empty identifier
// falls back to the Info.plist of the main bundle's folder.
void setMainBundleIdentifier(std::string_view identifier);
void setMainBundlePath(std::string_view devicePath);

// [NSBundle bundleWithPath:] from C++: nil when the path is not a folder.
id bundleWithPath(std::string_view devicePath);

// localizedStringForKey:value:table: from C++ (table "" means "Localizable").
std::string localizedString(id bundle, std::string_view key, std::string_view value = {},
                            std::string_view table = {});

}  // namespace ns
