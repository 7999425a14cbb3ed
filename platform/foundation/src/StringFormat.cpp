// stringWithFormat: and its relatives.  A format is parsed once into literal text
// and conversion directives; the arguments are then read from the va_list in argument
// order (which positional directives like "%2$@" may differ from) and each directive is
// rendered, numbers through the C library and objects through -description.
#include "StringStorage.h"

#include "Fatal.h"
#include "Methods.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace ns {
namespace {

using namespace detail;

enum class ArgKind : unsigned char { None, Int, Long, Double, LongDouble, Pointer };

struct Directive {
  std::size_t literalStart = 0;  // literal text before this directive
  std::size_t literalLength = 0;
  std::string flags;
  int width = -1;              // -1: none
  int widthArg = -1;           // argument index of a '*' width
  int precision = -1;          // -1: none
  int precisionArg = -1;
  std::string length;          // "", "h", "hh", "l", "ll", "L", "z", "t", "j"
  char conversion = 0;         // 0 for the trailing literal
  int arg = -1;                // argument index of the value
};

union ArgValue {
  long long i;
  double d;
  long double ld;
  const void* p;
};

ArgKind kindOf(char conversion, const std::string& length) {
  switch (conversion) {
    case 'd': case 'i': case 'o': case 'u': case 'x': case 'X':
      return length.empty() || length == "h" || length == "hh" ? ArgKind::Int : ArgKind::Long;
    case 'c': case 'C':
      return ArgKind::Int;
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      return length == "L" ? ArgKind::LongDouble : ArgKind::Double;
    case 's': case 'S': case '@': case 'p':
      return ArgKind::Pointer;
    default:
      return ArgKind::None;
  }
}

// Reads "123$" at i; answers the 0-based index or -1 (i unchanged when absent).
int readPosition(std::string_view f, std::size_t& i) {
  std::size_t j = i;
  int n = 0;
  while (j < f.size() && f[j] >= '0' && f[j] <= '9') n = n * 10 + (f[j++] - '0');
  if (j > i && j < f.size() && f[j] == '$' && n > 0) {
    i = j + 1;
    return n - 1;
  }
  return -1;
}

int readNumber(std::string_view f, std::size_t& i) {
  int n = 0;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9' && n < 100000) n = n * 10 + (f[i++] - '0');
  return n;
}

struct Parsed {
  std::vector<Directive> directives;
  std::vector<ArgKind> args;
};

Parsed parse(std::string_view f) {
  Parsed out;
  int sequential = 0;
  auto claim = [&](int position, ArgKind kind) {
    int index = position >= 0 ? position : sequential++;
    if (static_cast<std::size_t>(index) >= out.args.size()) out.args.resize(index + 1, ArgKind::None);
    if (out.args[index] == ArgKind::None) out.args[index] = kind;
    return index;
  };
  std::size_t literalStart = 0;
  std::size_t i = 0;
  while (i < f.size()) {
    if (f[i] != '%') {
      ++i;
      continue;
    }
    Directive directive;
    directive.literalStart = literalStart;
    directive.literalLength = i - literalStart;
    std::size_t j = i + 1;
    int position = readPosition(f, j);
    while (j < f.size() && std::strchr("-+ #0'", f[j]) != nullptr) {
      if (f[j] != '\'') directive.flags += f[j];
      ++j;
    }
    if (j < f.size() && f[j] == '*') {
      ++j;
      directive.widthArg = claim(readPosition(f, j), ArgKind::Int);
    } else if (j < f.size() && f[j] >= '0' && f[j] <= '9') {
      directive.width = readNumber(f, j);
    }
    if (j < f.size() && f[j] == '.') {
      ++j;
      if (j < f.size() && f[j] == '*') {
        ++j;
        directive.precisionArg = claim(readPosition(f, j), ArgKind::Int);
      } else {
        directive.precision = readNumber(f, j);
      }
    }
    while (j < f.size() && std::strchr("hlqLztj", f[j]) != nullptr) {
      directive.length += f[j] == 'q' ? std::string("ll") : std::string(1, f[j]);
      ++j;
    }
    if (j >= f.size()) break;  // a lone '%' at the end stays literal text
    directive.conversion = f[j];
    ArgKind kind = kindOf(directive.conversion, directive.length);
    if (directive.conversion == '%') {
      // "%%" is a literal percent: keep it as a directive with no argument.
    } else if (kind == ArgKind::None) {
      // Not a conversion: leave the text as it stands.
      i = j + 1;
      continue;
    } else {
      directive.arg = claim(position, kind);
    }
    out.directives.push_back(directive);
    i = j + 1;
    literalStart = i;
  }
  Directive tail;
  tail.literalStart = literalStart;
  tail.literalLength = f.size() - literalStart;
  out.directives.push_back(tail);
  return out;
}

void pad(std::string& out, std::string_view text, int width, bool left) {
  std::size_t units = unicode::inspectUtf8(text).utf16Length;
  std::size_t fill = width > 0 && static_cast<std::size_t>(width) > units ? width - units : 0;
  if (!left) out.append(fill, ' ');
  out.append(text);
  if (left) out.append(fill, ' ');
}

void renderNumber(std::string& out, const Directive& directive, int width, int precision, const ArgValue& value,
                  ArgKind kind) {
  std::string c = "%" + directive.flags;
  if (width >= 0) c += std::to_string(width);
  if (precision >= 0) {
    c += '.';
    c += std::to_string(precision);
  }
  c += directive.length;
  c += directive.conversion;
  char buffer[128];
  int n = 0;
  switch (kind) {
    case ArgKind::Int: n = std::snprintf(buffer, sizeof buffer, c.c_str(), static_cast<int>(value.i)); break;
    case ArgKind::Long: n = std::snprintf(buffer, sizeof buffer, c.c_str(), value.i); break;
    case ArgKind::Double: n = std::snprintf(buffer, sizeof buffer, c.c_str(), value.d); break;
    case ArgKind::LongDouble: n = std::snprintf(buffer, sizeof buffer, c.c_str(), value.ld); break;
    default: return;
  }
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buffer) {
    out.append(buffer, n);
    return;
  }
  std::string big(n + 1, '\0');
  switch (kind) {
    case ArgKind::Int: std::snprintf(big.data(), big.size(), c.c_str(), static_cast<int>(value.i)); break;
    case ArgKind::Long: std::snprintf(big.data(), big.size(), c.c_str(), value.i); break;
    case ArgKind::Double: std::snprintf(big.data(), big.size(), c.c_str(), value.d); break;
    default: std::snprintf(big.data(), big.size(), c.c_str(), value.ld); break;
  }
  out.append(big.data(), n);
}

}  // namespace

