// Noctil7's options loader on any bytes as the options file, then everything that
// reads the options: the tweak controller's accessors and the folded set.  Whatever
// the file holds, nothing crashes and the loader's rules hold afterwards ("Enabled"
// off switches the features off; "Collapsible" off leaves no folded set).
#include "OptionsFuzzing.h"

#include "FoldedSections.h"
#include "Options.h"
#include "TweakController.h"

#include <foundation/Foundation.h>
#include <objcface/NSObject.h>

#include <cstdlib>

namespace {

using objc::sel;

id controller() {
  static objc::Ref made = [] {
    fuzzing::deviceRoot();
    noctil7::registerTweakControllerClass();
    return objc::Ref::adopt(objc::allocInit(objc_lookUpClass("Noctil")));
  }();
  return made.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  objc::AutoreleasePool pool;
  id noctil = controller();
  fuzzing::writeOptionsFile(data, size);
  noctil7::loadOptions();
  const noctil7::Options& o = noctil7::options();

  if (!o.enabled && (o.collapsible || o.actionMenuEnabled || o.removeBadge || o.markSMSAsRead ||
                     o.bgSettingsEnabled || o.bgImageEnabled || o.colorTint))
    std::abort();
  if (!o.collapsible && o.foldedSections) std::abort();
  if (o.foldedSections && !objc::send<BOOL>(o.foldedSections.get(), sel<"isKindOfClass:">(),
                                            objc_lookUpClass("NSMutableArray")))
    std::abort();

  (void)objc::send<BOOL>(noctil, sel<"bgImageEnabled">());
  (void)objc::send<id>(noctil, sel<"getTintColor">());
  (void)noctil7::isSectionFolded(ns::str("com.apple.MobileSMS"));
  if (o.foldedSections) {
    for (id section : ns::elements(o.foldedSections.get()))
      if (!noctil7::isSectionFolded(section)) std::abort();
  }
  volatile double sum = o.blurValue + o.grayscaleValue + o.colorTintAlpha + o.bgImageBlurValue + o.bgImageAlpha +
                        o.bgImageGrayscaleValue;
  (void)sum;
  return 0;
}
