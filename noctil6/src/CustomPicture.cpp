#include "CustomPicture.h"

#include "BackgroundOptions.h"
#include "ListBackground.h"
#include "Options.h"
#include "TweakController.h"

#include <objcface/NSObject.h>

namespace noctil6 {

using objc::sel;

hook::Slot<id()> gLinen;
hook::Slot<void(NSInteger)> gOrientationChanged;

namespace {

// While YES, +linen answers the platform's linen once and clears the flag: how the
// picture code reaches the texture it stands in for.
BOOL gLinenPassthrough = NO;

// The orientation each context's picture was made for.  A picture is made again when
// the device has turned since, also when it turned while the other context was in
// use (the lock screen's picture must not keep the size of an earlier orientation
// because only Notification Center's was rebuilt).
NSInteger gLockPictureOrientation = 0;
NSInteger gCenterPictureOrientation = 0;

constexpr CGFloat kPadPictureWidth = 480.0;

NSInteger activeOrientation() { return ask<NSInteger>(application(), sel<"activeInterfaceOrientation">()); }

struct ContextPicture {
  objc::Ref& picture;
  NSInteger& orientation;
  const char* path;
};

ContextPicture currentContext() {
  BackgroundCaches& caches = backgroundCaches();
  if (inLockContext()) return {caches.lockPicture, gLockPictureOrientation, kLockCustomBackgroundPath};
  return {caches.centerPicture, gCenterPictureOrientation, kCustomBackgroundPath};
}

id listViewClass() { return classObject("SBBulletinListView"); }

}  // namespace

id platformLinen() {
  id cls = listViewClass();
  if (cls == nil) return nil;
  gLinenPassthrough = YES;
  id linen = objc::send<id>(cls, sel<"linen">());
  // Should +linen not be the replacement (never installed), the flag must not linger.
  gLinenPassthrough = NO;
  return linen;
}

CGSize customPictureBox(NSInteger orientation) {
  CGSize screen = ask<CGRect>(ask(classObject("UIScreen"), sel<"mainScreen">()), sel<"bounds">()).size;
  CGFloat w = screen.width;
  const CGFloat h = screen.height;
  if (isPad()) w = kPadPictureWidth;
  if (orientation == 3 || orientation == 4) return CGSizeMake(h, w > 0 ? h * h / w : 0);
  return CGSizeMake(w, h);
}

void createCustomBGImage(id, SEL) {
  objc::AutoreleasePool pool;
  const NSInteger orientation = activeOrientation();
  ContextPicture context = currentContext();
  if (context.picture && context.orientation == orientation) return;
  context.picture.reset();
  context.orientation = orientation;
  const CGSize box = customPictureBox(orientation);

  // No file: the platform's linen stands in for the picture.
  if (!fileExists(context.path)) {
    context.picture = objc::Ref::retain(platformLinen());
    return;
  }
  id loaded = objc::send<id>(classObject("UIImage"), sel<"imageWithContentsOfFile:">(), nsString(context.path));
  id made = nil;
  if (loaded != nil) {
    if (options().scaleToFill) {
      made = objc::send<id>(loaded, sel<"ntScaleToSize:">(), box);
    } else {
      made = objc::send<id>(loaded, sel<"ntDrawInImage:size:">(), platformLinen(), box);
    }
  }
  // A file that is not a picture (damaged, or something else saved under the name)
  // is treated as a missing one rather than leaving the list without a backdrop.
  context.picture = objc::Ref::retain(made != nil ? made : platformLinen());
}

id currentCustomPicture() { return currentContext().picture.get(); }

id linenReplacement(id self, SEL cmd) {
  if (gLinenPassthrough) {
    gLinenPassthrough = NO;
    return gLinen(self, cmd);
  }
  const BOOL transparent = background::transparentEnabled();
  const BOOL picture = background::bgImageEnabled();
  if (transparent || (picture && background::blurEnabled()) || (picture && background::cellBackAlpha() != 0)) {
    // No such picture exists: the list gets no texture over what lies behind it.
    return objc::send<id>(classObject("UIImage"), sel<"imageNamed:">(), nsString("nil"));
  }
  if (!picture) return gLinen(self, cmd);
  ask<void>(tweakController(), sel<"createCustomBGImage">());
  id cached = currentCustomPicture();
  return cached != nil ? cached : gLinen(self, cmd);
}

void orientationChangedReplacement(id self, SEL cmd, NSInteger orientation) {
  if (background::bgImageEnabled()) ask<void>(tweakController(), sel<"createCustomBGImage">());
  gOrientationChanged(self, cmd, orientation);
}

void resetCustomPictureState() {
  gLockPictureOrientation = 0;
  gCenterPictureOrientation = 0;
  gLinenPassthrough = NO;
}

}  // namespace noctil6
