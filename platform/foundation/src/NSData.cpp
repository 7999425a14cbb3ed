// NSData and NSMutableData.
#include "DataStorage.h"

#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <foundation/FileIO.h>
#include <foundation/NSError.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ns {
namespace detail {

bool isDataObject(id object) {
  if (object == nil) return false;
  Class cls = object_getClass(object);
  return cls == NSDataClass() || cls == NSMutableDataClass() || inheritsFrom(cls, NSDataClass());
}

bool isMutableDataClass(Class cls) {
  return cls == NSMutableDataClass() || (cls != NSDataClass() && inheritsFrom(cls, NSMutableDataClass()));
}

namespace {

// Makes room for `length` bytes in a data object that owns its buffer.
void reserveBytes(NSDataIvars* v, std::size_t length) {
  if (v->_ownsBytes && length <= v->_capacity) return;
  std::size_t capacity = std::max<std::size_t>({length, v->_capacity * 2, 16});
  auto* bytes = static_cast<unsigned char*>(std::malloc(capacity));
  if (bytes == nullptr) std::abort();
  if (v->_length) std::memcpy(bytes, v->_bytes, v->_length);
  if (v->_ownsBytes) std::free(v->_bytes);
  v->_bytes = bytes;
  v->_capacity = capacity;
  v->_ownsBytes = 1;
}

void assignBytes(id self, const void* bytes, std::size_t length) {
  auto* v = dataIvars(self);
  if (v->_ownsBytes) std::free(v->_bytes);
  v->_bytes = nullptr;
  v->_length = 0;
  v->_capacity = 0;
  v->_ownsBytes = 0;
  if (length == 0) return;
  reserveBytes(v, length);
  std::memcpy(v->_bytes, bytes, length);
  v->_length = length;
}

}  // namespace

id newDataOfClass(Class cls, const void* bytes, std::size_t length) {
  if (isMutableDataClass(cls) || length == 0) {
    id d = class_createInstance(cls, 0);
    if (length) assignBytes(d, bytes, length);
    return d;
  }
  std::size_t base = class_getInstanceSize(cls);
  id d = class_createInstance(cls, length);
  auto* v = dataIvars(d);
  v->_bytes = reinterpret_cast<unsigned char*>(d) + base;
  std::memcpy(v->_bytes, bytes, length);
  v->_length = length;
  return d;
}

}  // namespace detail

namespace {

using namespace detail;

void dataDealloc(id self, SEL cmd) {
  auto* v = dataIvars(self);
  if (v->_ownsBytes) std::free(v->_bytes);
  objc::sendSuper<void>(self, NSDataClass(), cmd);
}

id dataInitWithBytesLength(id self, SEL cmd, const void* bytes, NSUInteger length) {
  if (bytes == nullptr && length > 0) raiseNilArgument(self, cmd);
  assignBytes(self, bytes, length);
  return self;
}

id dataInitWithData(id self, SEL cmd, id other) {
  if (other != nil && !isDataObject(other)) raiseNilArgument(self, cmd);
  auto bytes = other ? dataSpan(other) : std::span<const std::uint8_t>();
  assignBytes(self, bytes.data(), bytes.size());
  return self;
}

const void* dataBytes(id self, SEL) { return dataIvars(self)->_bytes; }
NSUInteger dataLength(id self, SEL) { return dataIvars(self)->_length; }

BOOL equalData(id self, id other) {
  if (self == other) return YES;
  if (!isDataObject(other)) return NO;
  auto a = dataSpan(self);
  auto b = dataSpan(other);
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0) ? YES : NO;
}

BOOL dataIsEqual(id self, SEL, id other) { return equalData(self, other); }
BOOL dataIsEqualToData(id self, SEL, id other) { return other ? equalData(self, other) : NO; }

// Like iOS, the hash looks at a bounded prefix so large data hashes quickly.
NSUInteger dataHash(id self, SEL) {
  auto bytes = dataSpan(self);
  return hashBytes(reinterpret_cast<const char*>(bytes.data()), std::min<std::size_t>(bytes.size(), 80)) ^
         bytes.size();
}

id dataCopyWithZone(id self, SEL, void*) {
  if (!isMutableDataClass(object_getClass(self))) return objc::retain(self);
  auto bytes = dataSpan(self);
  return newDataOfClass(NSDataClass(), bytes.data(), bytes.size());
}

id dataMutableCopyWithZone(id self, SEL, void*) {
  auto bytes = dataSpan(self);
  return newDataOfClass(NSMutableDataClass(), bytes.data(), bytes.size());
}

