// IOSurface: the retain-counted pixel holder a screen snapshot travels in.  The
// libraries only pass it to UIImage _initWithIOSurface:scale:orientation: and then
// release it with CFRelease, which for this object is an ordinary release.
#include <uikit/UIImage.h>

#include <objcface/NSObject.h>

namespace uikit {

namespace {

struct SurfaceIvars : NSObjectIvars {
  SharedBitmap* _pixels;  // owned
};

void surfaceDealloc(id self, SEL cmd) {
  auto* iv = objc::ivars<SurfaceIvars>(self);
  delete iv->_pixels;
  iv->_pixels = nullptr;
  objc::sendSuper<void>(self, objc::classNamed("IOSurface"), cmd);
}

Class surfaceClass() {
  static const Class cls = objc::ClassBuilder<SurfaceIvars>("IOSurface", objc::NSObjectClass())
                               .ivar<&SurfaceIvars::_pixels>("_pixels")
                               .method<&surfaceDealloc>("dealloc")
                               .registerClass();
  return cls;
}

[[maybe_unused]] const Class kSurfaceAtLoad = surfaceClass();

}  // namespace

id makeSurface(SharedBitmap bitmap) {
  if (!bitmap) return nil;
  id surface = objc::allocInit(surfaceClass());
  objc::ivars<SurfaceIvars>(surface)->_pixels = new SharedBitmap(std::move(bitmap));
  return surface;
}

SharedBitmap surfaceBitmap(id surface) {
  if (surface == nil || object_getClass(surface) != surfaceClass()) return nullptr;
  SharedBitmap* pixels = objc::ivars<SurfaceIvars>(surface)->_pixels;
  return pixels ? *pixels : nullptr;
}

}  // namespace uikit
