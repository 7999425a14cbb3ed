#include "Launch.h"

#include <objcface/NSObject.h>

namespace noctil6 {
namespace {

BOOL gLaunched = NO;
objc::Ref gTweakController;
CGFloat gScreenHeight = 0;

}  // namespace

BOOL launched() { return gLaunched; }
id tweakController() { return gTweakController.get(); }

void didFinishLaunching() {
  gLaunched = YES;
  gTweakController = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("Noctil")));
}

CGFloat screenHeight() { return gScreenHeight; }
void setScreenHeight(CGFloat height) { gScreenHeight = height; }

void resetLaunchState() {
  gLaunched = NO;
  gTweakController.reset();
  gScreenHeight = 0;
}

}  // namespace noctil6
