// UIFont: a font name and size, enough for labels to measure their text.
//
// Answers +systemFontOfSize:, +boldSystemFontOfSize:, +italicSystemFontOfSize:,
// +fontWithName:size: (nil for a nil or empty name), fontWithSize:, fontName,
// familyName, pointSize, lineHeight, ascender, descender.  Text is measured with a
// fixed average advance of 0.5 em per character and a line height of 1.2 em, the
// same on every machine, so layout does not depend on the fonts installed.
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>

#include <string_view>

struct UIFontIvars : NSObjectIvars {
  id _fontName;  // retained NSString
  CGFloat _pointSize;
};

namespace uikit {

Class UIFontClass();

// The size a single line of text takes in a font of `pointSize` (see above).
CGSize measureText(std::string_view utf8, CGFloat pointSize);

}  // namespace uikit
