// The tweak controller, class Noctil: the application object, the screen height, the
// accessors that answer an option or its lock-screen variant as the lock context
// says, and the lock-screen methods of LockScreen.h.
#pragma once

#include <objcface/Types.h>

namespace noctil6 {

inline constexpr const char* kNoctilDirectory = "/var/mobile/Library/Noctil";
inline constexpr const char* kCustomBackgroundPath = "/var/mobile/Library/Noctil/CustomBGImage.png";
inline constexpr const char* kLockCustomBackgroundPath = "/var/mobile/Library/Noctil/LockCustomBGImage.png";

// Registers the Noctil class (once).
void registerTweakControllerClass();

}  // namespace noctil6
