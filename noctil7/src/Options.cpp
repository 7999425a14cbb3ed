#include "Options.h"

#include "Background.h"
#include "Cells.h"
#include "Launch.h"
#include "TweakController.h"

#include <corefoundation/CFNotificationCenter.h>
#include <foundation/NSString.h>
#include <objcface/Ivar.h>

namespace noctil7 {
namespace {

using objc::sel;


objc::Ref newEmptyFoldedSet() { return objc::Ref::adopt(objc::allocInit(objc_lookUpClass("NSMutableArray"))); }

// Booleans are read with boolValue and numbers with floatValue, so a number or a
// string holding one is accepted for either.  A value that answers neither (an
// array, say) counts as NO or 0, like text that is not a number, rather than
// stopping the host on an unrecognised message.
BOOL readBool(id value) {
  if (!objc::send<BOOL>(value, sel<"respondsToSelector:">(), sel<"boolValue">())) return NO;
  return objc::send<BOOL>(value, sel<"boolValue">());
}

double readNumber(id value) {
  if (!objc::send<BOOL>(value, sel<"respondsToSelector:">(), sel<"floatValue">())) return 0.0;
  return static_cast<double>(objc::send<float>(value, sel<"floatValue">()));
}

// The folded set is a new mutable array owned here.  A value that is not an array
// gives an empty set, so later membership tests never meet a string or a number.
objc::Ref copyFoldedSet(id value) {
  if (!objc::send<BOOL>(value, sel<"isKindOfClass:">(), objc_lookUpClass("NSArray"))) return newEmptyFoldedSet();
  return objc::Ref::adopt(objc::send<id>(value, sel<"mutableCopy">()));
}

void reloadNotificationCenterList() {
  Class controllerClass = objc_lookUpClass("SBNotificationCenterController");
  if (controllerClass == Nil) return;
  id controller = objc::send<id>(controllerClass, sel<"sharedInstance">());
  id viewController = objc::send<id>(controller, sel<"viewController">());
  id allMode = objc::objectIvar(viewController, "_allModeViewController");
  id bulletinViewController = objc::send<id>(allMode, sel<"bulletinViewController">());
  objc::send<void>(bulletinViewController, sel<"setTableViewNeedsReload">());
}

void settingsChanged(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) { loadOptions(); }

}  // namespace

Options& options() {
  static Options live;
  return live;
}

void resetOptions() {
  options() = Options{};
  options().colorTint = objc::Ref::retain(nsString("darkGray"));
  options().foldedSections = newEmptyFoldedSet();
}

void loadOptions() {
  objc::AutoreleasePool pool;
  Options& o = options();
  id file = objc::send<id>(objc_lookUpClass("NSDictionary"), sel<"dictionaryWithContentsOfFile:">(), nsString(kOptionsPath));
  if (file == nil) {
    o.colorTint = objc::Ref::retain(nsString("darkGray"));
    o.foldedSections = newEmptyFoldedSet();
  } else {
    auto value = [&](const char* key) { return objc::send<id>(file, sel<"objectForKey:">(), nsString(key)); };
    auto setBool = [&](const char* key, BOOL& variable) {
      if (id v = value(key)) variable = readBool(v);
    };
    auto setNumber = [&](const char* key, double& variable) {
      if (id v = value(key)) variable = readNumber(v);
    };
    setBool("Enabled", o.enabled);
    setBool("Collapsible", o.collapsible);
    setBool("ActionMenuEnabled", o.actionMenuEnabled);
    setBool("RemoveBadge", o.removeBadge);
    setBool("MarkSMSAsRead", o.markSMSAsRead);
    setBool("BGSettingsEnabled", o.bgSettingsEnabled);
    setNumber("BlurValue", o.blurValue);
    setNumber("GrayscaleValue", o.grayscaleValue);
    setNumber("ColorTintAlpha", o.colorTintAlpha);
    id tint = value("ColorTint");
    o.colorTint = objc::Ref::retain(tint != nil ? tint : nsString("darkGray"));
    setBool("BGImageEnabled", o.bgImageEnabled);
    setBool("BGImageScaleToFill", o.bgImageScaleToFill);
    setNumber("BGImageBlurValue", o.bgImageBlurValue);
    setNumber("BGImageAlpha", o.bgImageAlpha);
    setNumber("BGImageGrayscaleValue", o.bgImageGrayscaleValue);
    id folded = value("foldedSections");
    o.foldedSections = folded != nil ? copyFoldedSet(folded) : newEmptyFoldedSet();
  }

  forgetBlurFilters();
  forgetCachedBackgroundPicture();

  if (!o.enabled) {
    o.bgSettingsEnabled = NO;
    o.bgImageEnabled = NO;
    o.collapsible = NO;
    o.actionMenuEnabled = NO;
    o.removeBadge = NO;
    o.markSMSAsRead = NO;
    o.colorTint.reset();
  }
  if (!o.collapsible) o.foldedSections.reset();
  if (launched() && !o.collapsible) reloadNotificationCenterList();
}

void observeOptionChanges() {
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, &settingsChanged,
                                  reinterpret_cast<CFStringRef>(nsString(kSettingsChangedNotification)), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
}

}  // namespace noctil7
