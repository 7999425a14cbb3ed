// Method replacement for the tweak libraries.  A library describes its replacements
// as one table of entries and installs the table once from its load-time
// initialiser.  Each replaced method has a typed slot holding its previous
// implementation; when the host class only inherited the method, the slot holds a
// superclass forwarder that asks the saved superclass for its implementation on
// every call, so a later replacement of the superclass's method is honoured.
//
// A replacement made in place (replaceInPlace) instead swaps the implementation of
// the method the class answers with, own or inherited: an inherited method is then
// replaced where it is defined, for the superclass and every class that inherits it,
// and the replacement must tell its receivers apart itself.
//
//   hook::Slot<void()> gFinishLaunching;
//   void finishLaunching(id self, SEL cmd) { gFinishLaunching(self, cmd); … }
//   const hook::Entry table[] = {
//       hook::replace<&finishLaunching, gFinishLaunching>("SBUIController", "finishLaunching"),
//       hook::replaceWithoutPrevious<&answerYes>("SBLockScreenBulletinCell", "canBecomeFirstResponder"),
//       hook::add<&noctilDelete>("SBLockScreenBulletinCell", "noctil_delete:"),
//   };
//   hook::install(table);
//
// A class method is replaced in place with hook::replaceClassMethodInPlace.
#pragma once

#include <objcface/Send.h>

#include <span>

namespace hook {

// What every slot shares: the previous implementation and the saved superclass of
// its host class (read once at install time, nil when the class is missing).
struct SlotBase {
  IMP previous = nullptr;
  Class savedSuperclass = Nil;
  bool installed() const { return previous != nullptr; }
};

template <class Signature>
class Slot;

// A typed previous-implementation slot: calling it runs the previous implementation
// with the method's exact signature.  An empty slot (entry skipped) answers zero.
template <class R, class... Args>
class Slot<R(Args...)> : public SlotBase {
 public:
  R operator()(id self, SEL cmd, Args... args) const {
    if (previous == nullptr) {
      if constexpr (!std::is_void_v<R>) return R{};
      else return;
    }
    return objc::callImp<R, Args...>(previous, self, cmd, args...);
  }
};

enum class Kind {
  kReplace,                 // previous implementation kept in a slot, forwarder when inherited
  kReplaceInPlace,          // the method found (own or inherited) swapped where it is defined
  kReplaceWithoutPrevious,  // new implementation never calls the old one
  kAdd,                     // a new method with type "v@:@"; an existing one is left alone
};

struct Entry {
  const char* className;
  const char* selectorName;
  Kind kind;
  IMP implementation;
  IMP forwarder;   // kReplace only
  SlotBase* slot;  // kReplace and kReplaceInPlace
  bool classMethod = false;  // the entry replaces a class method (looked up on the metaclass)
};

namespace detail {

template <auto Fn>
struct FunctionTraits;
template <class R, class... Args, R (*Fn)(id, SEL, Args...)>
struct FunctionTraits<Fn> {
  using Signature = R(Args...);
};

// The superclass forwarder of one slot: what the saved superclass runs for the
// selector at the moment of the call, with the same receiver and arguments.
template <auto& TheSlot, class Signature>
struct Forwarder;
template <auto& TheSlot, class R, class... Args>
struct Forwarder<TheSlot, R(Args...)> {
  static R call(id self, SEL cmd, Args... args) {
    IMP imp = class_getMethodImplementation(TheSlot.savedSuperclass, cmd);
    return objc::callImp<R, Args...>(imp, self, cmd, args...);
  }
};

}  // namespace detail

// A replaced method whose new implementation calls the previous one through TheSlot.
template <auto Fn, auto& TheSlot>
Entry replace(const char* className, const char* selectorName) {
  using Signature = typename detail::FunctionTraits<Fn>::Signature;
  static_assert(std::is_base_of_v<SlotBase, std::remove_reference_t<decltype(TheSlot)>>);
  static_assert(std::is_same_v<std::remove_reference_t<decltype(TheSlot)>, Slot<Signature>>,
                "the slot's signature must be the replacement's");
  return Entry{className, selectorName, Kind::kReplace, objc::toImp(Fn),
               objc::toImp(&detail::Forwarder<TheSlot, Signature>::call), &TheSlot};
}

// A method replaced in place: the implementation of the method that instances of
// the class answer with is swapped, wherever that method is defined, and TheSlot
// keeps the one it replaced.  No forwarder is involved.
template <auto Fn, auto& TheSlot>
Entry replaceInPlace(const char* className, const char* selectorName) {
  using Signature = typename detail::FunctionTraits<Fn>::Signature;
  static_assert(std::is_same_v<std::remove_reference_t<decltype(TheSlot)>, Slot<Signature>>,
                "the slot's signature must be the replacement's");
  return Entry{className, selectorName, Kind::kReplaceInPlace, objc::toImp(Fn), nullptr, &TheSlot};
}

// A class method replaced in place: as replaceInPlace, on the method the class object
// answers with (its own class method or one it inherits from a superclass).  The
// replacement receives the class object as self.
template <auto Fn, auto& TheSlot>
Entry replaceClassMethodInPlace(const char* className, const char* selectorName) {
  Entry entry = replaceInPlace<Fn, TheSlot>(className, selectorName);
  entry.classMethod = true;
  return entry;
}

// A replaced method whose new implementation never calls the previous one.
template <auto Fn>
Entry replaceWithoutPrevious(const char* className, const char* selectorName) {
  return Entry{className, selectorName, Kind::kReplaceWithoutPrevious, objc::toImp(Fn), nullptr, nullptr};
}

// A method added to a host class: no result, one object argument (the sender).
template <auto Fn>
Entry add(const char* className, const char* selectorName) {
  static_assert(std::is_same_v<typename detail::FunctionTraits<Fn>::Signature, void(id)>,
                "added methods take one object and return nothing");
  return Entry{className, selectorName, Kind::kAdd, objc::toImp(Fn), nullptr, nullptr};
}

// Installs the entries in order.  Entries whose class or method is missing are
// skipped silently.  Installing a table again changes nothing: a method that already
// runs its new implementation is never wrapped in itself.
void install(std::span<const Entry> entries);

}  // namespace hook
