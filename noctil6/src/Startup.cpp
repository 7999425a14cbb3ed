// The load-time initialiser of the iOS 6 tweak.  It relies on the class SpringBoard
// being there, not on the host's bundle identifier: without it nothing at all
// happens.  Otherwise it installs the method table, observes the settings-changed
// notification and loads the options.
#include "BannerClosebox.h"
#include "MethodTable.h"
#include "Options.h"
#include "Startup.h"
#include "TweakController.h"

#include <noctil/ImageCategory.h>
#include <objcface/NSObject.h>

namespace noctil6 {

void start() {
  objc::AutoreleasePool pool;
  if (objc_getClass("SpringBoard") == Nil) return;
  registerTweakControllerClass();
  noctil::installImageCategory();
  installBannerCategory();
  installMethodTable();
  observeOptionChanges();
  loadOptions();
}

}  // namespace noctil6

// Runs once when the loader maps the library into its host.
[[gnu::constructor]] static void noctil6Initialiser() { noctil6::start(); }
