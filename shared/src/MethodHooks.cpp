#include <noctil/MethodHooks.h>

#include <cstdlib>
#include <cstring>

namespace hook {
namespace {

// The method that `cls` defines itself for sel (not one it inherits), or null.
Method ownMethod(Class cls, SEL sel) {
  unsigned int count = 0;
  Method* methods = class_copyMethodList(cls, &count);
  Method found = nullptr;
  for (unsigned int i = 0; i < count && found == nullptr; ++i)
    if (sel_isEqual(method_getName(methods[i]), sel)) found = methods[i];
  std::free(methods);
  return found;
}

// Replaces one method as described in the header; `cls` may be nil.
void replaceOne(Class cls, const Entry& entry) {
  SEL sel = sel_registerName(entry.selectorName);
  Method method = class_getInstanceMethod(cls, sel);
  if (method == nullptr) return;
  // Already replaced by this very entry (the table was installed before): keep the
  // slot as it is rather than make the replacement its own previous implementation.
  Method own = ownMethod(cls, sel);
  if (own != nullptr && method_getImplementation(own) == entry.implementation) return;
  if (entry.kind == Kind::kReplace) entry.slot->previous = entry.forwarder;
  if (class_addMethod(cls, sel, entry.implementation, method_getTypeEncoding(method))) {
    // The class only inherited the method; the forwarder stands in for the previous one.
    return;
  }
  // The class defines the method itself: keep its own implementation as the previous one.
  if (entry.kind == Kind::kReplace) entry.slot->previous = method_getImplementation(method);
  IMP old = method_setImplementation(method, entry.implementation);
  if (entry.kind == Kind::kReplace) entry.slot->previous = old;
}

// Swaps the implementation of the method instances of `cls` answer with, own or
// inherited; `cls` may be nil.
void replaceInPlace(Class cls, const Entry& entry) {
  // Installed before: the slot is filled once.  (The method itself may run another
  // entry's replacement by now, when a later entry replaced the same inherited method.)
  if (entry.slot->installed()) return;
  Method method = class_getInstanceMethod(cls, sel_registerName(entry.selectorName));
  if (method == nullptr) return;
  entry.slot->previous = method_getImplementation(method);
  entry.slot->previous = method_setImplementation(method, entry.implementation);
}

}  // namespace

void install(std::span<const Entry> entries) {
  const char* currentClassName = nullptr;
  Class cls = Nil;
  Class savedSuperclass = Nil;
  for (const Entry& entry : entries) {
    // Look the class up, and save its superclass, just before its first entry.
    if (currentClassName == nullptr || std::strcmp(currentClassName, entry.className) != 0) {
      currentClassName = entry.className;
      cls = objc_lookUpClass(entry.className);
      savedSuperclass = class_getSuperclass(cls);
    }
    if (entry.slot != nullptr && entry.slot->savedSuperclass == Nil) entry.slot->savedSuperclass = savedSuperclass;
    switch (entry.kind) {
      case Kind::kReplace:
      case Kind::kReplaceWithoutPrevious:
        replaceOne(cls, entry);
        break;
      case Kind::kReplaceInPlace:
        // A class method is an instance method of the metaclass.
        replaceInPlace(entry.classMethod && cls != Nil ? object_getClass(reinterpret_cast<id>(cls)) : cls, entry);
        break;
      case Kind::kAdd:
        if (cls != Nil) class_addMethod(cls, sel_registerName(entry.selectorName), entry.implementation, "v@:@");
        break;
    }
  }
}

}  // namespace hook
