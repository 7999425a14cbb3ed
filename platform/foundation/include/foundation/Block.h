// Block objects: runtime objects of class NSBlock that wrap a C++ callable, so that
// methods which take a block on iOS (addOperationWithBlock:, UIKit's animation
// completions, timer blocks) take one through an ordinary message send.
//
//   objc::Ref done = ns::makeBlock<void(BOOL)>([](BOOL finished) { … });
//   ns::invokeBlock<void(BOOL)>(done, BOOL{YES});
//
// A block is retain-counted like any object: -copy and -copyWithZone: answer the
// same block retained (every block here lives on the heap), and the callable, with
// everything it captured, is destroyed when the block is deallocated.  Each block
// records the C type string of its signature; invoking it with another signature
// stops the process with a message, as a mismatched message send does.  Invoking nil
// does nothing and answers a zero value.  A block whose signature is void() also
// answers -invoke.
#pragma once

#include <objcface/NSObject.h>

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace ns {

struct NSBlockIvars : NSObjectIvars {
  void (*_invoke)();       // the trampoline, really R (*)(id block, Args…)
  void* _callable;         // the heap copy of the callable (a std::function)
  void (*_destroy)(void*);  // destroys _callable
  const char* _signature;  // type string of R(Args…), for checking invocations
};

Class NSBlockClass();
bool isBlock(id object);

namespace detail {

template <class Sig>
struct BlockTraits;

template <class R, class... Args>
struct BlockTraits<R(Args...)> {
  using Function = std::function<R(Args...)>;
  static R invoke(id block, Args... args) {
    return (*static_cast<Function*>(objc::ivars<NSBlockIvars>(block)->_callable))(args...);
  }
  static void destroy(void* callable) { delete static_cast<Function*>(callable); }
  static const char* signature() {
    static const std::string s = objc::methodEncoding<R, Args...>();
    return s.c_str();
  }
  static R call(id block, Args... args);
};

// A new block (+1) around a callable already on the heap.
id newBlock(void (*invoke)(), void* callable, void (*destroy)(void*), const char* signature);
// The trampoline of `block`, after checking that it is a block of a signature
// compatible with `signature`; stops the process otherwise.
void (*checkedInvoke(id block, const char* signature))();

template <class R, class... Args>
R BlockTraits<R(Args...)>::call(id block, Args... args) {
  if (block == nil) {
    if constexpr (!std::is_void_v<R>) return R{};
    else return;
  }
  auto fn = reinterpret_cast<R (*)(id, Args...)>(checkedInvoke(block, signature()));
  return fn(block, args...);
}

}  // namespace detail

// A block owned by the caller.
template <class Sig, class F>
objc::Ref makeBlock(F&& fn) {
  using Traits = detail::BlockTraits<Sig>;
  auto* callable = new typename Traits::Function(std::forward<F>(fn));
  return objc::Ref::adopt(detail::newBlock(reinterpret_cast<void (*)()>(&Traits::invoke), callable,
                                           &Traits::destroy, Traits::signature()));
}

// An autoreleased block, as a block literal handed straight to a send would be.
template <class Sig, class F>
id block(F&& fn) {
  return objc::autorelease(makeBlock<Sig>(std::forward<F>(fn)).leak());
}

// Calls a block with the signature Sig.  Arguments convert to Sig's parameter types.
template <class Sig, class... A>
decltype(auto) invokeBlock(id block, A&&... args) {
  return detail::BlockTraits<Sig>::call(block, std::forward<A>(args)...);
}

}  // namespace ns
