// How NSData keeps its bytes: immutable data made by the platform carries them in
// the same allocation as the object; data made through alloc/init and all mutable
// data own a separate buffer that grows geometrically.
#pragma once

#include <foundation/NSData.h>

#include <cstddef>
#include <span>

struct NSDataIvars : NSObjectIvars {
  unsigned char* _bytes;
  NSUInteger _length;
  NSUInteger _capacity;  // bytes owned in _bytes, 0 when inline or empty
  unsigned char _ownsBytes;
};

namespace ns::detail {

inline NSDataIvars* dataIvars(id d) { return reinterpret_cast<NSDataIvars*>(d); }
inline std::span<const std::uint8_t> dataSpan(id d) {
  auto* v = dataIvars(d);
  return {v->_bytes, v->_length};
}

bool isDataObject(id object);
bool isMutableDataClass(Class cls);

// A new data object (+1) of class cls holding a copy of the bytes.
id newDataOfClass(Class cls, const void* bytes, std::size_t length);

}  // namespace ns::detail
