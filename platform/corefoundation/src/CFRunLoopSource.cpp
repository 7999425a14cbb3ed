// CFRunLoopSource objects: version-0 sources made from a context, and descriptor
// sources for the rest of the platform, both over run-loop source cores.
#include <corefoundation/CFRunLoop.h>

#include <foundation/RunLoopObject.h>

#include <memory>

namespace {

struct CFRunLoopSourceIvars : NSObjectIvars {
  std::shared_ptr<ns::RunLoopSource> _source;
  CFRunLoopSourceContext _context;
  BOOL _hasContext;
};

CFRunLoopSourceIvars* raw(id self) { return objc::ivars<CFRunLoopSourceIvars>(self); }

Class sourceClass();

void sourceDealloc(id self, SEL cmd) {
  CFRunLoopSourceIvars* s = raw(self);
  // Not in any loop any more (each loop holds a retain): invalidating only drops
  // the perform and runs the invalidation callback.
  if (s->_source) s->_source->invalidate();
  if (s->_hasContext && s->_context.release != nullptr && s->_context.info != nullptr)
    s->_context.release(s->_context.info);
  std::destroy_at(&s->_source);
  objc::sendSuper<void>(self, sourceClass(), cmd);
}

Class registerSourceClass() {
  return objc::ClassBuilder<CFRunLoopSourceIvars>("__CFRunLoopSource", objc::NSObjectClass())
      .ivar<&CFRunLoopSourceIvars::_source>("_source")
      .ivar<&CFRunLoopSourceIvars::_context>("_context")
      .ivar<&CFRunLoopSourceIvars::_hasContext>("_hasContext")
      .method<&sourceDealloc>("dealloc")
      .registerClass();
}

Class sourceClass() {
  static const Class cls = registerSourceClass();
  return cls;
}

[[maybe_unused]] const Class kSourceClassAtLoad = sourceClass();

// Ties a core source to its object: every loop mode holding the source retains the
// object (released when the source leaves that mode), and a context's schedule and
// cancel callbacks run at the same moments.
void wire(id object, const std::shared_ptr<ns::RunLoopSource>& core) {
  core->setHooks(
      [object](ns::RunLoop& loop, std::string_view mode) {
        objc::retain(object);
        CFRunLoopSourceIvars* s = raw(object);
        if (s->_hasContext && s->_context.schedule != nullptr) {
          objc::Ref name = ns::modeObject(mode);
          s->_context.schedule(s->_context.info, cf::runLoopRef(loop), reinterpret_cast<CFStringRef>(name.get()));
        }
      },
      [object](ns::RunLoop& loop, std::string_view mode) {
        CFRunLoopSourceIvars* s = raw(object);
        if (s->_hasContext && s->_context.cancel != nullptr) {
          objc::Ref name = ns::modeObject(mode);
          s->_context.cancel(s->_context.info, cf::runLoopRef(loop), reinterpret_cast<CFStringRef>(name.get()));
        }
        objc::release(object);
      });
  raw(object)->_source = core;
}

id sourceObject(CFRunLoopSourceRef source) {
  id object = reinterpret_cast<id>(source);
  if (object == nil || !objc::send<BOOL>(object, objc::sel<"isKindOfClass:">(), sourceClass())) return nil;
  return object;
}

}  // namespace

extern "C" {

CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef, CFIndex order, CFRunLoopSourceContext* context) {
  // Only version-0 sources exist: there are no Mach ports to build version 1 on.
  if (context == nullptr || context->version != 0) return nullptr;
  id object = objc::allocInit(sourceClass());
  CFRunLoopSourceIvars* s = raw(object);
  s->_context = *context;
  s->_hasContext = YES;
  if (context->retain != nullptr && context->info != nullptr)
    s->_context.info = const_cast<void*>(context->retain(context->info));
  auto core = ns::RunLoopSource::signalled(
      [object] {
        CFRunLoopSourceIvars* src = raw(object);
        if (src->_context.perform != nullptr) src->_context.perform(src->_context.info);
      },
      order);
  wire(object, core);
  return reinterpret_cast<CFRunLoopSourceRef>(object);
}

void CFRunLoopSourceSignal(CFRunLoopSourceRef source) {
  if (auto core = cf::sourceOf(source)) core->signal();
}

void CFRunLoopSourceInvalidate(CFRunLoopSourceRef source) {
  id object = sourceObject(source);
  if (object == nil) return;
  // The loops' releases may be the last ones.
  objc::Ref keep = objc::Ref::retain(object);
  if (auto core = raw(object)->_source) core->invalidate();
}

Boolean CFRunLoopSourceIsValid(CFRunLoopSourceRef source) {
  auto core = cf::sourceOf(source);
  return core && core->isValid() ? 1 : 0;
}

CFIndex CFRunLoopSourceGetOrder(CFRunLoopSourceRef source) {
  auto core = cf::sourceOf(source);
  return core ? core->order() : 0;
}

void CFRunLoopSourceGetContext(CFRunLoopSourceRef source, CFRunLoopSourceContext* context) {
  id object = sourceObject(source);
  if (object == nil || context == nullptr) return;
  if (raw(object)->_hasContext) *context = raw(object)->_context;
  else *context = CFRunLoopSourceContext{};
}

}  // extern "C"

namespace cf {

CFRunLoopSourceRef createDescriptorSource(int fd, CFIndex order, std::function<void()> onReadable,
                                          std::function<void()> onInvalidate) {
  if (fd < 0) return nullptr;
  id object = objc::allocInit(sourceClass());
  auto core = ns::RunLoopSource::watchingFd(fd, std::move(onReadable), order);
  if (onInvalidate) core->setInvalidationHook(std::move(onInvalidate));
  wire(object, core);
  return reinterpret_cast<CFRunLoopSourceRef>(object);
}

std::shared_ptr<ns::RunLoopSource> sourceOf(CFRunLoopSourceRef source) {
  id object = sourceObject(source);
  return object != nil ? raw(object)->_source : nullptr;
}

}  // namespace cf
