// NSString searching, comparing, slicing and path methods.  Searches work on the
// UTF-8 bytes (a match of valid UTF-8 in valid UTF-8 always starts on a character
// boundary) and answer ranges in UTF-16 units.
#include "StringStorage.h"

#include "ArrayStorage.h"
#include "Fatal.h"
#include "Methods.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ns {
namespace {

using namespace detail;

inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
inline char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// The argument as a string view; a nil or non-string argument stops the process
// naming the method, as iOS raises for it.
std::string_view requireString(id self, SEL cmd, id argument) {
  if (!isStringObject(argument)) raiseNilArgument(self, cmd);
  return stringView(argument);
}

bool equalFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

// Byte offset of needle in haystack under the options, or npos.
std::size_t findBytes(std::string_view haystack, std::string_view needle, NSStringCompareOptions options) {
  if (needle.empty() || needle.size() > haystack.size()) return std::string_view::npos;
  bool folded = options & NSCaseInsensitiveSearch;
  bool backwards = options & NSBackwardsSearch;
  if (options & NSAnchoredSearch) {
    std::size_t at = backwards ? haystack.size() - needle.size() : 0;
    std::string_view part = haystack.substr(at, needle.size());
    return (folded ? equalFolded(part, needle) : part == needle) ? at : std::string_view::npos;
  }
  if (!folded) return backwards ? haystack.rfind(needle) : haystack.find(needle);
  std::size_t last = haystack.size() - needle.size();
  for (std::size_t k = 0; k <= last; ++k) {
    std::size_t at = backwards ? last - k : k;
    if (equalFolded(haystack.substr(at, needle.size()), needle)) return at;
  }
  return std::string_view::npos;
}

NSRange unitRange(id self, std::size_t byteStart, std::size_t byteCount) {
  auto* v = stringIvars(self);
  if (v->_flags & kStringAscii) return {byteStart, byteCount};
  std::string_view text = stringView(self);
  std::size_t location = unicode::unitsInPrefix(text, byteStart);
  return {location, unicode::unitsInPrefix(text.substr(byteStart), byteCount)};
}

NSRange rangeOfStringOptions(id self, SEL cmd, id other, NSStringCompareOptions options) {
  std::string_view needle = requireString(self, cmd, other);
  std::size_t at = findBytes(stringView(self), needle, options);
  if (at == std::string_view::npos) return {static_cast<NSUInteger>(NSNotFound), 0};
  return unitRange(self, at, needle.size());
}

NSRange rangeOfString(id self, SEL cmd, id other) { return rangeOfStringOptions(self, cmd, other, 0); }

BOOL containsString(id self, SEL cmd, id other) {
  std::string_view needle = requireString(self, cmd, other);
  return findBytes(stringView(self), needle, 0) != std::string_view::npos ? YES : NO;
}

// iOS answers NO for an empty or nil prefix or suffix.
BOOL hasPrefix(id self, SEL, id other) {
  if (!isStringObject(other) || stringView(other).empty()) return NO;
  return stringView(self).starts_with(stringView(other)) ? YES : NO;
}

BOOL hasSuffix(id self, SEL, id other) {
  if (!isStringObject(other) || stringView(other).empty()) return NO;
  return stringView(self).ends_with(stringView(other)) ? YES : NO;
}

NSComparisonResult compareViews(std::string_view a, std::string_view b, bool folded) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(folded ? asciiLower(a[i]) : a[i]);
    auto y = static_cast<unsigned char>(folded ? asciiLower(b[i]) : b[i]);
    if (x != y) return x < y ? NSOrderedAscending : NSOrderedDescending;
  }
  if (a.size() == b.size()) return NSOrderedSame;
  return a.size() < b.size() ? NSOrderedAscending : NSOrderedDescending;
}

NSComparisonResult stringCompare(id self, SEL cmd, id other) {
  return compareViews(stringView(self), requireString(self, cmd, other), false);
}

