// Noctil6's options loader on any bytes as the options file, then everything that
// reads the options: the tweak controller's accessors and the folded set.  Whatever
// the file holds, nothing crashes and the loader's rules hold afterwards (the
// master switch turns the features off, tints need a transparent list, folding off
// leaves no folded set).
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
    noctil6::registerTweakControllerClass();
    return objc::Ref::adopt(objc::allocInit(objc_lookUpClass("Noctil")));
  }();
  return made.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  objc::AutoreleasePool pool;
  id noctil = controller();
  fuzzing::writeOptionsFile(data, size);
  noctil6::loadOptions();
  const noctil6::Options& o = noctil6::options();

  if (!o.noctilEnabled && (o.bannerClosebox || o.collapsible || o.swipeToDelete || o.transparent || o.blur ||
                           o.bgImageEnabled || o.lockEnabled || o.lockBGImageEnabled || o.tintColor ||
                           o.lockTintColor || o.defaultShow != 0 || o.topShelfWidgets != 0))
    std::abort();
  if (!o.transparent && o.tintColor) std::abort();
  if (!o.lockTransparent && o.lockTintColor) std::abort();
  if (!o.collapsible && o.collapsibleSections) std::abort();

  for (const char* accessor : {"transparentEnabled", "blurApplyToBack", "bgImageEnabled", "blurEnabled"})
    (void)objc::send<BOOL>(noctil, sel_registerName(accessor));
  for (const char* accessor : {"bgAlpha", "blurValue", "cellBackAlpha"})
    (void)objc::send<float>(noctil, sel_registerName(accessor));
  (void)objc::send<id>(noctil, sel<"tintColor">());
  (void)noctil6::isSectionFolded(ns::str("com.apple.MobileSMS"));
  if (o.collapsibleSections) {
    for (id section : ns::elements(o.collapsibleSections.get()))
      if (!noctil6::isSectionFolded(section)) std::abort();
  }
  if (o.noNotificationsText) (void)objc::send<id>(o.noNotificationsText.get(), sel<"description">());
  return 0;
}
