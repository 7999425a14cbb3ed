// What the two options-loader fuzz targets share: a device root of their own and the
// options file written with the fuzzer's bytes as they stand, as a careless user or
// a broken writer could leave it.
#pragma once

#include <foundation/DeviceRoot.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fuzzing {

inline constexpr const char* kOptionsFile = "var/mobile/Library/Preferences/com.trelmo.noctil.plist";

// Makes the device root on first use (removed at exit).
inline const std::filesystem::path& deviceRoot() {
  static const std::filesystem::path root = [] {
    char pattern[] = "/tmp/noctil-fuzz-options-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    std::filesystem::path made = pattern;
    std::filesystem::create_directories(made / "var/mobile/Library/Preferences");
    ns::setDeviceRoot(made);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(deviceRoot(), ignored);
    });
    return made;
  }();
  return root;
}

// Replaces the options file with exactly these bytes (no sync: nothing here must
// survive a crash, and every input writes it again).
inline void writeOptionsFile(const std::uint8_t* data, std::size_t size) {
  std::ofstream(deviceRoot() / kOptionsFile, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace fuzzing
