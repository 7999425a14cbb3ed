#include "Swipe.h"

#include "BlockAnimation.h"
#include "HostAccess.h"
#include "MarkRead.h"
#include "Options.h"
#include "Removal.h"
#include "RowAnimation.h"

#include <objcface/ClassBuilder.h>
#include <objcface/Encoding.h>
#include <objcface/Ivar.h>
#include <objcface/NSObject.h>
#include <uikit/UIKitTypes.h>
#include <uikit/UIView.h>

#include <cmath>

namespace noctil6 {

using objc::sel;

hook::Slot<id(id)> gAwayCellInit;
hook::Slot<void()> gAwayCellLayoutSubviews;
hook::Slot<void(id)> gHandlePan;

namespace {

constexpr const char* kPanGestureViewClass = "BBAwayCellPanGestureView";
constexpr NSUInteger kFlexibleWidth = 2;
constexpr CGFloat kPadPanGuardBottom = 50.0;

// Where the current swipe began, in the list's coordinates (only x is used); it
// keeps its value between swipes.
CGPoint gStartPoint{};

// A gesture cancelled from outside: the recogniser's own state set to Cancelled, so
// it sends nothing more for this touch sequence.
void cancelRecognizer(id recognizer) {
  objc::setIvar<NSInteger>(recognizer, "_state", NSInteger{UIGestureRecognizerStateCancelled});
}

// Whether a pan may begin as a swipe: it moves more sideways than up or down.  No
// movement at all is no swipe; a purely sideways start is one.
BOOL movesSideways(id host, id recognizer) {
  if (!isKindOfClassNamed(recognizer, "UIPanGestureRecognizer")) return NO;
  CGPoint t = objc::send<CGPoint>(recognizer, sel<"translationInView:">(), host);
  if (t.y == 0) return t.x != 0 ? YES : NO;
  return std::fabs(t.x) / std::fabs(t.y) > 1.0 ? YES : NO;
}

// ---- the methods the cells are given ----

// gestureRecognizerShouldBegin: of a cell: a Notification Center notification that
// may not be cleared cannot be swiped away.
BOOL cellShouldBegin(id self, SEL, id recognizer) {
  if (!isKindOfClassNamed(recognizer, "UIPanGestureRecognizer")) return NO;
  if (isKindOfClassNamed(self, "SBBulletinListCell") && !ask<BOOL>(notificationOfListCell(self), sel<"clearable">()))
    return NO;
  return movesSideways(self, recognizer);
}

void cellHandlePan(id self, SEL, id recognizer) { handleCellPan(self, recognizer); }

// Gives the cell class the two methods: gestureRecognizerShouldBegin: in place of
// the one its cells answer already, handlePan: only when they answer none.
void addSwipeMethods(id cell, const char* className) {
  Class cls = objc_getClass(className);
  if (cls == Nil) return;
  // The admission answers a BOOL, as the recogniser asks it.
  const std::string shouldBeginTypes = objc::methodEncoding<BOOL, id>();
  SEL shouldBegin = sel<"gestureRecognizerShouldBegin:">();
  if (answers(cell, shouldBegin))
    class_replaceMethod(cls, shouldBegin, objc::toImp(&cellShouldBegin), shouldBeginTypes.c_str());
  else
    class_addMethod(cls, shouldBegin, objc::toImp(&cellShouldBegin), shouldBeginTypes.c_str());
  if (!answers(cell, sel<"handlePan:">())) class_addMethod(cls, sel<"handlePan:">(), objc::toImp(&cellHandlePan), "v@:@");
}

// ---- BBAwayCellPanGestureView, the swipe's host on a lock-screen cell below iOS 6 ----

BOOL panViewShouldBegin(id self, SEL, id recognizer) { return movesSideways(self, recognizer); }

void panViewHandlePan(id self, SEL, id recognizer) {
  handleCellPan(objc::send<id>(self, sel<"superview">()), recognizer);
}

Class panGestureViewClass() {
  if (Class existing = objc_lookUpClass(kPanGestureViewClass)) return existing;
  Class view = objc_lookUpClass("UIView");
  if (view == Nil) return Nil;
  return objc::ClassBuilder<UIViewIvars>(kPanGestureViewClass, view)
      .method<&panViewShouldBegin>("gestureRecognizerShouldBegin:")
      .method<&panViewHandlePan>("handlePan:")
      .registerClass();
}

// A pan recogniser on the host, sending it handlePan: and asking it whether to begin.
void attachPan(id host, BOOL cancelsTouchesInView) {
  id pan = objc::send<id>(objc::send<id>(objc_lookUpClass("UIPanGestureRecognizer"), sel<"alloc">()),
                          sel<"initWithTarget:action:">(), host, sel<"handlePan:">());
  objc::send<void>(pan, sel<"setDelegate:">(), host);
  objc::send<void>(host, sel<"addGestureRecognizer:">(), pan);
  objc::send<void>(pan, sel<"setCancelsTouchesInView:">(), cancelsTouchesInView);
  objc::release(pan);
}

// Slides the cell back to x = 0.
void returnCell(id cell) {
  objc::Ref keep = objc::Ref::retain(cell);
  animateWithDuration(kSwipeReturnSeconds, [keep] { setFrameX(keep.get(), 0); });
}

void deleteSwipe(id cell, CGFloat dx) {
  const int animation = dx < 0 ? kRowAnimationLeft : kRowAnimationRight;
  const bool listCell = isKindOfClassNamed(cell, "SBBulletinListCell");
  id notification = listCell ? notificationOfListCell(cell) : notificationOfLockScreenCell(cell);
  if (notification == nil) {
    // Nothing to delete: the cell the finger moved goes back.
    returnCell(cell);
    return;
  }
  deleteSwipedNotification(notification, animation);
}

}  // namespace

id awayCellInitReplacement(id self, SEL cmd, id reuseIdentifier) {
  id cell = gAwayCellInit(self, cmd, reuseIdentifier);
  if (cell == nil || !options().swipeToDelete) return cell;
  if (!descriptionContains(cell, "SBAwayBulletinCell") && !descriptionContains(cell, "SBAwayBulletinFloatingCell"))
    return cell;
  id host = cell;
  if (systemVersion() < 6.0f) {
    Class viewClass = panGestureViewClass();
    if (viewClass == Nil) return cell;
    host = objc::send<id>(objc::send<id>(viewClass, sel<"alloc">()), sel<"initWithFrame:">(), frameOf(cell));
    objc::send<void>(host, sel<"setAutoresizingMask:">(), kFlexibleWidth);
    objc::send<void>(cell, sel<"addSubview:">(), host);
    objc::release(host);
  } else {
    addSwipeMethods(cell, "SBAwayBulletinCell");
  }
  attachPan(host, NO);
  return cell;
}

void awayCellLayoutSubviewsReplacement(id self, SEL cmd) {
  gAwayCellLayoutSubviews(self, cmd);
  if (systemVersion() >= 6.0f) return;
  id subviews = ask(self, sel<"subviews">());
  const NSUInteger count = ask<NSUInteger>(subviews, sel<"count">());
  for (NSUInteger i = 0; i < count; ++i) {
    id subview = objc::send<id>(subviews, sel<"objectAtIndex:">(), i);
    if (!isKindOfClassNamed(subview, kPanGestureViewClass)) continue;
    CGRect frame = frameOf(subview);
    frame.size.height = frameOf(self).size.height;
    setFrame(subview, frame);
    break;
  }
}

void installCellSwipe(id cell) {
  if (cell == nil || !options().swipeToDelete || options().sdRequireConfirm) return;
  addSwipeMethods(cell, "SBBulletinListCell");
  attachPan(cell, YES);
}

void handleCellPan(id cell, id recognizer) {
  if (cell == nil || recognizer == nil) return;
  const bool listCell = isKindOfClassNamed(cell, "SBBulletinListCell");
  id reference = listCell ? ask(listController(), sel<"listView">()) : ask(lockScreenListController(), sel<"view">());
  const CGPoint p = objc::send<CGPoint>(recognizer, sel<"locationInView:">(), reference);
  switch (objc::send<NSInteger>(recognizer, sel<"state">())) {
    case UIGestureRecognizerStateBegan:
      gStartPoint = p;
      if (p.x < kSwipeStartMargin) cancelRecognizer(recognizer);
      break;
    case UIGestureRecognizerStateChanged:
      if (gStartPoint.x > kSwipeStartMargin) setFrameX(cell, p.x - gStartPoint.x);
      break;
    case UIGestureRecognizerStateEnded: {
      const CGFloat dx = p.x - gStartPoint.x;
      id velocityView = ask(lockScreenListController(), sel<"view">());
      const CGFloat v = objc::send<CGPoint>(recognizer, sel<"velocityInView:">(), velocityView).x;
      if (std::fabs(dx) > kSwipeDeleteDistance || std::fabs(v) > kSwipeDeleteVelocity)
        deleteSwipe(cell, dx);
      else
        returnCell(cell);
      break;
    }
    case UIGestureRecognizerStateCancelled:
      returnCell(cell);
      break;
    default:
      break;
  }
}

void listHandlePanReplacement(id self, SEL cmd, id recognizer) {
  if (options().swipeToDelete && isPad() && ask<NSInteger>(recognizer, sel<"state">()) == UIGestureRecognizerStateBegan) {
    id table = ask(ask(self, sel<"listView">()), sel<"tableView">());
    const CGPoint p = objc::send<CGPoint>(recognizer, sel<"locationInView:">(), table);
    CGRect guarded = frameOf(table);
    guarded.size.height -= kPadPanGuardBottom;
    if (table != nil && CGRectContainsPoint(guarded, p)) cancelRecognizer(recognizer);
  }
  gHandlePan(self, cmd, recognizer);
}

}  // namespace noctil6
