// NSData and NSMutableData: byte buffers as runtime classes, with file reads and
// atomic file writes of device paths, and a thin C++ face.
#pragma once

#include <objcface/NSObject.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace ns {

Class NSDataClass();
Class NSMutableDataClass();

// An autoreleased NSData holding a copy of the bytes.
id data(std::span<const std::uint8_t> bytes);
id data(std::string_view bytes);
// The same, owned by the caller.
objc::Ref makeData(std::span<const std::uint8_t> bytes);
// An autoreleased NSMutableData holding a copy of the bytes.
id mutableData(std::span<const std::uint8_t> bytes);

// The bytes of an NSData without copying, valid while it lives and is not mutated;
// empty for nil or a non-data object.
std::span<const std::uint8_t> bytesOf(id data);

bool isData(id object);

}  // namespace ns
