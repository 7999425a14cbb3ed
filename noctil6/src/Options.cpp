#include "Options.h"

#include "HostAccess.h"
#include "ListBackground.h"

#include <corefoundation/CFNotificationCenter.h>

#include <optional>
#include <variant>

namespace noctil6 {
namespace {

using objc::sel;

// How the loader reads one key of the options file.
enum class Reading {
  kBool,      // boolValue
  kFloat,     // floatValue
  kInt,       // intValue
  kText,      // the object itself; "" counts as absent
  kTintName,  // the object itself; absent: "darkGray"
  kSections,  // a new mutable array copied from the value; absent: a new empty array
  kIgnored,   // read and not kept
};

using Field = std::variant<std::monostate, BOOL Options::*, float Options::*, int Options::*, objc::Ref Options::*>;

struct Key {
  const char* name;
  Reading reading;
  Field field;
  // The value of an absent key for BOOLs and numbers; nothing: the option keeps its
  // current value.
  std::optional<double> absent;
};

// Every key the tweak reads, in the order the loader reads them.
const Key kKeys[] = {
    {"NoctilEnabled", Reading::kBool, &Options::noctilEnabled, YES},
    {"BannerClosebox", Reading::kBool, &Options::bannerClosebox, YES},
    {"Collapsible", Reading::kBool, &Options::collapsible, YES},
    {"SwipeToDelete", Reading::kBool, &Options::swipeToDelete, YES},
    {"SDRequireConfirm", Reading::kBool, &Options::sdRequireConfirm, YES},
    {"SDRemoveBadge", Reading::kBool, &Options::sdRemoveBadge, YES},
    {"SDMarkSMSAsRead", Reading::kBool, &Options::sdMarkSMSAsRead, YES},
    {"CSRemoveBadge", Reading::kBool, &Options::csRemoveBadge, YES},
    {"CSMarkSMSAsRead", Reading::kBool, &Options::csMarkSMSAsRead, YES},
    {"ShowNoNotificationsLabel", Reading::kBool, &Options::showNoNotificationsLabel, YES},
    {"NoNotificationsText", Reading::kText, &Options::noNotificationsText, std::nullopt},
    {"TopShelfWidgets", Reading::kInt, &Options::topShelfWidgets, 0},
    {"Transparent", Reading::kBool, &Options::transparent, NO},
    {"BGAlpha", Reading::kFloat, &Options::bgAlpha, 1.0},
    {"BGImageEnabled", Reading::kBool, &Options::bgImageEnabled, NO},
    {"ScaleToFill", Reading::kBool, &Options::scaleToFill, YES},
    {"Blur", Reading::kBool, &Options::blur, NO},
    {"BlurValue", Reading::kFloat, &Options::blurValue, std::nullopt},
    {"CellBackAlpha", Reading::kFloat, &Options::cellBackAlpha, 0.0},
    {"BlurApplyToBack", Reading::kBool, &Options::blurApplyToBack, NO},
    {"LockTransparent", Reading::kBool, &Options::lockTransparent, NO},
    {"LockBGAlpha", Reading::kFloat, &Options::lockBGAlpha, 1.0},
    {"LockBlur", Reading::kBool, &Options::lockBlur, NO},
    {"LockBlurValue", Reading::kFloat, &Options::lockBlurValue, std::nullopt},
    {"LockEnabled", Reading::kBool, &Options::lockEnabled, YES},
    {"DefaultShow", Reading::kInt, &Options::defaultShow, 0},
    {"PullUpToUnlock", Reading::kBool, &Options::pullUpToUnlock, NO},
    {"EnableLockBar", Reading::kBool, &Options::enableLockBar, NO},
    {"HideTimeView", Reading::kBool, &Options::hideTimeView, YES},
    {"HideLockBar", Reading::kBool, &Options::hideLockBar, NO},
    {"UnlockSound", Reading::kBool, &Options::unlockSound, YES},
    {"UnlockAnimation", Reading::kBool, &Options::unlockAnimation, NO},
    {"LockCellBackAlpha", Reading::kFloat, &Options::lockCellBackAlpha, 0.0},
    {"LockBGImageEnabled", Reading::kBool, &Options::lockBGImageEnabled, NO},
    {"LockScaleToFill", Reading::kIgnored, std::monostate{}, std::nullopt},
    {"LockBlurApplyToBack", Reading::kBool, &Options::lockBlurApplyToBack, NO},
    {"TintColor", Reading::kTintName, &Options::tintColor, std::nullopt},
    {"LockTintColor", Reading::kTintName, &Options::lockTintColor, std::nullopt},
    {"CollapsibleSections", Reading::kSections, &Options::collapsibleSections, std::nullopt},
};
static_assert(std::size(kKeys) == 39, "the options file has 39 keys");

// Booleans and numbers are read with boolValue, floatValue and intValue, so a number
// or a string holding one is accepted for any of them.  A value that answers none of
// them (an array, say) counts as NO or 0, like text that is not a number, rather
// than stopping SpringBoard on an unrecognised message.
BOOL readBool(id value) { return ask<BOOL>(value, sel<"boolValue">()); }
float readFloat(id value) { return ask<float>(value, sel<"floatValue">()); }
int readInt(id value) { return ask<int>(value, sel<"intValue">()); }

objc::Ref newEmptyArray() { return objc::Ref::adopt(objc::allocInit(objc_lookUpClass("NSMutableArray"))); }

// The folded set is a new mutable array owned here.  A value that is not an array
// gives an empty set, so later membership tests never meet a string or a number.
objc::Ref copySections(id value) {
  if (!isKindOfClassNamed(value, "NSArray")) return newEmptyArray();
  return objc::Ref::adopt(objc::send<id>(value, sel<"mutableCopy">()));
}

BOOL isEmptyString(id value) {
  return isKindOfClassNamed(value, "NSString") && objc::send<NSUInteger>(value, sel<"length">()) == 0 ? YES : NO;
}

void readKey(Options& o, const Key& key, id value) {
  switch (key.reading) {
    case Reading::kBool: {
      BOOL& option = o.*std::get<BOOL Options::*>(key.field);
      if (value != nil) option = readBool(value);
      else option = *key.absent != 0 ? YES : NO;
      break;
    }
    case Reading::kFloat: {
      float& option = o.*std::get<float Options::*>(key.field);
      if (value != nil) option = readFloat(value);
      else if (key.absent) option = static_cast<float>(*key.absent);
      break;
    }
    case Reading::kInt: {
      int& option = o.*std::get<int Options::*>(key.field);
      option = value != nil ? readInt(value) : static_cast<int>(*key.absent);
      break;
    }
    case Reading::kText:
      o.*std::get<objc::Ref Options::*>(key.field) =
          value != nil && !isEmptyString(value) ? objc::Ref::retain(value) : objc::Ref();
      break;
    case Reading::kTintName:
      o.*std::get<objc::Ref Options::*>(key.field) = objc::Ref::retain(value != nil ? value : nsString("darkGray"));
      break;
    case Reading::kSections:
      o.*std::get<objc::Ref Options::*>(key.field) = value != nil ? copySections(value) : newEmptyArray();
      break;
    case Reading::kIgnored:
      break;
  }
}

// The rules applied after every read, in order.
void applyRules(Options& o) {
  // 1. A blurred lock screen without its own picture (or with the blur over it) keeps
  //    its clock and lock bar.
  if (o.lockBlur && (!o.lockBGImageEnabled || o.lockBlurApplyToBack)) {
    o.hideTimeView = NO;
    o.hideLockBar = NO;
  }
  // 2. Pictures and blur filters are made again on their next use.
  forgetBackgroundCaches();
  // 3. Tints apply only to transparent lists.
  if (!o.transparent) o.tintColor.reset();
  if (!o.lockTransparent) o.lockTintColor.reset();
  // 4. The master switch.
  if (!o.noctilEnabled) {
    for (BOOL Options::*option :
         {&Options::bannerClosebox, &Options::collapsible, &Options::swipeToDelete, &Options::transparent, &Options::blur,
          &Options::bgImageEnabled, &Options::lockBlur, &Options::lockEnabled, &Options::lockTransparent,
          &Options::lockBGImageEnabled, &Options::sdRemoveBadge, &Options::sdMarkSMSAsRead, &Options::csRemoveBadge,
          &Options::csMarkSMSAsRead})
      o.*option = NO;
    o.defaultShow = 0;
    o.topShelfWidgets = 0;
    o.showNoNotificationsLabel = YES;
    o.tintColor.reset();
    o.lockTintColor.reset();
  }
  // 5. Without folding there is no folded set.
  if (!o.collapsible) o.collapsibleSections.reset();
}

void settingsChanged(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) { loadOptions(); }

}  // namespace

Options& options() {
  static Options live;
  return live;
}

void resetOptions() { options() = Options{}; }

void loadOptions() {
  objc::AutoreleasePool pool;
  Options& o = options();
  id file = objc::send<id>(objc_lookUpClass("NSDictionary"), sel<"dictionaryWithContentsOfFile:">(),
                           nsString(kOptionsPath));
  if (file == nil) {
    o.tintColor = objc::Ref::retain(nsString("darkGray"));
    o.lockTintColor = objc::Ref::retain(nsString("darkGray"));
    o.collapsibleSections = newEmptyArray();
  } else {
    for (const Key& key : kKeys) readKey(o, key, objc::send<id>(file, sel<"objectForKey:">(), nsString(key.name)));
  }
  applyRules(o);
}

void observeOptionChanges() {
  CFNotificationCenterAddObserver(CFNotificationCenterGetDarwinNotifyCenter(), nullptr, &settingsChanged,
                                  reinterpret_cast<CFStringRef>(nsString(kSettingsChangedNotification)), nullptr,
                                  CFNotificationSuspensionBehaviorCoalesce);
}

}  // namespace noctil6
