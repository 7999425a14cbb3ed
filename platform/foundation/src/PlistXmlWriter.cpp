#include "PlistXmlWriter.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ns::plist {
namespace {

using Node = Tree::Node;

constexpr char kHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

void appendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out.push_back(c);
    }
  }
}

void appendBase64Lines(std::string& out, std::string_view bytes, int indent) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  // Lines of at most 76 columns counting a tab as 8, as Foundation and plistlib lay them out.
  const std::size_t perLine = std::max<int>(16, 76 - 8 * indent) / 4 * 3;
  for (std::size_t start = 0; start < bytes.size(); start += perLine) {
    out.append(indent, '\t');
    std::string_view chunk = bytes.substr(start, perLine);
    for (std::size_t i = 0; i < chunk.size(); i += 3) {
      unsigned b0 = static_cast<unsigned char>(chunk[i]);
      unsigned b1 = i + 1 < chunk.size() ? static_cast<unsigned char>(chunk[i + 1]) : 0;
      unsigned b2 = i + 2 < chunk.size() ? static_cast<unsigned char>(chunk[i + 2]) : 0;
      out.push_back(kAlphabet[b0 >> 2]);
      out.push_back(kAlphabet[((b0 & 3) << 4) | (b1 >> 4)]);
      out.push_back(i + 1 < chunk.size() ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=');
      out.push_back(i + 2 < chunk.size() ? kAlphabet[b2 & 63] : '=');
    }
    out.push_back('\n');
  }
}

class XmlWriter {
 public:
  XmlWriter(const Tree& tree) : tree_(tree), budget_(2 * tree.size() + 100'000) {}

  objc::Result<std::string> write(Node root) {
    out_ = kHeader;
    if (!value(root, 0)) return objc::makeError("value unfolds too far for XML");
    out_ += "</plist>\n";
    return std::move(out_);
  }

 private:
  void line(int indent, std::string_view text) {
    out_.append(indent, '\t');
    out_ += text;
    out_.push_back('\n');
  }

  void element(int indent, std::string_view name, std::string_view text) {
    out_.append(indent, '\t');
    out_ += '<';
    out_ += name;
    out_ += '>';
    out_ += text;
    out_ += "</";
    out_ += name;
    out_ += ">\n";
  }

  bool value(Node node, int indent) {
    if (budget_ == 0 || indent > kMaxNesting + 1) return false;
    --budget_;
    switch (tree_.kind(node)) {
      case Kind::Boolean:
        line(indent, tree_.boolValue(node) ? "<true/>" : "<false/>");
        return true;
      case Kind::Integer: {
        char buffer[32];
        int n = tree_.isBigUnsigned(node)
                    ? std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(tree_.uidValue(node)))
                    : std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(tree_.integerValue(node)));
        element(indent, "integer", std::string_view(buffer, n));
        return true;
      }
      case Kind::Real: {
        double d = tree_.realValue(node);
        char buffer[64];
        std::string_view text;
        if (std::isnan(d)) {
          text = "nan";
        } else if (std::isinf(d)) {
          text = d > 0 ? "+infinity" : "-infinity";
        } else {
          auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
          text = std::string_view(buffer, r.ptr - buffer);
        }
        element(indent, "real", text);
        return true;
      }
      case Kind::Date:
        element(indent, "date", isoDate(tree_.realValue(node)));
        return true;
      case Kind::String:
        out_.append(indent, '\t');
        out_ += "<string>";
        appendEscaped(out_, tree_.stringValue(node));
        out_ += "</string>\n";
        return true;
      case Kind::Data:
        line(indent, "<data>");
        appendBase64Lines(out_, tree_.dataValue(node), indent);
        line(indent, "</data>");
        return true;
      case Kind::Uid: {
        line(indent, "<dict>");
        element(indent + 1, "key", "CF$UID");
        char buffer[32];
        int n = std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(tree_.uidValue(node)));
        element(indent + 1, "integer", std::string_view(buffer, n));
        line(indent, "</dict>");
        return true;
      }
      case Kind::Array: {
        if (tree_.count(node) == 0) {
          line(indent, "<array/>");
          return true;
        }
        line(indent, "<array>");
        for (Node item : tree_.items(node))
          if (!value(item, indent + 1)) return false;
        line(indent, "</array>");
        return true;
      }
      case Kind::Dictionary: {
        if (tree_.count(node) == 0) {
          line(indent, "<dict/>");
          return true;
        }
        line(indent, "<dict>");
        auto keys = tree_.keys(node), values = tree_.values(node);
        for (std::size_t i = 0; i < keys.size(); ++i) {
          out_.append(indent + 1, '\t');
          out_ += "<key>";
          appendEscaped(out_, tree_.stringValue(keys[i]));
          out_ += "</key>\n";
          if (!value(values[i], indent + 1)) return false;
        }
        line(indent, "</dict>");
        return true;
      }
    }
    return false;
  }

  const Tree& tree_;
  std::size_t budget_;
  std::string out_;
};

// Days since 1970-01-01 to a civil date (proleptic Gregorian), valid for any int64.
void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += (m <= 2);
}

}  // namespace

std::string isoDate(double seconds) {
  constexpr double kUnixOffset = 978307200.0;  // 2001-01-01 in Unix time
  double unix = std::floor(seconds) + kUnixOffset;
  // Beyond about ±292 billion years the value no longer fits; such dates are clamped.
  if (!(unix > -9.2e15 && unix < 9.2e15)) unix = unix > 0 ? 9.2e15 : (unix < 0 ? -9.2e15 : 0);
  long long total = static_cast<long long>(unix);
  long long days = total / 86400, rest = total % 86400;
  if (rest < 0) rest += 86400, days -= 1;
  long long year;
  unsigned month, day;
  civilFromDays(days, year, month, day);
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", year, month, day, rest / 3600,
                        rest / 60 % 60, rest % 60);
  return std::string(buffer, n);
}

objc::Result<std::string> writeXml(const Tree& tree, Tree::Node root) { return XmlWriter(tree).write(root); }

}  // namespace ns::plist
