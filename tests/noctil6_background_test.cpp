// The iOS 6 list background on the real home screen with Noctil6 started: the
// picture boxes and the cached pictures per context and orientation, +linen, the tint
// and the status bar strip, the back view's four sources with the blur filters, the
// back view belonging to its list view and staying still while the list slides, the
// lock-bar room on phones, the cell backs, and the drawn screen.
#include "BackView.h"
#include "CellBack.h"
#include "ScreenSnapshot.h"
#include "noctil6/HomeScreen.h"

#include <foundation/NSString.h>
#include <uikit/CAFilter.h>
#include <uikit/UIColor.h>
#include <uikit/UIImage.h>

#include <cmath>

using objc::send;
using objc::sel;

namespace noctil6_tests {
namespace {

constexpr uikit::Rgba kRed{220, 20, 20, 255};
constexpr uikit::Rgba kBlue{20, 40, 220, 255};

id linen() { return send<id>(reinterpret_cast<id>(objc_lookUpClass("SBBulletinListView")), sel<"linen">()); }
CGSize sizeOf(id image) { return send<CGSize>(image, sel<"size">()); }
CGRect frameOf(id view) { return send<CGRect>(view, sel<"frame">()); }
id backView() { return noctil6::backgroundCaches().backView.get(); }
sb6::Device device(bool ipad, bool locked) {
  sb6::Device made;
  made.ipad = ipad;
  made.startLocked = locked;
  return made;
}

class Noctil6BackgroundTest : public Noctil6HomeTest {};

TEST_F(Noctil6BackgroundTest, PictureBoxesOnPhonesAndPadsInBothOrientations) {
  launch();
  EXPECT_EQ(noctil6::customPictureBox(1).width, 320);
  EXPECT_EQ(noctil6::customPictureBox(1).height, 480);
  EXPECT_EQ(noctil6::customPictureBox(3).width, 480);
  EXPECT_EQ(noctil6::customPictureBox(4).height, 720);
  sb6::shutdown();
  launch(device(true, false));
  EXPECT_EQ(noctil6::customPictureBox(2).width, 480);
  EXPECT_EQ(noctil6::customPictureBox(2).height, 1024);
  EXPECT_EQ(noctil6::customPictureBox(3).width, 1024);
  EXPECT_NEAR(noctil6::customPictureBox(4).height, 1024.0 * 1024.0 / 480.0, 1e-9);
  EXPECT_NEAR(noctil6::customPictureBox(4).height, 2184.53, 0.01);
}


TEST_F(Noctil6BackgroundTest, EachContextKeepsItsPictureUntilTheDeviceTurnsOrTheOptionsReload) {
  writePicture(noctil6::kCustomBackgroundPath, 64, 96, kRed);
  writePicture(noctil6::kLockCustomBackgroundPath, 64, 96, kBlue);
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"LockBGImageEnabled", boolean(YES)}});
  reload();
  launch();
  send<void>(controller(), sel<"createCustomBGImage">());
  id center = noctil6::currentCustomPicture();
  ASSERT_NE(center, nil);
  EXPECT_EQ(sizeOf(center).width, 320);
  EXPECT_EQ(sizeOf(center).height, 480);
  EXPECT_TRUE(near(uikit::pixelAt(center, 320, 480), kRed, 12)) << describe(uikit::pixelAt(center, 320, 480));
  // Asked again: the same picture, not read again.
  send<void>(controller(), sel<"createCustomBGImage">());
  EXPECT_EQ(noctil6::currentCustomPicture(), center);

  // The lock screen has its own picture, from its own file.
  ASSERT_TRUE(sb6::lock().ok());
  send<void>(controller(), sel<"createCustomBGImage">());
  id lock = noctil6::currentCustomPicture();
  ASSERT_NE(lock, nil);
  EXPECT_NE(lock, center);
  EXPECT_TRUE(near(uikit::pixelAt(lock, 100, 100), kBlue, 12)) << describe(uikit::pixelAt(lock, 100, 100));
  EXPECT_EQ(noctil6::backgroundCaches().centerPicture.get(), center);

  // Turning the device makes the current context's picture again for the new box (the
  // replaced noteInterfaceOrientationChanged: does it at once).
  ASSERT_TRUE(sb6::rotate(4).ok());
  id turned = noctil6::currentCustomPicture();
  ASSERT_NE(turned, nil);
  EXPECT_EQ(sizeOf(turned).width, 480);
  EXPECT_EQ(sizeOf(turned).height, 720);
  // Notification Center's picture, made in portrait, is made again too when next asked
  // in landscape, though it was the lock screen that saw the turn.
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  send<void>(controller(), sel<"createCustomBGImage">());
  EXPECT_EQ(sizeOf(noctil6::currentCustomPicture()).width, 480);

  // A reload drops both pictures.
  reload();
  EXPECT_FALSE(noctil6::backgroundCaches().centerPicture);
  EXPECT_FALSE(noctil6::backgroundCaches().lockPicture);
}

