// The CFRunLoop functions over the run loop core.
#include <corefoundation/CFRunLoop.h>

#include <foundation/RunLoopObject.h>

namespace {

id asObject(const void* ref) { return reinterpret_cast<id>(const_cast<void*>(ref)); }

std::string nameOf(CFStringRef mode) { return ns::modeName(asObject(mode)); }

}  // namespace

extern "C" {

const CFStringRef kCFRunLoopDefaultMode = reinterpret_cast<CFStringRef>(NSDefaultRunLoopMode);
const CFStringRef kCFRunLoopCommonModes = reinterpret_cast<CFStringRef>(NSRunLoopCommonModes);

CFRunLoopRef CFRunLoopGetCurrent(void) { return cf::runLoopRef(ns::RunLoop::current()); }

CFRunLoopRef CFRunLoopGetMain(void) { return cf::runLoopRef(ns::RunLoop::main()); }

void CFRunLoopRun(void) { ns::RunLoop::current().run(); }

SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled) {
  std::string name = nameOf(mode);
  if (name.empty()) return kCFRunLoopRunFinished;
  return static_cast<SInt32>(ns::RunLoop::current().runInMode(name, seconds, returnAfterSourceHandled != 0));
}

void CFRunLoopStop(CFRunLoopRef rl) {
  if (auto loop = cf::runLoopOf(rl)) loop->stop();
}

void CFRunLoopWakeUp(CFRunLoopRef rl) {
  if (auto loop = cf::runLoopOf(rl)) loop->wakeUp();
}

Boolean CFRunLoopIsWaiting(CFRunLoopRef rl) {
  auto loop = cf::runLoopOf(rl);
  return loop && loop->isWaiting() ? 1 : 0;
}

CFStringRef CFRunLoopCopyCurrentMode(CFRunLoopRef rl) {
  auto loop = cf::runLoopOf(rl);
  std::string name = loop ? loop->currentMode() : std::string();
  if (name.empty()) return nullptr;
  return reinterpret_cast<CFStringRef>(ns::modeObject(name).leak());
}

void CFRunLoopAddCommonMode(CFRunLoopRef rl, CFStringRef mode) {
  auto loop = cf::runLoopOf(rl);
  std::string name = nameOf(mode);
  if (loop && !name.empty()) loop->addCommonMode(name);
}

void CFRunLoopAddSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode) {
  auto loop = cf::runLoopOf(rl);
  auto core = cf::sourceOf(source);
  std::string name = nameOf(mode);
  if (loop && core && !name.empty()) (void)loop->addSource(core, name);
}

void CFRunLoopRemoveSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode) {
  auto loop = cf::runLoopOf(rl);
  auto core = cf::sourceOf(source);
  std::string name = nameOf(mode);
  if (!loop || !core || name.empty()) return;
  // The loop's release of the source may be the last one.
  objc::Ref keep = objc::Ref::retain(asObject(source));
  loop->removeSource(core, name);
}

Boolean CFRunLoopContainsSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFStringRef mode) {
  auto loop = cf::runLoopOf(rl);
  auto core = cf::sourceOf(source);
  std::string name = nameOf(mode);
  return loop && core && !name.empty() && loop->containsSource(core, name) ? 1 : 0;
}

}  // extern "C"

namespace cf {

std::shared_ptr<ns::RunLoop> runLoopOf(CFRunLoopRef rl) { return ns::runLoopFromObject(asObject(rl)); }

CFRunLoopRef runLoopRef(ns::RunLoop& loop) { return reinterpret_cast<CFRunLoopRef>(ns::runLoopObject(loop)); }

}  // namespace cf
