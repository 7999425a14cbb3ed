#include "TweakController.h"

#include "Cells.h"
#include "Options.h"

#include <noctil/TintTable.h>
#include <objcface/NSObject.h>

namespace noctil7 {
namespace {

using objc::sel;

struct NoctilIvars : NSObjectIvars {
  id springboard;  // the application object; not owned
};

objc::Ref gCachedPicture;
NSInteger gOldInterfaceOrientation = 0;

id fileManager() { return objc::send<id>(objc_lookUpClass("NSFileManager"), sel<"defaultManager">()); }

id noctilInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, objc_lookUpClass("Noctil"), cmd);
  if (self == nil) return nil;
  objc::ivars<NoctilIvars>(self)->springboard = objc::send<id>(objc_lookUpClass("UIApplication"), sel<"sharedApplication">());
  id directory = nsString(kNoctilDirectory);
  if (!objc::send<BOOL>(fileManager(), sel<"fileExistsAtPath:">(), directory)) {
    objc::send<BOOL>(fileManager(), sel<"createDirectoryAtPath:withIntermediateDirectories:attributes:error:">(), directory,
                     BOOL{YES}, id{nil}, static_cast<id*>(nullptr));
  }
  return self;
}

BOOL bgImageEnabled(id, SEL) {
  return options().bgImageEnabled &&
                 objc::send<BOOL>(fileManager(), sel<"fileExistsAtPath:">(), nsString(kCustomBackgroundPath))
             ? YES
             : NO;
}

void createCustomBGImage(id, SEL) {
  id application = objc::send<id>(objc_lookUpClass("UIApplication"), sel<"sharedApplication">());
  NSInteger orientation = objc::send<NSInteger>(application, sel<"activeInterfaceOrientation">());
  if (orientation != gOldInterfaceOrientation) {
    gOldInterfaceOrientation = orientation;
    gCachedPicture.reset();
  }
  id screen = objc::send<id>(objc_lookUpClass("UIScreen"), sel<"mainScreen">());
  CGSize screenSize = objc::send<CGRect>(screen, sel<"bounds">()).size;
  // In landscape the box is as wide as the screen's long side with the portrait
  // proportions kept.
  CGSize box = (orientation == 3 || orientation == 4)
                   ? CGSizeMake(screenSize.height, screenSize.height * screenSize.height / screenSize.width)
                   : screenSize;
  if (gCachedPicture) return;
  id picture = objc::send<id>(objc_lookUpClass("UIImage"), sel<"imageWithContentsOfFile:">(), nsString(kCustomBackgroundPath));
  if (options().bgImageScaleToFill) picture = objc::send<id>(picture, sel<"ntScaleToSize:">(), box);
  gCachedPicture = objc::Ref::retain(picture);
}

id getTintColor(id, SEL) { return noctil::tintColorNamed(options().colorTint, 1.0); }

}  // namespace

void registerTweakControllerClass() {
  if (objc_lookUpClass("Noctil") != Nil) return;
  objc::ClassBuilder<NoctilIvars>("Noctil", objc_lookUpClass("NSObject"))
      .ivar<&NoctilIvars::springboard>("springboard")
      .method<&noctilInit>("init")
      .method<&bgImageEnabled>("bgImageEnabled")
      .method<&createCustomBGImage>("createCustomBGImage")
      .method<&getTintColor>("getTintColor")
      .registerClass();
}

id cachedBackgroundPicture() { return gCachedPicture.get(); }
void forgetCachedBackgroundPicture() { gCachedPicture.reset(); }
void resetBackgroundPictureState() {
  gCachedPicture.reset();
  gOldInterfaceOrientation = 0;
}

}  // namespace noctil7
