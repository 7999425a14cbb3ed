// How NSString keeps its text: UTF-8 bytes with a terminating NUL (so UTF8String
// costs nothing), the byte count, the length in UTF-16 units (what -length answers)
// and a cached hash.  Immutable strings made by the platform carry their bytes in
// the same allocation as the object; strings made through alloc/init and every
// mutable string own a separately allocated buffer.
#pragma once

#include "Unicode.h"

#include <foundation/NSString.h>

#include <optional>
#include <string>
#include <string_view>

struct NSStringIvars : NSObjectIvars {
  char* _bytes;             // UTF-8, NUL-terminated; null for an empty string
  NSUInteger _byteLength;   // bytes before the NUL
  NSUInteger _length;       // UTF-16 units
  NSUInteger _capacity;     // bytes owned in _bytes (mutable strings), else 0
  NSUInteger _hash;         // cached -hash, 0 until computed (read and written atomically)
  unsigned char _flags;
};

namespace ns::detail {

enum : unsigned char {
  kStringAscii = 1,      // every byte is below 0x80, so UTF-16 indexes are byte offsets
  kStringOwnsBytes = 2,  // _bytes was allocated separately and is freed in dealloc
};

// The cached hash, computed on first use.  Immutable strings are shared between
// threads, so the cache is an atomic word; a computed 0 is stored as 1.
NSUInteger cachedStringHash(id s);

inline NSStringIvars* stringIvars(id s) { return reinterpret_cast<NSStringIvars*>(s); }

inline std::string_view stringView(id s) {
  auto* v = stringIvars(s);
  return {v->_bytes ? v->_bytes : "", v->_byteLength};
}

// Whether the object is an NSString (or subclass), without a send.
bool isStringObject(id object);
bool isMutableStringClass(Class cls);

// A new string (+1) of class cls holding the given UTF-8, which the caller has
// already validated (info describes it).
id newStringOfClass(Class cls, std::string_view utf8, const unicode::Utf8Info& info);
// Same, validating first; nil when utf8 is not well-formed.
id newStringChecked(Class cls, std::string_view utf8);
// A new immutable NSString (+1) from UTF-8 the platform itself produced.
id newString(std::string_view utf8);

// Fills a freshly allocated (empty) string instance with a copy of the text.
void assignString(id self, std::string_view utf8, const unicode::Utf8Info& info);

// Replaces the bytes [start, start+count) of a mutable string with `with` (valid UTF-8).
void replaceBytes(id self, std::size_t start, std::size_t count, std::string_view with);

// The UTF-16 range [location, location+length) as bytes, after a bounds check that
// stops the process naming selector when the range exceeds the string.
struct ByteRange {
  std::size_t start;
  std::size_t count;
};
ByteRange checkedByteRange(id self, SEL selector, NSRange range);

NSUInteger hashBytes(const char* bytes, std::size_t count);

// The UTF-8 text of bytes in an encoding; nothing when they are not valid in it.
std::optional<std::string> decodeText(const void* bytes, std::size_t length, NSStringEncoding encoding);
// The bytes of UTF-8 text in an encoding; nothing when a character has no form in it.
std::optional<std::string> encodeText(std::string_view text, NSStringEncoding encoding);

// Per-file method registration, called once when NSString is registered.
void registerStringSearchMethods(Class string);
void registerStringValueMethods(Class string);
void registerStringFormatMethods(Class string);
void registerStringEncodingMethods(Class string);
void registerMutableStringMethods(Class mutableString);
void registerMutableFormatMethods(Class mutableString);

}  // namespace ns::detail
