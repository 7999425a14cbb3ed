#include "PlistXmlReader.h"

#include "PlistUnicode.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace ns::plist {
namespace {

using objc::makeError;
using Node = Tree::Node;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' ||
         c == '-' || c == '.';
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Tag {
  enum Type { Open, Close, Empty } type;
  std::string_view name;
};

class XmlReader {
 public:
  explicit XmlReader(std::string_view text) : s_(text) {}

  objc::Result<Document> read() {
    Document doc;
    tree_ = &doc.tree;
    if (s_.starts_with("\xEF\xBB\xBF")) i_ = 3;
    if (auto r = skipMisc(); !r.ok()) return r.error();
    auto first = tag();
    if (!first.ok()) return first.error();
    Tag root = first.value();
    bool wrapped = root.name == "plist";
    if (wrapped) {
      if (root.type != Tag::Open) return makeError("empty <plist>");
      if (auto r = skipMisc(); !r.ok()) return r.error();
      auto inner = tag();
      if (!inner.ok()) return inner.error();
      root = inner.value();
    }
    auto value = parseValue(root, 0);
    if (!value.ok()) return value.error();
    if (auto r = skipMisc(); !r.ok()) return r.error();
    if (wrapped) {
      auto close = tag();
      if (!close.ok()) return close.error();
      if (close.value().type != Tag::Close || close.value().name != "plist") return makeError("expected </plist>");
      if (auto r = skipMisc(); !r.ok()) return r.error();
    }
    if (i_ != s_.size()) return makeError("text after the property list");
    doc.root = value.value();
    return doc;
  }

 private:
  bool at(std::string_view prefix) const { return s_.substr(i_, prefix.size()) == prefix; }

  // Skips white space, comments, processing instructions and a DOCTYPE.
  objc::Status skipMisc() {
    for (;;) {
      while (i_ < s_.size() && isSpace(s_[i_])) ++i_;
      if (at("<!--")) {
        auto end = s_.find("-->", i_ + 4);
        if (end == std::string_view::npos) return makeError("unterminated comment");
        i_ = end + 3;
      } else if (at("<?")) {
        auto end = s_.find("?>", i_ + 2);
        if (end == std::string_view::npos) return makeError("unterminated processing instruction");
        i_ = end + 2;
      } else if (at("<!DOCTYPE")) {
        int brackets = 0;
        for (i_ += 9;; ++i_) {
          if (i_ >= s_.size()) return makeError("unterminated DOCTYPE");
          char c = s_[i_];
          if (c == '[') ++brackets;
          if (c == ']') --brackets;
          if (c == '>' && brackets <= 0) break;
        }
        ++i_;
      } else {
        return objc::Ok{};
      }
    }
  }

  objc::Result<Tag> tag() {
    if (i_ >= s_.size() || s_[i_] != '<') return makeError("expected an element");
    ++i_;
    Tag t{Tag::Open, {}};
    if (i_ < s_.size() && s_[i_] == '/') {
      t.type = Tag::Close;
      ++i_;
    }
    std::size_t start = i_;
    while (i_ < s_.size() && isNameChar(s_[i_])) ++i_;
    t.name = s_.substr(start, i_ - start);
    if (t.name.empty()) return makeError("element without a name");
    // Attributes (as in <plist version="1.0">) are skipped, quotes respected.
    char quote = 0;
    for (; i_ < s_.size(); ++i_) {
      char c = s_[i_];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        if (i_ > start && s_[i_ - 1] == '/') {
          if (t.type == Tag::Close) return makeError("malformed closing tag");
          t.type = Tag::Empty;
        }
        ++i_;
        return t;
      }
    }
    return makeError("unterminated tag");
  }

