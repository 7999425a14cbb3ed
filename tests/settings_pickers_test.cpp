// The background-picture panes: the source choice, the phone's modal picker and the
// iPad's popover at each pane's anchor, the picture stored as JPEG data under its
// ".png" name, and the settings-changed notification, also after a failed write.
#include "SettingsFixture.h"

#include <foundation/NSArray.h>
#include <foundation/NSData.h>
#include <foundation/NSFileManager.h>
#include <preferences/PSSpecifier.h>
#include <preferences/PreferenceRows.h>
#include <uikit/UIActionSheet.h>
#include <uikit/UIDevice.h>
#include <uikit/UIImage.h>
#include <uikit/UIImagePickerController.h>
#include <uikit/Simulation.h>
#include <uikit/UIPopoverController.h>
#include <uikit/UIWindow.h>

#include <fstream>
#include <iterator>

using namespace settings_testing;
using objc::send;
using objc::sel;

namespace {

constexpr const char* kPicture = "/var/mobile/Library/Noctil/CustomBGImage.png";
constexpr const char* kLockPicture = "/var/mobile/Library/Noctil/LockCustomBGImage.png";

class Pickers : public SettingsBundleTest {
 protected:
  void SetUp() override {
    SettingsBundleTest::SetUp();
    uikit::setUserInterfaceIdiom(0);
    uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, true);
    fs::create_directories(host("/var/mobile/Library/Noctil"));
    posted(0);
  }
  void TearDown() override {
    for (id sheet : uikit::visibleActionSheets()) send<void>(sheet, sel<"dismissWithClickedButtonIndex:animated:">(), NSInteger{-1}, static_cast<BOOL>(NO));
    window_.reset();
    uikit::setUserInterfaceIdiom(0);
    uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, true);
    SettingsBundleTest::TearDown();
  }

  // A pane of `cls` on screen in a window of a phone's (or an iPad's) size.
  id paneOnScreen(const char* cls, CGFloat width = 320, CGFloat height = 568) {
    id pane = make(cls);
    window_ = objc::Ref::adopt(send<id>(send<id>(reinterpret_cast<id>(uikit::UIWindowClass()), sel<"alloc">()),
                                        sel<"initWithFrame:">(), CGRect{{0, 0}, {width, height}}));
    send<void>(window_.get(), sel<"setRootViewController:">(), pane);
    send<void>(window_.get(), sel<"makeKeyAndVisible">());
    return pane;
  }

  static void press(id pane) {
    for (id rowSpecifier : ns::elements(send<id>(pane, sel<"specifiers">()))) {
      if (ns::utf8(send<id>(rowSpecifier, sel<"name">())) == "Choose Picture") {
        ASSERT_TRUE(preferences::userPressesButton(rowSpecifier).ok());
        return;
      }
    }
    FAIL() << "no Choose Picture row";
  }

  // A 40 x 30 picture with a pattern a JPEG encoder has to work at.
  static id picture() {
    auto bitmap = uikit::Bitmap::create(40, 30, true).value();
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        bitmap.setPixel(x, y, {static_cast<std::uint8_t>(x * 6), static_cast<std::uint8_t>(y * 8),
                               static_cast<std::uint8_t>((x * y) % 256), 255});
      }
    }
    return uikit::makeImage(std::make_shared<const uikit::Bitmap>(std::move(bitmap)), 1.0);
  }

  std::vector<std::uint8_t> fileBytes(const char* devicePath) {
    std::ifstream in(host(devicePath), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  static id shownPicker() {
    auto pickers = uikit::shownImagePickers();
    return pickers.empty() ? nil : pickers.back();
  }

  objc::Ref window_;
};

}  // namespace

TEST_F(Pickers, APhoneWithoutACameraOpensTheLibraryDirectly) {
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  id pane = paneOnScreen("BGImage7");
  press(pane);
  EXPECT_TRUE(uikit::visibleActionSheets().empty());
  id picker = send<id>(pane, sel<"presentedViewController">());
  ASSERT_NE(picker, nil);
  EXPECT_STREQ(objc::className(picker), "UIImagePickerController");
  EXPECT_EQ(send<NSInteger>(picker, sel<"sourceType">()), UIImagePickerControllerSourceTypePhotoLibrary);
  EXPECT_EQ(send<id>(picker, sel<"delegate">()), pane);
  EXPECT_TRUE(uikit::visiblePopovers().empty());
}