id dataSubdataWithRange(id self, SEL cmd, NSRange range) {
  auto bytes = dataSpan(self);
  if (range.location > bytes.size() || range.length > bytes.size() - range.location)
    raise("NSRangeException", self, cmd, "range {%lu, %lu} exceeds data length %zu", range.location, range.length,
          bytes.size());
  return objc::autorelease(newDataOfClass(NSDataClass(), bytes.data() + range.location, range.length));
}

id dataDescription(id self, SEL) {
  static const char* kHex = "0123456789abcdef";
  auto bytes = dataSpan(self);
  std::string text = "<";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 4 == 0) text += ' ';
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 15];
  }
  text += '>';
  return objc::autorelease(newString(text));
}

// Whole-file writes are always atomic on this platform, whatever the flag says, so a
// reader never sees half a file.
BOOL dataWriteToFileAtomically(id self, SEL, id path, BOOL) {
  if (!isStringObject(path)) return NO;
  return writeFileAtomically(stringView(path), dataSpan(self)).ok() ? YES : NO;
}

BOOL dataWriteToFileOptionsError(id self, SEL, id path, NSUInteger, id* error) {
  if (!isStringObject(path)) {
    setError(error, NSCocoaErrorDomain, NSFileNoSuchFileError, "no path given");
    return NO;
  }
  objc::Status written = writeFileAtomically(stringView(path), dataSpan(self));
  if (!written) {
    setError(error, NSCocoaErrorDomain, NSFileWriteUnknownError, written.error().message);
    return NO;
  }
  return YES;
}

id dataClassData(id self, SEL) { return objc::autorelease(newDataOfClass(asClass(self), nullptr, 0)); }

id dataClassWithBytesLength(id self, SEL cmd, const void* bytes, NSUInteger length) {
  if (bytes == nullptr && length > 0) raiseNilArgument(self, cmd);
  return objc::autorelease(newDataOfClass(asClass(self), bytes, length));
}

id dataClassWithData(id self, SEL cmd, id other) {
  if (other != nil && !isDataObject(other)) raiseNilArgument(self, cmd);
  auto bytes = other ? dataSpan(other) : std::span<const std::uint8_t>();
  return objc::autorelease(newDataOfClass(asClass(self), bytes.data(), bytes.size()));
}

id dataClassWithContentsOfFile(id self, SEL, id path) {
  if (!isStringObject(path)) return nil;
  auto bytes = readFile(stringView(path));
  if (!bytes) return nil;
  return objc::autorelease(newDataOfClass(asClass(self), bytes->data(), bytes->size()));
}

id dataClassWithContentsOfFileOptionsError(id self, SEL, id path, NSUInteger, id* error) {
  if (!isStringObject(path)) {
    setError(error, NSCocoaErrorDomain, NSFileReadNoSuchFileError, "no path given");
    return nil;
  }
  auto bytes = readFile(stringView(path));
  if (!bytes) {
    setError(error, NSCocoaErrorDomain, NSFileReadNoSuchFileError, bytes.error().message);
    return nil;
  }
  return objc::autorelease(newDataOfClass(asClass(self), bytes->data(), bytes->size()));
}

id dataInitWithContentsOfFile(id self, SEL, id path) {
  auto bytes = isStringObject(path) ? readFile(stringView(path))
                                    : objc::Result<std::vector<std::uint8_t>>(objc::makeError("no path"));
  if (!bytes) {
    objc::release(self);
    return nil;
  }
  assignBytes(self, bytes->data(), bytes->size());
  return self;
}

// NSMutableData.
void* mutableBytes(id self, SEL) { return dataIvars(self)->_bytes; }

void appendBytes(id self, const void* bytes, std::size_t length) {
  if (length == 0) return;
  auto* v = dataIvars(self);
  // The bytes may come from this very object; copy them out before the buffer moves.
  std::vector<unsigned char> copy;
  if (v->_bytes && bytes >= v->_bytes && bytes < v->_bytes + v->_length) {
    copy.assign(static_cast<const unsigned char*>(bytes), static_cast<const unsigned char*>(bytes) + length);
    bytes = copy.data();
  }
  reserveBytes(v, v->_length + length);
  std::memcpy(v->_bytes + v->_length, bytes, length);
  v->_length += length;
}

void mutableAppendBytesLength(id self, SEL cmd, const void* bytes, NSUInteger length) {
  if (bytes == nullptr && length > 0) raiseNilArgument(self, cmd);
  appendBytes(self, bytes, length);
}

void mutableAppendData(id self, SEL cmd, id other) {
  if (other == nil) return;  // iOS ignores appending nil data
  if (!isDataObject(other)) raiseNilArgument(self, cmd);
  auto bytes = dataSpan(other);
  appendBytes(self, bytes.data(), bytes.size());
}

