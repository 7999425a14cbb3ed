// The tweak controller, class Noctil: the application object, the custom background
// picture of Notification Center (whether it is shown, and a copy scaled for the
// current orientation kept in memory) and the tint colour from the options.
#pragma once

#include <objcface/Types.h>

namespace noctil7 {

inline constexpr const char* kNoctilDirectory = "/var/mobile/Library/Noctil";
inline constexpr const char* kCustomBackgroundPath = "/var/mobile/Library/Noctil/CustomBGImage.png";

// Registers the Noctil class (once).
void registerTweakControllerClass();

// The cached background picture made by createCustomBGImage, or nil.
id cachedBackgroundPicture();

// Drops the cached picture so the next createCustomBGImage reads the file again.
void forgetCachedBackgroundPicture();

// Back to the state before any picture was made (tests).
void resetBackgroundPictureState();

}  // namespace noctil7
