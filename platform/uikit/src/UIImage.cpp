// The UIImage class: creation from files, data, Core Graphics pictures and screen
// surfaces; size and scale; drawing into the current context.
#include "UIImageInternal.h"

#include <uikit/ImageCodec.h>
#include <uikit/UIScreen.h>

#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>

#include <cmath>

using objc::sel;
using objc::send;

namespace uikit {

namespace {

UIImageIvars* fields(id self) { return objc::ivars<UIImageIvars>(self); }

// Gives a fresh instance its pixels; a failed init releases the instance and
// answers nil, as initialisers do.
id adoptPixels(id self, SharedBitmap bitmap, CGFloat scale) {
  if (!bitmap) {
    objc::release(self);
    return nil;
  }
  UIImageIvars* iv = fields(self);
  CGImageRelease(iv->_cgImage);
  iv->_cgImage = createCGImage(std::move(bitmap));
  iv->_scale = scale > 0 && std::isfinite(scale) ? scale : 1.0;
  return self;
}

SharedBitmap share(objc::Result<Bitmap>&& bitmap) {
  if (!bitmap) return nullptr;
  return std::make_shared<const Bitmap>(std::move(*bitmap));
}

SharedBitmap upright(SharedBitmap bitmap, NSInteger orientation) {
  if (!bitmap || orientation <= 0 || orientation > 7) return bitmap;
  return share(orientedBitmap(*bitmap, static_cast<ImageOrientation>(orientation)));
}

id initWithDataScale(id self, SEL, id data, CGFloat scale) {
  auto bytes = detail::dataBytes(data);
  return adoptPixels(self, bytes ? share(decodeImage(*bytes)) : nullptr, scale);
}

id initWithData(id self, SEL, id data) { return initWithDataScale(self, nullptr, data, 1.0); }

id initWithContentsOfFile(id self, SEL, id path) {
  auto devicePath = detail::stringValue(path);
  if (!devicePath || devicePath->empty()) return adoptPixels(self, nullptr, 1.0);
  auto file = detail::readPictureFile(*devicePath, screen().scale);
  if (!file) return adoptPixels(self, nullptr, 1.0);
  return adoptPixels(self, share(decodeImage(file->bytes)), file->scale);
}

id initWithCGImageScaleOrientation(id self, SEL, CGImageRef image, CGFloat scale, NSInteger orientation) {
  return adoptPixels(self, upright(imageBitmap(image), orientation), scale);
}

id initWithCGImage(id self, SEL, CGImageRef image) { return adoptPixels(self, imageBitmap(image), 1.0); }

// A screen snapshot: the surface's pixels turned upright by the orientation.
id initWithIOSurface(id self, SEL, id surface, CGFloat scale, NSInteger orientation) {
  return adoptPixels(self, upright(surfaceBitmap(surface), orientation), scale);
}

void imageDealloc(id self, SEL cmd) {
  CGImageRelease(fields(self)->_cgImage);
  fields(self)->_cgImage = nullptr;
  objc::sendSuper<void>(self, UIImageClass(), cmd);
}

const Bitmap* pixelsOf(id self) {
  CGImage* image = fields(self)->_cgImage;
  return image ? imageBitmap(image).get() : nullptr;
}

CGSize imageSize(id self, SEL) {
  const Bitmap* b = pixelsOf(self);
  if (b == nullptr) return CGSizeZero;
  const CGFloat scale = fields(self)->_scale;
  return CGSizeMake(b->width() / scale, b->height() / scale);
}

CGFloat imageScale(id self, SEL) { return fields(self)->_scale; }
CGImageRef imageCGImage(id self, SEL) { return fields(self)->_cgImage; }
NSInteger imageOrientation(id, SEL) { return 0; }

void drawInRectBlendAlpha(id self, SEL, CGRect rect, CGBlendMode mode, CGFloat alpha) {
  if (const Bitmap* b = pixelsOf(self)) drawBitmap(UIGraphicsGetCurrentContext(), *b, rect, mode, alpha);
}

void drawInRect(id self, SEL, CGRect rect) { drawInRectBlendAlpha(self, nullptr, rect, kCGBlendModeNormal, 1.0); }

void drawAtPointBlendAlpha(id self, SEL, CGPoint point, CGBlendMode mode, CGFloat alpha) {
  CGSize size = imageSize(self, nullptr);
  drawInRectBlendAlpha(self, nullptr, CGRect{point, size}, mode, alpha);
}

void drawAtPoint(id self, SEL, CGPoint point) { drawAtPointBlendAlpha(self, nullptr, point, kCGBlendModeNormal, 1.0); }

void drawAsPatternInRect(id self, SEL, CGRect rect) {
  if (const Bitmap* b = pixelsOf(self)) drawBitmapPattern(UIGraphicsGetCurrentContext(), *b, fields(self)->_scale, rect);
}

// Class side: [[self alloc] init…] autoreleased, so subclasses get their own kind.
template <objc::FixedString Init, class... Args>
id make(id cls, Args... args) {
  return objc::autorelease(send<id>(send<id>(cls, sel<"alloc">()), sel<Init>(), args...));
}

id imageWithContentsOfFile(id cls, SEL, id path) { return make<"initWithContentsOfFile:">(cls, path); }
id imageWithData(id cls, SEL, id data) { return make<"initWithData:">(cls, data); }
id imageWithDataScale(id cls, SEL, id data, CGFloat scale) { return make<"initWithData:scale:">(cls, data, scale); }
id imageWithCGImage(id cls, SEL, CGImageRef image) { return make<"initWithCGImage:">(cls, image); }
id imageWithCGImageScaleOrientation(id cls, SEL, CGImageRef image, CGFloat scale, NSInteger orientation) {
  return make<"initWithCGImage:scale:orientation:">(cls, image, scale, orientation);
}

// Named pictures come from a bundle folder (the main bundle unless one is given)
// and are kept, so asking again answers the same picture without reading the file.
id imageNamedInBundle(id cls, SEL, id name, id bundle) {
  auto text = detail::stringValue(name);
  if (!text || text->empty()) return nil;
  if (bundle == nil) bundle = send<id>(objc::classNamed("NSBundle"), sel<"mainBundle">());
  auto bundlePath = detail::stringValue(send<id>(bundle, sel<"bundlePath">()));
  if (!bundlePath && text->front() != '/') return nil;
  const std::string path = detail::namedImagePath(bundlePath.value_or("/"), *text);
  auto host = ns::hostPath(path);
  if (!host) return nil;
  const std::string key = host->string() + "\n" + std::to_string(screen().scale);
  if (id cached = detail::cachedNamedImage(key)) return cached;
  id image = make<"initWithContentsOfFile:">(cls, ns::str(path));
  if (image != nil) detail::storeNamedImage(key, image);
  return image;
}

id imageNamed(id cls, SEL, id name) { return imageNamedInBundle(cls, nullptr, name, nil); }
id imageNamedInBundleTraits(id cls, SEL, id name, id bundle, id) { return imageNamedInBundle(cls, nullptr, name, bundle); }

Class registerUIImage() {
  return objc::ClassBuilder<UIImageIvars>("UIImage", objc::NSObjectClass())
      .ivar<&UIImageIvars::_cgImage>("_cgImage")
      .ivar<&UIImageIvars::_scale>("_scale")
      .method<&initWithContentsOfFile>("initWithContentsOfFile:")
      .method<&initWithData>("initWithData:")
      .method<&initWithDataScale>("initWithData:scale:")
      .method<&initWithCGImage>("initWithCGImage:")
      .method<&initWithCGImageScaleOrientation>("initWithCGImage:scale:orientation:")
      .method<&initWithIOSurface>("_initWithIOSurface:scale:orientation:")
      .method<&imageDealloc>("dealloc")
      .method<&imageSize>("size")
      .method<&imageScale>("scale")
      .method<&imageCGImage>("CGImage")
      .method<&imageOrientation>("imageOrientation")
      .method<&drawInRect>("drawInRect:")
      .method<&drawInRectBlendAlpha>("drawInRect:blendMode:alpha:")
      .method<&drawAtPoint>("drawAtPoint:")
      .method<&drawAtPointBlendAlpha>("drawAtPoint:blendMode:alpha:")
      .method<&drawAsPatternInRect>("drawAsPatternInRect:")
      .classMethod<&imageNamed>("imageNamed:")
      .classMethod<&imageNamedInBundle>("imageNamed:inBundle:")
      .classMethod<&imageNamedInBundleTraits>("imageNamed:inBundle:compatibleWithTraitCollection:")
      .classMethod<&imageWithContentsOfFile>("imageWithContentsOfFile:")
      .classMethod<&imageWithData>("imageWithData:")
      .classMethod<&imageWithDataScale>("imageWithData:scale:")
      .classMethod<&imageWithCGImage>("imageWithCGImage:")
      .classMethod<&imageWithCGImageScaleOrientation>("imageWithCGImage:scale:orientation:")
      .registerClass();
}

}  // namespace

Class UIImageClass() {
  static const Class cls = registerUIImage();
  return cls;
}

[[maybe_unused]] static const Class kUIImageAtLoad = UIImageClass();

id makeImage(SharedBitmap bitmap, CGFloat scale) {
  if (!bitmap) return nil;
  id image = adoptPixels(objc::allocInit(UIImageClass()), std::move(bitmap), scale);
  return objc::autorelease(image);
}

SharedBitmap bitmapOf(id image) {
  if (image == nil || send<BOOL>(image, sel<"isKindOfClass:">(), UIImageClass()) == NO) return nullptr;
  return imageBitmap(fields(image)->_cgImage);
}

Rgba pixelAt(id image, int x, int y) {
  SharedBitmap b = bitmapOf(image);
  return b ? b->pixel(x, y) : Rgba{};
}

}  // namespace uikit
