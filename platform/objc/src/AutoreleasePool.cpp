// Autorelease pools: a per-thread stack, the RAII AutoreleasePool and the
// NSAutoreleasePool class (alloc/init opens, drain or release closes).
#include <objcface/NSObject.h>

#include "AutoreleaseStack.h"

namespace objc {

std::size_t AutoreleaseStack::push() {
  marks_.push_back(objects_.size());
  return marks_.size() - 1;
}

void AutoreleaseStack::popTo(std::size_t depth) {
  if (depth >= marks_.size()) return;
  std::size_t mark = marks_[depth];
  // Keep the pools open while releasing, so objects autoreleased by a dealloc land in
  // a pool that is about to be drained rather than in an outer one.
  while (objects_.size() > mark) {
    id object = objects_.back();
    objects_.pop_back();
    release(object);
  }
  marks_.resize(depth);
}

void AutoreleaseStack::add(id object) {
  // With no pool open the object is never released, as on iOS ("just leaking").
  if (!marks_.empty()) objects_.push_back(object);
}

AutoreleaseStack::~AutoreleaseStack() {
  if (!marks_.empty()) popTo(0);
}

AutoreleaseStack& autoreleaseStack() {
  thread_local AutoreleaseStack stack;
  return stack;
}

AutoreleasePool::AutoreleasePool() : depth_(autoreleaseStack().push()) {}
AutoreleasePool::~AutoreleasePool() { autoreleaseStack().popTo(depth_); }

std::size_t pendingAutoreleases() { return autoreleaseStack().pending(); }

namespace {

struct NSAutoreleasePoolIvars : NSObjectIvars {
  NSUInteger _depth;
};

id poolInit(id self, SEL) {
  reinterpret_cast<NSAutoreleasePoolIvars*>(self)->_depth = autoreleaseStack().push();
  return self;
}
void poolDrain(id self, SEL) {
  autoreleaseStack().popTo(reinterpret_cast<NSAutoreleasePoolIvars*>(self)->_depth);
  object_dispose(self);
}
id poolRetain(id self, SEL) { return self; }  // pools cannot be retained
id poolAutorelease(id self, SEL) { return self; }

[[maybe_unused]] const Class kNSAutoreleasePool =
    ClassBuilder<NSAutoreleasePoolIvars>("NSAutoreleasePool", NSObjectClass())
        .ivar<&NSAutoreleasePoolIvars::_depth>("_depth")
        .method<&poolInit>("init")
        .method<&poolDrain>("drain")
        .method<&poolDrain>("release")
        .method<&poolRetain>("retain")
        .method<&poolAutorelease>("autorelease")
        .registerClass();

}  // namespace
}  // namespace objc
