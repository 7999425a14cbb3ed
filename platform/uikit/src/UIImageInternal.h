// Pieces shared by the files of the UIImage class: its instance variables, the
// file lookup with scale variants, and small bridges to Foundation objects.
#pragma once

#include <uikit/UIImage.h>

#include <objcface/NSObject.h>
#include <objcface/Result.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct UIImageIvars : NSObjectIvars {
  CGImage* _cgImage;  // owned; NULL only while an init is failing
  CGFloat _scale;
};

namespace uikit::detail {

// A picture file chosen for a device path: the bytes and the scale its name implies.
struct PictureFile {
  std::vector<std::uint8_t> bytes;
  CGFloat scale = 1;
};

// Finds and reads the file for a device path, preferring "@3x" / "@2x" variants the
// screen scale asks for.  A name that already says "@2x" is taken as it is, at 2.0.
objc::Result<PictureFile> readPictureFile(const std::string& devicePath, CGFloat screenScale);

// The device path imageNamed: looks at for a name inside a bundle folder: the name
// with ".png" added when it has no extension; an absolute name stands alone.
std::string namedImagePath(const std::string& bundlePath, const std::string& name);

// The UTF-8 text of an NSString; nullopt for nil or anything else.
std::optional<std::string> stringValue(id string);
// The bytes of an NSData (valid while it lives, unchanged); nullopt for nil or
// anything else.
std::optional<std::span<const std::uint8_t>> dataBytes(id data);

// Cache of imageNamed: pictures by host file path and screen scale.  A hit answers
// the picture retained and autoreleased.
id cachedNamedImage(const std::string& key);
void storeNamedImage(const std::string& key, id image);

}  // namespace uikit::detail
