#include <uikit/UIImageView.h>

#include <objcface/Send.h>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

UIImageViewIvars* IV(id view) { return reinterpret_cast<UIImageViewIvars*>(view); }

CGSize imageSize(id image) { return image ? send<CGSize>(image, sel<"size">()) : CGSizeZero; }

id imageViewInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UIImageViewClass(), cmd, frame);
  if (self != nil) IV(self)->_userInteractionEnabled = NO;
  return self;
}

id imageViewInitWithImage(id self, SEL, id image) {
  CGSize size = imageSize(image);
  self = send<id>(self, sel<"initWithFrame:">(), CGRectMake(0, 0, size.width, size.height));
  if (self != nil) send<void>(self, sel<"setImage:">(), image);
  return self;
}

id imageViewInitWithImages(id self, SEL, id image, id highlighted) {
  self = imageViewInitWithImage(self, nullptr, image);
  if (self != nil) send<void>(self, sel<"setHighlightedImage:">(), highlighted);
  return self;
}

void imageViewDealloc(id self, SEL cmd) {
  objc::release(IV(self)->_image);
  objc::release(IV(self)->_highlightedImage);
  IV(self)->_image = IV(self)->_highlightedImage = nil;
  objc::sendSuper<void>(self, UIImageViewClass(), cmd);
}

id imageViewImage(id self, SEL) { return IV(self)->_image; }
void imageViewSetImage(id self, SEL, id image) {
  objc::retain(image);
  objc::release(IV(self)->_image);
  IV(self)->_image = image;
}
id imageViewHighlightedImage(id self, SEL) { return IV(self)->_highlightedImage; }
void imageViewSetHighlightedImage(id self, SEL, id image) {
  objc::retain(image);
  objc::release(IV(self)->_highlightedImage);
  IV(self)->_highlightedImage = image;
}
BOOL imageViewHighlighted(id self, SEL) { return IV(self)->_highlighted; }
void imageViewSetHighlighted(id self, SEL, BOOL on) { IV(self)->_highlighted = on ? YES : NO; }
CGSize imageViewSizeThatFits(id self, SEL, CGSize) { return imageSize(IV(self)->_image); }

}  // namespace

Class UIImageViewClass() {
  static const Class cls = objc::ClassBuilder<UIImageViewIvars>("UIImageView", UIViewClass())
                               .ivar<&UIImageViewIvars::_image>("_image")
                               .ivar<&UIImageViewIvars::_highlightedImage>("_highlightedImage")
                               .ivar<&UIImageViewIvars::_highlighted>("_highlighted")
                               .method<&imageViewInitWithFrame>("initWithFrame:")
                               .method<&imageViewInitWithImage>("initWithImage:")
                               .method<&imageViewInitWithImages>("initWithImage:highlightedImage:")
                               .method<&imageViewDealloc>("dealloc")
                               .method<&imageViewImage>("image")
                               .method<&imageViewSetImage>("setImage:")
                               .method<&imageViewHighlightedImage>("highlightedImage")
                               .method<&imageViewSetHighlightedImage>("setHighlightedImage:")
                               .method<&imageViewHighlighted>("isHighlighted")
                               .method<&imageViewSetHighlighted>("setHighlighted:")
                               .method<&imageViewSizeThatFits>("sizeThatFits:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIImageViewAtLoad = UIImageViewClass();

}  // namespace uikit