std::string formatToUtf8(std::string_view f, va_list args) {
  Parsed parsed = parse(f);
  std::vector<ArgValue> values(parsed.args.size());
  for (std::size_t k = 0; k < parsed.args.size(); ++k) {
    switch (parsed.args[k]) {
      case ArgKind::Int: values[k].i = va_arg(args, int); break;
      case ArgKind::Long: values[k].i = va_arg(args, long long); break;
      case ArgKind::Double: values[k].d = va_arg(args, double); break;
      case ArgKind::LongDouble: values[k].ld = va_arg(args, long double); break;
      // A gap in positional arguments: assume a word, as the C library does.
      case ArgKind::Pointer: case ArgKind::None: values[k].p = va_arg(args, const void*); break;
    }
  }
  std::string out;
  out.reserve(f.size() + 16 * parsed.args.size());
  for (const Directive& directive : parsed.directives) {
    out.append(f.substr(directive.literalStart, directive.literalLength));
    if (directive.conversion == 0) continue;
    if (directive.conversion == '%') {
      out += '%';
      continue;
    }
    int width = directive.width;
    bool left = directive.flags.find('-') != std::string::npos;
    if (directive.widthArg >= 0) {
      width = static_cast<int>(values[directive.widthArg].i);
      if (width < 0) {
        left = true;
        width = -width;
      }
    }
    int precision = directive.precisionArg >= 0 ? static_cast<int>(values[directive.precisionArg].i) : directive.precision;
    const ArgValue& value = values[directive.arg];
    switch (directive.conversion) {
      case '@': {
        id object = static_cast<id>(const_cast<void*>(value.p));
        pad(out, object == nil ? std::string("(null)") : utf8(object), width, left);
        break;
      }
      case 's': {
        const char* s = static_cast<const char*>(value.p);
        std::string_view text = s ? std::string_view(s) : std::string_view("(null)");
        if (precision >= 0 && static_cast<std::size_t>(precision) < text.size()) text = text.substr(0, precision);
        if (unicode::inspectUtf8(text).valid) {
          pad(out, text, width, left);
        } else {
          pad(out, unicode::latin1ToUtf8(text), width, left);
        }
        break;
      }
      case 'S': {
        const auto* units = static_cast<const std::uint16_t*>(value.p);
        std::string text;
        if (units == nullptr) {
          text = "(null)";
        } else {
          std::size_t n = 0;
          while (units[n] != 0) ++n;
          if (!unicode::utf16ToUtf8(units, n, text)) text.clear();
        }
        pad(out, text, width, left);
        break;
      }
      case 'c': {
        std::string text;
        unicode::appendUtf8(text, static_cast<unsigned char>(value.i));
        pad(out, text, width, left);
        break;
      }
      case 'C': {
        std::string text;
        auto unit = static_cast<std::uint16_t>(value.i);
        if (unit < 0xD800 || unit > 0xDFFF) unicode::appendUtf8(text, unit);
        pad(out, text, width, left);
        break;
      }
      case 'p': {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%p", value.p);
        pad(out, buffer, width, left);
        break;
      }
      default:
        renderNumber(out, directive, width, precision, value, parsed.args[directive.arg]);
        break;
    }
  }
  return out;
}

