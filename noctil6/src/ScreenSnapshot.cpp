#include "ScreenSnapshot.h"

#include "HostAccess.h"
#include "ListBackground.h"
#include "Options.h"

#include <corefoundation/CFBase.h>

namespace noctil6 {

using objc::sel;

namespace {

objc::Ref makeBlurFilters(float radius) {
  id filter = ask(classObject("CAFilter"), sel<"filterWithType:">(), nsString("gaussianBlur"));
  if (filter == nil) return {};
  id numberClass = classObject("NSNumber");
  objc::send<void>(filter, sel<"setValue:forKey:">(), objc::send<id>(numberClass, sel<"numberWithFloat:">(), radius),
                   nsString("inputRadius"));
  objc::send<void>(filter, sel<"setValue:forKey:">(), objc::send<id>(numberClass, sel<"numberWithBool:">(), BOOL{YES}),
                   nsString("inputHardEdges"));
  return objc::Ref::retain(objc::send<id>(classObject("NSArray"), sel<"arrayWithObject:">(), filter));
}

}  // namespace

NSInteger snapshotImageOrientation(NSInteger interfaceOrientation) {
  switch (interfaceOrientation) {
    case 2:
      return 1;
    case 3:
      return 2;
    case 4:
      return 3;
    default:
      return 0;
  }
}

objc::Ref takeScreenSnapshot() {
  id window = classObject("UIWindow");
  if (!answers(window, sel<"createScreenIOSurface">())) return {};
  id surface = objc::send<id>(window, sel<"createScreenIOSurface">());
  if (surface == nil) return {};
  const NSInteger orientation =
      snapshotImageOrientation(ask<NSInteger>(application(), sel<"activeInterfaceOrientation">()));
  const CGFloat scale = ask<CGFloat>(ask(classObject("UIScreen"), sel<"mainScreen">()), sel<"scale">());
  objc::Ref image = objc::Ref::adopt(objc::send<id>(objc::send<id>(classObject("UIImage"), sel<"alloc">()),
                                                    sel<"_initWithIOSurface:scale:orientation:">(), surface, scale,
                                                    orientation));
  CFRelease(cf::fromId(surface));
  return image;
}

id blurFiltersForCurrentContext() {
  const Options& o = options();
  BackgroundCaches& caches = backgroundCaches();
  if (o.blur && !caches.centerBlurFilters) caches.centerBlurFilters = makeBlurFilters(o.blurValue);
  if (o.lockBlur && !caches.lockBlurFilters) caches.lockBlurFilters = makeBlurFilters(o.lockBlurValue);
  return inLockContext() ? caches.lockBlurFilters.get() : caches.centerBlurFilters.get();
}

}  // namespace noctil6
