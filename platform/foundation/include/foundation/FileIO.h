// Whole-file reads and atomic whole-file writes of device paths.  Every writer of
// the platform (data, strings, property lists, archives, pictures) goes through
// writeFileAtomically, so no reader ever sees a half-written file and a failed
// write leaves the old file whole.
#pragma once

#include <objcface/Result.h>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace ns {

// The whole content of the file at a device path.  Errors: the path is refused
// (empty, climbs above the device root), missing, a directory, or unreadable.
objc::Result<std::vector<std::uint8_t>> readFile(std::string_view devicePath);

// The same, read into `buffer` when the file fits in it (a small file then costs no
// allocation; a buffer of 16 KiB or more is one read for such a file) and into `spill`
// otherwise.  The bytes answered live in one of the two.
objc::Result<std::span<const std::uint8_t>> readFileInto(std::string_view devicePath, std::span<std::uint8_t> buffer,
                                                         std::vector<std::uint8_t>& spill);

// Writes bytes as the whole new content of the file at a device path: a temporary
// file in the same folder is written, flushed to disk and renamed over the target.
// The folder must exist.  On any failure the temporary file is removed and the old
// file (if any) is unchanged.  A path that leaves the device root, including through
// a symbolic link inside it, is refused.
objc::Status writeFileAtomically(std::string_view devicePath, std::span<const std::uint8_t> bytes);

// The same for a Linux path that the caller has already resolved under the root.
objc::Status writeHostFileAtomically(const std::filesystem::path& hostPath, std::span<const std::uint8_t> bytes);

// The Linux path of a device path, checked to stay inside the device root even after
// following symbolic links of its existing folders.  Writers use it.
objc::Result<std::filesystem::path> writableHostPath(std::string_view devicePath);

}  // namespace ns
