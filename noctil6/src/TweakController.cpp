#include "TweakController.h"

#include "BackView.h"
#include "CustomPicture.h"
#include "HostAccess.h"
#include "Launch.h"
#include "LockScreen.h"
#include "Options.h"
#include "TopShelf.h"

#include <objcface/NSObject.h>

namespace noctil6 {
namespace {

using objc::sel;

struct NoctilIvars : NSObjectIvars {
  id springboard;  // the application object; not owned
};

id noctilInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, objc_lookUpClass("Noctil"), cmd);
  if (self == nil) return nil;
  objc::ivars<NoctilIvars>(self)->springboard = application();
  if (!fileExists(kNoctilDirectory)) {
    id manager = objc::send<id>(objc_lookUpClass("NSFileManager"), sel<"defaultManager">());
    objc::send<BOOL>(manager, sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(),
                     nsString(kNoctilDirectory), BOOL{YES}, id{nil}, static_cast<id*>(nullptr));
  }
  setScreenHeight(mainScreenHeight());
  return self;
}

id topApplication(id self, SEL) {
  id springboard = objc::ivars<NoctilIvars>(self)->springboard;
  SEL frontMost = sel<"_accessibilityFrontMostApplication">();
  if (springboard == nil || !objc::send<BOOL>(springboard, sel<"respondsToSelector:">(), frontMost)) return nil;
  return objc::send<id>(springboard, frontMost);
}

// Each accessor answers the lock-screen variant inside the lock context and the
// Notification Center option outside it (also on the lock screen while the camera is
// active).
BOOL transparentEnabled(id, SEL) { return inLockContext() ? options().lockTransparent : options().transparent; }
BOOL blurApplyToBack(id, SEL) {
  return inLockContext() ? options().lockBlurApplyToBack : options().blurApplyToBack;
}
float bgAlpha(id, SEL) { return inLockContext() ? options().lockBGAlpha : options().bgAlpha; }
BOOL blurEnabled(id, SEL) { return inLockContext() ? options().lockBlur : options().blur; }
float blurValue(id, SEL) { return inLockContext() ? options().lockBlurValue : options().blurValue; }
float cellBackAlpha(id, SEL) { return inLockContext() ? options().lockCellBackAlpha : options().cellBackAlpha; }
id tintColor(id, SEL) { return inLockContext() ? options().lockTintColor.get() : options().tintColor.get(); }

// The picture counts only when its file is there; the file system is asked only
// while the option is on.
BOOL bgImageEnabled(id, SEL) {
  if (inLockContext()) return options().lockBGImageEnabled && fileExists(kLockCustomBackgroundPath) ? YES : NO;
  return options().bgImageEnabled && fileExists(kCustomBackgroundPath) ? YES : NO;
}

// YES exactly when the view behind the list shows a snapshot of the screen, which
// must stay still while the list slides.
BOOL adjustBlurBackView(id self, SEL) {
  const BOOL transparent = objc::send<BOOL>(self, sel<"transparentEnabled">());
  const BOOL blur = objc::send<BOOL>(self, sel<"blurEnabled">());
  const BOOL picture = objc::send<BOOL>(self, sel<"bgImageEnabled">());
  if (transparent && blur && !picture) return YES;
  return objc::send<BOOL>(self, sel<"blurApplyToBack">()) && blur && picture ? YES : NO;
}

}  // namespace

void registerTweakControllerClass() {
  if (objc_lookUpClass("Noctil") != Nil) return;
  objc::ClassBuilder<NoctilIvars>("Noctil", objc_lookUpClass("NSObject"))
      .ivar<&NoctilIvars::springboard>("springboard")
      .method<&noctilInit>("init")
      .method<&topApplication>("topApplication")
      .method<&stopPlayingAlertIfNeeded>("stopPlayingAlertIfNeeded")
      .method<&unlockDevice>("unlockDevice")
      .method<&isPasswordProtected>("isPasswordProtected")
      .method<&lockBarUnlocked>("lockBarUnlocked")
      .method<&resetHomeButtonPress>("resetHomeButtonPress")
      .method<&hideListViewAnimateFinished>("hideListViewAnimateFinished")
      .method<&transparentEnabled>("transparentEnabled")
      .method<&blurApplyToBack>("blurApplyToBack")
      .method<&bgAlpha>("bgAlpha")
      .method<&bgImageEnabled>("bgImageEnabled")
      .method<&blurEnabled>("blurEnabled")
      .method<&blurValue>("blurValue")
      .method<&cellBackAlpha>("cellBackAlpha")
      .method<&tintColor>("tintColor")
      .method<&useBackView>("useBackView")
      .method<&adjustBlurBackView>("adjustBlurBackView")
      .method<&createCustomBGImage>("createCustomBGImage")
      .method<&delayShowListView>("delayShowListView")
      .method<&handleBBAction>("handleBBAction")
      .method<&enableLockStatusBarTime>("enableLockStatusBarTime:")
      .method<&topShelfHeight>("topShelfHeight")
      .registerClass();
}

}  // namespace noctil6