id formatV(const char* format, va_list args) {
  if (format == nullptr) return nil;
  return objc::autorelease(detail::newString(formatToUtf8(format, args)));
}

id format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  id s = formatV(format, args);
  va_end(args);
  return s;
}

namespace {

std::string formatFromObject(id receiver, SEL cmd, id format, va_list args) {
  if (!isStringObject(format)) raiseNilArgument(receiver, cmd);
  return formatToUtf8(stringView(format), args);
}

id stringClassWithFormat(id self, SEL cmd, id format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatFromObject(self, cmd, format, args);
  va_end(args);
  unicode::Utf8Info info = unicode::inspectUtf8(text);
  if (!info.valid) {
    text = unicode::latin1ToUtf8(text);
    info = unicode::inspectUtf8(text);
  }
  return objc::autorelease(newStringOfClass(asClass(self), text, info));
}

id stringInitWithFormat(id self, SEL cmd, id format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatFromObject(self, cmd, format, args);
  va_end(args);
  assignString(self, text, unicode::inspectUtf8(text));
  return self;
}

id stringByAppendingFormat(id self, SEL cmd, id format, ...) {
  va_list args;
  va_start(args, format);
  std::string text(stringView(self));
  text += formatFromObject(self, cmd, format, args);
  va_end(args);
  return objc::autorelease(newString(text));
}

void mutableAppendFormat(id self, SEL cmd, id format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = formatFromObject(self, cmd, format, args);
  va_end(args);
  replaceBytes(self, stringIvars(self)->_byteLength, 0, text);
}

}  // namespace

namespace detail {

void registerStringFormatMethods(Class string) {
  addVariadicClassMethod(string, "stringWithFormat:", &stringClassWithFormat, "@@:@");
  addVariadicMethod(string, "initWithFormat:", &stringInitWithFormat, "@@:@");
  addVariadicMethod(string, "stringByAppendingFormat:", &stringByAppendingFormat, "@@:@");
}

void registerMutableFormatMethods(Class mutableString) {
  addVariadicMethod(mutableString, "appendFormat:", &mutableAppendFormat, "v@:@");
}

}  // namespace detail
}  // namespace ns
