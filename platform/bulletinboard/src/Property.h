// Setters for object-valued properties of the BulletinBoard classes.
#pragma once

#include <objcface/NSObject.h>

namespace bb::detail {

// A retaining setter: the new value is retained before the old one is released, so
// setting the same object again is safe.
inline void setRetained(id& slot, id value) {
  id old = slot;
  slot = objc::retain(value);
  objc::release(old);
}

// A copying setter, as for NSString properties declared copy.
inline void setCopied(id& slot, id value) {
  id old = slot;
  slot = value ? objc::send<id>(value, objc::sel<"copy">()) : nil;
  objc::release(old);
}

}  // namespace bb::detail
