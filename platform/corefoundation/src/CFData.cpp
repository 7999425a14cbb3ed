#include <corefoundation/CFData.h>

#include <foundation/NSData.h>

#include <span>

extern "C" CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
  if (length < 0 || (bytes == nullptr && length > 0)) return nullptr;
  std::span<const std::uint8_t> span(bytes, static_cast<std::size_t>(length));
  return cf::fromId<CFDataRef>(ns::makeData(span).leak());
}

extern "C" const UInt8* CFDataGetBytePtr(CFDataRef data) { return ns::bytesOf(cf::toId(data)).data(); }

extern "C" CFIndex CFDataGetLength(CFDataRef data) {
  return static_cast<CFIndex>(ns::bytesOf(cf::toId(data)).size());
}
