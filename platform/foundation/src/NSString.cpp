// NSString's storage, creation, equality and the C++ face.  Searching, number
// readers, formatting, encodings and NSMutableString's edits live in their own files
// and add their methods when the class is registered.
#include "StringStorage.h"

#include "Fatal.h"
#include "Methods.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace ns {
namespace detail {

NSUInteger hashBytes(const char* p, std::size_t n) {
  std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ (n * 0xFF51AFD7ED558CCDULL);
  while (n >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 31;
    p += 8;
    n -= 8;
  }
  std::uint64_t w = 0;
  std::memcpy(&w, p, n);
  h = (h ^ w) * 0x94D049BB133111EBULL;
  h ^= h >> 29;
  return static_cast<NSUInteger>(h);
}

NSUInteger cachedStringHash(id s) {
  auto* v = stringIvars(s);
  std::atomic_ref<NSUInteger> cache(v->_hash);
  NSUInteger h = cache.load(std::memory_order_relaxed);
  if (h != 0) return h;
  h = hashBytes(v->_bytes ? v->_bytes : "", v->_byteLength);
  if (h == 0) h = 1;
  cache.store(h, std::memory_order_relaxed);
  return h;
}

bool isStringObject(id object) {
  if (object == nil) return false;
  Class cls = object_getClass(object);
  return cls == NSStringClass() || cls == NSMutableStringClass() || inheritsFrom(cls, NSStringClass());
}

bool isMutableStringClass(Class cls) {
  return cls == NSMutableStringClass() || (cls != NSStringClass() && inheritsFrom(cls, NSMutableStringClass()));
}

namespace {

unsigned char flagsFor(const unicode::Utf8Info& info) { return info.ascii ? kStringAscii : 0; }

}  // namespace

id newStringOfClass(Class cls, std::string_view utf8, const unicode::Utf8Info& info) {
  if (cls != NSStringClass() && isMutableStringClass(cls)) {
    id s = class_createInstance(cls, 0);
    assignString(s, utf8, info);
    return s;
  }
  // Immutable: the bytes follow the object in the same allocation.
  std::size_t base = class_getInstanceSize(cls);
  id s = class_createInstance(cls, utf8.size() + 1);
  auto* v = stringIvars(s);
  v->_bytes = reinterpret_cast<char*>(s) + base;
  if (!utf8.empty()) std::memcpy(v->_bytes, utf8.data(), utf8.size());
  v->_bytes[utf8.size()] = '\0';
  v->_byteLength = utf8.size();
  v->_length = info.utf16Length;
  v->_flags = flagsFor(info);
  return s;
}

id newStringChecked(Class cls, std::string_view utf8) {
  unicode::Utf8Info info = unicode::inspectUtf8(utf8);
  if (!info.valid) return nil;
  return newStringOfClass(cls, utf8, info);
}

id newString(std::string_view utf8) {
  unicode::Utf8Info info = unicode::inspectUtf8(utf8);
  if (!info.valid) {
    // Text the platform produced itself is UTF-8 by construction; anything else is a
    // programming error, but Latin-1 keeps it readable rather than losing it.
    std::string fixed = unicode::latin1ToUtf8(utf8);
    return newStringOfClass(NSStringClass(), fixed, unicode::inspectUtf8(fixed));
  }
  return newStringOfClass(NSStringClass(), utf8, info);
}

void assignString(id self, std::string_view utf8, const unicode::Utf8Info& info) {
  auto* v = stringIvars(self);
  if (v->_flags & kStringOwnsBytes) std::free(v->_bytes);
  std::size_t capacity = utf8.size() + 1;
  v->_bytes = static_cast<char*>(std::malloc(capacity));
  if (v->_bytes == nullptr) std::abort();
  if (!utf8.empty()) std::memcpy(v->_bytes, utf8.data(), utf8.size());
  v->_bytes[utf8.size()] = '\0';
  v->_byteLength = utf8.size();
  v->_length = info.utf16Length;
  v->_capacity = capacity;
  v->_hash = 0;
  v->_flags = static_cast<unsigned char>(flagsFor(info) | kStringOwnsBytes);
}

void replaceBytes(id self, std::size_t start, std::size_t count, std::string_view with) {
  auto* v = stringIvars(self);
  std::string_view old = stringView(self);
  std::size_t removedUnits = unicode::unitsInPrefix(old.substr(start, count), count);
  unicode::Utf8Info added = unicode::inspectUtf8(with);
  // `with` may point into this very string (appending a string to itself), so copy
  // it out before the buffer moves.
  std::string copy;
  if (v->_bytes != nullptr && with.data() >= v->_bytes && with.data() <= v->_bytes + v->_byteLength) {
    copy.assign(with);
    with = copy;
  }
  std::size_t newLength = v->_byteLength - count + with.size();
  if (!(v->_flags & kStringOwnsBytes) || newLength + 1 > v->_capacity) {
    std::size_t capacity = std::max<std::size_t>(newLength + 1, v->_capacity * 2);
    capacity = std::max<std::size_t>(capacity, 16);
    auto* bytes = static_cast<char*>(std::malloc(capacity));
    if (bytes == nullptr) std::abort();
    if (v->_byteLength) std::memcpy(bytes, v->_bytes, v->_byteLength);
    if (v->_flags & kStringOwnsBytes) std::free(v->_bytes);
    v->_bytes = bytes;
    v->_capacity = capacity;
    v->_flags |= kStringOwnsBytes;
  }
  std::memmove(v->_bytes + start + with.size(), v->_bytes + start + count, v->_byteLength - start - count);
  if (!with.empty()) std::memcpy(v->_bytes + start, with.data(), with.size());
  v->_byteLength = newLength;
  v->_bytes[newLength] = '\0';
  v->_length = v->_length - removedUnits + added.utf16Length;
  if (!added.ascii) v->_flags &= static_cast<unsigned char>(~kStringAscii);
  v->_hash = 0;
}

ByteRange checkedByteRange(id self, SEL selector, NSRange range) {
  auto* v = stringIvars(self);
  if (range.location > v->_length || range.length > v->_length - range.location)
    raise("NSRangeException", self, selector, "Range {%lu, %lu} out of bounds; string length %lu", range.location,
          range.length, v->_length);
  if (v->_flags & kStringAscii) return {range.location, range.length};
  std::string_view text = stringView(self);
  std::size_t start = unicode::byteOffsetOfUnit(text, range.location);
  std::size_t end = unicode::byteOffsetOfUnit(text, range.location + range.length);
  return {start, end - start};
}

}  // namespace detail

