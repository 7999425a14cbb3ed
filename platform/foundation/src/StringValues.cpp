// NSString's number readers.  They read a leading number and ignore the rest, as
// NSString does: intValue and its kin skip leading whitespace, take an optional
// sign and decimal digits, answer 0 when there is no number and saturate at the
// type's limits; floatValue/doubleValue read a leading decimal number (no hex, no
// "inf"); boolValue looks at the first significant character.
#include "StringStorage.h"

#include "Methods.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace ns {
namespace {

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipSpace(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  return i;
}

}  // namespace

long long readLongLong(std::string_view text) {
  std::size_t i = skipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate as a negative number so LLONG_MIN is reachable without overflow.
  long long value = 0;
  bool saturated = false;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    int digit = text[i] - '0';
    if (saturated) continue;
    if (value < (LLONG_MIN + digit) / 10) {
      saturated = true;
      continue;
    }
    value = value * 10 - digit;
  }
  if (saturated) return negative ? LLONG_MIN : LLONG_MAX;
  if (negative) return value;
  return value == LLONG_MIN ? LLONG_MAX : -value;
}

int readInt(std::string_view text) {
  long long v = readLongLong(text);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

double readDouble(std::string_view text) {
  std::size_t i = skipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::size_t start = i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && isDigit(text[j])) {
      while (j < text.size() && isDigit(text[j])) ++j;
      i = j;
    }
  }
  double value = 0.0;
  auto [end, error] = std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves the value alone when it is out of range; strtod answers
    // infinity for too large and zero for too small.  The text is plain decimal
    // digits, so the locale's decimal point only matters for '.', which both use
    // in the C locale the platform runs in.
    std::string copy(text.substr(start, i - start));
    value = std::strtod(copy.c_str(), nullptr);
  }
  return negative ? -value : value;
}

bool readBool(std::string_view text) {
  std::size_t i = skipSpace(text);
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i >= text.size()) return false;
  char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

namespace {

using detail::stringView;

int intValue(id self, SEL) { return readInt(stringView(self)); }
NSInteger integerValue(id self, SEL) { return static_cast<NSInteger>(readLongLong(stringView(self))); }
long long longLongValue(id self, SEL) { return readLongLong(stringView(self)); }
double doubleValue(id self, SEL) { return readDouble(stringView(self)); }
float floatValue(id self, SEL) { return static_cast<float>(readDouble(stringView(self))); }
BOOL boolValue(id self, SEL) { return readBool(stringView(self)) ? YES : NO; }

}  // namespace

namespace detail {

void registerStringValueMethods(Class string) {
  addMethod<&intValue>(string, "intValue");
  addMethod<&integerValue>(string, "integerValue");
  addMethod<&longLongValue>(string, "longLongValue");
  addMethod<&doubleValue>(string, "doubleValue");
  addMethod<&floatValue>(string, "floatValue");
  addMethod<&boolValue>(string, "boolValue");
}

}  // namespace detail
}  // namespace ns