TEST_F(Noctil6BackgroundTest, PicturesAreStretchedOrFittedOverTheLinen) {
  writePicture(noctil6::kCustomBackgroundPath, 100, 50, kRed);
  writeOptions({{"BGImageEnabled", boolean(YES)}});
  reload();
  launch();
  // Stretched to the box by default: red everywhere.
  send<void>(controller(), sel<"createCustomBGImage">());
  id stretched = noctil6::currentCustomPicture();
  EXPECT_TRUE(near(uikit::pixelAt(stretched, 4, 4), kRed, 12));
  EXPECT_TRUE(near(uikit::pixelAt(stretched, 636, 956), kRed, 12));

  // "ScaleToFill" off: fitted, never enlarged, centred over the platform's linen.
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"ScaleToFill", boolean(NO)}});
  reload();
  send<void>(controller(), sel<"createCustomBGImage">());
  id fitted = noctil6::currentCustomPicture();
  ASSERT_NE(fitted, nil);
  EXPECT_EQ(sizeOf(fitted).width, 320);
  EXPECT_EQ(sizeOf(fitted).height, 480);
  id platformLinen = noctil6::platformLinen();
  // The picture covers x 110…210, y 215…265 (pixels at scale 2).
  EXPECT_TRUE(near(uikit::pixelAt(fitted, 320, 480), kRed, 12));
  EXPECT_TRUE(near(uikit::pixelAt(fitted, 2 * 112, 2 * 217), kRed, 12));
  for (auto [x, y] : {std::pair{10, 10}, std::pair{2 * 105, 480}, std::pair{320, 2 * 212}, std::pair{320, 940}})
    EXPECT_EQ(uikit::pixelAt(fitted, x, y), uikit::pixelAt(platformLinen, x, y)) << x << "," << y;

  // On an iPad the fitted picture sits at the top of the 480-point box.
  sb6::shutdown();
  resetTweak();
  reload();
  launch(device(true, false));
  send<void>(controller(), sel<"createCustomBGImage">());
  id pad = noctil6::currentCustomPicture();
  ASSERT_NE(pad, nil);
  EXPECT_EQ(sizeOf(pad).width, 480);
  EXPECT_EQ(sizeOf(pad).height, 1024);
  EXPECT_TRUE(near(uikit::pixelAt(pad, 480, 4), kRed, 12)) << describe(uikit::pixelAt(pad, 480, 4));
  EXPECT_EQ(uikit::pixelAt(pad, 480, 1024), uikit::pixelAt(noctil6::platformLinen(), 480, 1024));
}

