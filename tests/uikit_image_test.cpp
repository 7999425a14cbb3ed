// UIImage: pictures from device files (by content, with scale variants), from named
// resources of a bundle, from data and from screen surfaces; JPEG and PNG data back
// out; and the nil and missing-argument cases of every entry point.
#include <uikit/ImageCodec.h>
#include <uikit/UIGraphics.h>
#include <uikit/UIImage.h>
#include <uikit/UIScreen.h>

#include <foundation/DeviceRoot.h>
#include <foundation/NSData.h>
#include <foundation/NSString.h>

#include <objcface/NSObject.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

#include <cstdlib>
#include <fstream>

using objc::sel;
using objc::send;
using uikit::Rgba;

namespace {

using Bytes = std::vector<std::uint8_t>;

id imageClass() { return reinterpret_cast<id>(uikit::UIImageClass()); }

// A flat picture of w × h pixels.
uikit::Bitmap flat(int w, int h, Rgba colour) {
  auto b = uikit::Bitmap::create(w, h).value();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, colour);
  return b;
}

bool near(Rgba a, Rgba b, int tolerance = 3) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance &&
         std::abs(a.a - b.a) <= tolerance;
}

// A stand-in bundle object: all imageNamed:inBundle: asks of it is bundlePath.
struct TestBundleIvars : NSObjectIvars {
  id _path;
};
id testBundlePath(id self, SEL) { return objc::ivars<TestBundleIvars>(self)->_path; }

id bundleAt(const char* path) {
  static const Class cls = objc::ClassBuilder<TestBundleIvars>("ImageTestBundle", objc::NSObjectClass())
                               .ivar<&TestBundleIvars::_path>("_path")
                               .method<&testBundlePath>("bundlePath")
                               .registerClass();
  id bundle = objc::autorelease(objc::allocInit(cls));
  objc::ivars<TestBundleIvars>(bundle)->_path = objc::retain(ns::str(path));  // kept for the test's life
  return bundle;
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override { ns::setDeviceRoot(root_.path()); }
  void TearDown() override {
    uikit::resetScreen();
    uikit::purgeNamedImageCache();
  }
  void put(const std::string& devicePath, const Bytes& bytes) {
    auto host = ns::hostPath(devicePath).value();
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  id load(const std::string& devicePath) {
    return send<id>(imageClass(), sel<"imageWithContentsOfFile:">(), ns::str(devicePath));
  }
  testing_support::TempDir root_;
  objc::AutoreleasePool pool_;
};

}  // namespace

