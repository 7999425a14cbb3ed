// The load-time initialiser of the iOS 7 tweak.  In SpringBoard it installs the
// method table, observes the settings-changed notification and loads the options;
// in MobileSMS it only starts the message-read service; anywhere else it does
// nothing.
#include "Launch.h"
#include "MessageReadService.h"
#include "MethodTable.h"
#include "Options.h"
#include "Startup.h"
#include "TweakController.h"

#include <noctil/ImageCategory.h>
#include <objcface/NSObject.h>

#include <cstring>

namespace noctil7 {

void start() {
  objc::AutoreleasePool pool;
  registerTweakControllerClass();
  registerServiceClass();
  id bundle = objc::send<id>(objc_lookUpClass("NSBundle"), objc::sel<"mainBundle">());
  id identifier = objc::send<id>(bundle, objc::sel<"bundleIdentifier">());
  const char* name = objc::send<const char*>(identifier, objc::sel<"UTF8String">());
  if (name == nullptr) return;
  if (std::strcmp(name, "com.apple.springboard") == 0) {
    noctil::installImageCategory();
    resetOptions();
    installMethodTable();
    observeOptionChanges();
    loadOptions();
  } else if (std::strcmp(name, "com.apple.MobileSMS") == 0) {
    startService();
  }
}

}  // namespace noctil7

// Runs once when the loader maps the library into its host.
[[gnu::constructor]] static void noctil7Initialiser() { noctil7::start(); }
