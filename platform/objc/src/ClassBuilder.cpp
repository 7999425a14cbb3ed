#include <objcface/ClassBuilder.h>

#include <bit>
#include <cstdio>
#include <cstdlib>

namespace objc::detail {
namespace {

[[noreturn]] void definitionError(Class cls, const std::string& what) {
  std::fprintf(stderr, "*** Terminating: class %s: %s\n", cls ? class_getName(cls) : "(null)", what.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace

Class allocateClass(const char* name, Class superclass) {
  if (objc_lookUpClass(name) != Nil) definitionError(Nil, std::string("a class named ") + name + " already exists");
  Class cls = objc_allocateClassPair(superclass, name, 0);
  if (cls == Nil) definitionError(Nil, std::string("cannot allocate class ") + name);
  // A root class must declare isa itself, or its instances are one word too small.
  if (superclass == Nil && !class_addIvar(cls, "isa", sizeof(Class), std::bit_width(alignof(Class)) - 1, "#"))
    definitionError(cls, "cannot add isa");
  return cls;
}

void addIvar(Class cls, const PendingIvar& ivar) {
  auto log2Align = static_cast<unsigned char>(std::bit_width(ivar.alignment) - 1);
  if (!class_addIvar(cls, ivar.name.c_str(), ivar.size, log2Align, ivar.types.c_str()))
    definitionError(cls, "cannot add ivar " + ivar.name);
}

void addMethod(Class cls, const char* selector, IMP imp, const std::string& types) {
  if (!class_addMethod(cls, sel_registerName(selector), imp, types.c_str()))
    definitionError(cls, std::string("method ") + selector + " defined twice");
}

Class finishClass(Class cls, const std::vector<PendingIvar>& ivars, std::size_t structSize) {
  objc_registerClassPair(cls);
  for (const auto& pending : ivars) {
    Ivar ivar = class_getInstanceVariable(cls, pending.name.c_str());
    if (ivar == nullptr) definitionError(cls, "ivar " + pending.name + " missing after registration");
    auto offset = static_cast<std::size_t>(ivar_getOffset(ivar));
    if (offset != pending.expectedOffset)
      definitionError(cls, "ivar " + pending.name + " is at offset " + std::to_string(offset) +
                               " but the mirroring struct has it at " + std::to_string(pending.expectedOffset));
  }
  if (class_getInstanceSize(cls) > structSize)
    definitionError(cls, "instances are " + std::to_string(class_getInstanceSize(cls)) +
                             " bytes but the mirroring struct is only " + std::to_string(structSize));
  return cls;
}

}  // namespace objc::detail