TEST_F(Noctil6BackgroundTest, TheLinenAnswersThePictureNoTextureOrThePlatformsOwn) {
  launch();
  id platformLinen = noctil6::platformLinen();
  ASSERT_NE(platformLinen, nil);
  // Nothing on: the platform's linen.
  EXPECT_EQ(linen(), platformLinen);
  EXPECT_FALSE(send<BOOL>(controller(), sel<"useBackView">()));
  // The picture option without a file: still the linen (the option counts only with
  // its file).
  writeOptions({{"BGImageEnabled", boolean(YES)}});
  reload();
  EXPECT_EQ(linen(), platformLinen);
  // With the file, the picture itself.
  writePicture(noctil6::kCustomBackgroundPath, 32, 32, kRed);
  id picture = linen();
  EXPECT_NE(picture, platformLinen);
  EXPECT_EQ(picture, noctil6::currentCustomPicture());
  EXPECT_FALSE(send<BOOL>(controller(), sel<"useBackView">()));
  // Transparent, or the picture with blur or with cell backs: no texture at all, and a
  // back view instead.
  for (auto options : {std::vector<std::pair<const char*, id>>{{"Transparent", boolean(YES)}},
                       {{"BGImageEnabled", boolean(YES)}, {"Blur", boolean(YES)}},
                       {{"BGImageEnabled", boolean(YES)}, {"CellBackAlpha", number(0.3)}}}) {
    writeOptionList(options);
    reload();
    EXPECT_EQ(linen(), nil) << options.front().first;
  }
  // Transparent alone (no blur, no picture): no texture and no back view.
  writeOptions({{"Transparent", boolean(YES)}});
  reload();
  EXPECT_FALSE(send<BOOL>(controller(), sel<"useBackView">()));
  writeOptions({{"Transparent", boolean(YES)}, {"Blur", boolean(YES)}});
  reload();
  EXPECT_TRUE(send<BOOL>(controller(), sel<"useBackView">()));
  writeOptions({{"Blur", boolean(YES)}, {"BGImageEnabled", boolean(YES)}});
  reload();
  EXPECT_TRUE(send<BOOL>(controller(), sel<"useBackView">()));
}

TEST_F(Noctil6BackgroundTest, APictureFileThatIsNotAPictureLeavesThePlatformsLinen) {
  writeFile(noctil6::kCustomBackgroundPath, "these bytes are no picture");
  writeOptions({{"BGImageEnabled", boolean(YES)}});
  reload();
  launch();
  // The option and file count (the file is there), but the linen stands in for it.
  EXPECT_TRUE(send<BOOL>(controller(), sel<"bgImageEnabled">()));
  EXPECT_EQ(linen(), noctil6::platformLinen());
  // As the back view's picture (blurred picture): the linen too, not an empty view.
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"Blur", boolean(YES)}});
  reload();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_NE(backView(), nil);
  EXPECT_EQ(send<id>(backView(), sel<"image">()), noctil6::platformLinen());
}


std::optional<uikit::Color> backgroundColour(id view) {
  return uikit::colorOf(send<id>(view, sel<"backgroundColor">()));
}
CGFloat alphaOf(id view) { return send<CGFloat>(view, sel<"alpha">()); }
id statusBarStrip() { return objc::objectIvar(listView(), "_statusBar"); }
id linenView() { return send<id>(listView(), sel<"linenView">()); }

TEST_F(Noctil6BackgroundTest, TintAlphaIsAThirdUnderAPictureWhoseAlphaIsTheListsAlpha) {
  writePicture(noctil6::kCustomBackgroundPath, 64, 96, kRed);
  writeOptions({{"Transparent", boolean(YES)},
                {"BGImageEnabled", boolean(YES)},
                {"BGAlpha", number(0.6)},
                {"TintColor", string("blue")}});
  reload();
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  auto tint = backgroundColour(linenView());
  ASSERT_TRUE(tint);
  EXPECT_NEAR(tint->blue, 1.0, 1e-6);
  EXPECT_NEAR(tint->red, 0.0, 1e-6);
  EXPECT_NEAR(tint->alpha, 0.2, 1e-6);
  // The picture is the back view itself (no blur over it), at the list's alpha, drawn
  // from the top left; the list keeps its status bar strip (alpha is not 0).
  ASSERT_NE(backView(), nil);
  EXPECT_EQ(send<id>(backView(), sel<"image">()), noctil6::backgroundCaches().centerPicture.get());
  EXPECT_NEAR(alphaOf(backView()), 0.6, 1e-6);
  EXPECT_EQ(send<NSInteger>(backView(), sel<"contentMode">()), 9);
  EXPECT_EQ(send<id>(backView(), sel<"superview">()), slidingView());
  EXPECT_EQ(send<id>(send<id>(slidingView(), sel<"subviews">()), sel<"objectAtIndex:">(), NSUInteger{0}), backView());
  EXPECT_TRUE(send<BOOL>(slidingView(), sel<"clipsToBounds">()));
  EXPECT_EQ(alphaOf(statusBarStrip()), 1.0);
  EXPECT_EQ(linen(), nil);
}

