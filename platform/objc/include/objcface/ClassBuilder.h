// Defines runtime classes from C++.  A class's instance variables are mirrored by a
// C++ struct that starts with the superclass's struct; its methods are free functions
// taking (self, _cmd, args…) or member functions of that struct.  Type strings come
// from the C++ signatures.  Registration checks that the runtime placed every ivar at
// the offset the struct gives it, so C++ code may use the struct directly.
//
//   struct CounterIvars : NSObjectIvars { int _count; int count() { return _count; } };
//   Class c = objc::ClassBuilder<CounterIvars>("Counter", objc::classNamed("NSObject"))
//                 .ivar<&CounterIvars::_count>("_count")
//                 .method<&CounterIvars::count>("count")
//                 .registerClass();
//
// Contract for ivar structs: instances start zero-filled, so every member must be
// valid when all its bytes are zero; a class whose members own resources releases
// them in its dealloc.
#pragma once

#include <objcface/Encoding.h>
#include <objcface/Send.h>

#include <string>
#include <utility>
#include <vector>

namespace objc {

namespace detail {

// Signature traits for the two shapes a method may be written in.
template <auto Fn>
struct MethodTraits;

// R fn(Self self, SEL _cmd, Args…): used as the IMP itself.
template <class R, class Self, class... Args, R (*Fn)(Self, SEL, Args...)>
struct MethodTraits<Fn> {
  static_assert(sizeof(Self) == sizeof(id), "the first parameter must be the receiver");
  static IMP imp() { return toImp(Fn); }
  static std::string types() { return methodEncoding<R, Args...>(); }
};

// R Ivars::member(Args…): bound through a trampoline that views self as the struct.
template <class R, class C, class... Args, R (C::*Fn)(Args...)>
struct MethodTraits<Fn> {
  static R trampoline(id self, SEL, Args... args) { return (reinterpret_cast<C*>(self)->*Fn)(args...); }
  static IMP imp() { return toImp(&trampoline); }
  static std::string types() { return methodEncoding<R, Args...>(); }
};

template <class R, class C, class... Args, R (C::*Fn)(Args...) const>
struct MethodTraits<Fn> {
  static R trampoline(id self, SEL, Args... args) { return (reinterpret_cast<const C*>(self)->*Fn)(args...); }
  static IMP imp() { return toImp(&trampoline); }
  static std::string types() { return methodEncoding<R, Args...>(); }
};

template <auto Member>
struct MemberTraits;
template <class C, class T, T C::*Member>
struct MemberTraits<Member> {
  using Type = T;
  static std::size_t offset() {
    // The offset of a data member of a (possibly derived) struct, read off a real
    // object address rather than null to stay clear of undefined behaviour.
    alignas(C) static unsigned char storage[sizeof(C)];
    auto* object = reinterpret_cast<C*>(storage);
    return static_cast<std::size_t>(reinterpret_cast<unsigned char*>(&(object->*Member)) - storage);
  }
};

// Non-template core, so the runtime calls live in one translation unit.
struct PendingIvar {
  std::string name;
  std::size_t size;
  std::size_t alignment;
  std::string types;
  std::size_t expectedOffset;
};
Class allocateClass(const char* name, Class superclass);
void addIvar(Class cls, const PendingIvar& ivar);
void addMethod(Class cls, const char* selector, IMP imp, const std::string& types);
// Registers the class, then checks every ivar offset and the instance size against
// the mirroring struct; a mismatch is a programming error and stops the process.
Class finishClass(Class cls, const std::vector<PendingIvar>& ivars, std::size_t structSize);

}  // namespace detail

template <class Ivars>
class ClassBuilder {
 public:
  // A nil superclass makes a root class, which declares its own isa ivar.
  ClassBuilder(const char* name, Class superclass) : cls_(detail::allocateClass(name, superclass)) {}

  template <auto Member>
  ClassBuilder& ivar(const char* name) {
    using T = typename detail::MemberTraits<Member>::Type;
    ivars_.push_back({name, sizeof(T), alignof(T), Encode<T>::get(), detail::MemberTraits<Member>::offset()});
    detail::addIvar(cls_, ivars_.back());
    return *this;
  }

  template <auto Fn>
  ClassBuilder& method(const char* selector) {
    detail::addMethod(cls_, selector, detail::MethodTraits<Fn>::imp(), detail::MethodTraits<Fn>::types());
    return *this;
  }

  template <auto Fn>
  ClassBuilder& classMethod(const char* selector) {
    detail::addMethod(object_getClass(reinterpret_cast<id>(cls_)), selector, detail::MethodTraits<Fn>::imp(),
                      detail::MethodTraits<Fn>::types());
    return *this;
  }

  // Adds a method with an explicit type string (for example one shared IMP serving
  // several selectors).
  ClassBuilder& rawMethod(const char* selector, IMP imp, const std::string& types) {
    detail::addMethod(cls_, selector, imp, types);
    return *this;
  }

  Class registerClass() { return detail::finishClass(cls_, ivars_, sizeof(Ivars)); }

 private:
  Class cls_;
  std::vector<detail::PendingIvar> ivars_;
};

// The ivars of an object as its mirroring struct.  The caller vouches for the class.
template <class Ivars>
inline Ivars* ivars(id object) {
  return reinterpret_cast<Ivars*>(object);
}

}  // namespace objc