TEST_F(Pickers, WithACameraTheUserChoosesTheSourceFromASheet) {
  id pane = paneOnScreen("BGController");
  press(pane);
  auto sheets = uikit::visibleActionSheets();
  ASSERT_EQ(sheets.size(), 1u);
  id sheet = sheets[0];
  EXPECT_EQ(uikit::actionSheetButtonTitles(sheet), (std::vector<std::string>{"Photo Library", "Camera", "Cancel"}));
  EXPECT_EQ(send<NSInteger>(sheet, sel<"cancelButtonIndex">()), 2);
  EXPECT_EQ(send<id>(sheet, sel<"title">()), nil);
  EXPECT_EQ(send<id>(sheet, sel<"delegate">()), pane);
  // The pane let go of the sheet; the platform alone keeps it on screen.
  EXPECT_EQ(send<NSUInteger>(sheet, sel<"retainCount">()), 1u);

  ASSERT_TRUE(uikit::tapActionSheetButton(sheet, 2).ok());  // Cancel
  EXPECT_TRUE(uikit::visibleActionSheets().empty());
  EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil);

  press(pane);
  ASSERT_TRUE(uikit::tapActionSheetButton(uikit::visibleActionSheets().at(0), 1).ok());  // Camera
  id picker = send<id>(pane, sel<"presentedViewController">());
  ASSERT_NE(picker, nil);
  EXPECT_EQ(send<NSInteger>(picker, sel<"sourceType">()), UIImagePickerControllerSourceTypeCamera);
  send<void>(pane, sel<"dismissModalViewControllerAnimated:">(), static_cast<BOOL>(NO));

  press(pane);
  ASSERT_TRUE(uikit::tapActionSheetButton(uikit::visibleActionSheets().at(0), 0).ok());  // Photo Library
  picker = send<id>(pane, sel<"presentedViewController">());
  ASSERT_NE(picker, nil);
  EXPECT_EQ(send<NSInteger>(picker, sel<"sourceType">()), UIImagePickerControllerSourceTypePhotoLibrary);
}

TEST_F(Pickers, AnIPadShowsTheLibraryInAPopoverBelowEachPanesAnchor) {
  uikit::setUserInterfaceIdiom(1);
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  struct Case {
    const char* cls;
    CGFloat anchor;
  };
  for (Case c : {Case{"BGImage7", 180}, Case{"BGController", 220}, Case{"LockBGController", 220}}) {
    id pane = paneOnScreen(c.cls, 768, 1024);
    press(pane);
    EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil) << c.cls;
    id popover = objc::objectIvar(pane, "popover");
    ASSERT_NE(popover, nil) << c.cls;
    auto shown = uikit::popoverPresentation(popover);
    ASSERT_TRUE(shown.has_value()) << c.cls;
    EXPECT_DOUBLE_EQ(shown->rect.origin.x, 384) << c.cls;
    EXPECT_DOUBLE_EQ(shown->rect.origin.y, c.anchor) << c.cls;
    EXPECT_DOUBLE_EQ(shown->rect.size.width, 2) << c.cls;
    EXPECT_DOUBLE_EQ(shown->rect.size.height, 2) << c.cls;
    EXPECT_EQ(shown->view, send<id>(pane, sel<"view">())) << c.cls;
    EXPECT_EQ(shown->permittedArrowDirections, UIPopoverArrowDirectionUp) << c.cls;

    id picker = send<id>(popover, sel<"contentViewController">());
    EXPECT_EQ(shownPicker(), picker);
    ASSERT_TRUE(uikit::pickImage(picker, picture()).ok());
    EXPECT_EQ(objc::objectIvar(pane, "popover"), nil) << c.cls;
    EXPECT_TRUE(uikit::visiblePopovers().empty()) << c.cls;
  }
}

TEST_F(Pickers, AnIPadCameraPictureClosesTheModalPicker) {
  uikit::setUserInterfaceIdiom(1);
  id pane = paneOnScreen("BGImage7", 768, 1024);
  press(pane);
  ASSERT_TRUE(uikit::tapActionSheetButton(uikit::visibleActionSheets().at(0), 1).ok());
  id picker = send<id>(pane, sel<"presentedViewController">());
  ASSERT_NE(picker, nil);
  EXPECT_EQ(objc::objectIvar(pane, "popover"), nil);
  ASSERT_TRUE(uikit::pickImage(picker, picture()).ok());
  EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil);
  EXPECT_TRUE(fs::exists(host(kPicture)));
  EXPECT_EQ(posted(), std::vector<std::string>{kSettingsChanged});
}