TEST_F(Noctil6BackgroundTest, AListWithoutAlphaOrBlurLosesItsStatusBarStrip) {
  writeOptions({{"Transparent", boolean(YES)}, {"BGAlpha", number(0)}});
  reload();
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(alphaOf(statusBarStrip()), 0.0);
  auto tint = backgroundColour(linenView());
  ASSERT_TRUE(tint);  // "darkGray", the tint when none is named
  EXPECT_NEAR(tint->red, 0.333, 1e-3);
  EXPECT_EQ(tint->alpha, 0.0);
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  // With blur the strip stays.
  writeOptions({{"Transparent", boolean(YES)}, {"BGAlpha", number(0)}, {"Blur", boolean(YES)}});
  reload();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(alphaOf(statusBarStrip()), 1.0);
}

TEST_F(Noctil6BackgroundTest, ATintNameNotInTheTableLeavesTheLinenViewAsThePlatformMadeIt) {
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  auto platformColour = backgroundColour(linenView());
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  writeOptions({{"Transparent", boolean(YES)}, {"TintColor", string("chartreuse")}});
  reload();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  auto colour = backgroundColour(linenView());
  EXPECT_EQ(colour.has_value(), platformColour.has_value());
  if (colour && platformColour) {
    EXPECT_EQ(colour->alpha, platformColour->alpha);
  }
  // "disabled" is a colour: fully transparent whatever the alpha.
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  writeOptions({{"Transparent", boolean(YES)}, {"TintColor", string("disabled")}, {"BGAlpha", number(0.8)}});
  reload();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  colour = backgroundColour(linenView());
  ASSERT_TRUE(colour);
  EXPECT_EQ(colour->alpha, 0.0);
}

// The layer's filters: one gaussianBlur with the radius and hard edges.
void expectBlur(id view, double radius) {
  id layer = send<id>(view, sel<"layer">());
  id filters = send<id>(layer, sel<"filters">());
  ASSERT_EQ(send<NSUInteger>(filters, sel<"count">()), 1u);
  id filter = send<id>(filters, sel<"objectAtIndex:">(), NSUInteger{0});
  EXPECT_EQ(ns::utf8(send<id>(filter, sel<"type">())), "gaussianBlur");
  EXPECT_NEAR(send<double>(send<id>(filter, sel<"valueForKey:">(), string("inputRadius")), sel<"doubleValue">()), radius,
              1e-6);
  EXPECT_TRUE(send<BOOL>(send<id>(filter, sel<"valueForKey:">(), string("inputHardEdges")), sel<"boolValue">()));
  EXPECT_TRUE(send<BOOL>(layer, sel<"shouldRasterize">()));
}

