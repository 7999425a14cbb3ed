// PSListItemsController: the pane a multiple-choice row opens, one row per choice
// titled from the row's titleDictionary, the current choice marked by the host.
#include <preferences/PSListController.h>
#include <preferences/PSSpecifier.h>

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>
#include <objcface/Send.h>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

id itemsSpecifiers(id self, SEL) {
  auto* l = objc::ivars<PSListControllerIvars>(self);
  if (l->_specifiers) return l->_specifiers;
  id list = ns::mutableArray();
  id row = l->_specifier;
  send<void>(list, sel<"addObject:">(),
             send<id>(reinterpret_cast<id>(PSSpecifierClass()), sel<"groupSpecifierWithName:">(),
                      send<id>(row, sel<"name">())));
  id titles = send<id>(row, sel<"titleDictionary">());
  for (id value : ns::elements(send<id>(row, sel<"values">()))) {
    id title = titles ? send<id>(titles, sel<"objectForKey:">(), value) : nil;
    if (!title) title = send<id>(value, sel<"description">());
    id item = send<id>(reinterpret_cast<id>(PSSpecifierClass()),
                       sel<"preferenceSpecifierNamed:target:set:get:detail:cell:edit:">(), title, self,
                       static_cast<SEL>(nullptr), static_cast<SEL>(nullptr), static_cast<Class>(Nil), PSListItemCell,
                       static_cast<Class>(Nil));
    send<void>(item, sel<"setProperty:forKey:">(), value, ns::str("value"));
    send<void>(list, sel<"addObject:">(), item);
  }
  l->_specifiers = send<id>(list, sel<"copy">());
  return l->_specifiers;
}

}  // namespace

Class PSListItemsControllerClass() {
  static const Class cls = objc::ClassBuilder<PSListControllerIvars>("PSListItemsController", PSListControllerClass())
                               .method<&itemsSpecifiers>("specifiers")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kPSListItemsControllerAtLoad = PSListItemsControllerClass();

}  // namespace preferences
