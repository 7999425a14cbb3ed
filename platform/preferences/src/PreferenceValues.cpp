#include <preferences/PreferenceValues.h>
#include <preferences/PSSpecifier.h>

#include "ListControllerParts.h"

#include <corefoundation/Notify.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>
#include <foundation/Plist.h>
#include <objcface/Send.h>

#include <filesystem>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

constexpr std::string_view kPreferencesFolder = "/var/mobile/Library/Preferences/";

id property(id specifier, const char* key) {
  return send<id>(specifier, sel<"propertyForKey:">(), ns::str(key));
}

}  // namespace

objc::Result<std::string> domainFilePath(std::string_view domain) {
  if (domain.empty() || domain.front() == '.' || domain.find('/') != std::string_view::npos ||
      domain.find('\0') != std::string_view::npos) {
    return objc::makeError("bad preferences domain \"" + std::string(domain) + "\"");
  }
  return std::string(kPreferencesFolder) + std::string(domain) + ".plist";
}

objc::Result<objc::Ref> readDomain(std::string_view domain) {
  auto path = domainFilePath(domain);
  if (!path) return path.error();
  auto host = ns::hostPath(*path);
  if (!host) return host.error();
  std::error_code ec;
  if (!std::filesystem::exists(*host, ec)) return objc::Ref();
  auto plist = ns::readPropertyListFile(*path);
  if (!plist) return objc::makeError(*path + ": " + plist.error().message);
  if (!ns::isDictionary(plist->get())) return objc::makeError(*path + " does not hold a dictionary");
  return std::move(*plist);
}

objc::Status writeDomainValue(std::string_view domain, id key, id value) {
  if (!ns::isString(key)) return objc::makeError("a preference key must be a string");
  auto existing = readDomain(domain);
  if (!existing) return existing.error();
  id dictionary = existing->get() ? send<id>(existing->get(), sel<"mutableCopy">()) : objc::retain(ns::mutableDictionary());
  objc::Ref owned = objc::Ref::adopt(dictionary);
  if (value) {
    send<void>(dictionary, sel<"setObject:forKey:">(), value, key);
  } else {
    send<void>(dictionary, sel<"removeObjectForKey:">(), key);
  }
  auto path = domainFilePath(domain);
  auto host = ns::hostPath(*path);
  if (!host) return host.error();
  std::error_code ec;
  std::filesystem::create_directories(host->parent_path(), ec);
  return ns::writePropertyListFile(dictionary, *path, NSPropertyListXMLFormat_v1_0);
}

namespace detail {

// The stored value of the row's key, else the row's default.
id readPreferenceValue(id, SEL, id specifier) {
  id fallback = property(specifier, PSDefaultValueKey);
  id key = property(specifier, PSKeyNameKey);
  id domain = property(specifier, PSDefaultsKey);
  if (!ns::isString(key) || !ns::isString(domain)) return fallback;
  auto stored = readDomain(ns::utf8View(domain));
  if (!stored || !stored->get()) return fallback;
  id value = send<id>(stored->get(), sel<"objectForKey:">(), key);
  // The dictionary goes away with `stored`; the value outlives it for the caller.
  return value ? objc::autorelease(objc::retain(value)) : fallback;
}

// Writes the row's key and, once written, posts the row's notification.
void setPreferenceValue(id, SEL, id value, id specifier) {
  id key = property(specifier, PSKeyNameKey);
  id domain = property(specifier, PSDefaultsKey);
  if (!ns::isString(key) || !ns::isString(domain)) return;
  if (!writeDomainValue(ns::utf8View(domain), key, value).ok()) return;
  id notification = property(specifier, PSValueChangedNotificationKey);
  if (ns::isString(notification) && send<NSUInteger>(notification, sel<"length">()) > 0) {
    notify_post(ns::utf8(notification).c_str());
  }
}

}  // namespace detail

}  // namespace preferences