namespace {

using namespace detail;

// Instance methods.
void stringDealloc(id self, SEL cmd) {
  auto* v = stringIvars(self);
  if (v->_flags & kStringOwnsBytes) std::free(v->_bytes);
  objc::sendSuper<void>(self, NSStringClass(), cmd);
}

id stringInit(id self, SEL) { return self; }

id stringInitWithUTF8String(id self, SEL cmd, const char* utf8) {
  if (utf8 == nullptr) raise("NSInvalidArgumentException", self, cmd, "NULL cString");
  unicode::Utf8Info info = unicode::inspectUtf8(utf8);
  if (!info.valid) {
    objc::release(self);
    return nil;
  }
  assignString(self, utf8, info);
  return self;
}

id stringInitWithString(id self, SEL cmd, id other) {
  if (!isStringObject(other)) raiseNilArgument(self, cmd);
  auto* o = stringIvars(other);
  assignString(self, stringView(other), {true, (o->_flags & kStringAscii) != 0, o->_length});
  return self;
}

NSUInteger stringLength(id self, SEL) { return stringIvars(self)->_length; }

unichar stringCharacterAtIndex(id self, SEL cmd, NSUInteger index) {
  auto* v = stringIvars(self);
  if (index >= v->_length)
    raise("NSRangeException", self, cmd, "Range or index out of bounds (index %lu, length %lu)", index, v->_length);
  if (v->_flags & kStringAscii) return static_cast<unsigned char>(v->_bytes[index]);
  return unicode::unitAt(stringView(self), index);
}

const char* stringUTF8String(id self, SEL) {
  auto* v = stringIvars(self);
  return v->_bytes ? v->_bytes : "";
}

NSUInteger stringHash(id self, SEL) { return cachedStringHash(self); }

bool equalStrings(id a, id b) {
  if (a == b) return true;
  auto* x = stringIvars(a);
  auto* y = stringIvars(b);
  if (x->_byteLength != y->_byteLength) return false;
  NSUInteger hx = std::atomic_ref<NSUInteger>(x->_hash).load(std::memory_order_relaxed);
  NSUInteger hy = std::atomic_ref<NSUInteger>(y->_hash).load(std::memory_order_relaxed);
  if (hx != 0 && hy != 0 && hx != hy) return false;
  return x->_byteLength == 0 || std::memcmp(x->_bytes, y->_bytes, x->_byteLength) == 0;
}

BOOL stringIsEqual(id self, SEL, id other) { return isStringObject(other) && equalStrings(self, other) ? YES : NO; }
BOOL stringIsEqualToString(id self, SEL, id other) {
  return other != nil && isStringObject(other) && equalStrings(self, other) ? YES : NO;
}

id stringDescription(id self, SEL) { return self; }

id stringCopyWithZone(id self, SEL, void*) {
  if (!isMutableStringClass(object_getClass(self))) return objc::retain(self);
  auto* v = stringIvars(self);
  return newStringOfClass(NSStringClass(), stringView(self), {true, (v->_flags & kStringAscii) != 0, v->_length});
}

id stringMutableCopyWithZone(id self, SEL, void*) {
  auto* v = stringIvars(self);
  return newStringOfClass(NSMutableStringClass(), stringView(self),
                          {true, (v->_flags & kStringAscii) != 0, v->_length});
}

// Class methods.  `self` is the class, which may be NSMutableString or a subclass.
id stringClassString(id self, SEL) {
  return objc::autorelease(newStringOfClass(asClass(self), {}, {true, true, 0}));
}

id stringClassWithUTF8String(id self, SEL cmd, const char* utf8) {
  if (utf8 == nullptr) raise("NSInvalidArgumentException", self, cmd, "NULL cString");
  return objc::autorelease(newStringChecked(asClass(self), utf8));
}

id stringClassWithString(id self, SEL cmd, id other) {
  if (!isStringObject(other)) raiseNilArgument(self, cmd);
  auto* o = stringIvars(other);
  return objc::autorelease(
      newStringOfClass(asClass(self), stringView(other), {true, (o->_flags & kStringAscii) != 0, o->_length}));
}

Class registerNSString() {
  Class cls = objc::ClassBuilder<NSStringIvars>("NSString", objc::NSObjectClass())
                  .ivar<&NSStringIvars::_bytes>("_bytes")
                  .ivar<&NSStringIvars::_byteLength>("_byteLength")
                  .ivar<&NSStringIvars::_length>("_length")
                  .ivar<&NSStringIvars::_capacity>("_capacity")
                  .ivar<&NSStringIvars::_hash>("_hash")
                  .ivar<&NSStringIvars::_flags>("_flags")
                  .method<&stringDealloc>("dealloc")
                  .method<&stringInit>("init")
                  .method<&stringInitWithUTF8String>("initWithUTF8String:")
                  .method<&stringInitWithString>("initWithString:")
                  .method<&stringLength>("length")
                  .method<&stringCharacterAtIndex>("characterAtIndex:")
                  .method<&stringUTF8String>("UTF8String")
                  .method<&stringHash>("hash")
                  .method<&stringIsEqual>("isEqual:")
                  .method<&stringIsEqualToString>("isEqualToString:")
                  .method<&stringDescription>("description")
                  .method<&stringCopyWithZone>("copyWithZone:")
                  .method<&stringMutableCopyWithZone>("mutableCopyWithZone:")
                  .classMethod<&stringClassString>("string")
                  .classMethod<&stringClassWithUTF8String>("stringWithUTF8String:")
                  .classMethod<&stringClassWithString>("stringWithString:")
                  .registerClass();
  registerStringSearchMethods(cls);
  registerStringValueMethods(cls);
  registerStringEncodingMethods(cls);
  registerStringFormatMethods(cls);
  return cls;
}

Class registerNSMutableString() {
  Class cls = objc::ClassBuilder<NSStringIvars>("NSMutableString", NSStringClass()).registerClass();
  registerMutableStringMethods(cls);
  registerMutableFormatMethods(cls);
  return cls;
}

}  // namespace

Class NSStringClass() {
  static const Class cls = registerNSString();
  return cls;
}

Class NSMutableStringClass() {
  static const Class cls = registerNSMutableString();
  return cls;
}

[[maybe_unused]] static const bool kStringsAtLoad = (NSStringClass(), NSMutableStringClass(), true);

// The C++ face.
id str(std::string_view utf8) { return objc::autorelease(newStringChecked(NSStringClass(), utf8)); }

objc::Ref makeString(std::string_view utf8) { return objc::Ref::adopt(newStringChecked(NSStringClass(), utf8)); }

id mutableStr(std::string_view utf8) { return objc::autorelease(newStringChecked(NSMutableStringClass(), utf8)); }

bool isString(id object) { return isStringObject(object); }

std::string_view utf8View(id string) { return isStringObject(string) ? stringView(string) : std::string_view(); }

std::string utf8(id object) {
  if (object == nil) return {};
  if (isStringObject(object)) return std::string(stringView(object));
  id description = objc::send<id>(object, objc::sel<"description">());
  return isStringObject(description) ? std::string(stringView(description)) : std::string();
}

}  // namespace ns