  // Character data up to the closing tag </name>, with entities and CDATA sections.
  objc::Result<std::string> text(std::string_view name) {
    std::string out;
    for (;;) {
      std::size_t next = s_.find_first_of("<&", i_);
      if (next == std::string_view::npos) return makeError("unterminated element");
      out.append(s_.substr(i_, next - i_));
      i_ = next;
      if (s_[i_] == '&') {
        auto r = entity(out);
        if (!r.ok()) return r.error();
        continue;
      }
      if (at("<![CDATA[")) {
        auto end = s_.find("]]>", i_ + 9);
        if (end == std::string_view::npos) return makeError("unterminated CDATA");
        out.append(s_.substr(i_ + 9, end - i_ - 9));
        i_ = end + 3;
        continue;
      }
      if (at("<!--")) {
        auto end = s_.find("-->", i_ + 4);
        if (end == std::string_view::npos) return makeError("unterminated comment");
        i_ = end + 3;
        continue;
      }
      auto close = tag();
      if (!close.ok()) return close.error();
      if (close.value().type != Tag::Close || close.value().name != name)
        return makeError("unexpected element inside <" + std::string(name) + ">");
      return out;
    }
  }

  objc::Status entity(std::string& out) {
    auto end = s_.find(';', i_);
    if (end == std::string_view::npos || end - i_ > 12) return makeError("bad entity");
    std::string_view e = s_.substr(i_ + 1, end - i_ - 1);
    i_ = end + 1;
    if (e == "amp") out.push_back('&');
    else if (e == "lt") out.push_back('<');
    else if (e == "gt") out.push_back('>');
    else if (e == "quot") out.push_back('"');
    else if (e == "apos") out.push_back('\'');
    else if (e.size() > 1 && e[0] == '#') {
      bool hex = e[1] == 'x' || e[1] == 'X';
      std::string_view digits = e.substr(hex ? 2 : 1);
      std::uint32_t cp = 0;
      auto r = std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
      if (digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() || cp == 0 || cp > 0x10FFFF ||
          (cp >= 0xD800 && cp <= 0xDFFF))
        return makeError("bad character reference");
      appendUtf8(out, cp);
    } else {
      return makeError("unknown entity");
    }
    return objc::Ok{};
  }

  // The text of an element that may also be written empty (<string/>).
  objc::Result<std::string> content(const Tag& t) {
    if (t.type == Tag::Empty) return std::string();
    return text(t.name);
  }

  objc::Result<Node> parseValue(const Tag& t, int depth) {
    if (depth > kMaxNesting) return makeError("nesting too deep");
    if (t.type == Tag::Close) return makeError("unexpected closing tag");
    std::string_view n = t.name;
    if (n == "dict" || n == "array") return container(t, depth);
    if (n == "true" || n == "false") {
      if (t.type == Tag::Open) {
        auto close = tag();
        if (!close.ok() || close.value().type != Tag::Close || close.value().name != n)
          return makeError("<true/> and <false/> hold nothing");
      }
      return tree_->boolean(n == "true");
    }
    auto body = content(t);
    if (!body.ok()) return body.error();
    std::string& b = body.value();
    if (n == "string") return tree_->string(isAscii(b) ? b : validUtf8(b));
    if (n == "integer") return integer(trimmed(b));
    if (n == "real") return real(trimmed(b));
    if (n == "date") return date(trimmed(b));
    if (n == "data") return data(b);
    return makeError("unknown element <" + std::string(n) + ">");
  }

  objc::Result<Node> container(const Tag& t, int depth) {
    const bool isDict = t.name == "dict";
    std::vector<Node> keys, values;
    if (t.type == Tag::Empty) return isDict ? tree_->dictionary(keys, values) : tree_->array(values);
    for (;;) {
      if (auto r = skipMisc(); !r.ok()) return r.error();
      auto next = tag();
      if (!next.ok()) return next.error();
      const Tag& item = next.value();
      if (item.type == Tag::Close) {
        if (item.name != t.name) return makeError("mismatched closing tag");
        break;
      }
      if (isDict) {
        if (item.name != "key") return makeError("expected <key> in <dict>");
        auto key = content(item);
        if (!key.ok()) return key.error();
        keys.push_back(tree_->string(isAscii(key.value()) ? key.value() : validUtf8(key.value())));
        if (auto r = skipMisc(); !r.ok()) return r.error();
        auto valueTag = tag();
        if (!valueTag.ok()) return valueTag.error();
        auto value = parseValue(valueTag.value(), depth + 1);
        if (!value.ok()) return value;
        values.push_back(value.value());
      } else {
        auto value = parseValue(item, depth + 1);
        if (!value.ok()) return value;
        values.push_back(value.value());
      }
    }
    return isDict ? tree_->dictionary(keys, values) : tree_->array(values);
  }

