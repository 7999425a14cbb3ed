// NSError: a domain, a code and a localized description, handed back through the
// `NSError**` out-parameters of file and archive methods (which may be null).
#pragma once

#include <objcface/NSObject.h>

#include <string_view>

inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* NSPOSIXErrorDomain = "NSPOSIXErrorDomain";

// Cocoa error codes used by the platform.
inline constexpr NSInteger NSFileNoSuchFileError = 4;
inline constexpr NSInteger NSFileReadUnknownError = 256;
inline constexpr NSInteger NSFileReadNoPermissionError = 257;
inline constexpr NSInteger NSFileReadInvalidFileNameError = 258;
inline constexpr NSInteger NSFileReadCorruptFileError = 259;
inline constexpr NSInteger NSFileReadNoSuchFileError = 260;
inline constexpr NSInteger NSFileReadInapplicableStringEncodingError = 261;
inline constexpr NSInteger NSFileWriteUnknownError = 512;
inline constexpr NSInteger NSFileWriteNoPermissionError = 513;
inline constexpr NSInteger NSFileWriteInvalidFileNameError = 514;
inline constexpr NSInteger NSFileWriteFileExistsError = 516;
inline constexpr NSInteger NSFileWriteInapplicableStringEncodingError = 517;
inline constexpr NSInteger NSPropertyListReadCorruptError = 3840;
inline constexpr NSInteger NSPropertyListWriteInvalidError = 3852;
inline constexpr NSInteger NSCoderReadCorruptError = 4864;

namespace ns {

Class NSErrorClass();

// An autoreleased NSError.
id makeNSError(std::string_view domain, NSInteger code, std::string_view description);

// Stores a new NSError in *out when out is not null (the usual out-parameter).
void setError(id* out, std::string_view domain, NSInteger code, std::string_view description);

}  // namespace ns
