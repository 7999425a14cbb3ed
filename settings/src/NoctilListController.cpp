#include "NoctilListController.h"

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>

namespace noctil::settings {

using objc::send;
using objc::sel;

namespace {

NoctilListControllerIvars* N(id self) { return objc::ivars<NoctilListControllerIvars>(self); }

void viewDidLoad(id self, SEL cmd) {
  objc::sendSuper<void>(self, NoctilListControllerClass(), cmd);
  id label = send<id>(send<id>(self, sel<"specifier">()), sel<"propertyForKey:">(), ns::str("label"));
  send<void>(self, sel<"setTitle:">(), send<id>(self, sel<"localizedString:">(), label));
}

// A redisplay of the list with the specifiers it has; `reloading` tells the pane's
// own code that the redisplay is under way.
void reloadSpecifiers(id self, SEL) {
  send<void>(self, sel<"setReloading:">(), static_cast<BOOL>(YES));
  send<void>(self, sel<"reload">());
  send<void>(self, sel<"setReloading:">(), static_cast<BOOL>(NO));
}

id specifiers(id self, SEL) { return loadPaneSpecifiers(self, "Root"); }

id localizedSpecifiersWithSpecifiers(id self, SEL, id specifiers) {
  for (id rowSpecifier : ns::elements(specifiers)) {
    if (id name = send<id>(rowSpecifier, sel<"name">())) {
      send<void>(rowSpecifier, sel<"setName:">(), send<id>(self, sel<"localizedString:">(), name));
    }
    id footerKey = ns::str("footerText");
    if (id footer = send<id>(rowSpecifier, sel<"propertyForKey:">(), footerKey)) {
      send<void>(rowSpecifier, sel<"setProperty:forKey:">(), send<id>(self, sel<"localizedString:">(), footer), footerKey);
    }
    if (id titles = send<id>(rowSpecifier, sel<"titleDictionary">())) {
      // The stored values (the keys) stay as they are; only their titles change.
      id localizedTitles = ns::mutableDictionary();
      for (auto [value, title] : ns::entries(titles)) {
        send<void>(localizedTitles, sel<"setObject:forKey:">(), send<id>(self, sel<"localizedString:">(), title), value);
      }
      send<void>(rowSpecifier, sel<"setTitleDictionary:">(), localizedTitles);
    }
  }
  return specifiers;
}

id localizedString(id self, SEL, id string) {
  return send<id>(send<id>(self, sel<"bundle">()), sel<"localizedStringForKey:value:table:">(), string, string,
                  static_cast<id>(nil));
}

id navigationTitle(id self, SEL cmd) {
  id title = objc::sendSuper<id>(self, NoctilListControllerClass(), cmd);
  return send<id>(self, sel<"localizedString:">(), title);
}

BOOL reloading(id self, SEL) { return N(self)->_reloading; }
void setReloading(id self, SEL, BOOL value) { N(self)->_reloading = value; }

}  // namespace

id loadPaneSpecifiers(id pane, const char* plistName) {
  auto* ivars = objc::ivars<PSListControllerIvars>(pane);
  if (ivars->_specifiers) return ivars->_specifiers;
  id loaded = send<id>(pane, sel<"loadSpecifiersFromPlistName:target:">(), ns::str(plistName), pane);
  id localized = send<id>(pane, sel<"localizedSpecifiersWithSpecifiers:">(), loaded);
  ivars->_specifiers = objc::retain(localized);
  return ivars->_specifiers;
}

id localized(id pane, const char* text) { return send<id>(pane, sel<"localizedString:">(), ns::str(text)); }

Class NoctilListControllerClass() {
  static const Class cls =
      objc::ClassBuilder<NoctilListControllerIvars>("NoctilListController", preferences::PSListControllerClass())
          .ivar<&NoctilListControllerIvars::_reloading>("_reloading")
          .method<&viewDidLoad>("viewDidLoad")
          .method<&reloadSpecifiers>("reloadSpecifiers")
          .method<&specifiers>("specifiers")
          .method<&localizedSpecifiersWithSpecifiers>("localizedSpecifiersWithSpecifiers:")
          .method<&localizedString>("localizedString:")
          .method<&navigationTitle>("navigationTitle")
          .method<&reloading>("reloading")
          .method<&setReloading>("setReloading:")
          .registerClass();
  return cls;
}

}  // namespace noctil::settings
