// NSNumber and NSNull as runtime classes, plus a thin C++ face.  A number keeps the
// kind it was made with (boolean, the integer widths, signed or unsigned, float,
// double), so a property-list or archive writer can tell <true/> from 1 from 1.0,
// while equality and hashing cross kinds as NSNumber's do (1 == 1.0 == YES).
#pragma once

#include <objcface/NSObject.h>

namespace ns {

enum class NumberKind : unsigned char {
  Bool,
  Char,
  UnsignedChar,
  Short,
  UnsignedShort,
  Int,
  UnsignedInt,
  Long,
  UnsignedLong,
  LongLong,
  UnsignedLongLong,
  Float,
  Double,
};

Class NSNumberClass();
Class NSNullClass();

// Autoreleased numbers, as the NSNumber class methods of the same names answer.
// Booleans are two shared objects, as on iOS.
id numberWithBool(bool value);
id numberWithInt(int value);
id numberWithInteger(NSInteger value);
id numberWithUnsignedInteger(NSUInteger value);
id numberWithLongLong(long long value);
id numberWithUnsignedLongLong(unsigned long long value);
id numberWithFloat(float value);
id numberWithDouble(double value);
// The same, owned by the caller (no autorelease), for readers that make many.
objc::Ref makeNumberWithLongLong(long long value);
objc::Ref makeNumberWithUnsignedLongLong(unsigned long long value);
objc::Ref makeNumberWithDouble(double value);

// The NSNull singleton.
id null();

bool isNumber(id object);
bool isNull(id object);
// True for numbers made as booleans (numberWithBool:).
bool isBoolean(id object);
// The kind of a number; the caller checks isNumber first.
NumberKind numberKind(id number);
bool isRealKind(NumberKind kind);
bool isUnsignedKind(NumberKind kind);

// A number's value read as each C type, with NSNumber's conversions (0 for nil or a
// non-number).
long long numberAsLongLong(id number);
unsigned long long numberAsUnsignedLongLong(id number);
double numberAsDouble(id number);

}  // namespace ns
