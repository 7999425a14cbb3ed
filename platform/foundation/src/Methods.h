// Adds methods to an already registered class, with type strings derived from the
// C++ signatures as ClassBuilder does.  Lets one class's methods live in several
// files, each adding its share when the class is first registered.
#pragma once

#include <objcface/ClassBuilder.h>

#include <string>

namespace ns::detail {

template <auto Fn>
inline void addMethod(Class cls, const char* selector) {
  objc::detail::addMethod(cls, selector, objc::detail::MethodTraits<Fn>::imp(), objc::detail::MethodTraits<Fn>::types());
}

template <auto Fn>
inline void addClassMethod(Class cls, const char* selector) {
  objc::detail::addMethod(object_getClass(reinterpret_cast<id>(cls)), selector, objc::detail::MethodTraits<Fn>::imp(),
                          objc::detail::MethodTraits<Fn>::types());
}

// A variadic method `R fn(id, SEL, Fixed, ...)`, whose type string is given.
template <class Fn>
inline void addVariadicMethod(Class cls, const char* selector, Fn* fn, const char* types) {
  objc::detail::addMethod(cls, selector, objc::toImp(fn), types);
}
template <class Fn>
inline void addVariadicClassMethod(Class cls, const char* selector, Fn* fn, const char* types) {
  objc::detail::addMethod(object_getClass(reinterpret_cast<id>(cls)), selector, objc::toImp(fn), types);
}

// Whether cls is `ancestor` or one of its subclasses, without a message send.
inline bool inheritsFrom(Class cls, Class ancestor) {
  for (Class c = cls; c != Nil; c = class_getSuperclass(c))
    if (c == ancestor) return true;
  return false;
}

// The class of a receiver of a class method.
inline Class asClass(id self) { return reinterpret_cast<Class>(self); }

}  // namespace ns::detail
