// The CoreFoundation object basics that message ports and notifications need:
// CF objects here are runtime objects (toll-free bridged), so CFRetain and
// CFRelease are retain and release sends; CFSTR makes constant strings; the
// default allocator is NULL, as on iOS.
#pragma once

#include <corefoundation/CFRunLoop.h>

#include <objcface/NSObject.h>

extern "C" {

typedef const struct __CFDictionary* CFDictionaryRef;

#define kCFAllocatorDefault ((CFAllocatorRef)nullptr)

// CFRetain answers its argument; both stop the process on NULL, as on iOS.
CFTypeRef CFRetain(CFTypeRef object);
void CFRelease(CFTypeRef object);
CFIndex CFGetRetainCount(CFTypeRef object);

}  // extern "C"

namespace cf {

// The runtime object behind a CF reference, and back (toll-free bridging casts).
inline id toId(CFTypeRef object) { return reinterpret_cast<id>(const_cast<void*>(object)); }
template <class Ref = CFTypeRef>
inline Ref fromId(id object) {
  return reinterpret_cast<Ref>(object);
}

// A string that lives for the whole process, one per distinct text (what CFSTR
// answers).  Releasing it does nothing harmful: it is kept by the table.
CFStringRef constantString(const char* utf8);

}  // namespace cf

#define CFSTR(text) (::cf::constantString("" text ""))
