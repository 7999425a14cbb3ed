// The icon model: SBIcon / SBLeafIcon / SBApplicationIcon with their badges, and
// SBIconModel, which makes the icons of installed apps and keeps every badge in a
// property-list file of the device root, so badges survive a restart.
#include <springboardcommon/Apps.h>
#include <springboardcommon/Helpers.h>
#include <springboardcommon/Icons.h>

#include <objcface/Send.h>

#include <foundation/FileIO.h>
#include <foundation/NSString.h>

#include <filesystem>

namespace sbcommon {

void registerIconViewClasses();  // IconViews.cpp

using objc::sel;
using objc::send;
namespace {

struct SBIconIvars : NSObjectIvars {
  id _badge;  // NSString, or nil for no badge
};
struct SBLeafIconIvars : SBIconIvars {
  id _leafIdentifier;
  id _displayName;
};
struct SBApplicationIconIvars : SBLeafIconIvars {};

struct SBIconModelIvars : NSObjectIvars {
  id _leafIconsByIdentifier;  // NSMutableDictionary: bundle ID → SBApplicationIcon
  id _badgeValues;            // NSMutableDictionary: bundle ID → badge string, as saved
};

// ---- SBIcon ----

id iconBadgeNumberOrString(id self, SEL) { return objc::ivars<SBIconIvars>(self)->_badge; }

// The badge as a number; 0 for none or for a badge that is not a number.
NSInteger iconBadgeValue(id self, SEL) {
  id badge = objc::ivars<SBIconIvars>(self)->_badge;
  return badge ? send<NSInteger>(badge, sel<"integerValue">()) : 0;
}

// Takes a string, a number or nil; an empty string removes the badge as nil does.
void iconSetBadge(id self, SEL, id badge) {
  objc::AutoreleasePool pool;
  id value = nil;
  if (badge && isKind(badge, "NSString")) {
    if (send<NSUInteger>(badge, sel<"length">()) > 0) value = badge;
  } else if (badge && send<BOOL>(badge, sel<"respondsToSelector:">(), sel<"stringValue">())) {
    value = send<id>(badge, sel<"stringValue">());
  }
  auto* icon = objc::ivars<SBIconIvars>(self);
  id old = icon->_badge;
  icon->_badge = value ? send<id>(value, sel<"copy">()) : nil;
  objc::release(old);
  send<void>(send<id>(objc::classNamed("SBIconModel"), sel<"sharedInstance">()), sel<"_iconBadgeDidChange:">(), self);
}

void iconDealloc(id self, SEL cmd) {
  clear(objc::ivars<SBIconIvars>(self)->_badge);
  objc::sendSuper<void>(self, objc::classNamed("SBIcon"), cmd);
}

// ---- SBLeafIcon / SBApplicationIcon ----

id leafIdentifier(id self, SEL) { return objc::ivars<SBLeafIconIvars>(self)->_leafIdentifier; }
id leafDisplayName(id self, SEL) { return objc::ivars<SBLeafIconIvars>(self)->_displayName; }

id leafInitWithIdentifier(id self, SEL cmd, id identifier) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBLeafIcon"), sel<"init">());
  (void)cmd;
  if (!self) return nil;
  auto* leaf = objc::ivars<SBLeafIconIvars>(self);
  leaf->_leafIdentifier = send<id>(identifier, sel<"copy">());
  leaf->_displayName = objc::retain(str(displayName(text(identifier))));
  return self;
}

void leafDealloc(id self, SEL cmd) {
  auto* leaf = objc::ivars<SBLeafIconIvars>(self);
  clear(leaf->_leafIdentifier);
  clear(leaf->_displayName);
  objc::sendSuper<void>(self, objc::classNamed("SBLeafIcon"), cmd);
}

id iconDescription(id self, SEL) {
  auto* leaf = objc::ivars<SBLeafIconIvars>(self);
  return ns::format("<%s: %p; %s; badge = %s>", objc::className(self), static_cast<void*>(self),
                    text(leaf->_leafIdentifier).c_str(), leaf->_badge ? text(leaf->_badge).c_str() : "none");
}

// ---- SBIconModel ----

void writeBadges(id badgeValues) {
  auto folder = ns::writableHostPath("/var/mobile/Library/SpringBoard");
  if (!folder) return;
  std::error_code ec;
  std::filesystem::create_directories(*folder, ec);
  send<BOOL>(badgeValues, sel<"writeToFile:atomically:">(), str(kBadgeFile), BOOL{YES});
}

id modelInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, objc::classNamed("SBIconModel"), cmd);
  if (!self) return nil;
  auto* model = objc::ivars<SBIconModelIvars>(self);
  model->_leafIconsByIdentifier = objc::retain(mutableDictionary());
  id saved = send<id>(objc::classNamed("NSMutableDictionary"), sel<"dictionaryWithContentsOfFile:">(), str(kBadgeFile));
  model->_badgeValues = objc::retain(saved ? saved : mutableDictionary());
  return self;
}

