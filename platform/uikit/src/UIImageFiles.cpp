// Where pictures come from: device paths with scale variants, the imageNamed:
// cache, and the Foundation objects (strings, data) that carry names and bytes.
#include "UIImageInternal.h"

#include <foundation/DeviceRoot.h>
#include <foundation/FileIO.h>
#include <foundation/NSData.h>
#include <foundation/NSString.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>

namespace uikit::detail {

namespace {

// Picture files larger than this are refused rather than read whole.
constexpr std::uintmax_t kMaxPictureFileBytes = 256ULL * 1024 * 1024;

struct Candidate {
  std::string devicePath;
  CGFloat scale;
};

// The stem's "@2x" / "@3x" suffix as a scale, or 0 without one.
CGFloat suffixScale(const std::string& stem) {
  if (stem.size() >= 3 && stem[stem.size() - 3] == '@' && stem.back() == 'x') {
    char digit = stem[stem.size() - 2];
    if (digit >= '1' && digit <= '3') return digit - '0';
  }
  return 0;
}

std::vector<Candidate> candidates(const std::string& devicePath, CGFloat screenScale) {
  const std::size_t slash = devicePath.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = devicePath.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) dot = devicePath.size();
  const std::string stem = devicePath.substr(0, dot);
  const std::string extension = devicePath.substr(dot);
  if (CGFloat named = suffixScale(stem.substr(nameStart)); named > 0) return {{devicePath, named}};
  std::vector<Candidate> out;
  if (screenScale >= 3.0) out.push_back({stem + "@3x" + extension, 3.0});
  if (screenScale >= 2.0) out.push_back({stem + "@2x" + extension, 2.0});
  out.push_back({devicePath, 1.0});
  return out;
}

std::mutex& cacheMutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, objc::Ref>& cache() {
  static auto* named = new std::map<std::string, objc::Ref>;  // lives as long as the process
  return *named;
}

}  // namespace

objc::Result<PictureFile> readPictureFile(const std::string& devicePath, CGFloat screenScale) {
  for (const Candidate& candidate : candidates(devicePath, screenScale)) {
    auto host = ns::hostPath(candidate.devicePath);
    if (!host) return host.error();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*host, ec)) continue;
    // The first file that exists is the picture, even when it turns out damaged:
    // a broken "@2x" does not fall back to another resolution.
    const std::uintmax_t size = std::filesystem::file_size(*host, ec);
    if (ec || size > kMaxPictureFileBytes) return objc::makeError("picture file unreadable or too large: " + devicePath);
    auto bytes = ns::readFile(candidate.devicePath);
    if (!bytes) return bytes.error();
    return PictureFile{std::move(*bytes), candidate.scale};
  }
  return objc::makeError("no picture file at " + devicePath);
}

std::string namedImagePath(const std::string& bundlePath, const std::string& name) {
  std::string path = name.front() == '/' ? name : bundlePath + (bundlePath.ends_with('/') ? "" : "/") + name;
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) path += ".png";
  return path;
}

std::optional<std::string> stringValue(id string) {
  if (!ns::isString(string)) return std::nullopt;
  return std::string(ns::utf8View(string));
}

std::optional<std::span<const std::uint8_t>> dataBytes(id data) {
  if (!ns::isData(data)) return std::nullopt;
  return ns::bytesOf(data);
}

id cachedNamedImage(const std::string& key) {
  std::lock_guard lock(cacheMutex());
  auto it = cache().find(key);
  // Retained and autoreleased under the lock, so a purge on another thread cannot
  // free it under the caller.
  return it == cache().end() ? nil : objc::autorelease(objc::retain(it->second.get()));
}

void storeNamedImage(const std::string& key, id image) {
  std::lock_guard lock(cacheMutex());
  cache()[key] = objc::Ref::retain(image);
}

}  // namespace uikit::detail

namespace uikit {

void purgeNamedImageCache() {
  std::map<std::string, objc::Ref> dropped;
  {
    std::lock_guard lock(detail::cacheMutex());
    dropped.swap(detail::cache());
  }
  // The pictures are released here, outside the lock.
}

}  // namespace uikit
