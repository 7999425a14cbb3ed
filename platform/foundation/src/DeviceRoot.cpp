#include <foundation/DeviceRoot.h>

#include <mutex>
#include <string>

namespace ns {
namespace {

std::mutex& rootMutex() {
  static std::mutex m;
  return m;
}

// The root as a path and as text: paths are made from the text, since copying a
// std::filesystem::path copies each of its components.
struct Root {
  std::filesystem::path path;
  std::string text;
};

Root& rootStorage() {
  static Root root = [] {
    std::filesystem::path path = std::filesystem::current_path() / "device";
    return Root{path, path.native()};
  }();
  return root;
}

}  // namespace

std::filesystem::path deviceRoot() {
  std::lock_guard lock(rootMutex());
  return rootStorage().path;
}

void setDeviceRoot(const std::filesystem::path& root) {
  std::lock_guard lock(rootMutex());
  std::filesystem::path normal = std::filesystem::absolute(root).lexically_normal();
  std::string text = normal.native();
  rootStorage() = Root{std::move(normal), std::move(text)};
}

objc::Result<std::filesystem::path> hostPath(std::string_view devicePath) {
  auto text = hostPathText(devicePath);
  if (!text.ok()) return text.error();
  return std::filesystem::path(std::move(text.value()));
}

objc::Result<std::string> hostPathText(std::string_view devicePath) {
  if (devicePath.empty()) return objc::makeError("empty path");
  if (devicePath.find('\0') != std::string_view::npos) return objc::makeError("path contains a NUL byte");
  // Components are walked as written: normalising first would quietly turn "/.." into
  // "/".  Empty components and "." add nothing; ".." takes the last one away.
  std::string relative;
  relative.reserve(devicePath.size());
  for (std::size_t at = 0; at <= devicePath.size();) {
    std::size_t end = devicePath.find('/', at);
    if (end == std::string_view::npos) end = devicePath.size();
    const std::string_view part = devicePath.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (relative.empty()) return objc::makeError("path climbs above the device root: " + std::string(devicePath));
      const std::size_t slash = relative.rfind('/');
      relative.resize(slash == std::string::npos ? 0 : slash);
      continue;
    }
    if (!relative.empty()) relative += '/';
    relative += part;
  }
  std::string host;
  {
    std::lock_guard lock(rootMutex());
    const std::string& root = rootStorage().text;
    host.reserve(root.size() + 1 + relative.size());
    host = root;
  }
  if (relative.empty()) return host;
  if (host.empty() || host.back() != '/') host += '/';
  host += relative;
  return host;
}

}  // namespace ns
