// Instance variables reached by name, as the libraries reach host internals: the ivar
// is looked up in the object's class chain at each use, and a missing one answers
// "absent" so the caller can do nothing.
#pragma once

#include <objcface/Types.h>

#include <cstring>
#include <optional>

namespace objc {

// Address of the named ivar inside object, or nullptr when object is nil or its class
// chain has no ivar of that name.
void* ivarAddress(id object, const char* name);

// Reads the named ivar as T; std::nullopt when it is absent.
template <class T>
std::optional<T> getIvar(id object, const char* name) {
  void* p = ivarAddress(object, name);
  if (p == nullptr) return std::nullopt;
  T value;
  std::memcpy(&value, p, sizeof(T));
  return value;
}

// Writes the named ivar; false (and nothing written) when it is absent.  Writing an
// object ivar does not retain or release: callers manage ownership as the class does.
template <class T>
bool setIvar(id object, const char* name, const T& value) {
  void* p = ivarAddress(object, name);
  if (p == nullptr) return false;
  std::memcpy(p, &value, sizeof(T));
  return true;
}

// Convenience for object ivars: the object, or nil when the ivar is absent or empty.
inline id objectIvar(id object, const char* name) { return getIvar<id>(object, name).value_or(nil); }

// Stores an object ivar retaining the new value and releasing the old one.
bool setObjectIvarRetained(id object, const char* name, id value);

}  // namespace objc
