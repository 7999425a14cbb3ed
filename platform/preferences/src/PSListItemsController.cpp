// PSListItemsController: the pane a multiple-choice row opens, one row per choice
// titled from the row's titleDictionary.  Choosing a row stores its value through
// the multiple-choice row's own setter, as the Settings app does.
#include <preferences/PSListController.h>
#include <preferences/PSSpecifier.h>
#include <preferences/PreferenceRows.h>

#include <foundation/NSArray.h>
#include <foundation/NSDictionary.h>
#include <foundation/NSString.h>
#include <foundation/Object.h>
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
    send<void>(item, sel<"setButtonAction:">(), sel<"listItemSelected:">());
    send<void>(list, sel<"addObject:">(), item);
  }
  l->_specifiers = send<id>(list, sel<"copy">());
  return l->_specifiers;
}

// The choice's value goes to the multiple-choice row through its setter on its pane;
// the pane that opened this one then shows the new title.
void listItemSelected(id self, SEL, id item) {
  id row = objc::ivars<PSListControllerIvars>(self)->_specifier;
  id target = send<id>(row, sel<"target">());
  SEL setter = send<SEL>(row, sel<"setter">());
  if (!target || !setter || !objc::responds(target, setter)) return;
  send<void>(target, setter, send<id>(item, sel<"propertyForKey:">(), ns::str("value")), row);
  if (objc::responds(target, sel<"reloadSpecifier:">())) send<void>(target, sel<"reloadSpecifier:">(), row);
  send<void>(self, sel<"reload">());
}

}  // namespace

bool isChosenItem(id item) {
  id pane = send<id>(item, sel<"target">());
  if (!pane || !ns::isKind(pane, PSListItemsControllerClass())) return false;
  id row = objc::ivars<PSListControllerIvars>(pane)->_specifier;
  id current = rowValue(row);
  id value = send<id>(item, sel<"propertyForKey:">(), ns::str("value"));
  return current && value && send<BOOL>(current, sel<"isEqual:">(), value);
}

Class PSListItemsControllerClass() {
  static const Class cls = objc::ClassBuilder<PSListControllerIvars>("PSListItemsController", PSListControllerClass())
                               .method<&itemsSpecifiers>("specifiers")
                               .method<&listItemSelected>("listItemSelected:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kPSListItemsControllerAtLoad = PSListItemsControllerClass();

}  // namespace preferences
