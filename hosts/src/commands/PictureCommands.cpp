// picture, expect pixel and screenshot: pictures the user would have put on the
// device, and the screen as the user would see it.
#include "CommandFamilies.h"

#include <foundation/NSString.h>
#include <objcface/NSObject.h>
#include <objcface/Send.h>
#include <uikit/ScreenDump.h>
#include <uikit/UIGraphics.h>
#include <uikit/UIImage.h>

#include <cstdlib>
#include <string>

namespace hosts {
namespace {

std::string colourText(int r, int g, int b) {
  return std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b);
}

}  // namespace

Outcome run(const scenario::WritePicture& c, CommandContext&) {
  objc::AutoreleasePool pool;
  const CGSize size{static_cast<CGFloat>(c.width), static_cast<CGFloat>(c.height)};
  UIGraphicsBeginImageContextWithOptions(size, YES, 1.0);
  CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), c.rgb[0] / 255.0, c.rgb[1] / 255.0, c.rgb[2] / 255.0, 1.0);
  UIRectFill(CGRect{{0, 0}, size});
  id picture = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  id data = c.jpeg ? UIImageJPEGRepresentation(picture, 1.0) : UIImagePNGRepresentation(picture);
  if (data == nil) return Outcome::error("cannot encode the picture");
  // Made like the Settings app makes a picked picture's folder: the folders on the way
  // are created, then the file is written whole.
  id path = ns::str(c.path);
  id folder = objc::send<id>(path, objc::sel<"stringByDeletingLastPathComponent">());
  id manager = objc::send<id>(objc_lookUpClass("NSFileManager"), objc::sel<"defaultManager">());
  objc::send<BOOL>(manager, objc::sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(), folder,
                   BOOL{YES}, id{nil}, static_cast<id*>(nullptr));
  if (!objc::send<BOOL>(data, objc::sel<"writeToFile:atomically:">(), path, BOOL{YES}))
    return Outcome::error("cannot write the picture to " + c.path);
  return Outcome::done();
}

Outcome run(const scenario::ExpectPixel& c, CommandContext& ctx) {
  ctx.host.settle();
  auto screen = uikit::renderScreen(1.0);
  if (!screen) return Outcome::error("cannot draw the screen: " + screen.error().message);
  const int x = static_cast<int>(c.x), y = static_cast<int>(c.y);
  if (x < 0 || y < 0 || x >= screen->width() || y >= screen->height())
    return Outcome::error("the point (" + std::to_string(x) + ", " + std::to_string(y) + ") is off the screen");
  uikit::Rgba found = screen->pixel(x, y);
  const int got[3] = {found.r, found.g, found.b};
  bool near = true;
  for (int i = 0; i < 3; ++i) near = near && std::abs(got[i] - c.rgb[i]) <= c.tolerance;
  return Outcome::compare(near, colourText(c.rgb[0], c.rgb[1], c.rgb[2]) + " (within " + std::to_string(c.tolerance) + ")",
                          colourText(got[0], got[1], got[2]));
}

}  // namespace hosts

namespace hosts {

Outcome run(const scenario::Screenshot& c, CommandContext& ctx) {
  auto status = ctx.host.writeScreenshot(c.path);
  if (!status) return Outcome::error("cannot write the screenshot: " + status.error().message);
  return Outcome::done();
}

}  // namespace hosts