TEST_F(Pickers, ThePictureIsStoredWholeAsJPEGAtFullQuality) {
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  id pane = paneOnScreen("BGImage7");
  press(pane);
  id image = picture();
  ASSERT_TRUE(uikit::pickImage(shownPicker(), image).ok());
  EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil);
  auto bytes = fileBytes(kPicture);
  ASSERT_GT(bytes.size(), 3u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  auto expected = ns::bytesOf(UIImageJPEGRepresentation(image, 1.0));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected.begin(), expected.end()));
  id reread = send<id>(reinterpret_cast<id>(uikit::UIImageClass()), sel<"imageWithContentsOfFile:">(), ns::str(kPicture));
  ASSERT_NE(reread, nil);
  EXPECT_EQ(send<CGSize>(reread, sel<"size">()).width, 40);
  EXPECT_EQ(posted(), std::vector<std::string>{kSettingsChanged});
}

TEST_F(Pickers, TheLockPaneWritesOnlyTheLockPicture) {
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  press(paneOnScreen("LockBGController"));
  ASSERT_TRUE(uikit::pickImage(shownPicker(), picture()).ok());
  EXPECT_TRUE(fs::exists(host(kLockPicture)));
  EXPECT_FALSE(fs::exists(host(kPicture)));

  fs::remove(host(kLockPicture));
  press(paneOnScreen("BGController"));
  ASSERT_TRUE(uikit::pickImage(shownPicker(), picture()).ok());
  EXPECT_TRUE(fs::exists(host(kPicture)));
  EXPECT_FALSE(fs::exists(host(kLockPicture)));
}

TEST_F(Pickers, AFailedWriteStillClosesThePickerAndPosts) {
  fs::remove_all(host("/var/mobile/Library/Noctil"));
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  id pane = paneOnScreen("BGController");
  press(pane);
  ASSERT_TRUE(uikit::pickImage(shownPicker(), picture()).ok());
  EXPECT_FALSE(fs::exists(host(kPicture)));
  EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil);
  EXPECT_EQ(posted(), std::vector<std::string>{kSettingsChanged});
}

TEST_F(Pickers, NoPictureLeavesTheOldFile) {
  std::ofstream(host(kPicture)) << "old";
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  id pane = paneOnScreen("BGImage7");
  press(pane);
  id picker = shownPicker();
  ASSERT_NE(picker, nil);
  send<void>(pane, sel<"imagePickerController:didFinishPickingImage:editingInfo:">(), picker, static_cast<id>(nil),
             static_cast<id>(nil));
  EXPECT_EQ(fileBytes(kPicture), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil);
}

TEST_F(Pickers, CancellingTheLibraryOnAnIPadClosesItsPopover) {
  uikit::setUserInterfaceIdiom(1);
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  id pane = paneOnScreen("LockBGController", 768, 1024);
  press(pane);
  ASSERT_NE(objc::objectIvar(pane, "popover"), nil);
  ASSERT_TRUE(uikit::cancelImagePicker(shownPicker()).ok());
  EXPECT_EQ(objc::objectIvar(pane, "popover"), nil);
  EXPECT_TRUE(uikit::visiblePopovers().empty());
  EXPECT_FALSE(fs::exists(host(kLockPicture)));
  EXPECT_TRUE(posted(50).empty());

  // A second press while a popover is up replaces it: one popover on screen.
  press(pane);
  press(pane);
  EXPECT_EQ(uikit::visiblePopovers().size(), 1u);
  EXPECT_EQ(uikit::visiblePopovers().front(), objc::objectIvar(pane, "popover"));
}

TEST_F(Pickers, CancellingWritesAndPostsNothing) {
  uikit::setImagePickerSourceAvailable(UIImagePickerControllerSourceTypeCamera, false);
  id pane = paneOnScreen("BGImage7");
  press(pane);
  ASSERT_TRUE(uikit::cancelImagePicker(shownPicker()).ok());
  EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil);
  EXPECT_FALSE(fs::exists(host(kPicture)));
  EXPECT_TRUE(posted(50).empty());
}

