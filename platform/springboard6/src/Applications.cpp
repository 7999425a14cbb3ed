// The apps of the home screen as SpringBoard knows them: SBApplication (one per
// installed app) and SBApplicationController, which hands them out by display
// identifier.
#include "Classes.h"
#include "Common.h"

#include <foundation/NSString.h>

namespace sb6::detail {
namespace {

struct ApplicationIvars : NSObjectIvars {
  id _displayIdentifier;  // NSString, copied
  id _displayName;        // NSString, copied

  id displayIdentifier() { return _displayIdentifier; }
  id displayName() { return _displayName; }
};

id applicationInit(id self, SEL, id identifier) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBApplication"), sel<"init">());
  if (!self) return nil;
  auto* app = objc::ivars<ApplicationIvars>(self);
  app->_displayIdentifier = send<id>(identifier, sel<"copy">());
  app->_displayName = objc::retain(str(appDisplayName(text(identifier))));
  return self;
}

// The display identifier is in the description, as SpringBoard's own logs show it.
id applicationDescription(id self, SEL) {
  auto* app = objc::ivars<ApplicationIvars>(self);
  return ns::format("<SBApplication: %p> %s", static_cast<void*>(self), text(app->_displayIdentifier).c_str());
}

void applicationDealloc(id self, SEL cmd) {
  auto* app = objc::ivars<ApplicationIvars>(self);
  clear(app->_displayIdentifier);
  clear(app->_displayName);
  objc::sendSuper<void>(self, objc::classNamed("SBApplication"), cmd);
}

struct ApplicationControllerIvars : NSObjectIvars {
  id _applicationsByIdentifier;  // NSMutableDictionary: display identifier → SBApplication
};

id controllerShared(id, SEL) {
  id& slot = sharedSlot("SBApplicationController");
  if (!slot) slot = newObject("SBApplicationController");
  return slot;
}

id controllerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBApplicationController"), cmd);
  if (self) objc::ivars<ApplicationControllerIvars>(self)->_applicationsByIdentifier = objc::retain(mutableDictionary());
  return self;
}

// The app of an installed bundle, made on first use; nil for anything else.
id controllerApplication(id self, SEL, id identifier) {
  if (identifier == nil || !isInstalled(text(identifier))) return nil;
  id all = objc::ivars<ApplicationControllerIvars>(self)->_applicationsByIdentifier;
  if (id known = send<id>(all, sel<"objectForKey:">(), identifier)) return known;
  objc::Ref made = objc::Ref::adopt(
      send<id>(send<id>(objc::classNamed("SBApplication"), sel<"alloc">()), sel<"initWithDisplayIdentifier:">(), identifier));
  send<void>(all, sel<"setObject:forKey:">(), made.get(), identifier);
  return made.get();
}

id controllerAllApplications(id self, SEL) {
  id list = mutableArray();
  for (const auto& bundleID : installedApps()) {
    send<void>(list, sel<"addObject:">(), controllerApplication(self, nullptr, str(bundleID)));
  }
  return list;
}

void controllerDealloc(id self, SEL cmd) {
  clear(objc::ivars<ApplicationControllerIvars>(self)->_applicationsByIdentifier);
  objc::sendSuper<void>(self, objc::classNamed("SBApplicationController"), cmd);
}

}  // namespace

void registerApplicationModelClasses() {
  objc::ClassBuilder<ApplicationIvars>("SBApplication", objc::NSObjectClass())
      .ivar<&ApplicationIvars::_displayIdentifier>("_displayIdentifier")
      .ivar<&ApplicationIvars::_displayName>("_displayName")
      .method<&applicationInit>("initWithDisplayIdentifier:")
      .method<&ApplicationIvars::displayIdentifier>("displayIdentifier")
      .method<&ApplicationIvars::displayIdentifier>("bundleIdentifier")
      .method<&ApplicationIvars::displayName>("displayName")
      .method<&applicationDescription>("description")
      .method<&applicationDealloc>("dealloc")
      .registerClass();
  objc::ClassBuilder<ApplicationControllerIvars>("SBApplicationController", objc::NSObjectClass())
      .ivar<&ApplicationControllerIvars::_applicationsByIdentifier>("_applicationsByIdentifier")
      .method<&controllerInit>("init")
      .method<&controllerApplication>("applicationWithDisplayIdentifier:")
      .method<&controllerAllApplications>("allApplications")
      .method<&controllerDealloc>("dealloc")
      .classMethod<&controllerShared>("sharedInstance")
      .registerClass();
}

}  // namespace sb6::detail
