#include <preferences/PSListController.h>
#include <preferences/PSSpecifier.h>

#include "ListControllerParts.h"

#include <foundation/Bundle.h>
#include <foundation/NSArray.h>
#include <foundation/NSString.h>
#include <foundation/Plist.h>
#include <objcface/Send.h>

namespace preferences {

using objc::send;
using objc::sel;

namespace {

PSListControllerIvars* L(id self) { return objc::ivars<PSListControllerIvars>(self); }

void assignRetained(id& slot, id value) {
  if (slot == value) return;
  id old = slot;
  slot = objc::retain(value);
  objc::release(old);
}

id listInit(id self, SEL) { return objc::sendSuper<id>(self, PSListControllerClass(), sel<"init">()); }
id listInitForContentSize(id self, SEL, CGSize) { return send<id>(self, sel<"init">()); }

void listDealloc(id self, SEL cmd) {
  auto* l = L(self);
  // The table may outlive the pane (a window still holding it): it must not call back.
  if (send<BOOL>(self, sel<"isViewLoaded">())) {
    id view = send<id>(self, sel<"view">());
    if (objc::responds(view, sel<"setDataSource:">()) && send<id>(view, sel<"dataSource">()) == self) {
      send<void>(view, sel<"setDataSource:">(), static_cast<id>(nil));
      send<void>(view, sel<"setDelegate:">(), static_cast<id>(nil));
    }
  }
  for (id* slot : {&l->_specifiers, &l->_specifier, &l->_plistTitle}) {
    objc::release(*slot);
    *slot = nil;
  }
  objc::sendSuper<void>(self, PSListControllerClass(), cmd);
}

id listSpecifiers(id self, SEL) { return L(self)->_specifiers; }
void listSetSpecifiers(id self, SEL, id specifiers) {
  id copy = specifiers ? send<id>(specifiers, sel<"copy">()) : nil;
  objc::release(L(self)->_specifiers);
  L(self)->_specifiers = copy;
}
id listSpecifier(id self, SEL) { return L(self)->_specifier; }
void listSetSpecifier(id self, SEL, id specifier) { assignRetained(L(self)->_specifier, specifier); }
id listParent(id self, SEL) { return L(self)->_parentController; }
void listSetParent(id self, SEL, id parent) { L(self)->_parentController = parent; }
id listRoot(id self, SEL) { return L(self)->_rootController; }
void listSetRoot(id self, SEL, id root) { L(self)->_rootController = root; }

// The bundle whose code defines this pane's class; a pane from elsewhere uses its
// parent's bundle, and a pane without either the main bundle, as the framework does.
id listBundle(id self, SEL) {
  if (id bundle = detail::registeredBundleForClass(object_getClass(self))) return bundle;
  if (id parent = L(self)->_parentController) return send<id>(parent, sel<"bundle">());
  return ns::mainBundle();
}

id listLoadSpecifiers(id self, SEL, id name, id target) {
  id bundle = send<id>(self, sel<"bundle">());
  id path = name ? send<id>(bundle, sel<"pathForResource:ofType:">(), name, ns::str("plist")) : nil;
  if (!path) return ns::mutableArray();
  auto plist = ns::readPropertyListFile(ns::utf8View(path));
  if (!plist) return ns::mutableArray();
  id title = send<id>(plist->get(), sel<"objectForKey:">(), ns::str("title"));
  if (ns::isString(title)) assignRetained(L(self)->_plistTitle, title);
  auto list = specifiersFromPlist(plist->get(), target);
  return objc::autorelease(list.specifiers.leak());
}

// The list shows the specifiers' current titles and values again.
void listReload(id self, SEL) {
  ++L(self)->_reloadCount;
  if (send<BOOL>(self, sel<"isViewLoaded">())) {
    id view = send<id>(self, sel<"view">());
    if (objc::responds(view, sel<"reloadData">())) send<void>(view, sel<"reloadData">());
  }
}

void listReloadSpecifiers(id self, SEL) {
  listSetSpecifiers(self, nullptr, nil);
  send<id>(self, sel<"specifiers">());
  send<void>(self, sel<"reload">());
}

void listReloadSpecifier(id self, SEL, id) { send<void>(self, sel<"reload">()); }

id listSpecifierForID(id self, SEL, id identifier) {
  if (!identifier) return nil;
  for (id rowSpecifier : ns::elements(send<id>(self, sel<"specifiers">()))) {
    id own = send<id>(rowSpecifier, sel<"identifier">());
    if (own && send<BOOL>(own, sel<"isEqual:">(), identifier)) return rowSpecifier;
  }
  return nil;
}

NSInteger listIndexOfSpecifier(id self, SEL, id specifier) {
  NSInteger index = 0;
  for (id rowSpecifier : ns::elements(send<id>(self, sel<"specifiers">()))) {
    if (rowSpecifier == specifier) return index;
    ++index;
  }
  return NSNotFound;
}

id listNavigationTitle(id self, SEL) {
  id title = send<id>(self, sel<"title">());
  if (title && send<NSUInteger>(title, sel<"length">()) > 0) return title;
  if (L(self)->_plistTitle) return L(self)->_plistTitle;
  return send<id>(L(self)->_specifier, sel<"name">());
}

void listViewDidLoad(id self, SEL cmd) { objc::sendSuper<void>(self, PSListControllerClass(), cmd); }

void listPushControllerAnimate(id self, SEL, id controller, BOOL animate) {
  if (!controller) return;
  send<void>(controller, sel<"setParentController:">(), self);
  id root = L(self)->_rootController;
  send<void>(controller, sel<"setRootController:">(), root);
  if (root) send<void>(root, sel<"pushController:animated:">(), controller, animate);
}
void listPushController(id self, SEL, id controller) { listPushControllerAnimate(self, nullptr, controller, YES); }

}  // namespace

NSInteger reloadCount(id controller) { return controller ? L(controller)->_reloadCount : 0; }

Class PSListControllerClass() {
  static const Class cls =
      objc::ClassBuilder<PSListControllerIvars>("PSListController", uikit::UIViewControllerClass())
          .ivar<&PSListControllerIvars::_specifiers>("_specifiers")
          .ivar<&PSListControllerIvars::_specifier>("_specifier")
          .ivar<&PSListControllerIvars::_parentController>("_parentController")
          .ivar<&PSListControllerIvars::_rootController>("_rootController")
          .ivar<&PSListControllerIvars::_plistTitle>("_plistTitle")
          .ivar<&PSListControllerIvars::_reloadCount>("_reloadCount")
          .method<&listInit>("init")
          .method<&listInitForContentSize>("initForContentSize:")
          .method<&listDealloc>("dealloc")
          .method<&listSpecifiers>("specifiers")
          .method<&listSetSpecifiers>("setSpecifiers:")
          .method<&listSpecifier>("specifier")
          .method<&listSetSpecifier>("setSpecifier:")
          .method<&listParent>("parentController")
          .method<&listSetParent>("setParentController:")
          .method<&listRoot>("rootController")
          .method<&listSetRoot>("setRootController:")
          .method<&listBundle>("bundle")
          .method<&listLoadSpecifiers>("loadSpecifiersFromPlistName:target:")
          .method<&listReload>("reload")
          .method<&listReloadSpecifiers>("reloadSpecifiers")
          .method<&listReloadSpecifier>("reloadSpecifier:")
          .method<&listSpecifierForID>("specifierForID:")
          .method<&listIndexOfSpecifier>("indexOfSpecifier:")
          .method<&listNavigationTitle>("navigationTitle")
          .method<&listViewDidLoad>("viewDidLoad")
          .method<&listPushController>("pushController:")
          .method<&listPushControllerAnimate>("pushController:animate:")
          .method<&detail::loadTableView>("loadView")
          .method<&detail::numberOfSections>("numberOfSectionsInTableView:")
          .method<&detail::numberOfRows>("tableView:numberOfRowsInSection:")
          .method<&detail::titleForHeader>("tableView:titleForHeaderInSection:")
          .method<&detail::titleForFooter>("tableView:titleForFooterInSection:")
          .method<&detail::cellForRow>("tableView:cellForRowAtIndexPath:")
          .method<&detail::didSelectRow>("tableView:didSelectRowAtIndexPath:")
          .method<&detail::readPreferenceValue>("readPreferenceValue:")
          .method<&detail::setPreferenceValue>("setPreferenceValue:specifier:")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kPSListControllerAtLoad = PSListControllerClass();

}  // namespace preferences
