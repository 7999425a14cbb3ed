// The user's own background pictures behind the list, and the list's backdrop
// texture.  Each context has its picture: the lock screen's file inside the lock
// context, Notification Center's outside it.  createCustomBGImage (a method of the
// tweak controller) reads the context's file once, scales it to the picture box of
// the current orientation and keeps it until the options are reloaded or the device
// turns; the list view's +linen replacement answers that picture, no texture at all,
// or the platform's linen, as the options say.
#pragma once

#include <noctil/MethodHooks.h>

namespace noctil6 {

// SBBulletinListView +linen (the receiver is the class).
extern hook::Slot<id()> gLinen;
id linenReplacement(id self, SEL cmd);

// SpringBoard noteInterfaceOrientationChanged:: rebuilds the current context's
// picture for the new orientation, then the previous implementation runs.
extern hook::Slot<void(NSInteger)> gOrientationChanged;
void orientationChangedReplacement(id self, SEL cmd, NSInteger orientation);

// Noctil createCustomBGImage: makes the current context's picture when it is missing
// or was made for another orientation.
void createCustomBGImage(id self, SEL cmd);

// The box a picture is drawn into for an interface orientation: the screen (480
// points wide on an iPad, the width of its list), or in landscape (3 or 4) as wide
// as the screen is tall with the portrait proportions kept.
CGSize customPictureBox(NSInteger orientation);

// The current context's picture as made by createCustomBGImage, or nil.
id currentCustomPicture();

// The platform's own linen: +linen with the replacement stepping aside for one call.
id platformLinen();

// Forgets the orientations the pictures were made for (tests).
void resetCustomPictureState();

}  // namespace noctil6
