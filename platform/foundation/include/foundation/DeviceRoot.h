// The device root: a directory of the Linux machine that stands for "/" of the
// simulated device.  Every device path ("/var/mobile/Library/…") that goes through
// the platform (files, property lists, archives, images, bundles, sockets) resolves
// under it, and nothing outside it is ever written.
#pragma once

#include <objcface/Result.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace ns {

// The current device root.  Host programs set it once from --device; tests set it
// per test.  Until set it is "device" under the process's working directory.
std::filesystem::path deviceRoot();
void setDeviceRoot(const std::filesystem::path& root);

// The Linux path of a device path.  Absolute and relative device paths both start at
// the device's "/"; "." and ".." are resolved lexically and a path that would climb
// above the root is refused.  An empty path is refused.
objc::Result<std::filesystem::path> hostPath(std::string_view devicePath);
// The same as text, for callers that hand it straight to the system.
objc::Result<std::string> hostPathText(std::string_view devicePath);

}  // namespace ns
