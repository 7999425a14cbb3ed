#include "ListBackground.h"

namespace noctil6 {

// Never destroyed: the pictures and views it holds must not be released by a static
// destructor at process exit, after UIKit and the runtime have torn their own state
// down (the release would free pixels into a heap already being dismantled).
BackgroundCaches& backgroundCaches() {
  static BackgroundCaches& caches = *new BackgroundCaches;
  return caches;
}

void forgetBackgroundCaches() {
  BackgroundCaches& caches = backgroundCaches();
  caches.lockPicture.reset();
  caches.centerPicture.reset();
  caches.centerBlurFilters.reset();
  caches.lockBlurFilters.reset();
}

}  // namespace noctil6
