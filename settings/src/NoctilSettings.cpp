// The root pane, chosen by the running OS, and the pane of the maker's other
// packages.
#include "NoctilListController.h"

#include <foundation/NSArray.h>
#include <foundation/NSString.h>
#include <foundation/NSURL.h>

namespace noctil::settings {

using objc::send;
using objc::sel;

namespace {

// Addresses that cannot reach anything: the maker's site and package pages are
// placeholders under the reserved ".invalid" domain.
constexpr const char* kWebsite = "https://trelmo.example.invalid/";
constexpr const char* kPackagePageBase = "https://packages.example.invalid/package/";

void openAddress(const std::string& address) {
  id url = send<id>(reinterpret_cast<id>(objc::classNamed("NSURL")), sel<"URLWithString:">(), ns::str(address));
  if (!url) return;  // a link that cannot be opened is ignored
  id application = send<id>(reinterpret_cast<id>(objc::classNamed("UIApplication")), sel<"sharedApplication">());
  send<BOOL>(application, sel<"openURL:">(), url);
}

// iOS 6 panes for a version below 7.0, iOS 7 panes otherwise.  The version is read
// as a float, so "6.1.3" is 6.1 and text that is not a number is 0.
id rootSpecifiers(id self, SEL) {
  if (id kept = objc::ivars<PSListControllerIvars>(self)->_specifiers) return kept;
  id device = send<id>(reinterpret_cast<id>(objc::classNamed("UIDevice")), sel<"currentDevice">());
  float version = send<float>(send<id>(device, sel<"systemVersion">()), sel<"floatValue">());
  return loadPaneSpecifiers(self, version < 7.0f ? "Root" : "Root7");
}

void visitWebsite(id, SEL) { openAddress(kWebsite); }

// The button of the folded-sections row: stores an empty folded set through the
// row's own preference machinery, so every section unfolds once the tweak reloads.
void unfoldAllSections(id self, SEL, id specifier) {
  send<void>(self, sel<"setPreferenceValue:specifier:">(), ns::array({}), specifier);
  send<void>(self, sel<"reloadSpecifier:">(), specifier);
}

template <objc::FixedString Package>
void openPackage(id, SEL) {
  openAddress(std::string(kPackagePageBase) + "com.trelmo." + Package.value);
}

}  // namespace

Class NoctilSettingsClass() {
  static const Class cls = objc::ClassBuilder<NoctilListControllerIvars>("NoctilSettings", NoctilListControllerClass())
                               .method<&rootSpecifiers>("specifiers")
                               .method<&visitWebsite>("visitWebsite")
                               .method<&unfoldAllSections>("unfoldAllSections:")
                               .registerClass();
  return cls;
}

Class MoreAppsControllerClass() {
  static const Class cls =
      objc::ClassBuilder<NoctilListControllerIvars>("MoreAppsController", NoctilListControllerClass())
          .method<&paneSpecifiers<"MoreApps">>("specifiers")
          .method<&openPackage<"lanternfly">>("openLanternfly")
          .method<&openPackage<"quillwort">>("openQuillwort")
          .method<&openPackage<"bramblecount">>("openBramblecount")
          .method<&openPackage<"tidemark">>("openTidemark")
          .method<&openPackage<"fernglass">>("openFernglass")
          .method<&openPackage<"cobblestep">>("openCobblestep")
          .method<&openPackage<"mothlight">>("openMothlight")
          .registerClass();
  return cls;
}

}  // namespace noctil::settings
