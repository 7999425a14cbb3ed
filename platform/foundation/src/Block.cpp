// The NSBlock class: retain/copy semantics and checked invocation of block objects.
#include <foundation/Block.h>

#include <objcface/Encoding.h>

#include <cstdio>
#include <cstdlib>

namespace ns {
namespace {

NSBlockIvars* raw(id self) { return objc::ivars<NSBlockIvars>(self); }

id blockCopy(id self, SEL) { return objc::retain(self); }
id blockCopyWithZone(id self, SEL, void*) { return objc::retain(self); }

void blockDealloc(id self, SEL cmd) {
  NSBlockIvars* b = raw(self);
  if (b->_destroy != nullptr && b->_callable != nullptr) b->_destroy(b->_callable);
  b->_callable = nullptr;
  objc::sendSuper<void>(self, NSBlockClass(), cmd);
}

void blockInvokeMethod(id self, SEL) { invokeBlock<void()>(self); }

Class registerBlockClass() {
  return objc::ClassBuilder<NSBlockIvars>("NSBlock", objc::NSObjectClass())
      .ivar<&NSBlockIvars::_invoke>("_invoke")
      .ivar<&NSBlockIvars::_callable>("_callable")
      .ivar<&NSBlockIvars::_destroy>("_destroy")
      .ivar<&NSBlockIvars::_signature>("_signature")
      .method<&blockCopy>("copy")
      .method<&blockCopyWithZone>("copyWithZone:")
      .method<&blockDealloc>("dealloc")
      .method<&blockInvokeMethod>("invoke")
      .registerClass();
}

[[noreturn]] void badInvocation(id block, const char* wanted, const char* actual) {
  std::fprintf(stderr, "*** Terminating: block %s (%p) invoked as \"%s\" but its signature is \"%s\"\n",
               objc::className(block), static_cast<void*>(block), wanted, actual ? actual : "(not a block)");
  std::fflush(stderr);
  std::abort();
}

[[maybe_unused]] const Class kBlockAtLoad = NSBlockClass();

}  // namespace

Class NSBlockClass() {
  static const Class cls = registerBlockClass();
  return cls;
}

bool isBlock(id object) {
  for (Class c = object != nil ? object_getClass(object) : Nil; c != Nil; c = class_getSuperclass(c))
    if (c == NSBlockClass()) return true;
  return false;
}

namespace detail {

id newBlock(void (*invoke)(), void* callable, void (*destroy)(void*), const char* signature) {
  id block = objc::send<id>(NSBlockClass(), objc::sel<"alloc">());
  NSBlockIvars* b = raw(block);
  b->_invoke = invoke;
  b->_callable = callable;
  b->_destroy = destroy;
  b->_signature = signature;
  return objc::send<id>(block, objc::sel<"init">());
}

void (*checkedInvoke(id block, const char* signature))() {
  if (!isBlock(block)) badInvocation(block, signature, nullptr);
  NSBlockIvars* b = raw(block);
  if (!objc::encodingsCompatible(signature, b->_signature)) badInvocation(block, signature, b->_signature);
  return b->_invoke;
}

}  // namespace detail
}  // namespace ns
