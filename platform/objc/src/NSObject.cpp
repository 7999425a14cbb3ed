// NSObject: allocation, retain counts, introspection and plain performs.  The
// -description family returns NSString and is added by the Foundation stand-in.
#include <objcface/NSObject.h>

#include "AutoreleaseStack.h"

#include <cstdio>

namespace objc {
namespace {

NSObjectIvars* raw(id self) { return reinterpret_cast<NSObjectIvars*>(self); }

// Instance side.
id nsInit(id self, SEL) { return self; }
id nsSelf(id self, SEL) { return self; }
// An immortal object's count starts at kImmortalCount; no run of releases can bring it
// below kImmortalFloor, so one plain load tells it from a counted object.
constexpr long kImmortalCount = 1L << 62;
constexpr long kImmortalFloor = 1L << 61;

bool isImmortal(id self) { return raw(self)->_extraRetains.load(std::memory_order_relaxed) >= kImmortalFloor; }

id nsRetain(id self, SEL) {
  if (!isImmortal(self)) raw(self)->_extraRetains.fetch_add(1, std::memory_order_relaxed);
  return self;
}
void nsRelease(id self, SEL) {
  if (isImmortal(self)) return;
  if (raw(self)->_extraRetains.fetch_sub(1, std::memory_order_acq_rel) == 0) send<void>(self, sel<"dealloc">());
}
NSUInteger nsRetainCount(id self, SEL) {
  if (isImmortal(self)) return ~NSUInteger{0};
  return static_cast<NSUInteger>(raw(self)->_extraRetains.load(std::memory_order_relaxed) + 1);
}
id nsAutorelease(id self, SEL) {
  autoreleaseStack().add(self);
  return self;
}
void nsDealloc(id self, SEL) { object_dispose(self); }
Class nsClass(id self, SEL) { return object_getClass(self); }
Class nsSuperclass(id self, SEL) { return class_getSuperclass(object_getClass(self)); }
BOOL nsIsKindOfClass(id self, SEL, Class cls) {
  for (Class c = object_getClass(self); c != Nil; c = class_getSuperclass(c))
    if (c == cls) return YES;
  return NO;
}
BOOL nsIsMemberOfClass(id self, SEL, Class cls) { return object_getClass(self) == cls ? YES : NO; }
BOOL nsRespondsToSelector(id self, SEL, SEL aSelector) {
  return aSelector != nullptr && class_respondsToSelector(object_getClass(self), aSelector) ? YES : NO;
}
BOOL nsIsEqual(id self, SEL, id other) { return self == other ? YES : NO; }
NSUInteger nsHash(id self, SEL) { return reinterpret_cast<NSUInteger>(self); }
id nsPerform(id self, SEL, SEL aSelector) { return send<id>(self, aSelector); }
id nsPerformWith(id self, SEL, SEL aSelector, id object) { return send<id>(self, aSelector, object); }
id nsPerformWithWith(id self, SEL, SEL aSelector, id a, id b) { return send<id>(self, aSelector, a, b); }
id nsCopy(id self, SEL) { return send<id>(self, sel<"copyWithZone:">(), static_cast<void*>(nullptr)); }
id nsMutableCopy(id self, SEL) { return send<id>(self, sel<"mutableCopyWithZone:">(), static_cast<void*>(nullptr)); }

// Class side.  Class objects are not reference counted.
id clsAlloc(id self, SEL) { return class_createInstance(reinterpret_cast<Class>(self), 0); }
id clsAllocWithZone(id self, SEL, void*) { return clsAlloc(self, nullptr); }
id clsNew(id self, SEL) { return send<id>(send<id>(self, sel<"alloc">()), sel<"init">()); }
id clsRetain(id self, SEL) { return self; }
void clsRelease(id, SEL) {}
id clsAutorelease(id self, SEL) { return self; }
NSUInteger clsRetainCount(id, SEL) { return ~0UL; }
Class clsClass(id self, SEL) { return reinterpret_cast<Class>(self); }
Class clsSuperclass(id self, SEL) { return class_getSuperclass(reinterpret_cast<Class>(self)); }
BOOL clsRespondsToSelector(id self, SEL, SEL aSelector) {
  return aSelector != nullptr && class_respondsToSelector(object_getClass(self), aSelector) ? YES : NO;
}
BOOL clsInstancesRespond(id self, SEL, SEL aSelector) {
  return aSelector != nullptr && class_respondsToSelector(reinterpret_cast<Class>(self), aSelector) ? YES : NO;
}
BOOL clsIsSubclassOfClass(id self, SEL, Class cls) {
  for (Class c = reinterpret_cast<Class>(self); c != Nil; c = class_getSuperclass(c))
    if (c == cls) return YES;
  return NO;
}

Class registerNSObject() {
  return ClassBuilder<NSObjectIvars>("NSObject", Nil)
      .ivar<&NSObjectIvars::_extraRetains>("_extraRetains")
      .method<&nsInit>("init")
      .method<&nsSelf>("self")
      .method<&nsRetain>("retain")
      .method<&nsRelease>("release")
      .method<&nsRetainCount>("retainCount")
      .method<&nsAutorelease>("autorelease")
      .method<&nsDealloc>("dealloc")
      .method<&nsClass>("class")
      .method<&nsSuperclass>("superclass")
      .method<&nsIsKindOfClass>("isKindOfClass:")
      .method<&nsIsMemberOfClass>("isMemberOfClass:")
      .method<&nsRespondsToSelector>("respondsToSelector:")
      .method<&nsIsEqual>("isEqual:")
      .method<&nsHash>("hash")
      .method<&nsPerform>("performSelector:")
      .method<&nsPerformWith>("performSelector:withObject:")
      .method<&nsPerformWithWith>("performSelector:withObject:withObject:")
      .method<&nsCopy>("copy")
      .method<&nsMutableCopy>("mutableCopy")
      .classMethod<&clsAlloc>("alloc")
      .classMethod<&clsAllocWithZone>("allocWithZone:")
      .classMethod<&clsNew>("new")
      .classMethod<&clsRetain>("retain")
      .classMethod<&clsRelease>("release")
      .classMethod<&clsAutorelease>("autorelease")
      .classMethod<&clsRetainCount>("retainCount")
      .classMethod<&clsClass>("class")
      .classMethod<&clsSuperclass>("superclass")
      .classMethod<&clsRespondsToSelector>("respondsToSelector:")
      .classMethod<&clsInstancesRespond>("instancesRespondToSelector:")
      .classMethod<&clsIsSubclassOfClass>("isSubclassOfClass:")
      .registerClass();
}

}  // namespace

Class NSObjectClass() {
  static const Class cls = registerNSObject();
  return cls;
}

// NSObject exists as soon as the library is loaded, so classNamed("NSObject") works.
[[maybe_unused]] static const Class kNSObjectAtLoad = NSObjectClass();

id retain(id object) { return object ? send<id>(object, sel<"retain">()) : nil; }
void release(id object) {
  if (object) send<void>(object, sel<"release">());
}
id autorelease(id object) { return object ? send<id>(object, sel<"autorelease">()) : nil; }

id makeImmortal(id object) {
  if (object != nil) raw(object)->_extraRetains.store(kImmortalCount, std::memory_order_relaxed);
  return object;
}

id allocInit(Class cls) { return send<id>(send<id>(cls, sel<"alloc">()), sel<"init">()); }

std::string defaultDescription(id object) {
  if (object == nil) return "(null)";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, ": %p>", static_cast<void*>(object));
  return std::string("<") + className(object) + buffer;
}

}  // namespace objc
