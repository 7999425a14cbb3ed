#include "ListBackground.h"

namespace noctil6 {

BackgroundCaches& backgroundCaches() {
  static BackgroundCaches caches;
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
