// Helpers shared by the classes of the iOS 7 home screen: property setters, Foundation
// values from C++, index paths, and the shared instances that shutdown() drops.
#pragma once

#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

#include <string>
#include <string_view>
#include <vector>

namespace sb7::detail {

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

// [cls alloc] then the given init sends, owned by the caller.
id newObject(const char* className);
bool isKind(id object, const char* className);

// The shared instances of the home screen (SBUIController, SBIconModel, …), each held
// in one named slot; shutdown() releases them newest first.
id& sharedSlot(const char* name);
void releaseSharedInstances();

// The display name of an app for section headers and icons.
std::string appDisplayName(const std::string& bundleID);

}  // namespace sb7::detail

namespace sb7::detail {
bool isInstalled(const std::string& bundleID);
// The installed apps' bundle identifiers, in home-screen order.
std::vector<std::string> installedApps();
}  // namespace sb7::detail

#include <objcface/Types.h>
namespace sb7::detail {
// The main screen's bounds (UIScreen), 320 × 568 points when there is no screen.
CGRect screenBounds();
}  // namespace sb7::detail
