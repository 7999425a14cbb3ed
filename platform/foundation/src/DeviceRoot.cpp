#include <foundation/DeviceRoot.h>

#include <mutex>
#include <string>

namespace ns {
namespace {

std::mutex& rootMutex() {
  static std::mutex m;
  return m;
}

std::filesystem::path& rootStorage() {
  static std::filesystem::path root = std::filesystem::current_path() / "device";
  return root;
}

}  // namespace

std::filesystem::path deviceRoot() {
  std::lock_guard lock(rootMutex());
  return rootStorage();
}

void setDeviceRoot(const std::filesystem::path& root) {
  std::lock_guard lock(rootMutex());
  rootStorage() = std::filesystem::absolute(root).lexically_normal();
}

objc::Result<std::filesystem::path> hostPath(std::string_view devicePath) {
  if (devicePath.empty()) return objc::makeError("empty path");
  if (devicePath.find('\0') != std::string_view::npos) return objc::makeError("path contains a NUL byte");
  std::filesystem::path relative;
  // Components are walked as written: normalising first would quietly turn "/.." into "/".
  for (const auto& part : std::filesystem::path(std::string(devicePath))) {
    if (part == "/" || part.empty() || part == ".") continue;
    if (part == "..") {
      if (relative.empty()) return objc::makeError("path climbs above the device root: " + std::string(devicePath));
      relative = relative.parent_path();
      continue;
    }
    relative /= part;
  }
  return relative.empty() ? deviceRoot() : deviceRoot() / relative;
}

}  // namespace ns
