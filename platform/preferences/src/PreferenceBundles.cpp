#include <preferences/PreferenceBundles.h>

#include "ListControllerParts.h"

#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>
#include <foundation/Plist.h>
#include <objcface/Send.h>

#include <objc/runtime.h>

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

struct Registry {
  std::mutex mutex;
  std::map<void*, objc::Ref> bundlesByHandle;  // dlopen handle → its bundle
  std::map<Class, objc::Ref> bundlesByClass;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives as long as the loaded code does
  return *r;
}

std::set<Class> registeredClasses() {
  int count = objc_getClassList(nullptr, 0);
  std::vector<Class> list(static_cast<std::size_t>(std::max(count, 0)) + 16);
  count = objc_getClassList(list.data(), static_cast<int>(list.size()));
  list.resize(static_cast<std::size_t>(std::max(count, 0)));
  return {list.begin(), list.end()};
}

std::string stringValue(id dictionary, const char* key) {
  id value = send<id>(dictionary, sel<"objectForKey:">(), ns::str(key));
  return ns::isString(value) ? std::string(ns::utf8View(value)) : std::string();
}

}  // namespace

objc::Result<std::vector<LoaderEntry>> preferenceLoaderEntries() {
  std::vector<LoaderEntry> entries;
  auto folder = ns::hostPath(kPreferenceLoaderFolder);
  if (!folder) return folder.error();
  std::error_code ec;
  if (!std::filesystem::is_directory(*folder, ec)) return entries;
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(*folder, ec)) {
    if (item.path().extension() == ".plist") names.push_back(item.path().filename().string());
  }
  if (ec) return objc::makeError("cannot list " + std::string(kPreferenceLoaderFolder) + ": " + ec.message());
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    std::string file = std::string(kPreferenceLoaderFolder) + "/" + name;
    auto plist = ns::readPropertyListFile(file);
    if (!plist || !ns::isDictionary(plist->get())) continue;
    id entry = send<id>(plist->get(), sel<"objectForKey:">(), ns::str("entry"));
    if (!ns::isDictionary(entry)) continue;
    LoaderEntry item{file, stringValue(entry, "bundle"), stringValue(entry, "label"), stringValue(entry, "detail"),
                     objc::Ref::retain(entry)};
    if (item.bundle.empty()) continue;
    entries.push_back(std::move(item));
  }
  return entries;
}

objc::Result<id> loadPreferenceBundle(std::string_view devicePath) {
  id bundle = ns::bundleWithPath(devicePath);
  if (!bundle) return objc::makeError("no bundle at " + std::string(devicePath));
  id executable = send<id>(bundle, sel<"objectForInfoDictionaryKey:">(), ns::str("CFBundleExecutable"));
  std::string name = ns::isString(executable) ? std::string(ns::utf8View(executable))
                                               : std::filesystem::path(std::string(devicePath)).stem().string();
  if (name.empty() || name.find('/') != std::string::npos) {
    return objc::makeError("bad executable name in " + std::string(devicePath));
  }
  std::string executablePath = std::string(devicePath) + "/" + name;
  auto host = ns::hostPath(executablePath);
  if (!host) return host.error();

  auto& r = registry();
  std::lock_guard lock(r.mutex);
  std::set<Class> before = registeredClasses();
  void* handle = dlopen(host->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    return objc::makeError("cannot load " + executablePath + ": " + (why ? why : "unknown error"));
  }
  if (auto known = r.bundlesByHandle.find(handle); known != r.bundlesByHandle.end()) {
    dlclose(handle);  // the first load keeps it mapped
    return known->second.get();
  }
  objc::Ref owned = objc::Ref::retain(bundle);
  r.bundlesByHandle.emplace(handle, owned);
  for (Class cls : registeredClasses()) {
    if (!before.count(cls)) r.bundlesByClass.emplace(cls, owned);
  }
  return bundle;
}

id bundleForClass(Class cls) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  for (Class c = cls; c != Nil; c = class_getSuperclass(c)) {
    if (auto found = r.bundlesByClass.find(c); found != r.bundlesByClass.end()) return found->second.get();
  }
  return nil;
}

namespace detail {
id registeredBundleForClass(Class cls) { return bundleForClass(cls); }
}  // namespace detail

}  // namespace preferences
