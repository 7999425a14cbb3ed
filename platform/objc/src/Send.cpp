// Unknown selectors and checked sends.  GCC's runtime asks the __objc_msg_forward2
// hook for an IMP whenever a selector has no method; this file answers with an IMP
// that stops the process naming the class and selector, as iOS does with
// "unrecognized selector sent to instance".
#include <objcface/Send.h>
#include <objcface/Unrecognized.h>

#include "ForwardState.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace objc {
namespace {

// The hook only receives (receiver, selector); the IMP it hands back is called later
// with the method's own arguments, so the pair is passed along through the thread.
thread_local id tForwardReceiver = nil;
thread_local SEL tForwardSelector = nullptr;

[[noreturn]] void reportUnrecognized(id receiver, SEL sel) {
  bool isClass = receiver != nil && class_isMetaClass(object_getClass(receiver));
  std::fprintf(stderr, "*** Terminating: unrecognized selector %s%s sent to %s %s (%p)\n", isClass ? "+" : "-",
               sel ? sel_getName(sel) : "(null)", isClass ? "class" : "instance", className(receiver),
               static_cast<void*>(receiver));
  std::fflush(stderr);
  std::abort();
}

[[noreturn]] void unrecognizedSelectorImp() { reportUnrecognized(tForwardReceiver, tForwardSelector); }

}  // namespace

void doesNotRecognize(id receiver, SEL sel) { reportUnrecognized(receiver, sel); }

namespace {

IMP forwardHook(id receiver, SEL sel) {
  detail::tLookupForwarded = true;
  tForwardReceiver = receiver;
  tForwardSelector = sel;
  return toImp(&unrecognizedSelectorImp);
}

[[maybe_unused]] const bool kHookInstalled = [] {
  __objc_msg_forward2 = &forwardHook;
  return true;
}();

}  // namespace

namespace detail {

[[noreturn]] void signatureMismatch(id receiver, SEL sel, const std::string& callSide, const char* methodSide) {
  std::fprintf(stderr, "*** Terminating: send of %s to %s uses types \"%s\" but the method's are \"%s\"\n",
               sel_getName(sel), className(receiver), callSide.c_str(), methodSide ? methodSide : "(none)");
  std::fflush(stderr);
  std::abort();
}

namespace {

// Sends already checked, per thread: a send that reaches the same method with the
// same call signature as before needs no second comparison of type strings.  A
// dispatch change (which a disposed class also makes) empties the table.
struct CheckedSend {
  Method method = nullptr;
  const char* types = nullptr;
  std::uint32_t generation = 0;
  std::string callSide;
};
constexpr std::size_t kCheckedSends = 256;

// Objects released by static destructors at exit still send messages after the main
// thread's thread-local objects are gone; the table says when it has been destroyed
// (through a flag with no destructor of its own), and checks then go without it.
thread_local bool tCheckedSendsGone = false;
struct CheckedSendTable {
  CheckedSend entries[kCheckedSends];
  ~CheckedSendTable() { tCheckedSendsGone = true; }
};
thread_local CheckedSendTable tCheckedSends;

}  // namespace

void checkSend(id receiver, SEL sel, const std::string& callSide) {
  Method m = class_getInstanceMethod(object_getClass(receiver), sel);
  if (m == nullptr) reportUnrecognized(receiver, sel);
  const char* types = method_getTypeEncoding(m);
  if (tCheckedSendsGone) {
    if (!encodingsCompatible(callSide.c_str(), types)) signatureMismatch(receiver, sel, callSide, types);
    return;
  }
  const std::uint32_t generation = gMethodCacheGeneration.load(std::memory_order_acquire);
  CheckedSend& seen = tCheckedSends.entries[(reinterpret_cast<std::uintptr_t>(m) >> 4) % kCheckedSends];
  if (seen.method == m && seen.types == types && seen.generation == generation && seen.callSide == callSide) return;
  if (!encodingsCompatible(callSide.c_str(), types)) signatureMismatch(receiver, sel, callSide, types);
  seen.method = m;
  seen.types = types;
  seen.generation = generation;
  seen.callSide = callSide;
}

}  // namespace detail

bool responds(id receiver, SEL sel) {
  return receiver != nil && class_respondsToSelector(object_getClass(receiver), sel);
}

const char* className(id object) {
  if (object == nil) return "nil";
  Class cls = object_getClass(object);
  // For a class object, name the class itself rather than its metaclass.
  if (class_isMetaClass(cls)) return class_getName(reinterpret_cast<Class>(object));
  return class_getName(cls);
}

Class classNamed(const char* name) { return name ? objc_lookUpClass(name) : Nil; }

}  // namespace objc
