#include "Unicode.h"

namespace ns::unicode {
namespace {

// Length of the sequence starting with lead byte b (0 for a byte that cannot start one).
inline std::size_t sequenceLength(unsigned char b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

inline bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes the code point at text[i] of valid UTF-8 and advances i.
inline char32_t decodeAt(std::string_view text, std::size_t& i) {
  auto b = static_cast<unsigned char>(text[i]);
  std::size_t n = sequenceLength(b);
  char32_t cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
  for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  i += n == 0 ? 1 : n;
  return cp;
}

}  // namespace

Utf8Info inspectUtf8(std::string_view text) {
  Utf8Info info;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t n = text.size();
  std::size_t i = 0;
  std::size_t units = 0;
  // Fast path over ASCII, eight bytes at a time.
  while (i + 8 <= n) {
    std::uint64_t word;
    __builtin_memcpy(&word, p + i, 8);
    if (word & 0x8080808080808080ULL) break;
    i += 8;
    units += 8;
  }
  bool ascii = true;
  while (i < n) {
    unsigned char b = p[i];
    if (b < 0x80) {
      ++i;
      ++units;
      continue;
    }
    ascii = false;
    std::size_t len = sequenceLength(b);
    if (len == 0 || i + len > n) return info;
    for (std::size_t k = 1; k < len; ++k)
      if (!isContinuation(p[i + k])) return info;
    // Overlong three- and four-byte forms, surrogates and values above U+10FFFF.
    if (b == 0xE0 && p[i + 1] < 0xA0) return info;
    if (b == 0xED && p[i + 1] >= 0xA0) return info;
    if (b == 0xF0 && p[i + 1] < 0x90) return info;
    if (b == 0xF4 && p[i + 1] >= 0x90) return info;
    units += len == 4 ? 2 : 1;
    i += len;
  }
  info.valid = true;
  info.ascii = ascii;
  info.utf16Length = units;
  return info;
}

std::size_t byteOffsetOfUnit(std::string_view text, std::size_t unit) {
  std::size_t i = 0;
  std::size_t units = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    std::size_t len = sequenceLength(b);
    std::size_t width = len == 4 ? 2 : 1;
    if (units + width > unit) return i;
    units += width;
    i += len == 0 ? 1 : len;
  }
  return text.size();
}

std::size_t unitsInPrefix(std::string_view text, std::size_t bytes) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < bytes && i < text.size(); ++i) {
    auto b = static_cast<unsigned char>(text[i]);
    if (!isContinuation(b)) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::uint16_t unitAt(std::string_view text, std::size_t unit) {
  std::size_t i = 0;
  std::size_t units = 0;
  while (i < text.size()) {
    char32_t cp = decodeAt(text, i);
    if (cp >= 0x10000) {
      if (units == unit) return static_cast<std::uint16_t>(0xD800 + ((cp - 0x10000) >> 10));
      if (units + 1 == unit) return static_cast<std::uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      units += 2;
    } else {
      if (units == unit) return static_cast<std::uint16_t>(cp);
      ++units;
    }
  }
  return 0;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool utf16ToUtf8(const std::uint16_t* units, std::size_t count, std::string& out) {
  out.reserve(out.size() + count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= count || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return false;
    }
    appendUtf8(out, u);
  }
  return true;
}

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) appendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::u16string utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = decodeAt(text, i);
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

}  // namespace ns::unicode
