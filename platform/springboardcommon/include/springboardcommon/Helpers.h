// Helpers shared by the classes of both home screens (iOS 6 and iOS 7): property
// setters, Foundation values from C++, index paths, and the home screen's shared
// instances, which a home screen's shutdown drops.
#pragma once

#include <objcface/NSObject.h>
#include <objcface/Types.h>

#include <string>
#include <string_view>
#include <vector>

namespace sbcommon {

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

// [cls alloc] then init, owned by the caller; nil when the class is missing.
id newObject(const char* className);
bool isKind(id object, const char* className);

// The shared instances of the home screen (SBUIController, SBIconModel, …), each held
// in one named slot; releaseSharedInstances() releases them newest first.
id& sharedSlot(const char* name);
void releaseSharedInstances();

// The main screen's bounds (UIScreen), or a rectangle of `fallback` at the origin when
// there is no screen yet.
CGRect screenBounds(CGSize fallback);

}  // namespace sbcommon
