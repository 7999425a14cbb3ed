// NSNumber: a kind and 64 bits of value (a signed integer, an unsigned integer or
// a double, by kind).  Values compare by magnitude across kinds, through long
// double, which holds every 64-bit integer and every double exactly.
#include <foundation/NSNumber.h>

#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

struct NSNumberIvars : NSObjectIvars {
  unsigned long long _bits;
  unsigned char _kind;
};

namespace ns {
namespace {

using detail::asClass;

NSNumberIvars* numberIvars(id n) { return reinterpret_cast<NSNumberIvars*>(n); }
NumberKind kindOf(id n) { return static_cast<NumberKind>(numberIvars(n)->_kind); }

enum class Family { Signed, Unsigned, Real };

Family familyOf(NumberKind kind) {
  if (isRealKind(kind)) return Family::Real;
  if (isUnsignedKind(kind)) return Family::Unsigned;
  return Family::Signed;
}

long long signedOf(id n) { return static_cast<long long>(numberIvars(n)->_bits); }
unsigned long long unsignedOf(id n) { return numberIvars(n)->_bits; }
double realOf(id n) { return std::bit_cast<double>(numberIvars(n)->_bits); }

long double wideOf(id n) {
  switch (familyOf(kindOf(n))) {
    case Family::Signed: return static_cast<long double>(signedOf(n));
    case Family::Unsigned: return static_cast<long double>(unsignedOf(n));
    default: return static_cast<long double>(realOf(n));
  }
}

// A double converted to an integer type with saturation (and NaN as 0), instead of
// the undefined behaviour of an out-of-range cast.
template <class T>
T saturate(double d) {
  if (std::isnan(d)) return 0;
  if (d <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (d >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(d);
}

}  // namespace

bool isRealKind(NumberKind kind) { return kind == NumberKind::Float || kind == NumberKind::Double; }

bool isUnsignedKind(NumberKind kind) {
  switch (kind) {
    case NumberKind::UnsignedChar: case NumberKind::UnsignedShort: case NumberKind::UnsignedInt:
    case NumberKind::UnsignedLong: case NumberKind::UnsignedLongLong:
      return true;
    default:
      return false;
  }
}

bool isNumber(id object) {
  return object != nil && (object_getClass(object) == NSNumberClass() ||
                           detail::inheritsFrom(object_getClass(object), NSNumberClass()));
}

bool isBoolean(id object) { return isNumber(object) && kindOf(object) == NumberKind::Bool; }

NumberKind numberKind(id number) { return kindOf(number); }

long long numberAsLongLong(id n) {
  if (!isNumber(n)) return 0;
  switch (familyOf(kindOf(n))) {
    case Family::Real: return saturate<long long>(realOf(n));
    default: return signedOf(n);
  }
}

unsigned long long numberAsUnsignedLongLong(id n) {
  if (!isNumber(n)) return 0;
  switch (familyOf(kindOf(n))) {
    case Family::Real: {
      double d = realOf(n);
      return d < 0 ? static_cast<unsigned long long>(saturate<long long>(d)) : saturate<unsigned long long>(d);
    }
    default: return unsignedOf(n);
  }
}

double numberAsDouble(id n) {
  if (!isNumber(n)) return 0;
  switch (familyOf(kindOf(n))) {
    case Family::Signed: return static_cast<double>(signedOf(n));
    case Family::Unsigned: return static_cast<double>(unsignedOf(n));
    default: return realOf(n);
  }
}

namespace {

id fillNumber(id n, NumberKind kind, unsigned long long bits) {
  numberIvars(n)->_bits = bits;
  numberIvars(n)->_kind = static_cast<unsigned char>(kind);
  return n;
}

id newNumber(Class cls, NumberKind kind, unsigned long long bits) {
  return fillNumber(class_createInstance(cls, 0), kind, bits);
}

unsigned long long bitsOf(long long v) { return static_cast<unsigned long long>(v); }
unsigned long long bitsOf(double v) { return std::bit_cast<unsigned long long>(v); }

// The two shared booleans, made once and never freed.
id sharedBoolean(bool value) {
  static const id yes = objc::makeImmortal(newNumber(NSNumberClass(), NumberKind::Bool, 1));
  static const id no = objc::makeImmortal(newNumber(NSNumberClass(), NumberKind::Bool, 0));
  return value ? yes : no;
}

// Class-side makers and instance-side initialisers for every C type.
#define NUMBER_MAKERS(Name, CType, Kind, Convert)                                                \
  id classNumberWith##Name(id self, SEL, CType value) {                                          \
    return objc::autorelease(newNumber(asClass(self), NumberKind::Kind, Convert(value)));        \
  }                                                                                              \
  id initWith##Name(id self, SEL, CType value) { return fillNumber(self, NumberKind::Kind, Convert(value)); }

unsigned long long fromSigned(long long v) { return bitsOf(v); }
unsigned long long fromUnsigned(unsigned long long v) { return v; }
unsigned long long fromReal(double v) { return bitsOf(v); }

NUMBER_MAKERS(Char, char, Char, fromSigned)
NUMBER_MAKERS(UnsignedChar, unsigned char, UnsignedChar, fromUnsigned)
NUMBER_MAKERS(Short, short, Short, fromSigned)
NUMBER_MAKERS(UnsignedShort, unsigned short, UnsignedShort, fromUnsigned)
NUMBER_MAKERS(Int, int, Int, fromSigned)
NUMBER_MAKERS(UnsignedInt, unsigned int, UnsignedInt, fromUnsigned)
NUMBER_MAKERS(Long, long, Long, fromSigned)
NUMBER_MAKERS(UnsignedLong, unsigned long, UnsignedLong, fromUnsigned)
NUMBER_MAKERS(LongLong, long long, LongLong, fromSigned)
NUMBER_MAKERS(UnsignedLongLong, unsigned long long, UnsignedLongLong, fromUnsigned)
NUMBER_MAKERS(Float, float, Float, fromReal)
NUMBER_MAKERS(Double, double, Double, fromReal)
NUMBER_MAKERS(Integer, NSInteger, Long, fromSigned)
NUMBER_MAKERS(UnsignedInteger, NSUInteger, UnsignedLong, fromUnsigned)
#undef NUMBER_MAKERS

id classNumberWithBool(id self, SEL, BOOL value) {
  if (asClass(self) == NSNumberClass()) return sharedBoolean(value != NO);
  return objc::autorelease(newNumber(asClass(self), NumberKind::Bool, value != NO ? 1 : 0));
}
id initWithBool(id self, SEL, BOOL value) { return fillNumber(self, NumberKind::Bool, value != NO ? 1 : 0); }

// Readers.
BOOL boolValue(id self, SEL) {
  if (familyOf(kindOf(self)) == Family::Real) return realOf(self) != 0.0 ? YES : NO;
  return numberIvars(self)->_bits != 0 ? YES : NO;
}
char charValue(id self, SEL) { return static_cast<char>(numberAsLongLong(self)); }
unsigned char unsignedCharValue(id self, SEL) { return static_cast<unsigned char>(numberAsUnsignedLongLong(self)); }
short shortValue(id self, SEL) { return static_cast<short>(numberAsLongLong(self)); }
unsigned short unsignedShortValue(id self, SEL) {
  return static_cast<unsigned short>(numberAsUnsignedLongLong(self));
}
int intValue(id self, SEL) { return static_cast<int>(numberAsLongLong(self)); }
unsigned int unsignedIntValue(id self, SEL) { return static_cast<unsigned int>(numberAsUnsignedLongLong(self)); }
long longValue(id self, SEL) { return static_cast<long>(numberAsLongLong(self)); }
unsigned long unsignedLongValue(id self, SEL) { return static_cast<unsigned long>(numberAsUnsignedLongLong(self)); }
long long longLongValue(id self, SEL) { return numberAsLongLong(self); }
unsigned long long unsignedLongLongValue(id self, SEL) { return numberAsUnsignedLongLong(self); }
float floatValue(id self, SEL) { return static_cast<float>(numberAsDouble(self)); }
double doubleValue(id self, SEL) { return numberAsDouble(self); }

const char* objCType(id self, SEL) {
  switch (kindOf(self)) {
    case NumberKind::Bool: case NumberKind::Char: return "c";
    case NumberKind::UnsignedChar: return "C";
    case NumberKind::Short: return "s";
    case NumberKind::UnsignedShort: return "S";
    case NumberKind::Int: return "i";
    case NumberKind::UnsignedInt: return "I";
    case NumberKind::Long: case NumberKind::LongLong: return "q";
    case NumberKind::UnsignedLong: case NumberKind::UnsignedLongLong: return "Q";
    case NumberKind::Float: return "f";
    default: return "d";
  }
}

std::string textOf(id self) {
  char buffer[64];
  std::to_chars_result r{};
  switch (kindOf(self)) {
    case NumberKind::Float:
      r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(realOf(self)));
      break;
    case NumberKind::Double:
      r = std::to_chars(buffer, buffer + sizeof buffer, realOf(self));
      break;
    default:
      if (familyOf(kindOf(self)) == Family::Unsigned) {
        r = std::to_chars(buffer, buffer + sizeof buffer, unsignedOf(self));
      } else {
        r = std::to_chars(buffer, buffer + sizeof buffer, signedOf(self));
      }
  }
  std::string text(buffer, r.ptr);
  if (text == "inf") return "inf";
  if (text == "-inf") return "-inf";
  return text;
}

id stringValue(id self, SEL) { return objc::autorelease(detail::newString(textOf(self))); }

// -1, 0 or 1 comparing two numbers by value; NaN equals NaN and sorts first.
int compareNumbers(id a, id b) {
  Family fa = familyOf(kindOf(a));
  Family fb = familyOf(kindOf(b));
  if (fa != Family::Real && fb != Family::Real) {
    if (fa == fb) {
      if (fa == Family::Signed) return signedOf(a) < signedOf(b) ? -1 : signedOf(a) > signedOf(b) ? 1 : 0;
      return unsignedOf(a) < unsignedOf(b) ? -1 : unsignedOf(a) > unsignedOf(b) ? 1 : 0;
    }
    // One signed, one unsigned.
    if (fa == Family::Signed && signedOf(a) < 0) return -1;
    if (fb == Family::Signed && signedOf(b) < 0) return 1;
    unsigned long long x = unsignedOf(a);
    unsigned long long y = unsignedOf(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  long double x = wideOf(a);
  long double y = wideOf(b);
  bool nx = std::isnan(x);
  bool ny = std::isnan(y);
  if (nx || ny) return nx && ny ? 0 : nx ? -1 : 1;
  return x < y ? -1 : x > y ? 1 : 0;
}

BOOL numberIsEqual(id self, SEL, id other) {
  if (self == other) return YES;
  return isNumber(other) && compareNumbers(self, other) == 0 ? YES : NO;
}

BOOL numberIsEqualToNumber(id self, SEL cmd, id other) {
  if (other == nil) return NO;
  if (!isNumber(other)) detail::raiseNilArgument(self, cmd);
  return compareNumbers(self, other) == 0 ? YES : NO;
}

NSComparisonResult numberCompare(id self, SEL cmd, id other) {
  if (!isNumber(other)) detail::raiseNilArgument(self, cmd);
  return compareNumbers(self, other);
}

// Equal numbers hash alike whatever their kinds: an integral value hashes as that
// integer, anything else by the bits of its double.
NSUInteger numberHash(id self, SEL) {
  switch (familyOf(kindOf(self))) {
    case Family::Signed: return static_cast<NSUInteger>(signedOf(self));
    case Family::Unsigned: return static_cast<NSUInteger>(unsignedOf(self));
    default: break;
  }
  double d = realOf(self);
  if (std::isnan(d)) return 0x7FF8000000000000ULL;
  if (d == std::trunc(d)) {
    if (d >= -9223372036854775808.0 && d < 9223372036854775808.0) return static_cast<NSUInteger>(static_cast<long long>(d));
    if (d >= 0 && d < 18446744073709551616.0) return static_cast<NSUInteger>(static_cast<unsigned long long>(d));
  }
  return detail::hashBytes(reinterpret_cast<const char*>(&numberIvars(self)->_bits), sizeof(double));
}

id numberCopyWithZone(id self, SEL, void*) { return objc::retain(self); }

Class registerNSNumber() {
  return objc::ClassBuilder<NSNumberIvars>("NSNumber", objc::NSObjectClass())
      .ivar<&NSNumberIvars::_bits>("_bits")
      .ivar<&NSNumberIvars::_kind>("_kind")
      .classMethod<&classNumberWithBool>("numberWithBool:")
      .classMethod<&classNumberWithChar>("numberWithChar:")
      .classMethod<&classNumberWithUnsignedChar>("numberWithUnsignedChar:")
      .classMethod<&classNumberWithShort>("numberWithShort:")
      .classMethod<&classNumberWithUnsignedShort>("numberWithUnsignedShort:")
      .classMethod<&classNumberWithInt>("numberWithInt:")
      .classMethod<&classNumberWithUnsignedInt>("numberWithUnsignedInt:")
      .classMethod<&classNumberWithLong>("numberWithLong:")
      .classMethod<&classNumberWithUnsignedLong>("numberWithUnsignedLong:")
      .classMethod<&classNumberWithLongLong>("numberWithLongLong:")
      .classMethod<&classNumberWithUnsignedLongLong>("numberWithUnsignedLongLong:")
      .classMethod<&classNumberWithFloat>("numberWithFloat:")
      .classMethod<&classNumberWithDouble>("numberWithDouble:")
      .classMethod<&classNumberWithInteger>("numberWithInteger:")
      .classMethod<&classNumberWithUnsignedInteger>("numberWithUnsignedInteger:")
      .method<&initWithBool>("initWithBool:")
      .method<&initWithChar>("initWithChar:")
      .method<&initWithUnsignedChar>("initWithUnsignedChar:")
      .method<&initWithShort>("initWithShort:")
      .method<&initWithUnsignedShort>("initWithUnsignedShort:")
      .method<&initWithInt>("initWithInt:")
      .method<&initWithUnsignedInt>("initWithUnsignedInt:")
      .method<&initWithLong>("initWithLong:")
      .method<&initWithUnsignedLong>("initWithUnsignedLong:")
      .method<&initWithLongLong>("initWithLongLong:")
      .method<&initWithUnsignedLongLong>("initWithUnsignedLongLong:")
      .method<&initWithFloat>("initWithFloat:")
      .method<&initWithDouble>("initWithDouble:")
      .method<&initWithInteger>("initWithInteger:")
      .method<&initWithUnsignedInteger>("initWithUnsignedInteger:")
      .method<&boolValue>("boolValue")
      .method<&charValue>("charValue")
      .method<&unsignedCharValue>("unsignedCharValue")
      .method<&shortValue>("shortValue")
      .method<&unsignedShortValue>("unsignedShortValue")
      .method<&intValue>("intValue")
      .method<&unsignedIntValue>("unsignedIntValue")
      .method<&longValue>("longValue")
      .method<&unsignedLongValue>("unsignedLongValue")
      .method<&longLongValue>("longLongValue")
      .method<&unsignedLongLongValue>("unsignedLongLongValue")
      .method<&longValue>("integerValue")
      .method<&unsignedLongValue>("unsignedIntegerValue")
      .method<&floatValue>("floatValue")
      .method<&doubleValue>("doubleValue")
      .method<&objCType>("objCType")
      .method<&stringValue>("stringValue")
      .method<&stringValue>("description")
      .method<&numberIsEqual>("isEqual:")
      .method<&numberIsEqualToNumber>("isEqualToNumber:")
      .method<&numberCompare>("compare:")
      .method<&numberHash>("hash")
      .method<&numberCopyWithZone>("copyWithZone:")
      .registerClass();
}

// NSNull: one shared instance.
id nullClassNull(id, SEL) { return null(); }
id nullDescription(id, SEL) { return objc::autorelease(detail::newString("<null>")); }
id nullCopyWithZone(id self, SEL, void*) { return self; }

Class registerNSNull() {
  return objc::ClassBuilder<NSObjectIvars>("NSNull", objc::NSObjectClass())
      .classMethod<&nullClassNull>("null")
      .method<&nullDescription>("description")
      .method<&nullCopyWithZone>("copyWithZone:")
      .registerClass();
}

}  // namespace

Class NSNumberClass() {
  static const Class cls = registerNSNumber();
  return cls;
}

Class NSNullClass() {
  static const Class cls = registerNSNull();
  return cls;
}

[[maybe_unused]] static const bool kNumbersAtLoad = (NSNumberClass(), NSNullClass(), true);

id null() {
  static const id shared = objc::makeImmortal(class_createInstance(NSNullClass(), 0));
  return shared;
}

bool isNull(id object) { return object != nil && object == null(); }

id numberWithBool(bool value) { return sharedBoolean(value); }
id numberWithInt(int value) {
  return objc::autorelease(newNumber(NSNumberClass(), NumberKind::Int, bitsOf(static_cast<long long>(value))));
}
id numberWithInteger(NSInteger value) {
  return objc::autorelease(newNumber(NSNumberClass(), NumberKind::Long, bitsOf(static_cast<long long>(value))));
}
id numberWithUnsignedInteger(NSUInteger value) {
  return objc::autorelease(newNumber(NSNumberClass(), NumberKind::UnsignedLong, value));
}
id numberWithLongLong(long long value) {
  return objc::autorelease(newNumber(NSNumberClass(), NumberKind::LongLong, bitsOf(value)));
}
id numberWithUnsignedLongLong(unsigned long long value) {
  return objc::autorelease(newNumber(NSNumberClass(), NumberKind::UnsignedLongLong, value));
}
id numberWithFloat(float value) {
  return objc::autorelease(newNumber(NSNumberClass(), NumberKind::Float, bitsOf(static_cast<double>(value))));
}
objc::Ref makeNumberWithLongLong(long long value) {
  return objc::Ref::adopt(newNumber(NSNumberClass(), NumberKind::LongLong, bitsOf(value)));
}
objc::Ref makeNumberWithUnsignedLongLong(unsigned long long value) {
  return objc::Ref::adopt(newNumber(NSNumberClass(), NumberKind::UnsignedLongLong, value));
}
objc::Ref makeNumberWithDouble(double value) {
  return objc::Ref::adopt(newNumber(NSNumberClass(), NumberKind::Double, bitsOf(value)));
}
id numberWithDouble(double value) {
  return objc::autorelease(newNumber(NSNumberClass(), NumberKind::Double, bitsOf(value)));
}

}  // namespace ns
