#include <objcface/Ivar.h>
#include <objcface/NSObject.h>

namespace objc {

void* ivarAddress(id object, const char* name) {
  if (object == nil || name == nullptr) return nullptr;
  // class_getInstanceVariable searches the superclasses as well.
  Ivar ivar = class_getInstanceVariable(object_getClass(object), name);
  if (ivar == nullptr) return nullptr;
  return reinterpret_cast<char*>(object) + ivar_getOffset(ivar);
}

bool setObjectIvarRetained(id object, const char* name, id value) {
  void* p = ivarAddress(object, name);
  if (p == nullptr) return false;
  id* slot = static_cast<id*>(p);
  id old = *slot;
  *slot = retain(value);
  release(old);
  return true;
}

}  // namespace objc
