// NSString and NSMutableString: the runtime classes (reached by message sends, with
// iOS's semantics) and a thin typed face for C++ callers.  Strings hold UTF-8 text;
// -length and every index and range count UTF-16 units, as on iOS.
#pragma once

#include <objcface/NSObject.h>

#include <cstdarg>
#include <string>
#include <string_view>

using unichar = unsigned short;
using NSStringEncoding = NSUInteger;
inline constexpr NSStringEncoding NSASCIIStringEncoding = 1;
inline constexpr NSStringEncoding NSUTF8StringEncoding = 4;
inline constexpr NSStringEncoding NSISOLatin1StringEncoding = 5;
inline constexpr NSStringEncoding NSUTF16StringEncoding = 10;  // byte-order mark, else big-endian
inline constexpr NSStringEncoding NSUnicodeStringEncoding = 10;
inline constexpr NSStringEncoding NSUTF16BigEndianStringEncoding = 0x90000100;
inline constexpr NSStringEncoding NSUTF16LittleEndianStringEncoding = 0x94000100;

using NSComparisonResult = NSInteger;
inline constexpr NSComparisonResult NSOrderedAscending = -1;
inline constexpr NSComparisonResult NSOrderedSame = 0;
inline constexpr NSComparisonResult NSOrderedDescending = 1;

// Options of rangeOfString:options: and compare:options:.
using NSStringCompareOptions = NSUInteger;
inline constexpr NSStringCompareOptions NSCaseInsensitiveSearch = 1;  // ASCII letters fold
inline constexpr NSStringCompareOptions NSLiteralSearch = 2;
inline constexpr NSStringCompareOptions NSBackwardsSearch = 4;
inline constexpr NSStringCompareOptions NSAnchoredSearch = 8;

namespace ns {

Class NSStringClass();
Class NSMutableStringClass();

// An autoreleased immutable NSString with the given UTF-8; nil when the bytes are
// not well-formed UTF-8 (as stringWithUTF8String: answers).
id str(std::string_view utf8);
// The same, owned by the caller.
objc::Ref makeString(std::string_view utf8);
// An autoreleased NSMutableString; nil for malformed UTF-8.
id mutableStr(std::string_view utf8);

// The UTF-8 text of a string; "" for nil.  Any other object answers its
// -description.
std::string utf8(id object);
// The bytes of an NSString without copying: valid while the string lives and is not
// mutated.  Empty for nil or a non-string.
std::string_view utf8View(id string);

bool isString(id object);

// [NSString stringWithFormat:…] from C++: printf conversions plus %@ (the argument's
// description).  Autoreleased.
id format(const char* format, ...);
id formatV(const char* format, va_list args);

// The formatting engine of stringWithFormat: on a UTF-8 format.
std::string formatToUtf8(std::string_view format, va_list args);

// NSString's number readers on UTF-8 text (intValue, longLongValue, doubleValue,
// boolValue), for C++ callers.
long long readLongLong(std::string_view text);
int readInt(std::string_view text);
double readDouble(std::string_view text);
bool readBool(std::string_view text);

}  // namespace ns
