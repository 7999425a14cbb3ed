// NSFileManager: files and folders of device paths.  Every path resolves under the
// device root (foundation/DeviceRoot.h); a path that leaves it, also through a
// symbolic link inside it, is refused with NO / nil and an NSError.  File contents
// are written atomically.
#pragma once

#include <objcface/NSObject.h>

inline constexpr const char* NSFileType = "NSFileType";
inline constexpr const char* NSFileSize = "NSFileSize";
inline constexpr const char* NSFileModificationDate = "NSFileModificationDate";
inline constexpr const char* NSFilePosixPermissions = "NSFilePosixPermissions";
inline constexpr const char* NSFileTypeRegular = "NSFileTypeRegular";
inline constexpr const char* NSFileTypeDirectory = "NSFileTypeDirectory";
inline constexpr const char* NSFileTypeSymbolicLink = "NSFileTypeSymbolicLink";
inline constexpr const char* NSFileTypeUnknown = "NSFileTypeUnknown";

namespace ns {

Class NSFileManagerClass();

// [NSFileManager defaultManager].
id defaultFileManager();

}  // namespace ns