// ---- Each picker closes itself, whatever was shown before it --------------------------

class PickerSequences : public Pickers {
 protected:
  // The pane action, then a source from its sheet: 0 the library, 1 the camera.
  void choose(id pane, NSInteger source) {
    press(pane);
    auto sheets = uikit::visibleActionSheets();
    ASSERT_EQ(sheets.size(), 1u);
    ASSERT_TRUE(uikit::tapActionSheetButton(sheets[0], source).ok());
    ASSERT_NE(shownPicker(), nil);
  }
  // A tap on the window beside the popover, near its bottom-left corner.
  void tapOutside() {
    CGRect bounds = send<CGRect>(window_.get(), sel<"bounds">());
    ASSERT_TRUE(uikit::sim::tap(window_.get(), CGPointMake(10, bounds.size.height - 10)).ok());
  }
  // Nothing left on screen or held: no picker, no popover, nothing presented.
  static void expectClosed(id pane, const char* step) {
    EXPECT_TRUE(uikit::shownImagePickers().empty()) << step;
    EXPECT_TRUE(uikit::visiblePopovers().empty()) << step;
    EXPECT_EQ(send<id>(pane, sel<"presentedViewController">()), nil) << step;
    EXPECT_EQ(objc::objectIvar(pane, "popover"), nil) << step;
  }
};

TEST_F(PickerSequences, OnAnIPadTheCameraClosesAfterATapOutsideClosedTheLibrary) {
  uikit::setUserInterfaceIdiom(1);
  id pane = paneOnScreen("BGImage7", 768, 1024);
  choose(pane, 0);
  id popover = objc::objectIvar(pane, "popover");
  ASSERT_NE(popover, nil);
  EXPECT_EQ(send<id>(popover, sel<"delegate">()), pane);
  tapOutside();
  expectClosed(pane, "after the tap outside the library");

  choose(pane, 1);
  id camera = shownPicker();
  EXPECT_EQ(send<NSInteger>(camera, sel<"sourceType">()), UIImagePickerControllerSourceTypeCamera);
  ASSERT_TRUE(uikit::pickImage(camera, picture()).ok());
  expectClosed(pane, "after the camera's picture");
  EXPECT_TRUE(fs::exists(host(kPicture)));
  EXPECT_EQ(posted(), std::vector<std::string>{kSettingsChanged});

  // The same with the camera cancelled.
  choose(pane, 0);
  tapOutside();
  choose(pane, 1);
  ASSERT_TRUE(uikit::cancelImagePicker(shownPicker()).ok());
  expectClosed(pane, "after the camera was cancelled");
  EXPECT_TRUE(posted(50).empty());
}

TEST_F(PickerSequences, OnAnIPadTheLibraryAfterTheCameraClosesItsPopover) {
  uikit::setUserInterfaceIdiom(1);
  id pane = paneOnScreen("BGController", 768, 1024);
  choose(pane, 1);
  ASSERT_TRUE(uikit::pickImage(shownPicker(), picture()).ok());
  expectClosed(pane, "after the camera's picture");

  choose(pane, 0);
  ASSERT_NE(objc::objectIvar(pane, "popover"), nil);
  ASSERT_TRUE(uikit::pickImage(shownPicker(), picture()).ok());
  expectClosed(pane, "after the library's picture");

  choose(pane, 1);
  ASSERT_TRUE(uikit::cancelImagePicker(shownPicker()).ok());
  choose(pane, 0);
  ASSERT_TRUE(uikit::cancelImagePicker(shownPicker()).ok());
  expectClosed(pane, "after both were cancelled");
}

TEST_F(PickerSequences, OnAPhoneEachSourceClosesItsOwnModalPicker) {
  id pane = paneOnScreen("LockBGController");
  for (NSInteger first : {0, 1}) {
    NSInteger second = 1 - first;
    choose(pane, first);
    ASSERT_TRUE(uikit::pickImage(shownPicker(), picture()).ok());
    expectClosed(pane, first == 0 ? "library, then camera: the first" : "camera, then library: the first");
    choose(pane, second);
    ASSERT_TRUE(uikit::cancelImagePicker(shownPicker()).ok());
    expectClosed(pane, first == 0 ? "library, then camera: the second" : "camera, then library: the second");
  }
  EXPECT_TRUE(fs::exists(host(kLockPicture)));
}