TEST_F(ImageTest, FilesDecodeByContentWhateverTheirName) {
  Bytes jpeg = uikit::encodeJPEG(flat(40, 30, {255, 0, 0, 255}), 1.0).value();
  Bytes png = uikit::encodePNG(flat(6, 4, {0, 0, 255, 128})).value();
  put("/var/mobile/Library/Noctil/CustomBGImage.png", jpeg);
  put("/pics/real.png", png);
  put("/pics/text.png", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  put("/pics/cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2));

  id fromJpeg = load("/var/mobile/Library/Noctil/CustomBGImage.png");
  ASSERT_NE(fromJpeg, nil);
  EXPECT_EQ(send<CGSize>(fromJpeg, sel<"size">()), CGSizeMake(40, 30));
  EXPECT_EQ(send<CGFloat>(fromJpeg, sel<"scale">()), 1.0);
  EXPECT_TRUE(near(uikit::pixelAt(fromJpeg, 20, 15), {255, 0, 0, 255}));
  id fromPng = load("/pics/real.png");
  ASSERT_NE(fromPng, nil);
  EXPECT_TRUE(near(uikit::pixelAt(fromPng, 5, 3), {0, 0, 255, 128}, 1));

  EXPECT_EQ(load("/pics/text.png"), nil);
  EXPECT_EQ(load("/pics/cut.jpg"), nil);
  EXPECT_EQ(load("/pics/missing.png"), nil);
  EXPECT_EQ(load("/pics"), nil);              // a folder
  EXPECT_EQ(load("/../outside.png"), nil);    // above the device root
  EXPECT_EQ(send<id>(send<id>(imageClass(), sel<"alloc">()), sel<"initWithContentsOfFile:">(), ns::str("/nope")), nil);
}

TEST_F(ImageTest, ScaleVariantsFollowTheScreen) {
  put("/pics/icon.png", uikit::encodePNG(flat(2, 2, {255, 0, 0, 255})).value());
  put("/pics/icon@2x.png", uikit::encodePNG(flat(4, 4, {0, 255, 0, 255})).value());
  put("/pics/plain.png", uikit::encodePNG(flat(3, 3, {0, 0, 255, 255})).value());

  id retina = load("/pics/icon.png");  // the default screen is 2.0
  EXPECT_EQ(send<CGFloat>(retina, sel<"scale">()), 2.0);
  EXPECT_EQ(send<CGSize>(retina, sel<"size">()), CGSizeMake(2, 2));
  EXPECT_EQ(uikit::pixelAt(retina, 3, 3), (Rgba{0, 255, 0, 255}));
  // Only the plain file: scale 1 on any screen.
  EXPECT_EQ(send<CGFloat>(load("/pics/plain.png"), sel<"scale">()), 1.0);

  ASSERT_TRUE(uikit::setScreen(CGRectMake(0, 0, 320, 480), 1.0));
  id standard = load("/pics/icon.png");
  EXPECT_EQ(send<CGFloat>(standard, sel<"scale">()), 1.0);
  EXPECT_EQ(uikit::pixelAt(standard, 0, 0), (Rgba{255, 0, 0, 255}));
  // A name that says @2x is taken at its word on any screen.
  EXPECT_EQ(send<CGSize>(load("/pics/icon@2x.png"), sel<"size">()), CGSizeMake(2, 2));

  ASSERT_TRUE(uikit::setScreen(CGRectMake(0, 0, 414, 736), 3.0));
  EXPECT_EQ(send<CGFloat>(load("/pics/icon.png"), sel<"scale">()), 2.0);  // no @3x: the @2x serves
}

TEST_F(ImageTest, NamedImagesComeFromABundleAndAreKept) {
  put("/Library/PreferenceBundles/NoctilSettings.bundle/banner_closebox.png",
      uikit::encodePNG(flat(30, 32, {255, 255, 255, 255})).value());
  id bundle = bundleAt("/Library/PreferenceBundles/NoctilSettings.bundle");
  id first = send<id>(imageClass(), sel<"imageNamed:inBundle:">(), ns::str("banner_closebox"), bundle);
  ASSERT_NE(first, nil);
  EXPECT_EQ(send<CGSize>(first, sel<"size">()), CGSizeMake(30, 32));
  id second = send<id>(imageClass(), sel<"imageNamed:inBundle:">(), ns::str("banner_closebox.png"), bundle);
  EXPECT_EQ(first, second);  // kept, not read again
  uikit::purgeNamedImageCache();
  id third = send<id>(imageClass(), sel<"imageNamed:inBundle:">(), ns::str("banner_closebox"), bundle);
  EXPECT_NE(third, nil);
  EXPECT_NE(third, first);

  EXPECT_EQ(send<id>(imageClass(), sel<"imageNamed:inBundle:">(), ns::str("nil"), bundle), nil);
  EXPECT_EQ(send<id>(imageClass(), sel<"imageNamed:">(), ns::str("nil")), nil);
  // An absolute name needs no bundle.
  EXPECT_NE(send<id>(imageClass(), sel<"imageNamed:">(),
                     ns::str("/Library/PreferenceBundles/NoctilSettings.bundle/banner_closebox.png")),
            nil);
}

TEST_F(ImageTest, DataInAndOut) {
  id source = uikit::makeImage(std::make_shared<const uikit::Bitmap>(flat(20, 10, {10, 200, 30, 255})), 2.0);
  id jpeg = UIImageJPEGRepresentation(source, 1.0);
  ASSERT_TRUE(ns::isData(jpeg));
  EXPECT_EQ(uikit::sniffImageFormat(ns::bytesOf(jpeg)), uikit::ImageFormat::JPEG);
  id back = send<id>(imageClass(), sel<"imageWithData:">(), jpeg);
  ASSERT_NE(back, nil);
  EXPECT_EQ(send<CGSize>(back, sel<"size">()), CGSizeMake(20, 10));  // data carries no scale
  EXPECT_TRUE(near(uikit::pixelAt(back, 10, 5), {10, 200, 30, 255}));
  EXPECT_GT(ns::bytesOf(jpeg).size(), ns::bytesOf(UIImageJPEGRepresentation(source, 0.1)).size());

  id png = UIImagePNGRepresentation(source);
  id scaled = send<id>(imageClass(), sel<"imageWithData:scale:">(), png, CGFloat{2.0});
  EXPECT_EQ(send<CGSize>(scaled, sel<"size">()), CGSizeMake(10, 5));
  EXPECT_EQ(uikit::pixelAt(scaled, 19, 9), (Rgba{10, 200, 30, 255}));
  id viaInit = send<id>(send<id>(imageClass(), sel<"alloc">()), sel<"initWithData:">(), png);
  EXPECT_EQ(uikit::pixelAt(viaInit, 0, 0), (Rgba{10, 200, 30, 255}));
  objc::release(viaInit);

  EXPECT_EQ(send<id>(imageClass(), sel<"imageWithData:">(), ns::data(std::string_view("garbage"))), nil);
  EXPECT_EQ(send<id>(imageClass(), sel<"imageWithData:">(), ns::data(std::string_view())), nil);
}

TEST_F(ImageTest, SurfacesAndCGImagesBecomeUprightPictures) {
  // Stored 4 × 2: left half red, right half green.
  auto stored = uikit::Bitmap::create(4, 2).value();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) stored.setPixel(x, y, x < 2 ? Rgba{255, 0, 0, 255} : Rgba{0, 255, 0, 255});
  auto shared = std::make_shared<const uikit::Bitmap>(std::move(stored));
  id surface = uikit::makeSurface(shared);
  // Orientation 3 (right): a quarter turn clockwise, so the stored left is on top.
  id snapshot = objc::autorelease(send<id>(send<id>(imageClass(), sel<"alloc">()),
                                           sel<"_initWithIOSurface:scale:orientation:">(), surface, CGFloat{2.0},
                                           NSInteger{3}));
  objc::release(surface);  // as CFRelease does; the picture keeps the pixels
  ASSERT_NE(snapshot, nil);
  EXPECT_EQ(send<CGSize>(snapshot, sel<"size">()), CGSizeMake(1, 2));
  EXPECT_EQ(uikit::pixelAt(snapshot, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(uikit::pixelAt(snapshot, 1, 3), (Rgba{0, 255, 0, 255}));

  CGImageRef cg = send<CGImageRef>(snapshot, sel<"CGImage">());
  EXPECT_EQ(CGImageGetWidth(cg), 2u);
  id again = send<id>(imageClass(), sel<"imageWithCGImage:scale:orientation:">(), cg, CGFloat{1.0}, NSInteger{1});
  EXPECT_EQ(uikit::pixelAt(again, 0, 0), (Rgba{0, 255, 0, 255}));  // turned half round
  EXPECT_EQ(send<NSInteger>(again, sel<"imageOrientation">()), 0);
}

TEST_F(ImageTest, NilAndMissingArgumentsAnswerNilOrDoNothing) {
  id none = nil;
  EXPECT_EQ(send<id>(imageClass(), sel<"imageWithContentsOfFile:">(), none), nil);
  EXPECT_EQ(send<id>(imageClass(), sel<"imageWithContentsOfFile:">(), ns::str("")), nil);
  EXPECT_EQ(send<id>(imageClass(), sel<"imageNamed:">(), none), nil);
  EXPECT_EQ(send<id>(imageClass(), sel<"imageNamed:">(), ns::str("")), nil);
  EXPECT_EQ(send<id>(imageClass(), sel<"imageWithData:">(), none), nil);
  EXPECT_EQ(send<id>(imageClass(), sel<"imageWithCGImage:">(), static_cast<CGImageRef>(nullptr)), nil);
  EXPECT_EQ(send<id>(send<id>(imageClass(), sel<"alloc">()), sel<"_initWithIOSurface:scale:orientation:">(), none,
                     CGFloat{2.0}, NSInteger{0}),
            nil);
  EXPECT_EQ(UIImageJPEGRepresentation(nil, 1.0), nil);
  EXPECT_EQ(UIImagePNGRepresentation(nil), nil);
  EXPECT_EQ(UIImageJPEGRepresentation(ns::str("not a picture"), 1.0), nil);
  EXPECT_EQ(uikit::pixelAt(nil, 0, 0), (Rgba{}));
  EXPECT_EQ(uikit::bitmapOf(ns::str("not a picture")), nullptr);
  EXPECT_EQ(send<CGSize>(none, sel<"size">()), CGSizeZero);

  // Drawing without a current context does nothing and does not fail.
  id picture = uikit::makeImage(std::make_shared<const uikit::Bitmap>(flat(2, 2, {1, 2, 3, 255})), 1.0);
  send<void>(picture, sel<"drawInRect:">(), CGRectMake(0, 0, 10, 10));
  send<void>(picture, sel<"drawAtPoint:">(), CGPointMake(1, 1));
  send<void>(picture, sel<"drawAsPatternInRect:">(), CGRectMake(0, 0, 10, 10));
  // Degenerate rectangles draw nothing.
  UIGraphicsBeginImageContext(CGSizeMake(4, 4));
  send<void>(picture, sel<"drawInRect:">(), CGRectMake(0, 0, 0, 4));
  send<void>(picture, sel<"drawInRect:">(), CGRectMake(0, 0, std::nan(""), 4));
  id empty = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  EXPECT_EQ(uikit::pixelAt(empty, 0, 0), (Rgba{}));
}