  objc::Result<Node> integer(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
      negative = s[0] == '-';
      s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      base = 16;
      s.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return makeError("bad <integer>");
    if (!negative) return tree_->bigUnsigned(magnitude);
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1)
      return makeError("<integer> out of range");
    return tree_->integer(static_cast<std::int64_t>(0 - magnitude));
  }

  objc::Result<Node> real(std::string_view s) {
    if (equalsIgnoringCase(s, "nan")) return tree_->real(std::numeric_limits<double>::quiet_NaN());
    bool negative = !s.empty() && s[0] == '-';
    std::string_view unsignedPart = !s.empty() && (s[0] == '-' || s[0] == '+') ? s.substr(1) : s;
    if (equalsIgnoringCase(unsignedPart, "inf") || equalsIgnoringCase(unsignedPart, "infinity"))
      return tree_->real(negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity());
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    double d = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), d);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return makeError("bad <real>");
    return tree_->real(d);
  }

  // "YYYY-MM-DDTHH:MM:SS[.fff]Z" in UTC.
  objc::Result<Node> date(std::string_view s) {
    auto number = [&](std::size_t pos, std::size_t len, int& out) {
      if (pos + len > s.size()) return false;
      auto r = std::from_chars(s.data() + pos, s.data() + pos + len, out);
      return r.ec == std::errc() && r.ptr == s.data() + pos + len;
    };
    int y, mo, d, h, mi, se;
    if (s.size() < 20 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' ||
        !number(0, 4, y) || !number(5, 2, mo) || !number(8, 2, d) || !number(11, 2, h) || !number(14, 2, mi) ||
        !number(17, 2, se) || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 60)
      return makeError("bad <date>");
    double fraction = 0;
    std::size_t pos = 19;
    if (s[pos] == '.') {
      std::size_t start = pos;
      for (++pos; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos) {
      }
      std::from_chars(s.data() + start, s.data() + pos, fraction);
    }
    if (pos + 1 != s.size() || s[pos] != 'Z') return makeError("bad <date>");
    long long days = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    double unix = static_cast<double>(days) * 86400.0 + h * 3600.0 + mi * 60.0 + se + fraction;
    return tree_->date(unix - 978307200.0);
  }

  objc::Result<Node> data(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 3 / 4);
    std::uint32_t buffer = 0;
    int bits = 0;
    bool padding = false;
    for (char c : s) {
      int v;
      if (c >= 'A' && c <= 'Z') v = c - 'A';
      else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
      else if (c >= '0' && c <= '9') v = c - '0' + 52;
      else if (c == '+') v = 62;
      else if (c == '/') v = 63;
      else if (c == '=') {
        padding = true;
        continue;
      } else if (isSpace(c)) {
        continue;
      } else {
        return makeError("bad character in <data>");
      }
      if (padding) return makeError("base64 after padding");
      buffer = (buffer << 6) | static_cast<std::uint32_t>(v);
      bits += 6;
      if (bits >= 8) {
        bits -= 8;
        out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
      }
    }
    return tree_->data(out);
  }

  std::string_view s_;
  std::size_t i_ = 0;
  Tree* tree_ = nullptr;
};

}  // namespace

objc::Result<Document> readXml(std::string_view bytes) { return XmlReader(bytes).read(); }

}  // namespace ns::plist
