#include "StringsTable.h"

#include "BinaryPlistReader.h"
#include "PlistDocument.h"
#include "PlistUnicode.h"

namespace ns::strings {
namespace {

using objc::makeError;

bool isUnquotedChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A recursive-descent reader of the old-style text format, restricted to what string
// tables hold: an optional pair of braces around entries of the form
// `string [= string];`, where a string is quoted or a bare word.
class TextParser {
 public:
  explicit TextParser(std::string_view text) : s_(text) {}

  objc::Result<Table> parse() {
    Table table;
    auto skipped = skip();
    if (!skipped.ok()) return skipped.error();
    bool braced = peek('{');
    if (braced) ++i_;
    for (;;) {
      if (auto r = skip(); !r.ok()) return r.error();
      if (i_ == s_.size()) {
        if (braced) return makeError("missing closing brace");
        break;
      }
      if (braced && peek('}')) {
        ++i_;
        if (auto r = skip(); !r.ok()) return r.error();
        if (i_ != s_.size()) return makeError("text after closing brace");
        break;
      }
      auto key = string();
      if (!key.ok()) return key.error();
      if (auto r = skip(); !r.ok()) return r.error();
      std::string value;
      if (peek('=')) {
        ++i_;
        if (auto r = skip(); !r.ok()) return r.error();
        auto v = string();
        if (!v.ok()) return v.error();
        value = std::move(v.value());
        if (auto r = skip(); !r.ok()) return r.error();
      } else {
        value = key.value();  // `"key";` alone maps the key to itself
      }
      if (!peek(';')) return makeError("expected ';' at offset " + std::to_string(i_));
      ++i_;
      table.insert_or_assign(std::move(key.value()), std::move(value));
    }
    return table;
  }

 private:
  bool peek(char c) const { return i_ < s_.size() && s_[i_] == c; }

  // Skips white space and comments; an unterminated block comment is an error.
  objc::Status skip() {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
        ++i_;
      } else if (s_.substr(i_, 2) == "//") {
        while (i_ < s_.size() && s_[i_] != '\n' && s_[i_] != '\r') ++i_;
      } else if (s_.substr(i_, 2) == "/*") {
        auto end = s_.find("*/", i_ + 2);
        if (end == std::string_view::npos) return makeError("unterminated comment");
        i_ = end + 2;
      } else {
        break;
      }
    }
    return objc::Ok{};
  }

  objc::Result<std::string> string() {
    if (i_ >= s_.size()) return makeError("expected a string");
    if (s_[i_] == '"' || s_[i_] == '\'') return quoted(s_[i_]);
    std::size_t start = i_;
    while (i_ < s_.size() && isUnquotedChar(s_[i_])) ++i_;
    if (i_ == start) return makeError("expected a string at offset " + std::to_string(i_));
    return std::string(s_.substr(start, i_ - start));
  }

  objc::Result<std::string> quoted(char quote) {
    ++i_;
    std::string out;
    char16_t pendingHigh = 0;  // a \U high surrogate waiting for its low half
    auto flushHigh = [&] {
      if (pendingHigh) plist::appendUtf8(out, 0xFFFD);
      pendingHigh = 0;
    };
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == quote) {
        flushHigh();
        return out;
      }
      if (c != '\\') {
        flushHigh();
        out.push_back(c);
        continue;
      }
      if (i_ >= s_.size()) break;
      char e = s_[i_++];
      if (e == 'U' || e == 'u') {
        char32_t cp = 0;
        int digits = 0;
        for (; digits < 4 && i_ < s_.size() && hexValue(s_[i_]) >= 0; ++digits) cp = cp * 16 + hexValue(s_[i_++]);
        if (digits == 0) return makeError("bad \\U escape");
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          flushHigh();
          pendingHigh = static_cast<char16_t>(cp);
          continue;
        }
        if (cp >= 0xDC00 && cp <= 0xDFFF && pendingHigh) {
          plist::appendUtf8(out, 0x10000 + ((pendingHigh - 0xD800) << 10) + (cp - 0xDC00));
          pendingHigh = 0;
          continue;
        }
        flushHigh();
        plist::appendUtf8(out, cp);
        continue;
      }
      flushHigh();
      if (e >= '0' && e <= '7') {
        unsigned v = e - '0';
        for (int k = 0; k < 2 && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '7'; ++k) v = v * 8 + (s_[i_++] - '0');
        plist::appendUtf8(out, v & 0xFF);
        continue;
      }
      switch (e) {
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'a': out.push_back('\a'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'v': out.push_back('\v'); break;
        default: out.push_back(e);  // \" \' \\ and any other character stand for themselves
      }
    }
    return makeError("unterminated string");
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

objc::Result<Table> tableFromPlist(std::string_view bytes) {
  auto doc = plist::readDocument(bytes);
  if (!doc.ok()) return doc.error();
  const plist::Tree& tree = doc.value().tree;
  plist::Tree::Node root = doc.value().root;
  if (tree.kind(root) != plist::Kind::Dictionary) return makeError("table is not a dictionary");
  Table table;
  auto keys = tree.keys(root), values = tree.values(root);
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (tree.kind(values[i]) == plist::Kind::String)
      table.insert_or_assign(std::string(tree.stringValue(keys[i])), std::string(tree.stringValue(values[i])));
  return table;
}

}  // namespace

std::string tableText(std::string_view bytes) {
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF)
    return plist::utf8FromUtf16Bytes(reinterpret_cast<const unsigned char*>(bytes.data()) + 2, (bytes.size() - 2) / 2,
                                     true);
  if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE)
    return plist::utf8FromUtf16Bytes(reinterpret_cast<const unsigned char*>(bytes.data()) + 2, (bytes.size() - 2) / 2,
                                     false);
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return plist::validUtf8(bytes.substr(3));
  // UTF-16 without a mark: text of the format starts with an ASCII character, so one
  // of the first two bytes is zero.
  if (bytes.size() >= 2 && bytes.size() % 2 == 0 && (at(0) == 0) != (at(1) == 0))
    return plist::utf8FromUtf16Bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size() / 2,
                                     at(0) == 0);
  return plist::validUtf8(bytes);
}

objc::Result<Table> parseTable(std::string_view bytes) {
  if (plist::looksBinary(bytes)) return tableFromPlist(bytes);
  std::string text = tableText(bytes);
  std::string_view trimmed = text;
  while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t' || trimmed.front() == '\n' ||
                              trimmed.front() == '\r'))
    trimmed.remove_prefix(1);
  if (trimmed.starts_with("<?xml") || trimmed.starts_with("<plist") || trimmed.starts_with("<!DOCTYPE"))
    return tableFromPlist(text);
  return TextParser(text).parse();
}

}  // namespace ns::strings
