// UTF-8 / UTF-16 conversions used by the property-list readers and writers and by the
// string-table reader.  Malformed input never fails: each bad sequence becomes one
// U+FFFD, as Foundation does when it meets a damaged string in a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ns::plist {

// True when every byte is 7-bit ASCII.
bool isAscii(std::string_view bytes);

// Appends the UTF-8 form of one code point (a surrogate or a value past U+10FFFF
// becomes U+FFFD).
void appendUtf8(std::string& out, char32_t codePoint);

// Decodes UTF-8 to UTF-16 code units.
std::u16string utf16FromUtf8(std::string_view utf8);

// Encodes `units` UTF-16 code units stored as bytes in the given byte order.
std::string utf8FromUtf16Bytes(const unsigned char* bytes, std::size_t units, bool bigEndian);

// Replaces every malformed UTF-8 sequence with U+FFFD; valid input comes back as is.
std::string validUtf8(std::string_view bytes);

}  // namespace ns::plist
