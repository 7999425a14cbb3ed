#include <objcface/MethodCache.h>

#include "ForwardState.h"

#include <dlfcn.h>
#include <objc/message.h>

#include <cstdlib>
#include <vector>

// GCC's runtime: rebuilds the dispatch table of a class and of every subclass below it
// (exported by libobjc, not declared in its public headers).
extern "C" void __objc_update_dispatch_table_for_class(Class cls);

namespace objc::detail {

MethodCacheEntry gMethodCache[kMethodCacheSize];
// Starts at 1 so that a zero-filled entry never matches.
std::atomic<std::uint32_t> gMethodCacheGeneration{1};

namespace {

std::atomic<bool> gCacheUsable{false};

void invalidateAll() { gMethodCacheGeneration.fetch_add(1, std::memory_order_acq_rel); }

template <class Fn>
Fn realFunction(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// Whether `cls` defines `method` itself.
bool definesMethod(Class cls, Method method) {
  unsigned int count = 0;
  Method* methods = class_copyMethodList(cls, &count);
  bool found = false;
  for (unsigned int i = 0; i < count && !found; ++i) found = methods[i] == method;
  std::free(methods);
  return found;
}

// GCC's runtime writes a new IMP only into the dispatch table of the class that
// defines the method.  A subclass whose table already holds its own copy of that
// entry (it copies the parts of its superclass's table where it adds methods of its
// own) would go on running the old IMP, so the defining class's table and all tables
// below it are rebuilt.
void refreshDispatchTables(Method method) {
  if (method == nullptr) return;
  int count = objc_getClassList(nullptr, 0);
  std::vector<Class> classes(static_cast<std::size_t>(count));
  count = objc_getClassList(classes.data(), count);
  for (int i = 0; i < count; ++i) {
    Class cls = classes[static_cast<std::size_t>(i)];
    for (Class candidate : {cls, object_getClass(reinterpret_cast<id>(cls))}) {
      if (definesMethod(candidate, method)) {
        __objc_update_dispatch_table_for_class(candidate);
        return;
      }
    }
  }
}

}  // namespace

IMP lookupAndCache(id receiver, SEL sel, MethodCacheEntry& entry) {
  // Read the generation before looking up: a change made meanwhile bumps it, so the
  // entry written below is already stale rather than wrong.
  std::uint32_t generation = gMethodCacheGeneration.load(std::memory_order_acquire);
  tLookupForwarded = false;
  IMP imp = objc_msg_lookup(receiver, sel);
  // Forwarding answers depend on per-call state; they are never cached.
  if (tLookupForwarded || !gCacheUsable.load(std::memory_order_relaxed)) return imp;
  std::uint32_t sequence = entry.sequence.load(std::memory_order_relaxed);
  if ((sequence & 1U) != 0 ||
      !entry.sequence.compare_exchange_strong(sequence, sequence + 1, std::memory_order_acquire))
    return imp;  // another thread is writing this entry; skip caching
  entry.cls.store(reinterpret_cast<ObjectHeader*>(receiver)->isa, std::memory_order_relaxed);
  entry.selector.store(sel, std::memory_order_relaxed);
  entry.imp.store(imp, std::memory_order_relaxed);
  entry.generation.store(generation, std::memory_order_relaxed);
  entry.sequence.store(sequence + 2, std::memory_order_release);
  return imp;
}

}  // namespace objc::detail

// Wrappers of the runtime calls that change dispatch.  They keep the runtime's names
// so that every caller in the process, the tweak libraries included, reaches them.
extern "C" {

IMP method_setImplementation(Method method, IMP imp) {
  static const auto real = objc::detail::realFunction<IMP (*)(Method, IMP)>("method_setImplementation");
  IMP old = real(method, imp);
  objc::detail::refreshDispatchTables(method);
  objc::detail::invalidateAll();
  return old;
}

BOOL class_addMethod(Class cls, SEL sel, IMP imp, const char* types) {
  static const auto real = objc::detail::realFunction<BOOL (*)(Class, SEL, IMP, const char*)>("class_addMethod");
  BOOL added = real(cls, sel, imp, types);
  objc::detail::invalidateAll();
  return added;
}

IMP class_replaceMethod(Class cls, SEL sel, IMP imp, const char* types) {
  static const auto real = objc::detail::realFunction<IMP (*)(Class, SEL, IMP, const char*)>("class_replaceMethod");
  IMP old = real(cls, sel, imp, types);
  // A method the class defined itself had its IMP swapped: its subclasses' tables too.
  if (old != nullptr && cls != Nil) __objc_update_dispatch_table_for_class(cls);
  objc::detail::invalidateAll();
  return old;
}

void method_exchangeImplementations(Method a, Method b) {
  static const auto real = objc::detail::realFunction<void (*)(Method, Method)>("method_exchangeImplementations");
  real(a, b);
  objc::detail::refreshDispatchTables(a);
  objc::detail::refreshDispatchTables(b);
  objc::detail::invalidateAll();
}

void objc_disposeClassPair(Class cls) {
  static const auto real = objc::detail::realFunction<void (*)(Class)>("objc_disposeClassPair");
  objc::detail::invalidateAll();
  real(cls);
  objc::detail::invalidateAll();
}

}  // extern "C"

namespace objc::detail {
namespace {

// The cache is used only when the wrappers above are what the process resolves and
// each reaches the runtime's own function.
[[maybe_unused]] const bool kCacheChecked = [] {
  bool usable = dlsym(RTLD_DEFAULT, "method_setImplementation") == reinterpret_cast<void*>(&method_setImplementation) &&
                dlsym(RTLD_DEFAULT, "class_addMethod") == reinterpret_cast<void*>(&class_addMethod) &&
                dlsym(RTLD_NEXT, "method_setImplementation") != nullptr && dlsym(RTLD_NEXT, "class_addMethod") != nullptr &&
                dlsym(RTLD_NEXT, "class_replaceMethod") != nullptr &&
                dlsym(RTLD_NEXT, "method_exchangeImplementations") != nullptr &&
                dlsym(RTLD_NEXT, "objc_disposeClassPair") != nullptr;
  gCacheUsable.store(usable, std::memory_order_release);
  return usable;
}();

}  // namespace

bool methodCacheEnabled() { return gCacheUsable.load(std::memory_order_acquire); }

}  // namespace objc::detail
