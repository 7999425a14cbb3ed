// UTF-8 and UTF-16 helpers for the string classes.  Strings are stored as UTF-8;
// their length and indexes are counted in UTF-16 units, as NSString's are, so these
// helpers convert between the two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ns::unicode {

// What a validation pass learns about UTF-8 text.
struct Utf8Info {
  bool valid = false;
  bool ascii = false;
  std::size_t utf16Length = 0;
};

// Checks that text is well-formed UTF-8 (no overlong forms, surrogates or values
// above U+10FFFF) and counts its UTF-16 units.
Utf8Info inspectUtf8(std::string_view text);

// Byte offset of the UTF-16 index `unit` in valid UTF-8 text; text.size() when the
// index is at or past the end.  An index that falls between the two halves of a
// surrogate pair answers the start of that character.
std::size_t byteOffsetOfUnit(std::string_view text, std::size_t unit);

// Number of UTF-16 units in the first `bytes` bytes of valid UTF-8 text.
std::size_t unitsInPrefix(std::string_view text, std::size_t bytes);

// The UTF-16 unit at index `unit` of valid UTF-8 text (the caller checks bounds).
std::uint16_t unitAt(std::string_view text, std::size_t unit);

// Appends a code point as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

// Converts UTF-16 units to UTF-8.  Unpaired surrogates make the text invalid: the
// answer is false and `out` is unspecified.
bool utf16ToUtf8(const std::uint16_t* units, std::size_t count, std::string& out);

// Converts Latin-1 bytes to UTF-8 (every byte is a character).
std::string latin1ToUtf8(std::string_view bytes);

// Converts valid UTF-8 to UTF-16 units.
std::u16string utf8ToUtf16(std::string_view text);

}  // namespace ns::unicode
