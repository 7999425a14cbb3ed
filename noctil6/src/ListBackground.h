// What the list background keeps between uses: the two custom background pictures as
// scaled for the screen, the two lists of blur filters (Notification Center's and
// the lock screen's), and the back view behind the list.  The list background code
// makes them when first needed; the options loader drops the pictures and filter
// lists so that the next use makes them again with the new options.
#pragma once

#include <objcface/NSObject.h>

namespace noctil6 {

struct BackgroundCaches {
  objc::Ref lockPicture;      // the lock screen's custom picture, scaled
  objc::Ref centerPicture;    // Notification Center's custom picture, scaled
  objc::Ref centerBlurFilters;
  objc::Ref lockBlurFilters;
  objc::Ref backView;         // the image view behind the list; nil when none
  id backViewOwner = nil;     // the list view whose sliding view holds the back view; not retained
};

// The live caches.  Main thread only.
BackgroundCaches& backgroundCaches();

// Drops the two pictures and the two filter lists (the back view stays: it belongs
// to the list view it was made for).
void forgetBackgroundCaches();

}  // namespace noctil6