NSComparisonResult stringCaseInsensitiveCompare(id self, SEL cmd, id other) {
  return compareViews(stringView(self), requireString(self, cmd, other), true);
}

NSComparisonResult stringCompareOptions(id self, SEL cmd, id other, NSStringCompareOptions options) {
  return compareViews(stringView(self), requireString(self, cmd, other), options & NSCaseInsensitiveSearch);
}

id makeLike(std::string_view bytes) { return objc::autorelease(newString(bytes)); }

id componentsSeparatedByString(id self, SEL cmd, id separator) {
  std::string_view sep = requireString(self, cmd, separator);
  std::string_view text = stringView(self);
  std::vector<id> parts;
  if (sep.empty()) {
    parts.push_back(newString(text));
  } else {
    std::size_t start = 0;
    while (true) {
      std::size_t at = text.find(sep, start);
      if (at == std::string_view::npos) {
        parts.push_back(newString(text.substr(start)));
        break;
      }
      parts.push_back(newString(text.substr(start, at - start)));
      start = at + sep.size();
    }
  }
  return objc::autorelease(newArrayAdopting(NSArrayClass(), parts.data(), parts.size()));
}

id substringFromIndex(id self, SEL cmd, NSUInteger from) {
  NSUInteger length = stringIvars(self)->_length;
  if (from > length) raise("NSRangeException", self, cmd, "Index %lu out of bounds; string length %lu", from, length);
  ByteRange r = checkedByteRange(self, cmd, {from, length - from});
  return makeLike(stringView(self).substr(r.start, r.count));
}

id substringToIndex(id self, SEL cmd, NSUInteger to) {
  NSUInteger length = stringIvars(self)->_length;
  if (to > length) raise("NSRangeException", self, cmd, "Index %lu out of bounds; string length %lu", to, length);
  ByteRange r = checkedByteRange(self, cmd, {0, to});
  return makeLike(stringView(self).substr(r.start, r.count));
}

id substringWithRange(id self, SEL cmd, NSRange range) {
  ByteRange r = checkedByteRange(self, cmd, range);
  return makeLike(stringView(self).substr(r.start, r.count));
}

id stringByAppendingString(id self, SEL cmd, id other) {
  std::string_view tail = requireString(self, cmd, other);
  std::string text(stringView(self));
  text += tail;
  return makeLike(text);
}

id stringByReplacingOccurrences(id self, SEL cmd, id target, id replacement) {
  std::string_view what = requireString(self, cmd, target);
  std::string_view with = requireString(self, cmd, replacement);
  std::string_view text = stringView(self);
  if (what.empty()) return makeLike(text);
  std::string out;
  std::size_t start = 0;
  while (true) {
    std::size_t at = text.find(what, start);
    if (at == std::string_view::npos) break;
    out.append(text.substr(start, at - start));
    out.append(with);
    start = at + what.size();
  }
  out.append(text.substr(start));
  return makeLike(out);
}

id lowercaseString(id self, SEL) {
  std::string text(stringView(self));
  std::transform(text.begin(), text.end(), text.begin(), asciiLower);
  return makeLike(text);
}

id uppercaseString(id self, SEL) {
  std::string text(stringView(self));
  std::transform(text.begin(), text.end(), text.begin(), asciiUpper);
  return makeLike(text);
}

// Path methods, with NSString's rules: "/" separates components, trailing slashes
// are ignored (except for "/" itself).
std::string_view trimTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

