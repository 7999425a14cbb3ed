// NSURL: a URL string checked and split into its parts (scheme, host, port, path,
// query, fragment) as NSURL answers them.  A string that is not a URL (spaces,
// characters outside URLs, broken percent escapes) gives nil, as URLWithString:
// does.  File URLs carry device paths.
#pragma once

#include <objcface/NSObject.h>

#include <optional>
#include <string>
#include <string_view>

namespace ns {

Class NSURLClass();

// The parts of a URL string; nothing when the string is not a URL.
struct UrlParts {
  std::string scheme;          // "" when there is none
  bool hasAuthority = false;   // "//" followed
  std::string user;
  std::string password;
  std::string host;
  std::optional<long> port;
  std::string path;            // as written (still percent-escaped)
  std::optional<std::string> query;
  std::optional<std::string> fragment;
  std::string resourceSpecifier;  // everything after "scheme:"
};
std::optional<UrlParts> parseUrl(std::string_view text);

// An autoreleased NSURL, or nil when text is not a URL.
id url(std::string_view text);
bool isURL(id object);

}  // namespace ns
