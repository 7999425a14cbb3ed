// NSBundle.  Bundles are kept for the life of the process, one per folder (by its
// Linux path, so a new device root gives new bundles); each keeps its Info.plist and
// the string tables it has read.
#include "StringsTable.h"

#include <foundation/Bundle.h>
#include <foundation/DeviceRoot.h>
#include <foundation/Foundation.h>
#include <foundation/Plist.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace ns {
namespace {

using objc::Ref;
namespace fs = std::filesystem;

constexpr const char* kDefaultTable = "Localizable";
constexpr const char* kLocalizationFolders[] = {"en.lproj", "Base.lproj", ""};

struct BundleState {
  bool isMain = false;
  std::string path;  // device path, no trailing slash (unused by the main bundle)
  std::optional<Ref> info;  // Info.plist once read (a nil Ref when there is none)
  std::string infoHostPath;  // where it was read from
  std::map<std::string, std::shared_ptr<const strings::Table>> tables;  // by Linux path of the table
};

struct BundleIvars : NSObjectIvars {
  std::unique_ptr<BundleState> _state;
};

struct Registry {
  std::recursive_mutex mutex;
  std::string mainIdentifier;
  std::string mainPath = "/";
  std::map<fs::path, Ref> bundles;  // by Linux path of the folder
  Ref main;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: bundles live as long as the process
  return *r;
}

BundleState& state(id self) { return *objc::ivars<BundleIvars>(self)->_state; }

std::string normalized(std::string_view devicePath) {
  std::string p(devicePath);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string pathOf(id self) {
  BundleState& s = state(self);
  return s.isMain ? registry().mainPath : s.path;
}

std::string joined(std::string_view base, std::string_view part) {
  if (part.empty()) return std::string(base);
  std::string out(base);
  if (out.empty() || out.back() != '/') out.push_back('/');
  out += part;
  return out;
}

bool isFile(const std::string& devicePath) {
  auto host = ns::hostPath(devicePath);
  std::error_code ec;
  return host.ok() && fs::is_regular_file(host.value(), ec);
}

id newBundle(std::string devicePath, bool isMain) {
  id bundle = objc::allocInit(NSBundleClass());
  auto s = std::make_unique<BundleState>();
  s->isMain = isMain;
  s->path = std::move(devicePath);
  objc::ivars<BundleIvars>(bundle)->_state = std::move(s);
  return bundle;
}

id infoDictionary(id self, SEL) {
  std::lock_guard lock(registry().mutex);
  BundleState& s = state(self);
  std::string devicePath = joined(pathOf(self), "Info.plist");
  auto host = ns::hostPath(devicePath);
  std::string hostText = host.ok() ? host.value().string() : std::string();
  if (!s.info || s.infoHostPath != hostText) {
    s.infoHostPath = hostText;
    auto info = readPropertyListFile(devicePath);
    s.info = info.ok() && ns::isDictionary(info.value()) ? info.value() : Ref();
  }
  return s.info->get();
}

id objectForInfoDictionaryKey(id self, SEL, id key) {
  return objc::send<id>(objc::send<id>(self, objc::sel<"infoDictionary">()), objc::sel<"objectForKey:">(), key);
}

id bundleIdentifier(id self, SEL) {
  {
    std::lock_guard lock(registry().mutex);
    if (state(self).isMain && !registry().mainIdentifier.empty()) return ns::str(registry().mainIdentifier);
  }
  id value = objc::send<id>(self, objc::sel<"objectForInfoDictionaryKey:">(), ns::str("CFBundleIdentifier"));
  return ns::isString(value) ? value : nil;
}

id bundlePath(id self, SEL) {
  std::lock_guard lock(registry().mutex);
  return ns::str(pathOf(self));
}

// Resources are looked up in the bundle's folder, then its localization folders.
id pathForResourceInDirectory(id self, SEL, id name, id type, id directory) {
  if (!ns::isString(name)) return nil;
  std::string file(ns::utf8View(name));
  if (ns::isString(type) && !ns::utf8View(type).empty()) {
    std::string_view ext = ns::utf8View(type);
    if (ext.front() != '.') file += '.';
    file += ext;
  }
  std::string base;
  {
    std::lock_guard lock(registry().mutex);
    base = pathOf(self);
  }
  if (ns::isString(directory)) base = joined(base, ns::utf8View(directory));
  for (const char* folder : {"", "en.lproj", "Base.lproj"}) {
    std::string candidate = joined(joined(base, folder), file);
    if (isFile(candidate)) return ns::str(candidate);
  }
  return nil;
}

id pathForResource(id self, SEL, id name, id type) {
  return pathForResourceInDirectory(self, nullptr, name, type, nil);
}

// The table named `table`, read on first use from the first localization folder that
// has it; an unreadable table counts as empty.
std::shared_ptr<const strings::Table> tableOf(id self, const std::string& table) {
  std::lock_guard lock(registry().mutex);
  std::string base = pathOf(self);
  for (const char* folder : kLocalizationFolders) {
    std::string devicePath = joined(joined(base, folder), table + ".strings");
    auto host = ns::hostPath(devicePath);
    std::error_code ec;
    if (!host.ok() || !fs::is_regular_file(host.value(), ec)) continue;
    auto& cache = state(self).tables;
    if (auto known = cache.find(host.value().string()); known != cache.end()) return known->second;
    auto bytes = ns::readFile(devicePath);
    auto parsed = bytes.ok() ? strings::parseTable(std::string_view(reinterpret_cast<const char*>(bytes.value().data()),
                                                                     bytes.value().size()))
                             : objc::Result<strings::Table>(objc::makeError("unreadable"));
    auto shared = std::make_shared<const strings::Table>(parsed.ok() ? std::move(parsed.value()) : strings::Table{});
    cache.emplace(host.value().string(), shared);
    return shared;
  }
  return nullptr;
}

id localizedStringForKey(id self, SEL, id key, id value, id table) {
  const bool hasValue = ns::isString(value) && !ns::utf8View(value).empty();
  if (!ns::isString(key)) return hasValue ? value : ns::str("");
  std::string tableName = ns::isString(table) && !ns::utf8View(table).empty() ? std::string(ns::utf8View(table))
                                                                              : std::string(kDefaultTable);
  if (auto entries = tableOf(self, tableName)) {
    if (auto hit = entries->find(std::string(ns::utf8View(key))); hit != entries->end()) return ns::str(hit->second);
  }
  return hasValue ? value : key;
}

BOOL bundleLoad(id, SEL) { return YES; }

id bundleDescription(id self, SEL) {
  std::string path;
  {
    std::lock_guard lock(registry().mutex);
    path = pathOf(self);
  }
  return ns::str("NSBundle <" + path + "> (loaded)");
}

void bundleDealloc(id self, SEL cmd) {
  objc::ivars<BundleIvars>(self)->_state.~unique_ptr();
  objc::sendSuper<void>(self, NSBundleClass(), cmd);
}

id clsMainBundle(id, SEL) { return mainBundle(); }

id clsBundleWithPath(id, SEL, id path) {
  if (!ns::isString(path)) return nil;
  return bundleWithPath(ns::utf8View(path));
}

// Answers the bundle already open for that folder, as Foundation does.
id bundleInitWithPath(id self, SEL, id path) {
  id bundle = ns::isString(path) ? bundleWithPath(ns::utf8View(path)) : nil;
  objc::release(self);
  return objc::retain(bundle);
}

id clsBundleWithIdentifier(id, SEL, id identifier) {
  if (!ns::isString(identifier)) return nil;
  std::vector<Ref> candidates{Ref::retain(mainBundle())};
  {
    std::lock_guard lock(registry().mutex);
    for (auto& [path, bundle] : registry().bundles) candidates.push_back(bundle);
  }
  for (const Ref& bundle : candidates) {
    id own = objc::send<id>(bundle.get(), objc::sel<"bundleIdentifier">());
    if (own && objc::send<BOOL>(own, objc::sel<"isEqualToString:">(), identifier)) return bundle.get();
  }
  return nil;
}

Class registerBundle() {
  return objc::ClassBuilder<BundleIvars>("NSBundle", objc::NSObjectClass())
      .ivar<&BundleIvars::_state>("_state")
      .method<&bundleDealloc>("dealloc")
      .method<&bundleInitWithPath>("initWithPath:")
      .method<&bundlePath>("bundlePath")
      .method<&bundlePath>("resourcePath")
      .method<&bundleIdentifier>("bundleIdentifier")
      .method<&infoDictionary>("infoDictionary")
      .method<&objectForInfoDictionaryKey>("objectForInfoDictionaryKey:")
      .method<&pathForResource>("pathForResource:ofType:")
      .method<&pathForResourceInDirectory>("pathForResource:ofType:inDirectory:")
      .method<&localizedStringForKey>("localizedStringForKey:value:table:")
      .method<&bundleLoad>("load")
      .method<&bundleLoad>("isLoaded")
      .method<&bundleDescription>("description")
      .classMethod<&clsMainBundle>("mainBundle")
      .classMethod<&clsBundleWithPath>("bundleWithPath:")
      .classMethod<&clsBundleWithIdentifier>("bundleWithIdentifier:")
      .registerClass();
}

[[maybe_unused]] const Class kRegisteredAtLoad = NSBundleClass();

}  // namespace

Class NSBundleClass() {
  static const Class cls = registerBundle();
  return cls;
}

id mainBundle() {
  std::lock_guard lock(registry().mutex);
  if (!registry().main) registry().main = Ref::adopt(newBundle("", true));
  return registry().main.get();
}

void setMainBundleIdentifier(std::string_view identifier) {
  std::lock_guard lock(registry().mutex);
  registry().mainIdentifier = std::string(identifier);
}

void setMainBundlePath(std::string_view devicePath) {
  std::lock_guard lock(registry().mutex);
  registry().mainPath = normalized(devicePath);
  if (registry().main) {
    // A new folder has its own Info.plist and tables.
    BundleState& s = state(registry().main.get());
    s.info.reset();
    s.tables.clear();
  }
}

id bundleWithPath(std::string_view devicePath) {
  std::string path = normalized(devicePath);
  auto host = ns::hostPath(path);
  std::error_code ec;
  if (!host.ok() || !fs::is_directory(host.value(), ec)) return nil;
  std::lock_guard lock(registry().mutex);
  auto& known = registry().bundles[host.value()];
  if (!known) known = Ref::adopt(newBundle(path, false));
  return known.get();
}

std::string localizedString(id bundle, std::string_view key, std::string_view value, std::string_view table) {
  id text = objc::send<id>(bundle, objc::sel<"localizedStringForKey:value:table:">(), ns::str(key), ns::str(value),
                           table.empty() ? nil : ns::str(table));
  return ns::utf8(text);
}

}  // namespace ns