// The icon of an installed app, made on first use with the badge saved for it; nil
// for an app that is not installed.
id modelApplicationIcon(id self, SEL, id identifier) {
  if (identifier == nil || !isInstalled(text(identifier))) return nil;
  auto* model = objc::ivars<SBIconModelIvars>(self);
  id icon = send<id>(model->_leafIconsByIdentifier, sel<"objectForKey:">(), identifier);
  if (icon) return icon;
  objc::Ref made = objc::Ref::adopt(send<id>(send<id>(objc::classNamed("SBApplicationIcon"), sel<"alloc">()),
                                             sel<"initWithLeafIdentifier:">(), identifier));
  id badge = send<id>(model->_badgeValues, sel<"objectForKey:">(), identifier);
  if (badge && isKind(badge, "NSString")) objc::ivars<SBIconIvars>(made)->_badge = send<id>(badge, sel<"copy">());
  send<void>(model->_leafIconsByIdentifier, sel<"setObject:forKey:">(), made.get(), identifier);
  return made.get();
}

id modelLeafIcons(id self, SEL) {
  auto* model = objc::ivars<SBIconModelIvars>(self);
  for (const auto& bundleID : installedApps()) modelApplicationIcon(self, nullptr, str(bundleID));
  return send<id>(model->_leafIconsByIdentifier, sel<"allValues">());
}

// Saves the badges with the change, then lets the home screen show it.
void modelIconBadgeDidChange(id self, SEL, id icon) {
  auto* model = objc::ivars<SBIconModelIvars>(self);
  id identifier = send<id>(icon, sel<"leafIdentifier">());
  if (identifier == nil) return;
  id badge = send<id>(icon, sel<"badgeNumberOrString">());
  if (badge) {
    send<void>(model->_badgeValues, sel<"setObject:forKey:">(), badge, identifier);
  } else {
    send<void>(model->_badgeValues, sel<"removeObjectForKey:">(), identifier);
  }
  writeBadges(model->_badgeValues);
  send<void>(send<id>(objc::classNamed("SBIconViewMap"), sel<"homescreenMap">()), sel<"_iconBadgeDidChange:">(), icon);
}

void modelDealloc(id self, SEL cmd) {
  auto* model = objc::ivars<SBIconModelIvars>(self);
  clear(model->_leafIconsByIdentifier);
  clear(model->_badgeValues);
  objc::sendSuper<void>(self, objc::classNamed("SBIconModel"), cmd);
}

id modelShared(id, SEL) {
  id& slot = sharedSlot("SBIconModel");
  if (!slot) slot = newObject("SBIconModel");
  return slot;
}

}  // namespace

void registerIconModelClasses() {
  Class icon = objc::ClassBuilder<SBIconIvars>("SBIcon", objc::NSObjectClass())
                   .ivar<&SBIconIvars::_badge>("_badge")
                   .method<&iconBadgeValue>("badgeValue")
                   .method<&iconBadgeNumberOrString>("badgeNumberOrString")
                   .method<&iconSetBadge>("setBadge:")
                   .method<&iconDealloc>("dealloc")
                   .registerClass();
  Class leaf = objc::ClassBuilder<SBLeafIconIvars>("SBLeafIcon", icon)
                   .ivar<&SBLeafIconIvars::_leafIdentifier>("_leafIdentifier")
                   .ivar<&SBLeafIconIvars::_displayName>("_displayName")
                   .method<&leafInitWithIdentifier>("initWithLeafIdentifier:")
                   .method<&leafIdentifier>("leafIdentifier")
                   .method<&leafDisplayName>("displayName")
                   .method<&iconDescription>("description")
                   .method<&leafDealloc>("dealloc")
                   .registerClass();
  objc::ClassBuilder<SBApplicationIconIvars>("SBApplicationIcon", leaf)
      .method<&leafIdentifier>("applicationBundleID")
      .registerClass();
  objc::ClassBuilder<SBIconModelIvars>("SBIconModel", objc::NSObjectClass())
      .ivar<&SBIconModelIvars::_leafIconsByIdentifier>("_leafIconsByIdentifier")
      .ivar<&SBIconModelIvars::_badgeValues>("_badgeValues")
      .method<&modelInit>("init")
      .method<&modelApplicationIcon>("applicationIconForDisplayIdentifier:")
      .method<&modelApplicationIcon>("applicationIconForBundleIdentifier:")
      .method<&modelLeafIcons>("leafIcons")
      .method<&modelIconBadgeDidChange>("_iconBadgeDidChange:")
      .method<&modelDealloc>("dealloc")
      .classMethod<&modelShared>("sharedInstance")
      .registerClass();
}

}  // namespace sbcommon

namespace sbcommon {

void registerIconClasses() {
  static const bool done = [] {
    registerIconModelClasses();
    registerIconViewClasses();
    return true;
  }();
  (void)done;
}

}  // namespace sbcommon
