#include "TopShelf.h"

#include "BlockAnimation.h"
#include "HostAccess.h"
#include "Launch.h"
#include "Options.h"

#include <objcface/NSObject.h>
#include <uikit/UIKitTypes.h>

#include <algorithm>

namespace noctil6 {

using objc::sel;

hook::Slot<id(CGRect, id)> gTableInit;
hook::Slot<void(id, BOOL)> gDidEndDragging;

namespace {

NSUInteger countOf(id collection) { return ask<NSUInteger>(collection, sel<"count">()); }
id objectAt(id array, NSUInteger index) { return objc::send<id>(array, sel<"objectAtIndex:">(), index); }

BOOL sameObjects(id a, id b) { return a != nil && b != nil && objc::send<BOOL>(a, sel<"isEqual:">(), b) ? YES : NO; }

// The shelf's height as the tweak controller answers it (0 before launch).
CGFloat shelfHeight() { return ask<CGFloat>(tweakController(), sel<"topShelfHeight">()); }

void setTopInset(id tableView, CGFloat top) {
  ask<void>(tableView, sel<"setContentInset:">(), UIEdgeInsets{top, 0, 0, 0});
}

}  // namespace

CGFloat topShelfHeight(id, SEL) {
  id controller = listController();
  id weeApps = ivarNamed(controller, "_weeApps");
  const NSUInteger widgets = countOf(weeApps);
  const NSInteger wanted = options().topShelfWidgets;
  const NSInteger limit = std::min<NSInteger>(wanted, static_cast<NSInteger>(widgets));
  if (limit < 1) return 0;
  id possible = ivarNamed(controller, "_possibleSectionIDs");
  CGFloat height = 0;
  NSInteger counted = 0;
  const NSUInteger sections = countOf(possible);
  for (NSUInteger i = 0; i < sections && counted < limit; ++i) {
    id sectionID = objectAt(possible, i);
    for (NSUInteger w = 0; w < widgets; ++w) {
      id weeApp = objectAt(weeApps, w);
      if (!sameObjects(ask(weeApp, sel<"sectionID">()), sectionID)) continue;
      height += ask<CGFloat>(weeApp, sel<"viewHeight">()) + kTopShelfWidgetSpacing;
      ++counted;
      break;
    }
  }
  return height;
}

id tableInitReplacement(id self, SEL cmd, CGRect frame, id linenView) {
  id table = gTableInit(self, cmd, frame, linenView);
  if (table == nil || options().topShelfWidgets < 1) return table;
  const CGFloat height = shelfHeight();
  if (height > 0) {
    setTopInset(table, -height);
    // The shelf starts hidden: the table rests where its inset lets it, as a scroll
    // view brings its offset within a new inset.
    CGPoint offset = ask<CGPoint>(table, sel<"contentOffset">());
    if (offset.y < height) ask<void>(table, sel<"setContentOffset:">(), CGPointMake(offset.x, height));
  }
  return table;
}

void didEndDraggingReplacement(id self, SEL cmd, id scrollView, BOOL decelerate) {
  gDidEndDragging(self, cmd, scrollView, decelerate);
  if (options().topShelfWidgets < 1) return;
  const CGFloat height = shelfHeight();
  CGFloat revealBelow = 0;
  CGFloat hideFrom = height;
  if (height > kTopShelfPullThreshold) {
    const bool shown = ask<UIEdgeInsets>(scrollView, sel<"contentInset">()).top == 0.0;
    revealBelow = shown ? kTopShelfPullThreshold : height - kTopShelfPullThreshold;
    hideFrom = kTopShelfPullThreshold;
  }
  const CGFloat y = ask<CGPoint>(scrollView, sel<"contentOffset">()).y;
  objc::Ref table = objc::Ref::retain(scrollView);
  if (y < revealBelow) {
    animateWithDuration(kTopShelfAnimationSeconds, [table] { setTopInset(table.get(), 0); });
  } else if (y >= hideFrom) {
    animateWithDuration(kTopShelfAnimationSeconds, [table, height] { setTopInset(table.get(), -height); });
  }
}

}  // namespace noctil6
