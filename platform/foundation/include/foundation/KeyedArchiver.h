// Keyed archives (NSKeyedArchiver / NSKeyedUnarchiver), in the layout Foundation
// writes: a property list with $archiver "NSKeyedArchiver", $version 100000, $top
// {root = UID}, and $objects, a flat list whose first entry is "$null" and whose
// objects refer to each other by UID.  Strings, numbers and data are stored as plain
// values; other objects as dictionaries whose $class refers to a class dictionary
// ($classname, $classes).  Archives are written in the binary format and read in
// either format (an XML archive spells a UID as the dictionary {CF$UID = n}).
//
// Classes modelled: NSString, NSMutableString, NSNumber (booleans included), NSData,
// NSMutableData, NSDate, NSNull, NSURL, NSArray, NSMutableArray, NSDictionary,
// NSMutableDictionary, NSSet, NSMutableSet.  An object of any other class is read as an
// NSArchivedObject that keeps its class dictionary and fields and is written back
// unchanged.  An object reached twice is one object, on both sides.
//
// Malformed archives (truncated data, a UID out of range, a reference cycle, a wrong
// type where a container or class is expected, nesting past 512 levels) are refused:
// nil from the runtime methods, an error here.
#pragma once

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ns {

Class NSKeyedArchiverClass();
Class NSKeyedUnarchiverClass();
// Objects of classes the platform does not model; they answer archivedClassName,
// archivedClassNames and archivedValueForKey: (the referenced object of a reference
// field, the value of a scalar field).
Class NSArchivedObjectClass();

// The archive of an object graph (binary property list).
objc::Result<std::vector<std::uint8_t>> archivedData(id root);
// The same written atomically to a device path.
objc::Status archiveRootObjectToFile(id root, std::string_view devicePath);

// The root object of an archive (nil when the archive's root is $null).
objc::Result<objc::Ref> unarchiveData(std::span<const std::uint8_t> bytes);
objc::Result<objc::Ref> unarchiveFile(std::string_view devicePath);

// The class name an archived object was stored with; "" for other objects.
std::string archivedClassName(id object);

}  // namespace ns