void mutableSetLength(id self, SEL, NSUInteger length) {
  auto* v = dataIvars(self);
  if (length > v->_length) {
    reserveBytes(v, length);
    std::memset(v->_bytes + v->_length, 0, length - v->_length);
  }
  v->_length = length;
}

void mutableSetData(id self, SEL cmd, id other) {
  if (other != nil && !isDataObject(other)) raiseNilArgument(self, cmd);
  auto bytes = other ? dataSpan(other) : std::span<const std::uint8_t>();
  std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
  dataIvars(self)->_length = 0;
  appendBytes(self, copy.data(), copy.size());
}

id mutableInitWithCapacity(id self, SEL, NSUInteger capacity) {
  if (capacity > 0) reserveBytes(dataIvars(self), capacity);
  return self;
}

id mutableClassWithCapacity(id self, SEL cmd, NSUInteger capacity) {
  return objc::autorelease(mutableInitWithCapacity(class_createInstance(asClass(self), 0), cmd, capacity));
}

Class registerNSData() {
  return objc::ClassBuilder<NSDataIvars>("NSData", objc::NSObjectClass())
      .ivar<&NSDataIvars::_bytes>("_bytes")
      .ivar<&NSDataIvars::_length>("_length")
      .ivar<&NSDataIvars::_capacity>("_capacity")
      .ivar<&NSDataIvars::_ownsBytes>("_ownsBytes")
      .method<&dataDealloc>("dealloc")
      .method<&dataInitWithBytesLength>("initWithBytes:length:")
      .method<&dataInitWithData>("initWithData:")
      .method<&dataInitWithContentsOfFile>("initWithContentsOfFile:")
      .method<&dataBytes>("bytes")
      .method<&dataLength>("length")
      .method<&dataIsEqual>("isEqual:")
      .method<&dataIsEqualToData>("isEqualToData:")
      .method<&dataHash>("hash")
      .method<&dataCopyWithZone>("copyWithZone:")
      .method<&dataMutableCopyWithZone>("mutableCopyWithZone:")
      .method<&dataSubdataWithRange>("subdataWithRange:")
      .method<&dataDescription>("description")
      .method<&dataWriteToFileAtomically>("writeToFile:atomically:")
      .method<&dataWriteToFileOptionsError>("writeToFile:options:error:")
      .classMethod<&dataClassData>("data")
      .classMethod<&dataClassWithBytesLength>("dataWithBytes:length:")
      .classMethod<&dataClassWithData>("dataWithData:")
      .classMethod<&dataClassWithContentsOfFile>("dataWithContentsOfFile:")
      .classMethod<&dataClassWithContentsOfFileOptionsError>("dataWithContentsOfFile:options:error:")
      .registerClass();
}

Class registerNSMutableData() {
  return objc::ClassBuilder<NSDataIvars>("NSMutableData", NSDataClass())
      .method<&mutableBytes>("mutableBytes")
      .method<&mutableAppendBytesLength>("appendBytes:length:")
      .method<&mutableAppendData>("appendData:")
      .method<&mutableSetLength>("setLength:")
      .method<&mutableSetData>("setData:")
      .method<&mutableInitWithCapacity>("initWithCapacity:")
      .classMethod<&mutableClassWithCapacity>("dataWithCapacity:")
      .registerClass();
}

}  // namespace

Class NSDataClass() {
  static const Class cls = registerNSData();
  return cls;
}

Class NSMutableDataClass() {
  static const Class cls = registerNSMutableData();
  return cls;
}

[[maybe_unused]] static const bool kDataAtLoad = (NSDataClass(), NSMutableDataClass(), true);

id data(std::span<const std::uint8_t> bytes) {
  return objc::autorelease(newDataOfClass(NSDataClass(), bytes.data(), bytes.size()));
}

id data(std::string_view bytes) {
  return objc::autorelease(newDataOfClass(NSDataClass(), bytes.data(), bytes.size()));
}

objc::Ref makeData(std::span<const std::uint8_t> bytes) {
  return objc::Ref::adopt(newDataOfClass(NSDataClass(), bytes.data(), bytes.size()));
}

id mutableData(std::span<const std::uint8_t> bytes) {
  return objc::autorelease(newDataOfClass(NSMutableDataClass(), bytes.data(), bytes.size()));
}

std::span<const std::uint8_t> bytesOf(id object) {
  return isDataObject(object) ? dataSpan(object) : std::span<const std::uint8_t>();
}

bool isData(id object) { return isDataObject(object); }

}  // namespace ns
