// The root class NSObject and ownership as on iOS before ARC: a retain count in every
// object, dealloc when it reaches zero, autorelease pools per thread, and a C++ RAII
// strong reference (objc::Ref) for C++ code that holds objects.
#pragma once

#include <objcface/ClassBuilder.h>
#include <objcface/Send.h>

#include <atomic>
#include <string>

// The ivars of NSObject.  Every ivar struct of the platform starts with this one.
// The retain count is stored as "extra retains": 0 means one owner, so a zero-filled
// new instance is correctly owned once by whoever allocated it.
struct NSObjectIvars {
  Class isa;
  std::atomic<long> _extraRetains;
};
static_assert(offsetof(NSObjectIvars, isa) == 0, "isa must come first, as the runtime reads it there");
static_assert(sizeof(std::atomic<long>) == sizeof(long) && std::atomic<long>::is_always_lock_free,
              "the retain count must be a plain word in the object");

namespace objc {

// The NSObject class (registered when this library loads).
Class NSObjectClass();

// Retain / release / autorelease by message send, so subclasses may override them.
id retain(id object);
void release(id object);
id autorelease(id object);

// Marks an object made once and kept for the life of the process (a shared constant
// such as the two booleans or NSNull) as never freed, as the system's constant objects
// are: retain and release then change nothing (no atomic operation, no dealloc) and
// -retainCount answers the largest count.  Answers the object.
id makeImmortal(id object);

// [[cls alloc] init], answered with one ownership for the caller.
id allocInit(Class cls);

// The default -description text: "<ClassName: 0x…>".  The -description method itself
// answers an NSString and is added to NSObject by the Foundation stand-in.
std::string defaultDescription(id object);

// Strong reference for C++ code: retains on copy, releases on destruction.  Use
// Ref::adopt for a +1 result (alloc/init, copy, new) and Ref::retain for anything
// else (autoreleased or borrowed).
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  static Ref adopt(id object) { return Ref(object); }
  static Ref retain(id object) { return Ref(objc::retain(object)); }
  Ref(const Ref& other) : object_(objc::retain(other.object_)) {}
  Ref(Ref&& other) noexcept : object_(other.object_) { other.object_ = nil; }
  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~Ref() { objc::release(object_); }

  id get() const { return object_; }
  operator id() const { return object_; }
  explicit operator bool() const { return object_ != nil; }
  // Gives up ownership without releasing.
  id leak() {
    id o = object_;
    object_ = nil;
    return o;
  }
  void reset() { *this = Ref(); }

 private:
  explicit Ref(id object) : object_(object) {}
  id object_ = nil;
};

// RAII autorelease pool: objects autoreleased while it is the innermost pool of this
// thread are released when it ends.  NSAutoreleasePool objects share the same stack.
class AutoreleasePool {
 public:
  AutoreleasePool();
  ~AutoreleasePool();
  AutoreleasePool(const AutoreleasePool&) = delete;
  AutoreleasePool& operator=(const AutoreleasePool&) = delete;

 private:
  std::size_t depth_;
};

// Number of objects waiting in this thread's pools (tests use it to see drains).
std::size_t pendingAutoreleases();

}  // namespace objc
