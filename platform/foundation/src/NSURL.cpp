// NSURL.  The URL keeps its string; the parts are found by parsing it when asked.
#include <foundation/DeviceRoot.h>
#include <foundation/NSURL.h>

#include "Fatal.h"
#include "Methods.h"
#include "StringStorage.h"

#include <foundation/NSNumber.h>

#include <cstring>
#include <filesystem>

struct NSURLIvars : NSObjectIvars {
  id _string;
};

namespace ns {
namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Characters that may stand in a URL as they are (RFC 3986 unreserved and reserved).
bool isUrlChar(char c) {
  return isAlpha(c) || isDigit(c) || (c != 0 && std::strchr("-._~:/?#[]@!$&'()*+,;=", c) != nullptr);
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}

// Percent-decoded text; nothing when the bytes are not UTF-8.
std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  if (!unicode::inspectUtf8(out).valid) return std::nullopt;
  return out;
}

std::string escapePath(std::string_view path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c < 0x80 && (isAlpha(static_cast<char>(c)) || isDigit(static_cast<char>(c)) ||
                     std::strchr("-._~/!$&'()*+,;=:@", c) != nullptr) && c != 0) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

std::optional<UrlParts> parseUrl(std::string_view text) {
  if (text.empty()) return std::nullopt;
  bool seenHash = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2])) return std::nullopt;
      continue;
    }
    if (!isUrlChar(c)) return std::nullopt;
    if (c == '#') {
      if (seenHash) return std::nullopt;
      seenHash = true;
    }
  }
  UrlParts parts;
  std::string_view rest = text;
  std::size_t colon = text.find(':');
  if (colon != std::string_view::npos && colon > 0 && isAlpha(text[0])) {
    std::string_view scheme = text.substr(0, colon);
    bool valid = true;
    for (char c : scheme)
      if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') valid = false;
    if (valid) {
      parts.scheme = std::string(scheme);
      rest = text.substr(colon + 1);
      parts.resourceSpecifier = std::string(rest);
    }
  }
  if (std::size_t hash = rest.find('#'); hash != std::string_view::npos) {
    parts.fragment = std::string(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (std::size_t question = rest.find('?'); question != std::string_view::npos) {
    parts.query = std::string(rest.substr(question + 1));
    rest = rest.substr(0, question);
  }
  if (rest.starts_with("//")) {
    parts.hasAuthority = true;
    rest.remove_prefix(2);
    std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    if (std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
      std::string_view userInfo = authority.substr(0, at);
      authority = authority.substr(at + 1);
      std::size_t c = userInfo.find(':');
      parts.user = std::string(userInfo.substr(0, c));
      if (c != std::string_view::npos) parts.password = std::string(userInfo.substr(c + 1));
    }
    std::size_t portColon = authority.rfind(':');
    if (portColon != std::string_view::npos && authority.find(']', portColon) == std::string_view::npos) {
      std::string_view port = authority.substr(portColon + 1);
      authority = authority.substr(0, portColon);
      if (!port.empty()) {
        long value = 0;
        for (char c : port) {
          if (!isDigit(c) || value > 999999) return std::nullopt;
          value = value * 10 + (c - '0');
        }
        parts.port = value;
      }
    }
    parts.host = std::string(authority);
  }
  parts.path = std::string(rest);
  return parts;
}

namespace {

using detail::asClass;
using detail::newString;

id& stringOf(id u) { return reinterpret_cast<NSURLIvars*>(u)->_string; }

UrlParts partsOf(id self) { return parseUrl(detail::stringView(stringOf(self))).value_or(UrlParts{}); }

id text(std::string_view s) { return objc::autorelease(newString(s)); }
id optionalText(const std::optional<std::string>& s) { return s ? text(*s) : nil; }

id newURL(Class cls, std::string_view string) {
  if (!parseUrl(string)) return nil;
  id u = class_createInstance(cls, 0);
  stringOf(u) = newString(string);
  return u;
}

std::string fileUrlString(std::string_view path, bool directory) {
  std::string absolute;
  if (!path.starts_with('/')) absolute += '/';
  absolute += path;
  if (directory && !absolute.ends_with('/')) absolute += '/';
  return "file://" + escapePath(absolute);
}

bool isDirectoryOnDevice(std::string_view path) {
  auto host = hostPath(path);
  std::error_code ec;
  return host.ok() && std::filesystem::is_directory(*host, ec);
}

id classURLWithString(id self, SEL, id string) {
  if (!detail::isStringObject(string)) return nil;
  return objc::autorelease(newURL(asClass(self), detail::stringView(string)));
}

id urlInitWithString(id self, SEL cmd, id string) {
  if (string == nil) detail::raise("NSInvalidArgumentException", self, cmd, "nil string parameter");
  if (!detail::isStringObject(string) || !parseUrl(detail::stringView(string))) {
    objc::release(self);
    return nil;
  }
  stringOf(self) = newString(detail::stringView(string));
  return self;
}

id classFileURLWithPathIsDirectory(id self, SEL cmd, id path, BOOL directory) {
  if (!detail::isStringObject(path) || detail::stringView(path).empty())
    detail::raise("NSInvalidArgumentException", self, cmd, "nil or empty string parameter");
  return objc::autorelease(newURL(asClass(self), fileUrlString(detail::stringView(path), directory != NO)));
}

id classFileURLWithPath(id self, SEL cmd, id path) {
  if (!detail::isStringObject(path) || detail::stringView(path).empty())
    detail::raise("NSInvalidArgumentException", self, cmd, "nil or empty string parameter");
  std::string_view p = detail::stringView(path);
  return objc::autorelease(newURL(asClass(self), fileUrlString(p, isDirectoryOnDevice(p))));
}

void urlDealloc(id self, SEL cmd) {
  objc::release(stringOf(self));
  objc::sendSuper<void>(self, NSURLClass(), cmd);
}

id absoluteString(id self, SEL) { return stringOf(self); }

id scheme(id self, SEL) {
  UrlParts p = partsOf(self);
  return p.scheme.empty() ? nil : text(p.scheme);
}

id host(id self, SEL) {
  UrlParts p = partsOf(self);
  if (!p.hasAuthority) return nil;
  std::string h = p.host;
  if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
  auto decoded = unescape(h);
  return decoded ? text(*decoded) : nil;
}

id port(id self, SEL) {
  UrlParts p = partsOf(self);
  return p.port ? numberWithInteger(*p.port) : nil;
}

// The decoded path with a trailing slash removed; nil for an opaque URL such as
// "sms:12345".
std::optional<std::string> decodedPath(const UrlParts& p) {
  if (!p.scheme.empty() && !p.hasAuthority && !p.path.starts_with('/')) return std::nullopt;
  auto decoded = unescape(p.path);
  if (!decoded) return std::nullopt;
  std::string path = *decoded;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

id path(id self, SEL) { return optionalText(decodedPath(partsOf(self))); }
id query(id self, SEL) { return optionalText(partsOf(self).query); }
id fragment(id self, SEL) { return optionalText(partsOf(self).fragment); }
id user(id self, SEL) {
  UrlParts p = partsOf(self);
  return p.user.empty() ? nil : text(p.user);
}
id password(id self, SEL) {
  UrlParts p = partsOf(self);
  return p.password.empty() ? nil : text(p.password);
}
id resourceSpecifier(id self, SEL) {
  UrlParts p = partsOf(self);
  return p.scheme.empty() ? stringOf(self) : text(p.resourceSpecifier);
}

id lastPathComponent(id self, SEL) {
  auto p = decodedPath(partsOf(self));
  if (!p) return nil;
  return objc::send<id>(text(*p), objc::sel<"lastPathComponent">());
}

id pathExtension(id self, SEL) {
  auto p = decodedPath(partsOf(self));
  if (!p) return nil;
  return objc::send<id>(text(*p), objc::sel<"pathExtension">());
}

BOOL isFileURL(id self, SEL) {
  UrlParts p = partsOf(self);
  return p.scheme.size() == 4 && (p.scheme[0] | 0x20) == 'f' && (p.scheme[1] | 0x20) == 'i' &&
                 (p.scheme[2] | 0x20) == 'l' && (p.scheme[3] | 0x20) == 'e'
             ? YES
             : NO;
}

id byAppendingPathComponent(id self, SEL cmd, id component) {
  if (!detail::isStringObject(component)) detail::raiseNilArgument(self, cmd);
  UrlParts p = partsOf(self);
  std::string base = p.scheme.empty() ? "" : p.scheme + ":";
  if (p.hasAuthority) {
    base += "//";
    if (!p.user.empty()) base += p.user + (p.password.empty() ? "" : ":" + p.password) + "@";
    base += p.host;
    if (p.port) {
      base += ':';
      base += std::to_string(*p.port);
    }
  }
  std::string path = p.path;
  if (!path.ends_with('/')) path += '/';
  path += escapePath(detail::stringView(component));
  std::string result = base + path;
  if (p.query) result += "?" + *p.query;
  if (p.fragment) result += "#" + *p.fragment;
  return objc::autorelease(newURL(NSURLClass(), result));
}

BOOL urlIsEqual(id self, SEL, id other) {
  return other == self || (isURL(other) && detail::stringView(stringOf(other)) == detail::stringView(stringOf(self)))
             ? YES
             : NO;
}

NSUInteger urlHash(id self, SEL) {
  std::string_view s = detail::stringView(stringOf(self));
  return detail::hashBytes(s.data(), s.size());
}

id urlCopy(id self, SEL, void*) { return objc::retain(self); }

Class registerNSURL() {
  return objc::ClassBuilder<NSURLIvars>("NSURL", objc::NSObjectClass())
      .ivar<&NSURLIvars::_string>("_string")
      .classMethod<&classURLWithString>("URLWithString:")
      .classMethod<&classFileURLWithPath>("fileURLWithPath:")
      .classMethod<&classFileURLWithPathIsDirectory>("fileURLWithPath:isDirectory:")
      .method<&urlInitWithString>("initWithString:")
      .method<&urlDealloc>("dealloc")
      .method<&absoluteString>("absoluteString")
      .method<&absoluteString>("relativeString")
      .method<&absoluteString>("description")
      .method<&scheme>("scheme")
      .method<&host>("host")
      .method<&port>("port")
      .method<&path>("path")
      .method<&query>("query")
      .method<&fragment>("fragment")
      .method<&user>("user")
      .method<&password>("password")
      .method<&resourceSpecifier>("resourceSpecifier")
      .method<&lastPathComponent>("lastPathComponent")
      .method<&pathExtension>("pathExtension")
      .method<&isFileURL>("isFileURL")
      .method<&byAppendingPathComponent>("URLByAppendingPathComponent:")
      .method<&urlIsEqual>("isEqual:")
      .method<&urlHash>("hash")
      .method<&urlCopy>("copyWithZone:")
      .registerClass();
}

}  // namespace

Class NSURLClass() {
  static const Class cls = registerNSURL();
  return cls;
}

[[maybe_unused]] static const Class kNSURLAtLoad = NSURLClass();

id url(std::string_view text) { return objc::autorelease(newURL(NSURLClass(), text)); }

bool isURL(id object) { return object != nil && detail::inheritsFrom(object_getClass(object), NSURLClass()); }

}  // namespace ns
