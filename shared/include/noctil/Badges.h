// App icon badges on the home screen, reached the same way on iOS 6 and iOS 7: the
// badge of an app's icon goes down by one when one of its notifications is removed,
// and goes away when its whole section is cleared.  Each tweak library decides with
// its own options whether to call these.
#pragma once

#include <objcface/Types.h>

namespace noctil {

// The home screen's icon model: SBIconModel's shared instance when the class answers
// sharedInstance, otherwise [[SBIconViewMap homescreenMap] iconModel]; nil when
// neither is there.
id iconModel();

// With clear YES the badge of the app whose display identifier is the section ID
// goes away, whatever it shows.  With clear NO it goes down by one: a badge above 1
// shows the number one lower ("%d"), a badge of 1 goes away (never "0"), and a badge
// that is absent, 0 or not a number is left alone.  An app without an icon, or a
// home screen without an icon model, changes nothing.
void updateBadge(id sectionID, BOOL clear);

}  // namespace noctil
