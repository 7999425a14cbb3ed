// UIView's animation class methods: a stack of open animation blocks collects the
// changes the view setters report; commit logs them and schedules the end.
#include <uikit/UIAnimation.h>
#include <uikit/UIView.h>

#include "ActionDispatch.h"
#include "AnimationInternals.h"
#include "FoundationGlue.h"
#include "Timers.h"

#include <foundation/Block.h>
#include <objcface/Send.h>

#include <algorithm>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

struct OpenAnimation {
  AnimationRecord record;
  objc::Ref animationID;
  void* context = nullptr;
  objc::Ref delegate;
  SEL didStop = nullptr;
  SEL willStart = nullptr;
  objc::Ref completion;  // void(BOOL) block
};

std::vector<OpenAnimation>& openStack() {
  static std::vector<OpenAnimation> stack;
  return stack;
}
std::vector<AnimationRecord>& log() {
  static std::vector<AnimationRecord> entries;
  return entries;
}
bool gEnabled = true;

// Logs the innermost open animation and schedules its end.
void commitTop() {
  auto& stack = openStack();
  if (stack.empty()) return;
  OpenAnimation open = std::move(stack.back());
  stack.pop_back();
  open.record.committedAt = ns::now();
  std::size_t index = log().size();
  log().push_back(open.record);
  if (open.willStart != nullptr && open.delegate)
    detail::sendDidStop(open.delegate, open.willStart, open.animationID, nil, open.context);
  double after = open.record.animated ? open.record.delay + open.record.duration : 0.0;
  auto ending = std::make_shared<OpenAnimation>(std::move(open));
  detail::runAfter(after, [ending, index] {
    if (index < log().size()) log()[index].ended = true;
    if (ending->didStop != nullptr && ending->delegate) {
      objc::AutoreleasePool pool;
      detail::sendDidStop(ending->delegate, ending->didStop, ending->animationID, detail::makeNSNumberBool(true),
                          ending->context);
    }
    if (ending->completion) ns::invokeBlock<void(BOOL)>(ending->completion, BOOL{YES});
  });
}

OpenAnimation& top() { return openStack().back(); }

void beginAnimations(id, SEL, id animationID, void* context) {
  OpenAnimation open;
  open.animationID = objc::Ref::retain(animationID);
  open.record.animationID = detail::toStd(animationID);
  open.record.duration = 0.2;
  open.record.animated = gEnabled;
  open.context = context;
  openStack().push_back(std::move(open));
}
void commitAnimations(id, SEL) { commitTop(); }
void setCurve(id, SEL, NSInteger curve) {
  if (!openStack().empty()) top().record.curve = curve;
}
void setDuration(id, SEL, double duration) {
  if (!openStack().empty()) top().record.duration = duration;
}
void setDelay(id, SEL, double delay) {
  if (!openStack().empty()) top().record.delay = delay;
}
void setDelegate(id, SEL, id delegate) {
  if (!openStack().empty()) top().delegate = objc::Ref::retain(delegate);
}
void setDidStop(id, SEL, SEL selector) {
  if (!openStack().empty()) top().didStop = selector;
}
void setWillStart(id, SEL, SEL selector) {
  if (!openStack().empty()) top().willStart = selector;
}
void ignoreBool(id, SEL, BOOL) {}
void ignoreFloat(id, SEL, float) {}
void setEnabled(id, SEL, BOOL on) { gEnabled = on != NO; }
BOOL areEnabled(id, SEL) { return gEnabled ? YES : NO; }

// The block form: one open animation around the animations block.
void runBlockAnimation(double duration, double delay, NSUInteger options, id animations, id completion) {
  OpenAnimation open;
  open.record.blockBased = true;
  open.record.animated = gEnabled;
  open.record.duration = duration;
  open.record.delay = delay;
  open.record.curve = static_cast<NSInteger>((options >> 16) & 0xF);
  open.completion = objc::Ref::retain(completion);
  openStack().push_back(std::move(open));
  ns::invokeBlock<void()>(animations);
  commitTop();
}

void animateDuration(id, SEL, double duration, id animations) { runBlockAnimation(duration, 0, 0, animations, nil); }
void animateDurationCompletion(id, SEL, double duration, id animations, id completion) {
  runBlockAnimation(duration, 0, 0, animations, completion);
}
void animateFull(id, SEL, double duration, double delay, NSUInteger options, id animations, id completion) {
  runBlockAnimation(duration, delay, options, animations, completion);
}
void transitionWithView(id, SEL, id, double duration, NSUInteger options, id animations, id completion) {
  runBlockAnimation(duration, 0, options, animations, completion);
}
void performWithoutAnimation(id, SEL, id actions) {
  bool was = gEnabled;
  gEnabled = false;
  ns::invokeBlock<void()>(actions);
  gEnabled = was;
}

template <auto Fn>
void addClassMethod(const char* selector) {
  Class meta = object_getClass(reinterpret_cast<id>(UIViewClass()));
  objc::detail::addMethod(meta, selector, objc::detail::MethodTraits<Fn>::imp(), objc::detail::MethodTraits<Fn>::types());
}

[[maybe_unused]] const bool kAnimationMethods = [] {
  addClassMethod<&beginAnimations>("beginAnimations:context:");
  addClassMethod<&commitAnimations>("commitAnimations");
  addClassMethod<&setCurve>("setAnimationCurve:");
  addClassMethod<&setDuration>("setAnimationDuration:");
  addClassMethod<&setDelay>("setAnimationDelay:");
  addClassMethod<&setDelegate>("setAnimationDelegate:");
  addClassMethod<&setDidStop>("setAnimationDidStopSelector:");
  addClassMethod<&setWillStart>("setAnimationWillStartSelector:");
  addClassMethod<&ignoreBool>("setAnimationBeginsFromCurrentState:");
  addClassMethod<&ignoreBool>("setAnimationRepeatAutoreverses:");
  addClassMethod<&ignoreFloat>("setAnimationRepeatCount:");
  addClassMethod<&setEnabled>("setAnimationsEnabled:");
  addClassMethod<&areEnabled>("areAnimationsEnabled");
  addClassMethod<&animateDuration>("animateWithDuration:animations:");
  addClassMethod<&animateDurationCompletion>("animateWithDuration:animations:completion:");
  addClassMethod<&animateFull>("animateWithDuration:delay:options:animations:completion:");
  addClassMethod<&transitionWithView>("transitionWithView:duration:options:animations:completion:");
  addClassMethod<&performWithoutAnimation>("performWithoutAnimation:");
  return true;
}();

}  // namespace

namespace detail {

bool animating() { return !openStack().empty(); }

void noteAnimatedChange(id view, const char* property, const std::string& from, const std::string& to) {
  if (openStack().empty()) return;
  auto& changes = top().record.changes;
  // One entry per view and property: a second change updates the target value.
  for (auto& c : changes)
    if (c.view == view && c.property == property) {
      c.to = to;
      return;
    }
  changes.push_back({view, objc::className(view), property, from, to});
}

}  // namespace detail

const std::vector<AnimationRecord>& animationLog() { return log(); }
void clearAnimationLog() { log().clear(); }
bool insideAnimationBlock() { return !openStack().empty(); }

}  // namespace uikit
