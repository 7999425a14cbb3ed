// Reads the binary property-list format ("bplist00") into a Tree, or straight into
// immutable property-list objects.  Written for hostile
// input: every offset, length and reference is checked against the data, a reference
// cycle or nesting deeper than kMaxNesting is refused, and an object referenced from
// many places becomes one shared node, so the memory used stays proportional to the
// size of the data (a few kilobytes of shared references cannot unfold into gigabytes,
// as they do in libplist's reader).
#pragma once

#include "PlistTree.h"

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <string_view>

namespace ns::plist {

// True when the bytes start with the binary format's magic ("bplist").
bool looksBinary(std::string_view bytes);

objc::Result<Document> readBinary(std::string_view bytes);

// The file's root as immutable objects (NSDictionary, NSArray, NSString, NSNumber,
// NSData, NSDate), made in one pass with no tree in between; the same checks and
// refusals as readBinary, and a UID anywhere in the value is refused as it is by
// objectFromTree.  An object the file shares becomes one shared object.
objc::Result<objc::Ref> readBinaryObjects(std::string_view bytes);

}  // namespace ns::plist
