// Message sends from C++.  GCC's runtime has no objc_msgSend: a send looks the IMP
// up with objc_msg_lookup and calls it cast to the exact C signature.  All such casts
// live in impCast() below; nothing else in the project casts an IMP.
//
//   id item = objc::send<id>(array, objc::sel<"objectAtIndex:">(), NSUInteger{2});
//
// The argument types of a send are the types of the C++ expressions passed, so pass
// exactly the method's types (NSUInteger{2}, not 2).  Builds with checks on compare
// every send with the type string of the method it reaches and stop on a mismatch.
#pragma once

#include <objcface/Encoding.h>
#include <objcface/MethodCache.h>
#include <objcface/Types.h>

#include <objc/message.h>

#include <algorithm>
#include <cstddef>
#include <type_traits>

#if !defined(NDEBUG) && !defined(OBJCFACE_CHECK_SENDS)
#define OBJCFACE_CHECK_SENDS 1
#endif

namespace objc {

// A string literal usable as a template argument, so a selector name can be a
// compile-time constant and be interned once per distinct name.
template <std::size_t N>
struct FixedString {
  char value[N]{};
  constexpr FixedString(const char (&s)[N]) { std::copy_n(s, N, value); }
};

// The selector for Name, registered with the runtime on first use and kept.
template <FixedString Name>
inline SEL sel() {
  static const SEL s = sel_registerName(Name.value);
  return s;
}

// The one place where an IMP becomes a typed function pointer and back.  The detour
// through void(*)() is the sanctioned way to change a function pointer's type.
template <class R, class Self, class... Args>
inline auto impCast(IMP imp) {
  return reinterpret_cast<R (*)(Self, SEL, Args...)>(reinterpret_cast<void (*)()>(imp));
}

template <class Fn>
inline IMP toImp(Fn* function) {
  return reinterpret_cast<IMP>(reinterpret_cast<void (*)()>(function));
}

namespace detail {
bool methodCacheEnabled();
// Reports a send whose argument or result types do not match the method it reached.
[[noreturn]] void signatureMismatch(id receiver, SEL sel, const std::string& callSide, const char* methodSide);
void checkSend(id receiver, SEL sel, const std::string& callSide);

template <class R>
inline R zeroValue() {
  if constexpr (!std::is_void_v<R>) return R{};
}
}  // namespace detail

// Sends sel to receiver with args.  A send to nil calls nothing and answers a zero
// value of R (0, NO, nil, 0.0 or an all-zero struct).  A selector the receiver does
// not answer stops the process with "unrecognized selector" naming class and selector.
template <class R = id, class... Args>
inline R send(id receiver, SEL sel, Args... args) {
  if (receiver == nil) [[unlikely]]
    return detail::zeroValue<R>();
#if OBJCFACE_CHECK_SENDS
  detail::checkSend(receiver, sel, methodEncoding<R, Args...>());
#endif
  IMP imp = detail::cachedLookup(receiver, sel);
  return impCast<R, id, Args...>(imp)(receiver, sel, args...);
}

// Sends to a class object (class methods).
template <class R = id, class... Args>
inline R send(Class cls, SEL sel, Args... args) {
  return send<R, Args...>(reinterpret_cast<id>(cls), sel, args...);
}

// [super sel]: runs what the superclass of `definingClass` answers for sel at this
// moment, with receiver unchanged.  definingClass is the class whose method is making
// the call (not the receiver's class, which may be a subclass).
template <class R = id, class... Args>
inline R sendSuper(id receiver, Class definingClass, SEL sel, Args... args) {
  if (receiver == nil) [[unlikely]]
    return detail::zeroValue<R>();
  IMP imp = class_getMethodImplementation(class_getSuperclass(definingClass), sel);
  return impCast<R, id, Args...>(imp)(receiver, sel, args...);
}

// Sends to a variadic method such as +stringWithFormat:.  The call goes through a
// variadic function type, as the ABI requires (the callee reads its variable
// arguments with va_arg); the variable arguments follow C's default promotions.
template <class R = id, class Fixed, class... Var>
inline R sendVariadic(id receiver, SEL sel, Fixed fixed, Var... var) {
  if (receiver == nil) [[unlikely]]
    return detail::zeroValue<R>();
  IMP imp = objc_msg_lookup(receiver, sel);
  auto fn = reinterpret_cast<R (*)(id, SEL, Fixed, ...)>(reinterpret_cast<void (*)()>(imp));
  return fn(receiver, sel, fixed, var...);
}

template <class R = id, class Fixed, class... Var>
inline R sendVariadic(Class cls, SEL sel, Fixed fixed, Var... var) {
  return sendVariadic<R, Fixed, Var...>(reinterpret_cast<id>(cls), sel, fixed, var...);
}

// Calls a given IMP (for example a saved previous implementation) as a method.
template <class R = id, class... Args>
inline R callImp(IMP imp, id receiver, SEL sel, Args... args) {
  return impCast<R, id, Args...>(imp)(receiver, sel, args...);
}

// Whether receiver answers sel (the runtime's respondsToSelector: without a send).
bool responds(id receiver, SEL sel);

// Name of an object's class, "nil" for nil.
const char* className(id object);

// Looks up a class by name at run time; nil when no such class is registered.
Class classNamed(const char* name);

}  // namespace objc
