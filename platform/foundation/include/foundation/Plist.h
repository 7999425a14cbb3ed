// Property lists: NSPropertyListSerialization, the file methods of NSDictionary and
// NSArray (dictionaryWithContentsOfFile:, arrayWithContentsOfFile:,
// initWithContentsOfFile:, writeToFile:atomically:), and the C++ face below.
//
// Reading takes XML or binary data, chosen by content.  Values: NSDictionary (string
// keys), NSArray, NSString, NSNumber (booleans, integers of 64 bits — negative ones
// too — and reals), NSData, NSDate.  Writing is atomic: a temporary file in the same
// folder renamed over the old one, so a failed write leaves the old file whole.
#pragma once

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

using NSPropertyListFormat = NSUInteger;
inline constexpr NSPropertyListFormat NSPropertyListOpenStepFormat = 1;
inline constexpr NSPropertyListFormat NSPropertyListXMLFormat_v1_0 = 100;
inline constexpr NSPropertyListFormat NSPropertyListBinaryFormat_v1_0 = 200;

using NSPropertyListMutabilityOptions = NSUInteger;
using NSPropertyListReadOptions = NSUInteger;
using NSPropertyListWriteOptions = NSUInteger;
inline constexpr NSPropertyListMutabilityOptions NSPropertyListImmutable = 0;
inline constexpr NSPropertyListMutabilityOptions NSPropertyListMutableContainers = 1;
inline constexpr NSPropertyListMutabilityOptions NSPropertyListMutableContainersAndLeaves = 2;

namespace ns {

Class NSPropertyListSerializationClass();

// The object form of property-list data.  `format`, when given, receives the format.
objc::Result<objc::Ref> propertyListFromData(std::span<const std::uint8_t> bytes,
                                             NSPropertyListMutabilityOptions options = NSPropertyListImmutable,
                                             NSPropertyListFormat* format = nullptr);
// The data of a property list in XML or binary format.
objc::Result<std::vector<std::uint8_t>> dataFromPropertyList(id plist,
                                                             NSPropertyListFormat format = NSPropertyListXMLFormat_v1_0);

// A property-list file at a device path.
objc::Result<objc::Ref> readPropertyListFile(std::string_view devicePath,
                                             NSPropertyListMutabilityOptions options = NSPropertyListImmutable);
objc::Status writePropertyListFile(id plist, std::string_view devicePath,
                                   NSPropertyListFormat format = NSPropertyListXMLFormat_v1_0);

}  // namespace ns
