#include <corefoundation/CFNotificationCenter.h>

#include <corefoundation/NotifyDelivery.h>
#include <corefoundation/Notify.h>

#include <foundation/DeviceRoot.h>
#include <foundation/NSString.h>
#include <objcface/ClassBuilder.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Observation {
  std::uint64_t id;
  const void* observer;
  CFNotificationCallback callback;
  std::string name;
  objc::Ref nameString;  // handed to the callback
};

// The process-wide state of the Darwin center.  The receiver and its source exist
// while at least one observation does.
struct DarwinCenter {
  std::mutex mutex;
  std::vector<Observation> observations;
  std::uint64_t nextId = 1;
  std::shared_ptr<cf::notify::NotifyReceiver> receiver;
  CFRunLoopSourceRef source = nullptr;  // owned; in the main run loop
};

DarwinCenter& center() {
  static DarwinCenter* instance = new DarwinCenter;  // never destroyed: observers may outlive statics
  return *instance;
}

// The center object is immortal: retain and release do nothing.
id centerRetain(id self, SEL) { return self; }
void centerRelease(id, SEL) {}
NSUInteger centerRetainCount(id, SEL) { return static_cast<NSUInteger>(-1) >> 1; }

id centerObject() {
  static id object = [] {
    Class cls = objc::ClassBuilder<NSObjectIvars>("__NSCFDarwinNotificationCenter", objc::NSObjectClass())
                    .method<&centerRetain>("retain")
                    .method<&centerRelease>("release")
                    .method<&centerRetainCount>("retainCount")
                    .registerClass();
    return class_createInstance(cls, 0);
  }();
  return object;
}

[[maybe_unused]] const id registeredAtLoad = centerObject();

bool isDarwinCenter(CFNotificationCenterRef c) { return cf::toId(c) == centerObject() && c != nullptr; }

void deliver(const std::shared_ptr<cf::notify::NotifyReceiver>& receiver);

// Drops the receiver and its source (mutex held); `source` gets what the caller
// must invalidate and release once the lock is given up.
void dropReceiverLocked(DarwinCenter& c, CFRunLoopSourceRef& source) {
  source = std::exchange(c.source, nullptr);
  c.receiver.reset();
}

void finishDrop(CFRunLoopSourceRef source) {
  if (source == nullptr) return;
  CFRunLoopSourceInvalidate(source);
  CFRelease(source);
}

// Makes sure this process receives posts of the current device root (mutex held).
// A receiver of an earlier device root (tests move it) is replaced.
void ensureReceiverLocked(DarwinCenter& c, CFRunLoopSourceRef& stale) {
  if (c.receiver && c.receiver->deviceRoot() == ns::deviceRoot()) return;
  dropReceiverLocked(c, stale);
  auto opened = cf::notify::NotifyReceiver::open();
  if (!opened) {
    std::fprintf(stderr, "Darwin notification center: %s\n", opened.error().message.c_str());
    return;
  }
  std::shared_ptr<cf::notify::NotifyReceiver> receiver(std::move(*opened));
  c.source = cf::createDescriptorSource(receiver->fd(), 0, [receiver] { deliver(receiver); });
  c.receiver = receiver;
  CFRunLoopAddSource(CFRunLoopGetMain(), c.source, kCFRunLoopCommonModes);
}

bool stillObserving(DarwinCenter& c, std::uint64_t id) {
  std::lock_guard guard(c.mutex);
  for (const auto& o : c.observations)
    if (o.id == id) return true;
  return false;
}

// Runs on the main thread when posts have arrived: each observation of each name
// posted since the last delivery is called once.
void deliver(const std::shared_ptr<cf::notify::NotifyReceiver>& receiver) {
  DarwinCenter& c = center();
  for (const std::string& name : receiver->drain()) {
    std::vector<Observation> due;
    {
      std::lock_guard guard(c.mutex);
      if (c.receiver != receiver) return;  // replaced meanwhile
      for (const auto& o : c.observations)
        if (o.name == name) due.push_back(o);
    }
    for (const auto& o : due) {
      // An earlier callback of this round may have removed this observation.
      if (!stillObserving(c, o.id)) continue;
      objc::AutoreleasePool pool;
      o.callback(reinterpret_cast<CFNotificationCenterRef>(centerObject()), const_cast<void*>(o.observer),
                 cf::fromId<CFStringRef>(o.nameString.get()), nullptr, nullptr);
    }
  }
}

// Removes the observations that `matches` selects, and the receiver with the last.
template <class Match>
void removeWhere(Match matches) {
  DarwinCenter& c = center();
  CFRunLoopSourceRef stale = nullptr;
  {
    std::lock_guard guard(c.mutex);
    std::erase_if(c.observations, matches);
    if (c.observations.empty()) dropReceiverLocked(c, stale);
  }
  finishDrop(stale);
}

}  // namespace

extern "C" CFNotificationCenterRef CFNotificationCenterGetDarwinNotifyCenter(void) {
  return reinterpret_cast<CFNotificationCenterRef>(centerObject());
}

extern "C" void CFNotificationCenterAddObserver(CFNotificationCenterRef centerRef, const void* observer,
                                                CFNotificationCallback callBack, CFStringRef name, const void*,
                                                CFNotificationSuspensionBehavior) {
  if (!isDarwinCenter(centerRef) || callBack == nullptr || name == nullptr) return;
  std::string text = ns::utf8(cf::toId(name));
  if (text.empty() || text.size() > cf::notify::kMaxNotificationNameLength) return;
  DarwinCenter& c = center();
  CFRunLoopSourceRef stale = nullptr;
  {
    std::lock_guard guard(c.mutex);
    bool known = false;
    for (const auto& o : c.observations)
      known = known || (o.observer == observer && o.callback == callBack && o.name == text);
    if (!known) c.observations.push_back({c.nextId++, observer, callBack, text, ns::makeString(text)});
    ensureReceiverLocked(c, stale);
  }
  finishDrop(stale);
}

extern "C" void CFNotificationCenterRemoveObserver(CFNotificationCenterRef centerRef, const void* observer,
                                                   CFStringRef name, const void*) {
  if (!isDarwinCenter(centerRef)) return;
  std::string text = name ? ns::utf8(cf::toId(name)) : std::string();
  removeWhere([&](const Observation& o) { return o.observer == observer && (name == nullptr || o.name == text); });
}

extern "C" void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef centerRef, const void* observer) {
  if (!isDarwinCenter(centerRef)) return;
  removeWhere([&](const Observation& o) { return o.observer == observer; });
}

extern "C" void CFNotificationCenterPostNotification(CFNotificationCenterRef centerRef, CFStringRef name, const void*,
                                                     CFDictionaryRef, Boolean) {
  if (!isDarwinCenter(centerRef) || name == nullptr) return;
  notify_post(ns::utf8(cf::toId(name)).c_str());
}
