#include "Cells.h"

#include <objcface/Ivar.h>

namespace noctil7 {

using objc::sel;

BOOL isKindOfClassNamed(id object, const char* className) {
  Class cls = objc_lookUpClass(className);
  if (object == nil || cls == Nil) return NO;
  return objc::send<BOOL>(object, sel<"isKindOfClass:">(), cls);
}

BOOL isNotificationCell(id cell) {
  return isKindOfClassNamed(cell, "SBNotificationsBulletinCell") || isKindOfClassNamed(cell, "SBLockScreenBulletinCell");
}

id nsString(const char* utf8) {
  return objc::send<id>(objc_lookUpClass("NSString"), sel<"stringWithUTF8String:">(), utf8);
}

id visibleModeViewController() {
  Class controllerClass = objc_lookUpClass("SBNotificationCenterController");
  if (controllerClass == Nil) return nil;
  id controller = objc::send<id>(controllerClass, sel<"sharedInstance">());
  id viewController = objc::send<id>(controller, sel<"viewController">());
  id modeController = objc::objectIvar(viewController, "_modeController");
  return objc::send<id>(modeController, sel<"selectedViewController">());
}

id visibleBulletinViewController() {
  return objc::send<id>(visibleModeViewController(), sel<"bulletinViewController">());
}

id sectionIdentifierAt(id bulletinViewController, NSInteger index) {
  id sections = objc::objectIvar(bulletinViewController, "_orderedSections");
  if (sections == nil || index < 0) return nil;
  if (static_cast<NSUInteger>(index) >= objc::send<NSUInteger>(sections, sel<"count">())) return nil;
  id info = objc::send<id>(sections, sel<"objectAtIndex:">(), static_cast<NSUInteger>(index));
  return objc::send<id>(info, sel<"identifier">());
}

}  // namespace noctil7