TEST_F(Noctil6BackgroundTest, ASnapshotBackViewStaysStillWhileTheListSlidesAndAPictureSlidesWithIt) {
  writeOptions({{"Transparent", boolean(YES)}, {"Blur", boolean(YES)}, {"BlurValue", number(7)}});
  reload();
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id back = backView();
  ASSERT_NE(back, nil);
  // A still picture of the screen, as large as the screen, blurred.
  id snapshot = send<id>(back, sel<"image">());
  ASSERT_NE(snapshot, nil);
  EXPECT_EQ(sizeOf(snapshot).width, 320);
  EXPECT_EQ(sizeOf(snapshot).height, 480);
  expectBlur(back, 7);
  EXPECT_TRUE(send<BOOL>(back, sel<"isUserInteractionEnabled">()));
  EXPECT_TRUE(send<BOOL>(controller(), sel<"adjustBlurBackView">()));
  // Sliding: the back view moves against the sliding view; on screen it stays at 0.
  id list = listView();
  const CGFloat h = frameOf(slidingView()).size.height;
  for (CGFloat y : {CGFloat{100}, CGFloat{300}, h}) {
    send<void>(list, sel<"positionSlidingViewAtY:">(), y);
    EXPECT_EQ(frameOf(back).origin.y, h - y);
    EXPECT_EQ(frameOf(slidingView()).origin.y + frameOf(back).origin.y, 0) << y;
  }
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  EXPECT_EQ(backView(), nil);  // gone with its list view

  // A blurred picture behind the list is not a snapshot: it slides with the list.
  writePicture(noctil6::kCustomBackgroundPath, 64, 96, kRed);
  writeOptions({{"BGImageEnabled", boolean(YES)}, {"Blur", boolean(YES)}});
  reload();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  back = backView();
  ASSERT_NE(back, nil);
  EXPECT_EQ(send<id>(back, sel<"image">()), noctil6::currentCustomPicture());
  expectBlur(back, 7);  // "BlurValue" keeps its earlier value when the file lacks it
  EXPECT_FALSE(send<BOOL>(controller(), sel<"adjustBlurBackView">()));
  send<void>(listView(), sel<"positionSlidingViewAtY:">(), CGFloat{200});
  EXPECT_EQ(frameOf(back).origin.y, 0);
}

TEST_F(Noctil6BackgroundTest, ABlurredSnapshotLiesUnderThePictureWhenTheBlurAppliesToTheBack) {
  writePicture(noctil6::kCustomBackgroundPath, 64, 96, kRed);
  writeOptions({{"Transparent", boolean(YES)},
                {"BGImageEnabled", boolean(YES)},
                {"Blur", boolean(YES)},
                {"BlurApplyToBack", boolean(YES)},
                {"BGAlpha", number(0.5)}});
  reload();
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id back = backView();
  ASSERT_NE(back, nil);
  id subviews = send<id>(slidingView(), sel<"subviews">());
  EXPECT_EQ(send<id>(subviews, sel<"objectAtIndex:">(), NSUInteger{0}), back);
  id front = send<id>(subviews, sel<"objectAtIndex:">(), NSUInteger{1});
  EXPECT_EQ(send<id>(front, sel<"image">()), noctil6::currentCustomPicture());
  EXPECT_NEAR(alphaOf(front), 0.5, 1e-6);
  EXPECT_EQ(send<id>(send<id>(front, sel<"layer">()), sel<"filters">()), nil);
  expectBlur(back, 5);
  EXPECT_EQ(alphaOf(back), 1.0);
  EXPECT_EQ(sizeOf(send<id>(back, sel<"image">())).height, 480);  // the snapshot
  EXPECT_TRUE(send<BOOL>(controller(), sel<"adjustBlurBackView">()));
}

TEST_F(Noctil6BackgroundTest, BlurFilterListsAreMadeOnceAndAgainAfterAReload) {
  writeOptions({{"Transparent", boolean(YES)}, {"Blur", boolean(YES)}, {"LockBlur", boolean(YES)},
                {"BlurValue", number(3)}, {"LockBlurValue", number(9)}});
  reload();
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id first = noctil6::backgroundCaches().centerBlurFilters.get();
  ASSERT_NE(first, nil);
  ASSERT_NE(noctil6::backgroundCaches().lockBlurFilters.get(), nil);  // both made while blur was on
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(noctil6::backgroundCaches().centerBlurFilters.get(), first);
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  writeOptions({{"Transparent", boolean(YES)}, {"Blur", boolean(YES)}, {"BlurValue", number(11)}});
  reload();
  EXPECT_FALSE(noctil6::backgroundCaches().centerBlurFilters);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  expectBlur(backView(), 11);
  EXPECT_FALSE(noctil6::backgroundCaches().lockBlurFilters);  // "LockBlur" is off now
}

