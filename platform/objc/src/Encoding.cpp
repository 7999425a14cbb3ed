#include <objcface/Encoding.h>

#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

namespace objc {
namespace {

// Index just past the one type that starts at i.
std::size_t skipType(std::string_view s, std::size_t i) {
  if (i >= s.size()) return i;
  char c = s[i];
  if (c == '^') return skipType(s, i + 1);
  if (c == '{' || c == '[' || c == '(') {
    char close = c == '{' ? '}' : c == '[' ? ']' : ')';
    int depth = 0;
    for (; i < s.size(); ++i) {
      if (s[i] == c) ++depth;
      if (s[i] == close && --depth == 0) return i + 1;
    }
    return s.size();
  }
  return i + 1;
}

// Splits a type string into one token per value, each reduced to how it is passed:
// integers keep their size (int and long differ in the upper register half), every
// pointer kind is "p", structs and arrays keep their whole text.  The two 64-bit
// integer types stay apart (long and long long), since calling a function of one
// through a pointer to the other is undefined even though the bits travel alike.
std::vector<std::string> passingTokens(const char* types) {
  std::vector<std::string> out;
  std::string_view s(types ? types : "");
  std::size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    // Method qualifiers and frame offsets do not change how a value is passed.
    if (std::strchr("rnNoORV", c) != nullptr || std::isdigit(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    std::size_t end = skipType(s, i);
    switch (c) {
      case 'c': case 'C': case 'B': out.emplace_back("i1"); break;
      case 's': case 'S': out.emplace_back("i2"); break;
      case 'i': case 'I': out.emplace_back("i4"); break;
      case 'l': case 'L': out.emplace_back("i8l"); break;
      case 'q': case 'Q': out.emplace_back("i8q"); break;
      case '@': case '#': case ':': case '*': case '^': case '?': out.emplace_back("p"); break;
      default: out.emplace_back(s.substr(i, end - i)); break;
    }
    i = end;
  }
  return out;
}

}  // namespace

bool encodingsCompatible(const char* callSide, const char* methodSide) {
  return passingTokens(callSide) == passingTokens(methodSide);
}

}  // namespace objc
