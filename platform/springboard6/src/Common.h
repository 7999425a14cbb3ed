// Helpers shared by the classes of the iOS 6 home screen: property setters, Foundation
// values from C++, index paths, and the shared instances that shutdown() drops.
#pragma once

#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

#include <string>
#include <string_view>
#include <vector>

namespace sb6::detail {

using objc::sel;
using objc::send;

// A retaining setter: the new value is retained before the old one is released.
inline void setRetained(id& slot, id value) {
  id old = slot;
  slot = objc::retain(value);
  objc::release(old);
}
inline void clear(id& slot) {
  id old = slot;
  slot = nil;
  objc::release(old);
}

// Autoreleased Foundation values, and their C++ readings ("" / empty for nil).
id str(std::string_view utf8);
std::string text(id string);
id mutableArray();
id mutableDictionary();
std::vector<id> elements(id array);
NSUInteger count(id arrayOrDictionary);
id indexPath(NSInteger section, NSInteger row);
NSInteger pathSection(id indexPath);
NSInteger pathRow(id indexPath);
id indexSet(NSUInteger index);

// [cls alloc] then init, owned by the caller.
id newObject(const char* className);
bool isKind(id object, const char* className);

// The shared instances of the home screen, each held in one named slot; shutdown()
// releases them newest first.
id& sharedSlot(const char* name);
void releaseSharedInstances();
// [cls sharedInstance]-style look-up by class name and class selector: nil when the
// class is missing.
id shared(const char* className, SEL classSelector);

std::string appDisplayName(const std::string& bundleID);
bool isInstalled(const std::string& bundleID);
std::vector<std::string> installedApps();

// The main screen's bounds (UIScreen); 320 × 480 points when there is no screen.
CGRect screenBounds();
bool isPad();

// Bookkeeping of what the user would see and hear, read back by HostControl:
// the sounds played since the last take, and the last action performed.
void noteSound(const std::string& name);
void noteOpened(const std::string& urlOrBundleID);
// Forgets both (a new launch).
void resetNotes();

}  // namespace sb6::detail