TEST_F(Noctil6BackgroundTest, AListViewMadeWhileTheBackViewExistsNeitherGetsNorFreesIt) {
  writeOptions({{"Transparent", boolean(YES)}, {"Blur", boolean(YES)}});
  reload();
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  id back = backView();
  ASSERT_NE(back, nil);
  {
    objc::AutoreleasePool pool;
    objc::Ref other = objc::Ref::adopt(send<id>(send<id>(reinterpret_cast<id>(objc_lookUpClass("SBBulletinListView")),
                                                         sel<"alloc">()),
                                                sel<"initWithFrame:delegate:">(), CGRectMake(0, 0, 320, 480), id{nil}));
    ASSERT_NE(other.get(), nil);
    id otherSliding = send<id>(other, sel<"slidingView">());
    EXPECT_NE(send<id>(back, sel<"superview">()), otherSliding);
    const CGFloat y = frameOf(back).origin.y;
    send<void>(other, sel<"positionSlidingViewAtY:">(), CGFloat{50});
    EXPECT_EQ(frameOf(back).origin.y, y);  // only its own list view moves it
  }
  // The other list view is gone; the back view still belongs to the list on screen.
  EXPECT_EQ(backView(), back);
  EXPECT_EQ(send<id>(back, sel<"superview">()), slidingView());
  send<void>(listView(), sel<"positionSlidingViewAtY:">(), CGFloat{120});
  EXPECT_EQ(frameOf(back).origin.y, frameOf(slidingView()).size.height - 120);
}

TEST_F(Noctil6BackgroundTest, OptionsChangedWhileABackViewExistsApplyToTheNextList) {
  writeOptions({{"Transparent", boolean(YES)}, {"Blur", boolean(YES)}});
  reload();
  launch();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_NE(backView(), nil);
  writeOptions({});
  reload();
  EXPECT_NE(backView(), nil);  // kept by the list on screen
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_EQ(backView(), nil);
  EXPECT_EQ(linen(), noctil6::platformLinen());
}


id tableView() { return send<id>(listView(), sel<"tableView">()); }
void layOut(id view) {
  send<void>(view, sel<"setNeedsLayout">());
  send<void>(view, sel<"layoutIfNeeded">());
}

// The lock screen's list with its own picture in front of a blurred snapshot and the
// lock bar dragged through it.
void writeLockBarOptions() {
  // Blue, with a red band in its last sixth (the bottom 80 of 480 points).
  writePicture(noctil6::kLockCustomBackgroundPath, 64, 96, kBlue, true, 16, kRed);
  writeOptions({{"LockTransparent", boolean(YES)},
                {"LockBGImageEnabled", boolean(YES)},
                {"LockBlur", boolean(YES)},
                {"LockBlurApplyToBack", boolean(YES)},
                {"EnableLockBar", boolean(YES)}});
}

TEST_F(Noctil6BackgroundTest, OnAPhonesLockScreenTheListLeavesRoomForTheLockBar) {
  writeLockBarOptions();
  reload();
  launch(device(false, true));
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::isNotificationCenterShown());
  id back = backView();
  ASSERT_NE(back, nil);
  id front = send<id>(send<id>(slidingView(), sel<"subviews">()), sel<"objectAtIndex:">(), NSUInteger{1});
  ASSERT_EQ(send<id>(front, sel<"image">()), noctil6::backgroundCaches().lockPicture.get());
  // The front picture: the screen less 96 points; the back view: its snapshot less 96.
  EXPECT_EQ(frameOf(front).size.height, 480 - 96);
  EXPECT_EQ(frameOf(back).size.height, 480 - 96);
  for (id view : {front, back}) {
    EXPECT_EQ(send<NSInteger>(view, sel<"contentMode">()), 9);
    EXPECT_TRUE(send<BOOL>(view, sel<"clipsToBounds">()));
  }
  // The linen view 96 and the table 116 points shorter than the screen.
  layOut(tableView());
  EXPECT_EQ(frameOf(tableView()).size.height, 480 - 116);
  EXPECT_EQ(frameOf(linenView()).size.height, 480 - 96);
  EXPECT_EQ(frameOf(tableView()).origin.y, 20);  // other fields kept
  // Drawn from its top left, the front picture ends above the red band: the lock bar's
  // room cuts off its bottom, not its top and bottom alike.
  for (int y : {300, 370, 382}) {
    const uikit::Rgba p = screenPixel(160, y);
    EXPECT_GT(p.b, p.r + 60) << y << ": " << describe(p);
  }

  // Unlocked, Notification Center's list has the whole screen.
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  layOut(tableView());
  EXPECT_EQ(frameOf(tableView()).size.height, 480 - 20);
}

