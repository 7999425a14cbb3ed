#include <noctil/ImageCategory.h>

#include <objcface/Send.h>
#include <uikit/UIGraphics.h>

#include <algorithm>
#include <cmath>

namespace noctil {
namespace {

// A bitmap context the size of the box: at scale 2.0 on a 2.0 screen, otherwise a
// plain scale-1 context (so a 3.0 screen gets scale 1 too).
void beginContext(CGSize box) {
  id screen = objc::send<id>(objc_lookUpClass("UIScreen"), objc::sel<"mainScreen">());
  CGFloat scale = objc::send<CGFloat>(screen, objc::sel<"scale">());
  if (scale == 2.0)
    UIGraphicsBeginImageContextWithOptions(box, NO, scale);
  else
    UIGraphicsBeginImageContext(box);
}

id finishContext() {
  id image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image;
}

void drawImage(id image, CGRect rect) { objc::send<void>(image, objc::sel<"drawInRect:">(), rect); }

id scaleToSize(id self, SEL, CGSize box) {
  beginContext(box);
  drawImage(self, CGRectMake(0, 0, box.width, box.height));
  return finishContext();
}

id scaleToCenter(id self, SEL, CGSize box) {
  CGSize drawn = fittedSize(objc::send<CGSize>(self, objc::sel<"size">()), box);
  beginContext(box);
  drawImage(self, CGRectMake((box.width - drawn.width) * 0.5, (box.height - drawn.height) * 0.5, drawn.width,
                             drawn.height));
  return finishContext();
}

bool isPad() {
  id device = objc::send<id>(objc_lookUpClass("UIDevice"), objc::sel<"currentDevice">());
  if (!objc::send<BOOL>(device, objc::sel<"respondsToSelector:">(), objc::sel<"userInterfaceIdiom">())) return false;
  return objc::send<NSInteger>(device, objc::sel<"userInterfaceIdiom">()) == 1;
}

id drawInImage(id self, SEL, id backdrop, CGSize box) {
  beginContext(box);
  if (backdrop != nil) {
    // The backdrop at its own size from the origin: smaller leaves the rest clear,
    // larger is cut off at the right and bottom.
    objc::send<void>(backdrop, objc::sel<"drawAtPoint:">(), CGPointZero);
  }
  CGSize drawn = fittedSize(objc::send<CGSize>(self, objc::sel<"size">()), box);
  CGFloat x = (box.width - drawn.width) * 0.5;
  CGFloat y = isPad() ? 0.0 : static_cast<CGFloat>(static_cast<float>((box.height - drawn.height) * 0.5));
  drawImage(self, CGRectMake(x, y, drawn.width, drawn.height));
  return finishContext();
}

}  // namespace

CGSize fittedSize(CGSize imageSize, CGSize box) {
  auto w = static_cast<long>(std::trunc(imageSize.width));
  auto h = static_cast<long>(std::trunc(imageSize.height));
  if (static_cast<CGFloat>(w) > box.width || static_cast<CGFloat>(h) > box.height) {
    float ratio = std::min(static_cast<float>(box.width) / static_cast<float>(w),
                           static_cast<float>(box.height) / static_cast<float>(h));
    return CGSizeMake(static_cast<float>(w) * ratio, static_cast<float>(h) * ratio);
  }
  return CGSizeMake(static_cast<CGFloat>(w), static_cast<CGFloat>(h));
}

void installImageCategory() {
  Class image = objc_lookUpClass("UIImage");
  if (image == Nil) return;
  class_replaceMethod(image, objc::sel<"ntScaleToSize:">(), objc::toImp(&scaleToSize),
                      objc::methodEncoding<id, CGSize>().c_str());
  class_replaceMethod(image, objc::sel<"ntScaleToCenter:">(), objc::toImp(&scaleToCenter),
                      objc::methodEncoding<id, CGSize>().c_str());
  class_replaceMethod(image, objc::sel<"ntDrawInImage:size:">(), objc::toImp(&drawInImage),
                      objc::methodEncoding<id, id, CGSize>().c_str());
}

}  // namespace noctil
