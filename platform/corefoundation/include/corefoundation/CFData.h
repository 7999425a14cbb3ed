// CFData: the Foundation NSData object seen through CoreFoundation's C calls, so a
// CFDataRef and an NSData are the same object (toll-free bridged).
#pragma once

#include <corefoundation/CFBase.h>

#include <cstdint>

extern "C" {

typedef std::uint8_t UInt8;
typedef const struct __CFData* CFDataRef;

// An immutable copy of `length` bytes, owned by the caller; NULL for a negative
// length or NULL bytes with a positive length.
CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length);
const UInt8* CFDataGetBytePtr(CFDataRef data);
CFIndex CFDataGetLength(CFDataRef data);

}  // extern "C"