TEST_F(Noctil6BackgroundTest, AnIPadsLockScreenListHasNoLockBarRoomAndCentresTheBackView) {
  writeLockBarOptions();
  reload();
  launch(device(true, true));
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::isNotificationCenterShown());
  id back = backView();
  ASSERT_NE(back, nil);
  id front = send<id>(send<id>(slidingView(), sel<"subviews">()), sel<"objectAtIndex:">(), NSUInteger{1});
  EXPECT_EQ(frameOf(front).size.height, 1024);
  EXPECT_EQ(frameOf(back).size.height, 1024);
  CGPoint backCentre = send<CGPoint>(back, sel<"center">());
  EXPECT_EQ(backCentre.x, send<CGPoint>(slidingView(), sel<"center">()).x);
  EXPECT_EQ(backCentre.y, 512);
  layOut(tableView());
  EXPECT_EQ(frameOf(tableView()).size.height, 1024 - 20);
}

TEST_F(Noctil6BackgroundTest, CellsGetABlackBackAtTheCellBackAlphaAsTallAsTheCell) {
  launch();
  sb6::Notification n;
  n.sectionID = "com.apple.MobileSMS";
  n.message = "A message long enough to take more than one line of the cell, so the row is taller than the rest";
  ASSERT_TRUE(sb6::post(n).ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  auto firstCell = [] {
    id table = tableView();
    NSInteger sections = send<NSInteger>(table, sel<"numberOfSections">());
    for (NSInteger s = 0; s < sections; ++s) {
      if (send<NSInteger>(table, sel<"numberOfRowsInSection:">(), s) == 0) continue;
      id path = send<id>(reinterpret_cast<id>(objc_lookUpClass("NSIndexPath")), sel<"indexPathForRow:inSection:">(),
                         NSInteger{0}, s);
      id cell = send<id>(table, sel<"cellForRowAtIndexPath:">(), path);
      if (send<BOOL>(cell, sel<"isKindOfClass:">(), objc_lookUpClass("SBBulletinListCell"))) return cell;
    }
    return id{nil};
  };
  id cell = firstCell();
  ASSERT_NE(cell, nil);
  EXPECT_EQ(send<id>(cell, sel<"viewWithTag:">(), noctil6::kCellBackTag), nil);  // "CellBackAlpha" 0

  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  writeOptions({{"CellBackAlpha", number(0.4)}});
  reload();
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  cell = firstCell();
  ASSERT_NE(cell, nil);
  id back = send<id>(cell, sel<"viewWithTag:">(), noctil6::kCellBackTag);
  ASSERT_NE(back, nil);
  EXPECT_EQ(send<id>(send<id>(cell, sel<"subviews">()), sel<"objectAtIndex:">(), NSUInteger{0}), back);
  EXPECT_EQ(send<NSUInteger>(back, sel<"autoresizingMask">()), 2u);
  auto colour = backgroundColour(back);
  ASSERT_TRUE(colour);
  EXPECT_EQ(colour->red, 0);
  EXPECT_NEAR(colour->alpha, 0.4, 1e-6);
  layOut(cell);
  EXPECT_GT(frameOf(cell).size.height, 54);
  EXPECT_EQ(frameOf(back).size.height, frameOf(cell).size.height);
  // A cell with a background view of its own gets the colour there instead.
  objc::Ref own = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("UIView")));
  objc::Ref plain = objc::Ref::adopt(send<id>(send<id>(reinterpret_cast<id>(objc_lookUpClass("SBBulletinListCell")),
                                                       sel<"alloc">()),
                                              sel<"initWithLinenView:reuseIdentifier:">(), id{nil}, string("x")));
  send<void>(plain, sel<"setBackgroundView:">(), own.get());
  noctil6::addCellBackView(plain);
  EXPECT_NEAR(backgroundColour(own)->alpha, 0.4, 1e-6);
}