id lastPathComponent(id self, SEL) {
  std::string_view path = trimTrailingSlashes(stringView(self));
  if (path == "/") return makeLike(path);
  std::size_t slash = path.rfind('/');
  return makeLike(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

id stringByDeletingLastPathComponent(id self, SEL) {
  std::string_view path = trimTrailingSlashes(stringView(self));
  std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return makeLike("");
  if (slash == 0) return makeLike("/");
  return makeLike(path.substr(0, slash));
}

id pathExtension(id self, SEL) {
  std::string_view path = trimTrailingSlashes(stringView(self));
  std::size_t slash = path.rfind('/');
  std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = last.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return makeLike("");
  return makeLike(last.substr(dot + 1));
}

id stringByDeletingPathExtension(id self, SEL) {
  std::string_view path = trimTrailingSlashes(stringView(self));
  std::size_t slash = path.rfind('/');
  std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot <= nameStart) return makeLike(path);
  return makeLike(path.substr(0, dot));
}

id stringByAppendingPathComponent(id self, SEL cmd, id component) {
  std::string_view tail = requireString(self, cmd, component);
  std::string path(trimTrailingSlashes(stringView(self)));
  while (!tail.empty() && tail.front() == '/') tail.remove_prefix(1);
  if (!path.empty() && path.back() != '/' && !tail.empty()) path += '/';
  path += tail;
  return makeLike(trimTrailingSlashes(path));
}

id stringByAppendingPathExtension(id self, SEL cmd, id extension) {
  std::string_view ext = requireString(self, cmd, extension);
  std::string path(trimTrailingSlashes(stringView(self)));
  if (path.empty() || path == "/") return nil;
  path += '.';
  path += ext;
  return makeLike(path);
}

id pathComponents(id self, SEL) {
  std::string_view path = stringView(self);
  std::vector<id> parts;
  if (path.starts_with('/')) parts.push_back(newString("/"));
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t slash = path.find('/', start);
    std::size_t end = slash == std::string_view::npos ? path.size() : slash;
    if (end > start) parts.push_back(newString(path.substr(start, end - start)));
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  if (path.size() > 1 && path.ends_with('/')) parts.push_back(newString("/"));
  return objc::autorelease(newArrayAdopting(NSArrayClass(), parts.data(), parts.size()));
}

BOOL isAbsolutePath(id self, SEL) { return stringView(self).starts_with('/') || stringView(self).starts_with('~'); }

}  // namespace

namespace detail {

void registerStringSearchMethods(Class string) {
  addMethod<&rangeOfString>(string, "rangeOfString:");
  addMethod<&rangeOfStringOptions>(string, "rangeOfString:options:");
  addMethod<&containsString>(string, "containsString:");
  addMethod<&hasPrefix>(string, "hasPrefix:");
  addMethod<&hasSuffix>(string, "hasSuffix:");
  addMethod<&stringCompare>(string, "compare:");
  addMethod<&stringCaseInsensitiveCompare>(string, "caseInsensitiveCompare:");
  addMethod<&stringCompareOptions>(string, "compare:options:");
  addMethod<&componentsSeparatedByString>(string, "componentsSeparatedByString:");
  addMethod<&substringFromIndex>(string, "substringFromIndex:");
  addMethod<&substringToIndex>(string, "substringToIndex:");
  addMethod<&substringWithRange>(string, "substringWithRange:");
  addMethod<&stringByAppendingString>(string, "stringByAppendingString:");
  addMethod<&stringByReplacingOccurrences>(string, "stringByReplacingOccurrencesOfString:withString:");
  addMethod<&lowercaseString>(string, "lowercaseString");
  addMethod<&uppercaseString>(string, "uppercaseString");
  addMethod<&lastPathComponent>(string, "lastPathComponent");
  addMethod<&stringByDeletingLastPathComponent>(string, "stringByDeletingLastPathComponent");
  addMethod<&pathExtension>(string, "pathExtension");
  addMethod<&stringByDeletingPathExtension>(string, "stringByDeletingPathExtension");
  addMethod<&stringByAppendingPathComponent>(string, "stringByAppendingPathComponent:");
  addMethod<&stringByAppendingPathExtension>(string, "stringByAppendingPathExtension:");
  addMethod<&pathComponents>(string, "pathComponents");
  addMethod<&isAbsolutePath>(string, "isAbsolutePath");
}

}  // namespace detail
}  // namespace ns
