// UIView: frame, bounds and centre, autoresizing, coordinate conversion, hit testing,
// layout and sizing.
#include <uikit/UIView.h>

#include "AnimationInternals.h"
#include "FoundationGlue.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <array>

namespace uikit {

using detail::formatNumber;
using detail::viewIvars;
using objc::send;
using objc::sel;

namespace {

using detail::pointText;
using detail::rectText;

// One axis of autoresizing: the flexible parts among (leading margin, length,
// trailing margin) share the change of the superview's length in proportion to their
// current sizes, or equally when those are all zero.
void resizeAxis(CGFloat& origin, CGFloat& length, CGFloat oldOuter, CGFloat newOuter, bool flexLead, bool flexLength,
                bool flexTrail) {
  CGFloat delta = newOuter - oldOuter;
  if (delta == 0 || !(flexLead || flexLength || flexTrail)) return;
  CGFloat lead = origin;
  CGFloat trail = oldOuter - origin - length;
  std::array<CGFloat, 3> parts{flexLead ? lead : 0, flexLength ? length : 0, flexTrail ? trail : 0};
  std::array<bool, 3> flexible{flexLead, flexLength, flexTrail};
  CGFloat sum = parts[0] + parts[1] + parts[2];
  int flexibleCount = int(flexLead) + int(flexLength) + int(flexTrail);
  std::array<CGFloat, 3> share{};
  for (int i = 0; i < 3; ++i) {
    if (!flexible[i]) continue;
    share[i] = sum > 0 ? delta * parts[i] / sum : delta / flexibleCount;
  }
  origin += share[0];
  length += share[1];
  if (length < 0) length = 0;
}

void autoresizeSubviews(id view, CGSize oldSize, CGSize newSize) {
  if (!viewIvars(view)->_autoresizesSubviews) return;
  for (id sub : subviewsOf(view)) {
    UIViewAutoresizing mask = viewIvars(sub)->_autoresizingMask;
    if (mask == UIViewAutoresizingNone) continue;
    CGRect f = viewIvars(sub)->_frame;
    resizeAxis(f.origin.x, f.size.width, oldSize.width, newSize.width, mask & UIViewAutoresizingFlexibleLeftMargin,
               mask & UIViewAutoresizingFlexibleWidth, mask & UIViewAutoresizingFlexibleRightMargin);
    resizeAxis(f.origin.y, f.size.height, oldSize.height, newSize.height, mask & UIViewAutoresizingFlexibleTopMargin,
               mask & UIViewAutoresizingFlexibleHeight, mask & UIViewAutoresizingFlexibleBottomMargin);
    if (!(f == viewIvars(sub)->_frame)) send<void>(sub, sel<"setFrame:">(), f);
  }
}

}  // namespace

void detail::applyFrame(id view, CGRect frame) {
  UIViewIvars* v = viewIvars(view);
  CGRect old = v->_frame;
  if (old == frame) return;
  noteAnimatedChange(view, "frame", rectText(old), rectText(frame));
  v->_frame = frame;
  if (!(old.size == frame.size)) {
    v->_needsLayout = YES;
    autoresizeSubviews(view, old.size, frame.size);
  }
}

CGPoint detail::pointToRoot(id view, CGPoint p) {
  for (id v = view; v != nil && viewIvars(v)->_superview != nil; v = viewIvars(v)->_superview) {
    UIViewIvars* iv = viewIvars(v);
    p = CGPointMake(iv->_frame.origin.x + p.x - iv->_boundsOrigin.x, iv->_frame.origin.y + p.y - iv->_boundsOrigin.y);
  }
  return p;
}

CGPoint detail::pointFromRoot(id view, CGPoint p) {
  std::vector<id> chain;
  for (id v = view; v != nil && viewIvars(v)->_superview != nil; v = viewIvars(v)->_superview) chain.push_back(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    UIViewIvars* iv = viewIvars(*it);
    p = CGPointMake(p.x - iv->_frame.origin.x + iv->_boundsOrigin.x, p.y - iv->_frame.origin.y + iv->_boundsOrigin.y);
  }
  return p;
}

CGPoint convertPoint(CGPoint p, id from, id to) {
  id fromRoot = detail::rootOf(from);
  CGPoint inRoot = from ? detail::pointToRoot(from, p) : p;
  if (to == nil) return inRoot;
  id toRoot = detail::rootOf(to);
  if (from != nil && fromRoot != toRoot) {
    // Different hierarchies meet in screen coordinates: each root's frame places it.
    CGRect a = viewIvars(fromRoot)->_frame;
    CGRect b = viewIvars(toRoot)->_frame;
    inRoot = CGPointMake(inRoot.x + a.origin.x - b.origin.x, inRoot.y + a.origin.y - b.origin.y);
  }
  return detail::pointFromRoot(to, inRoot);
}

CGRect convertRect(CGRect r, id from, id to) {
  CGPoint origin = convertPoint(r.origin, from, to);
  return CGRect{origin, r.size};
}

void layoutTree(id view) {
  if (view == nil) return;
  objc::Ref keep = objc::Ref::retain(view);
  send<void>(view, sel<"layoutIfNeeded">());
}

namespace {

CGRect viewFrame(id self, SEL) { return viewIvars(self)->_frame; }
void viewSetFrame(id self, SEL, CGRect frame) { detail::applyFrame(self, frame); }

CGRect viewBoundsMethod(id self, SEL) { return viewBounds(self); }
void viewSetBounds(id self, SEL, CGRect bounds) {
  UIViewIvars* v = viewIvars(self);
  if (!(v->_boundsOrigin == bounds.origin)) {
    detail::noteAnimatedChange(self, "bounds.origin", pointText(v->_boundsOrigin), pointText(bounds.origin));
    v->_boundsOrigin = bounds.origin;
    v->_needsLayout = YES;
  }
  // A new size keeps the centre where it is.
  CGRect f = v->_frame;
  CGPoint centre = CGPointMake(CGRectGetMidX(f), CGRectGetMidY(f));
  detail::applyFrame(self, CGRectMake(centre.x - bounds.size.width / 2, centre.y - bounds.size.height / 2,
                                      bounds.size.width, bounds.size.height));
}

CGPoint viewCenter(id self, SEL) {
  CGRect f = viewIvars(self)->_frame;
  return CGPointMake(CGRectGetMidX(f), CGRectGetMidY(f));
}
void viewSetCenter(id self, SEL, CGPoint centre) {
  CGRect f = viewIvars(self)->_frame;
  detail::applyFrame(self, CGRectMake(centre.x - f.size.width / 2, centre.y - f.size.height / 2, f.size.width,
                                      f.size.height));
}

CGPoint viewConvertPointTo(id self, SEL, CGPoint p, id to) { return convertPoint(p, self, to); }
CGPoint viewConvertPointFrom(id self, SEL, CGPoint p, id from) {
  if (from == nil) return convertPoint(p, detail::rootOf(self), self);
  return convertPoint(p, from, self);
}
CGRect viewConvertRectTo(id self, SEL, CGRect r, id to) { return convertRect(r, self, to); }
CGRect viewConvertRectFrom(id self, SEL, CGRect r, id from) {
  if (from == nil) return convertRect(r, detail::rootOf(self), self);
  return convertRect(r, from, self);
}

BOOL viewPointInside(id self, SEL, CGPoint p, id) { return CGRectContainsPoint(viewBounds(self), p) ? YES : NO; }

// iOS's rule: a hidden, non-interactive or nearly transparent view and everything in
// it is skipped; otherwise the front-most subview that claims the point wins, then
// the view itself.  Each step is a message send, so overrides take part.
id viewHitTest(id self, SEL, CGPoint p, id event) {
  UIViewIvars* v = viewIvars(self);
  if (v->_hidden || !v->_userInteractionEnabled || v->_alpha < 0.01) return nil;
  if (!send<BOOL>(self, sel<"pointInside:withEvent:">(), p, event)) return nil;
  std::vector<id> subs = subviewsOf(self);
  for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
    UIViewIvars* s = viewIvars(*it);
    CGPoint local = CGPointMake(p.x - s->_frame.origin.x + s->_boundsOrigin.x, p.y - s->_frame.origin.y + s->_boundsOrigin.y);
    if (id hit = send<id>(*it, sel<"hitTest:withEvent:">(), local, event)) return hit;
  }
  return self;
}

void viewSetNeedsLayout(id self, SEL) { viewIvars(self)->_needsLayout = YES; }
void viewLayoutSubviews(id, SEL) {}
// Lays out the receiver if it is marked, then its subviews the same way, as a layout
// pass of iOS covers the whole subtree.
void viewLayoutIfNeeded(id self, SEL) {
  UIViewIvars* v = viewIvars(self);
  if (v->_needsLayout) {
    v->_needsLayout = NO;
    send<void>(self, sel<"layoutSubviews">());
  }
  for (id sub : subviewsOf(self)) {
    objc::Ref keep = objc::Ref::retain(sub);
    send<void>(sub, sel<"layoutIfNeeded">());
  }
}

CGSize viewSizeThatFits(id self, SEL, CGSize) { return viewIvars(self)->_frame.size; }
void viewSizeToFit(id self, SEL) {
  CGRect f = viewIvars(self)->_frame;
  CGSize size = send<CGSize>(self, sel<"sizeThatFits:">(), f.size);
  send<void>(self, sel<"setFrame:">(), CGRect{f.origin, size});
}

}  // namespace

void detail::addViewGeometryMethods(objc::ClassBuilder<UIViewIvars>& b) {
  b.method<&viewFrame>("frame")
      .method<&viewSetFrame>("setFrame:")
      .method<&viewBoundsMethod>("bounds")
      .method<&viewSetBounds>("setBounds:")
      .method<&viewCenter>("center")
      .method<&viewSetCenter>("setCenter:")
      .method<&viewConvertPointTo>("convertPoint:toView:")
      .method<&viewConvertPointFrom>("convertPoint:fromView:")
      .method<&viewConvertRectTo>("convertRect:toView:")
      .method<&viewConvertRectFrom>("convertRect:fromView:")
      .method<&viewPointInside>("pointInside:withEvent:")
      .method<&viewHitTest>("hitTest:withEvent:")
      .method<&viewSetNeedsLayout>("setNeedsLayout")
      .method<&viewLayoutSubviews>("layoutSubviews")
      .method<&viewLayoutIfNeeded>("layoutIfNeeded")
      .method<&viewSizeThatFits>("sizeThatFits:")
      .method<&viewSizeToFit>("sizeToFit");
}

}  // namespace uikit
