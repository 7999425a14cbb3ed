// Objective-C type strings derived from C++ types, so that a method bound from a C++
// function carries the type string its signature implies, and a message send can be
// checked against the method it reaches.
#pragma once

#include <objcface/Types.h>

#include <string>
#include <type_traits>

namespace objc {

// The encoding of one C++ type.  Objects and other pointers are "@" and "^v": the
// platform never needs to tell pointee types apart.  `long` (NSInteger) is "l" and
// `long long` is "q": both are 64 bits here and travel alike, but they are distinct
// C++ types, and a call through a function pointer of the other one is undefined
// (the sanitizers' function check reports it), so sends keep them apart.
template <class T, class = void>
struct Encode {
  static std::string get() {
    if constexpr (std::is_pointer_v<T>) {
      return "^v";
    } else if constexpr (std::is_enum_v<T>) {
      return Encode<std::underlying_type_t<T>>::get();
    } else {
      // Opaque C++ storage (for example a unique_ptr ivar): a byte array of its size.
      std::string s = "[";
      s += std::to_string(sizeof(T));
      s += "C]";
      return s;
    }
  }
};

#define OBJCFACE_ENCODE(T, S)                     \
  template <>                                     \
  struct Encode<T> {                              \
    static std::string get() { return S; }        \
  }
OBJCFACE_ENCODE(void, "v");
OBJCFACE_ENCODE(id, "@");
OBJCFACE_ENCODE(Class, "#");
OBJCFACE_ENCODE(SEL, ":");
OBJCFACE_ENCODE(char, "c");
OBJCFACE_ENCODE(signed char, "c");
OBJCFACE_ENCODE(unsigned char, "C");
OBJCFACE_ENCODE(bool, "B");
OBJCFACE_ENCODE(short, "s");
OBJCFACE_ENCODE(unsigned short, "S");
OBJCFACE_ENCODE(int, "i");
OBJCFACE_ENCODE(unsigned int, "I");
OBJCFACE_ENCODE(long, "l");
OBJCFACE_ENCODE(unsigned long, "L");
OBJCFACE_ENCODE(long long, "q");
OBJCFACE_ENCODE(unsigned long long, "Q");
OBJCFACE_ENCODE(float, "f");
OBJCFACE_ENCODE(double, "d");
OBJCFACE_ENCODE(const char*, "*");
OBJCFACE_ENCODE(char*, "*");
OBJCFACE_ENCODE(CGPoint, "{CGPoint=dd}");
OBJCFACE_ENCODE(CGSize, "{CGSize=dd}");
OBJCFACE_ENCODE(CGRect, "{CGRect={CGPoint=dd}{CGSize=dd}}");
OBJCFACE_ENCODE(NSRange, "{_NSRange=QQ}");
#undef OBJCFACE_ENCODE

// "R@:A1A2…": the type string of a method taking Args after the receiver and selector.
template <class R, class... Args>
std::string methodEncoding() {
  std::string s = Encode<R>::get() + "@:";
  ((s += Encode<Args>::get()), ...);
  return s;
}

// True when a call made with the signature `callSide` can safely reach a method whose
// type string is `methodSide`: every argument and the result must travel the same way
// (same register class and size) and be of the same integer type where C++ has two
// of one size (long "l" and long long "q").  Signedness and pointee types are not
// compared, because they do not change how a value is passed.
bool encodingsCompatible(const char* callSide, const char* methodSide);

}  // namespace objc
