// The NSTimer class over run-loop timers.
#include <foundation/Timer.h>

#include <foundation/Block.h>

#include <memory>

namespace ns {
namespace {

using objc::sel;
using objc::send;

NSTimerIvars* raw(id self) { return objc::ivars<NSTimerIvars>(self); }

double dateSeconds(id date) { return send<double>(date, sel<"timeIntervalSinceReferenceDate">()); }

id makeDate(TimeInterval t) {
  Class cls = objc::classNamed("NSDate");
  if (cls == Nil) return nil;
  return send<id>(cls, sel<"dateWithTimeIntervalSinceReferenceDate:">(), t);
}

// Fires the timer: a message to the target, or the block.  The timer stays alive for
// the call even if the target invalidates and releases it.
void fireTimer(id self) {
  objc::Ref keep = objc::Ref::retain(self);
  NSTimerIvars* t = raw(self);
  if (t->_block != nil) {
    objc::Ref block = objc::Ref::retain(t->_block);
    invokeBlock<void(id)>(block.get(), self);
  } else if (t->_target != nil && t->_selector != nullptr) {
    objc::Ref target = objc::Ref::retain(t->_target);
    objc::callImp<void>(objc_msg_lookup(target, t->_selector), target.get(), t->_selector, self);
  }
}

// Drops what the timer retains; the run-loop timer is already invalid.
void releaseContents(id self) {
  NSTimerIvars* t = raw(self);
  id target = t->_target, userInfo = t->_userInfo, block = t->_block;
  t->_target = t->_userInfo = t->_block = nil;
  objc::release(target);
  objc::release(userInfo);
  objc::release(block);
}

id setUp(id self, TimeInterval fireDate, double interval, id target, SEL selector, id userInfo, id block,
         BOOL repeats) {
  if (self == nil) return nil;
  NSTimerIvars* t = raw(self);
  t->_target = objc::retain(target);
  t->_selector = selector;
  t->_userInfo = objc::retain(userInfo);
  t->_block = block != nil ? send<id>(block, sel<"copy">()) : nil;
  // The action holds the timer weakly (a raw pointer): while the timer is in a loop
  // the loop's retain keeps it alive, and invalidation drops the action first.
  t->_timer = RunLoopTimer::create(fireDate, interval, repeats != NO, [self] { fireTimer(self); });
  return self;
}

id timerInitWithFireDate(id self, SEL, id date, double interval, id target, SEL selector, id userInfo,
                         BOOL repeats) {
  self = send<id>(self, sel<"init">());
  return setUp(self, date != nil ? dateSeconds(date) : now(), interval, target, selector, userInfo, nil, repeats);
}

void timerDealloc(id self, SEL cmd) {
  NSTimerIvars* t = raw(self);
  if (t->_timer) t->_timer->invalidate();
  releaseContents(self);
  std::destroy_at(&t->_timer);
  objc::sendSuper<void>(self, NSTimerClass(), cmd);
}

void timerInvalidate(id self, SEL) {
  // The loop's release (in the invalidation hook) may be the last one.
  objc::Ref keep = objc::Ref::retain(self);
  NSTimerIvars* t = raw(self);
  if (t->_timer) t->_timer->invalidate();
  releaseContents(self);
}

BOOL timerIsValid(id self, SEL) { return raw(self)->_timer && raw(self)->_timer->isValid() ? YES : NO; }

void timerFire(id self, SEL) {
  objc::Ref keep = objc::Ref::retain(self);
  auto timer = raw(self)->_timer;
  if (!timer) return;
  timer->fireNow();
  if (!timer->isValid()) releaseContents(self);  // a one-shot timer is spent
}

id timerFireDate(id self, SEL) { return raw(self)->_timer ? makeDate(raw(self)->_timer->fireDate()) : nil; }

void timerSetFireDate(id self, SEL, id date) {
  if (raw(self)->_timer && date != nil) raw(self)->_timer->setFireDate(dateSeconds(date));
}

double timerInterval(id self, SEL) {
  const auto& timer = raw(self)->_timer;
  return timer && timer->repeats() ? timer->interval() : 0.0;
}

id timerUserInfo(id self, SEL) { return raw(self)->_userInfo; }

id newTimer(double interval, id target, SEL selector, id userInfo, id block, BOOL repeats) {
  id timer = send<id>(send<id>(NSTimerClass(), sel<"alloc">()), sel<"init">());
  return setUp(timer, now() + interval, interval, target, selector, userInfo, block, repeats);
}

id clsTimer(id, SEL, double interval, id target, SEL selector, id userInfo, BOOL repeats) {
  return objc::autorelease(newTimer(interval, target, selector, userInfo, nil, repeats));
}

id clsScheduledTimer(id, SEL, double interval, id target, SEL selector, id userInfo, BOOL repeats) {
  id timer = objc::autorelease(newTimer(interval, target, selector, userInfo, nil, repeats));
  (void)scheduleTimer(timer, RunLoop::current(), kDefaultRunLoopMode);
  return timer;
}

id clsTimerWithBlock(id, SEL, double interval, BOOL repeats, id block) {
  return objc::autorelease(newTimer(interval, nil, nullptr, nil, block, repeats));
}

id clsScheduledTimerWithBlock(id, SEL, double interval, BOOL repeats, id block) {
  id timer = objc::autorelease(newTimer(interval, nil, nullptr, nil, block, repeats));
  (void)scheduleTimer(timer, RunLoop::current(), kDefaultRunLoopMode);
  return timer;
}

Class registerTimerClass() {
  return objc::ClassBuilder<NSTimerIvars>("NSTimer", objc::NSObjectClass())
      .ivar<&NSTimerIvars::_target>("_target")
      .ivar<&NSTimerIvars::_selector>("_selector")
      .ivar<&NSTimerIvars::_userInfo>("_userInfo")
      .ivar<&NSTimerIvars::_block>("_block")
      .ivar<&NSTimerIvars::_timer>("_timer")
      .method<&timerInitWithFireDate>("initWithFireDate:interval:target:selector:userInfo:repeats:")
      .method<&timerDealloc>("dealloc")
      .method<&timerInvalidate>("invalidate")
      .method<&timerIsValid>("isValid")
      .method<&timerFire>("fire")
      .method<&timerFireDate>("fireDate")
      .method<&timerSetFireDate>("setFireDate:")
      .method<&timerInterval>("timeInterval")
      .method<&timerUserInfo>("userInfo")
      .classMethod<&clsTimer>("timerWithTimeInterval:target:selector:userInfo:repeats:")
      .classMethod<&clsScheduledTimer>("scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:")
      .classMethod<&clsTimerWithBlock>("timerWithTimeInterval:repeats:block:")
      .classMethod<&clsScheduledTimerWithBlock>("scheduledTimerWithTimeInterval:repeats:block:")
      .registerClass();
}

[[maybe_unused]] const Class kTimerAtLoad = NSTimerClass();

}  // namespace

Class NSTimerClass() {
  static const Class cls = registerTimerClass();
  return cls;
}

std::shared_ptr<RunLoopTimer> timerCore(id timer) {
  if (timer == nil || !send<BOOL>(timer, sel<"isKindOfClass:">(), NSTimerClass())) return nullptr;
  return raw(timer)->_timer;
}

objc::Status scheduleTimer(id timer, RunLoop& loop, std::string_view mode) {
  auto core = timerCore(timer);
  if (!core) return objc::makeError("not a timer");
  bool firstLoop = !core->isScheduled();
  objc::Status added = loop.addTimer(core, mode);
  if (!added.ok()) return added;
  // The loop's retain, given back when the timer is invalidated (by -invalidate, by
  // firing once, or by the loop's thread ending).  Adding in a second mode does not
  // retain again.
  if (firstLoop) {
    objc::retain(timer);
    if (!core->setInvalidationHook([timer] {
          releaseContents(timer);
          objc::release(timer);
        }))
      objc::release(timer);
  }
  return objc::Ok{};
}

}  // namespace ns