uikit::Rgba blend(uikit::Rgba over, double alpha, uikit::Rgba under) {
  auto mix = [alpha](int a, int b) { return static_cast<std::uint8_t>(std::lround(alpha * a + (1 - alpha) * b)); };
  return {mix(over.r, under.r), mix(over.g, under.g), mix(over.b, under.b), 255};
}

TEST_F(Noctil6BackgroundTest, TheDrawnScreenShowsATintedSeeThroughList) {
  writeOptions({{"Transparent", boolean(YES)}, {"TintColor", string("red")}, {"BGAlpha", number(0.5)}});
  reload();
  launch();
  const uikit::Rgba homeIcon = screenPixel(30, 240);  // the third row's first icon
  const uikit::Rgba homeEmpty = screenPixel(280, 440);  // the home screen's background
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  // The home screen shows through the list under a half-strong red.
  EXPECT_TRUE(near(screenPixel(280, 440), blend({255, 0, 0, 255}, 0.5, homeEmpty), 3))
      << describe(screenPixel(280, 440)) << " over " << describe(homeEmpty);
  EXPECT_TRUE(near(screenPixel(30, 240), blend({255, 0, 0, 255}, 0.5, homeIcon), 3))
      << describe(screenPixel(30, 240)) << " over " << describe(homeIcon);
}

TEST_F(Noctil6BackgroundTest, TheDrawnScreenShowsABlurredSnapshotBehindTheList) {
  writeOptions({{"Transparent", boolean(YES)}, {"TintColor", string("disabled")}, {"Blur", boolean(YES)},
                {"BlurValue", number(6)}});
  reload();
  launch();
  // Across the left edge of the fourth row's first icon (x 17): sharp on the home
  // screen, a gradual step behind the list.
  const uikit::Rgba outside = screenPixel(8, 320);
  const uikit::Rgba inside = screenPixel(26, 320);
  ASSERT_FALSE(near(outside, inside, 40));
  EXPECT_EQ(screenPixel(16, 320), outside);
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  const uikit::Rgba edge = screenPixel(17, 320);
  auto between = [](int a, int x, int b) { return (a < x && x < b) || (b < x && x < a); };
  EXPECT_TRUE(between(outside.g, edge.g, inside.g) || between(outside.r, edge.r, inside.r))
      << describe(outside) << " | " << describe(edge) << " | " << describe(inside);
  EXPECT_FALSE(near(edge, outside, 10));
  EXPECT_FALSE(near(edge, inside, 10));
  // Far from any edge the home screen's own colour.
  EXPECT_TRUE(near(screenPixel(280, 440), outside, 3)) << describe(screenPixel(280, 440));
}

TEST_F(Noctil6BackgroundTest, TheDrawnLockScreenListShowsTheLockScreensPicture) {
  writePicture(noctil6::kLockCustomBackgroundPath, 64, 96, kBlue);
  writePicture(noctil6::kCustomBackgroundPath, 64, 96, kRed);
  writeOptions({{"LockBGImageEnabled", boolean(YES)}, {"BGImageEnabled", boolean(YES)}});
  reload();
  launch(device(false, true));
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  ASSERT_TRUE(sb6::isNotificationCenterShown());
  EXPECT_TRUE(near(screenPixel(160, 400), kBlue, 12)) << describe(screenPixel(160, 400));
  EXPECT_TRUE(near(screenPixel(20, 200), kBlue, 12)) << describe(screenPixel(20, 200));
  // Unlocked, Notification Center's own picture.
  ASSERT_TRUE(sb6::hideNotificationCenter().ok());
  ASSERT_TRUE(sb6::unlockWithLockBar().ok());
  ASSERT_TRUE(sb6::showNotificationCenter().ok());
  EXPECT_TRUE(near(screenPixel(160, 400), kRed, 12)) << describe(screenPixel(160, 400));
}

}  // namespace
}  // namespace noctil6_tests
