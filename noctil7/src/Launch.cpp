#include "Launch.h"

#include <objcface/NSObject.h>

namespace noctil7 {
namespace {

BOOL gLaunched = NO;
objc::Ref gTweakController;

}  // namespace

BOOL launched() { return gLaunched; }
id tweakController() { return gTweakController.get(); }

void didFinishLaunching() {
  gLaunched = YES;
  gTweakController = objc::Ref::adopt(objc::allocInit(objc_lookUpClass("Noctil")));
}

void resetLaunchState() {
  gLaunched = NO;
  gTweakController.reset();
}

}  // namespace noctil7
