// UIView: superview and subviews, the window, gesture recognisers, the responder
// chain and first-responder rules of views.
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UIView.h>
#include <uikit/UIWindow.h>

#include "FoundationGlue.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>

namespace uikit {

using detail::viewIvars;
using detail::viewStorage;
using objc::send;
using objc::sel;

namespace detail {

id rootOf(id view) {
  id root = view;
  while (root != nil && viewIvars(root)->_superview != nil) root = viewIvars(root)->_superview;
  return root;
}

id windowOf(id view) {
  id root = rootOf(view);
  return isKindOfClass(root, UIWindowClass()) ? root : nil;
}

}  // namespace detail

namespace {

// Window-change notifications go to a whole subtree, parents first.
void sendToSubtree(id view, SEL selector, id argument, bool withArgument) {
  objc::Ref keep = objc::Ref::retain(view);
  if (withArgument) send<void>(view, selector, argument);
  else send<void>(view, selector);
  for (id sub : subviewsOf(view)) sendToSubtree(sub, selector, argument, withArgument);
}

bool containsFirstResponder(id view) {
  for (id r = firstResponder(); r != nil && isView(r); r = viewIvars(r)->_superview)
    if (r == view) return true;
  return false;
}

// Takes view out of its superview's list (no notifications, no release).
void unlink(id view) {
  id parent = viewIvars(view)->_superview;
  if (parent == nil) return;
  auto& list = viewStorage(parent).subviews;
  list.erase(std::remove(list.begin(), list.end(), view), list.end());
  viewIvars(view)->_superview = nil;
}

// The one path by which a view enters a superview at a position: it leaves its old
// place first (with the removal notifications), the will/did notifications go out in
// iOS's order, and the superview takes ownership.
void insertAt(id self, id view, std::size_t index) {
  if (view == nil || view == self) return;
  objc::Ref keep = objc::Ref::retain(view);
  id oldParent = viewIvars(view)->_superview;
  if (oldParent == self) {
    // Reordering within the same superview: no move notifications.
    auto& list = viewStorage(self).subviews;
    list.erase(std::remove(list.begin(), list.end(), view), list.end());
    list.insert(list.begin() + static_cast<long>(std::min(index, list.size())), view);
    return;
  }
  id oldWindow = detail::windowOf(view);
  id newWindow = detail::windowOf(self);
  if (oldParent != nil) send<void>(oldParent, sel<"willRemoveSubview:">(), view);
  send<void>(view, sel<"willMoveToSuperview:">(), self);
  if (oldWindow != newWindow) sendToSubtree(view, sel<"willMoveToWindow:">(), newWindow, true);
  if (oldParent != nil) {
    unlink(view);
    objc::release(view);
  }
  auto& list = viewStorage(self).subviews;
  list.insert(list.begin() + static_cast<long>(std::min(index, list.size())), objc::retain(view));
  viewIvars(view)->_superview = self;
  send<void>(self, sel<"didAddSubview:">(), view);
  send<void>(view, sel<"didMoveToSuperview">());
  if (oldWindow != newWindow) sendToSubtree(view, sel<"didMoveToWindow">(), nil, false);
  viewIvars(self)->_needsLayout = YES;
}

std::size_t indexOf(id self, id view) {
  auto& list = viewStorage(self).subviews;
  auto it = std::find(list.begin(), list.end(), view);
  return static_cast<std::size_t>(it - list.begin());
}

id viewSuperview(id self, SEL) { return viewIvars(self)->_superview; }
id viewSubviews(id self, SEL) {
  std::vector<id> list = subviewsOf(self);
  return detail::makeNSArray(list);
}
id viewWindow(id self, SEL) { return detail::windowOf(self); }

void viewAddSubview(id self, SEL, id view) { insertAt(self, view, subviewsOf(self).size()); }
void viewInsertAtIndex(id self, SEL, id view, NSInteger index) {
  insertAt(self, view, index < 0 ? 0 : static_cast<std::size_t>(index));
}
void viewInsertAbove(id self, SEL, id view, id sibling) {
  if (sibling == nil || viewIvars(sibling)->_superview != self) return viewAddSubview(self, nullptr, view);
  if (viewIvars(view)->_superview == self && indexOf(self, view) < indexOf(self, sibling)) {
    // Moving towards the front: once view leaves, the sibling's index drops by one.
    insertAt(self, view, indexOf(self, sibling));
    return;
  }
  insertAt(self, view, indexOf(self, sibling) + 1);
}
void viewInsertBelow(id self, SEL, id view, id sibling) {
  if (sibling == nil || viewIvars(sibling)->_superview != self) return viewAddSubview(self, nullptr, view);
  std::size_t at = indexOf(self, sibling);
  if (viewIvars(view)->_superview == self && indexOf(self, view) < at) --at;
  insertAt(self, view, at);
}
void viewBringToFront(id self, SEL, id view) {
  if (view != nil && viewIvars(view)->_superview == self) insertAt(self, view, subviewsOf(self).size());
}
void viewSendToBack(id self, SEL, id view) {
  if (view != nil && viewIvars(view)->_superview == self) insertAt(self, view, 0);
}
void viewExchange(id self, SEL, NSInteger a, NSInteger b) {
  auto& list = viewStorage(self).subviews;
  if (a < 0 || b < 0 || static_cast<std::size_t>(a) >= list.size() || static_cast<std::size_t>(b) >= list.size()) return;
  std::swap(list[static_cast<std::size_t>(a)], list[static_cast<std::size_t>(b)]);
}

void viewRemoveFromSuperview(id self, SEL) {
  id parent = viewIvars(self)->_superview;
  if (parent == nil) return;
  objc::Ref keep = objc::Ref::retain(self);
  id oldWindow = detail::windowOf(self);
  if (oldWindow != nil && containsFirstResponder(self)) send<BOOL>(firstResponder(), sel<"resignFirstResponder">());
  send<void>(parent, sel<"willRemoveSubview:">(), self);
  send<void>(self, sel<"willMoveToSuperview:">(), static_cast<id>(nil));
  if (oldWindow != nil) sendToSubtree(self, sel<"willMoveToWindow:">(), nil, true);
  unlink(self);
  viewIvars(parent)->_needsLayout = YES;
  send<void>(self, sel<"didMoveToSuperview">());
  if (oldWindow != nil) sendToSubtree(self, sel<"didMoveToWindow">(), nil, false);
  objc::release(self);  // the superview's ownership; `keep` still holds it
}

BOOL viewIsDescendant(id self, SEL, id other) {
  for (id v = self; v != nil; v = viewIvars(v)->_superview)
    if (v == other) return YES;
  return NO;
}

id viewWithTag(id self, SEL, NSInteger tag) {
  if (viewIvars(self)->_tag == tag) return self;
  for (id sub : subviewsOf(self))
    if (id found = send<id>(sub, sel<"viewWithTag:">(), tag)) return found;
  return nil;
}

void viewHookWithView(id, SEL, id) {}
void viewHook(id, SEL) {}

// Gesture recognisers.

void viewAddGestureRecognizer(id self, SEL, id recogniser) {
  if (recogniser == nil) return;
  objc::Ref keep = objc::Ref::retain(recogniser);
  id oldView = send<id>(recogniser, sel<"view">());
  if (oldView == self) return;
  if (oldView != nil) send<void>(oldView, sel<"removeGestureRecognizer:">(), recogniser);
  viewStorage(self).gestureRecognizers.push_back(objc::retain(recogniser));
  reinterpret_cast<UIGestureRecognizerIvars*>(recogniser)->_view = self;
}

void viewRemoveGestureRecognizer(id self, SEL, id recogniser) {
  auto& list = viewStorage(self).gestureRecognizers;
  auto it = std::find(list.begin(), list.end(), recogniser);
  if (it == list.end()) return;
  list.erase(it);
  gestureRecognizerDetached(recogniser);
  reinterpret_cast<UIGestureRecognizerIvars*>(recogniser)->_view = nil;
  objc::release(recogniser);
}

id viewGestureRecognizers(id self, SEL) {
  auto& list = viewStorage(self).gestureRecognizers;
  return list.empty() ? nil : detail::makeNSArray(list);
}

void viewSetGestureRecognizers(id self, SEL, id array) {
  std::vector<id> old = viewStorage(self).gestureRecognizers;
  for (id g : old) send<void>(self, sel<"removeGestureRecognizer:">(), g);
  for (id g : detail::arrayElements(array)) send<void>(self, sel<"addGestureRecognizer:">(), g);
}

BOOL viewGestureShouldBegin(id, SEL, id) { return YES; }

// Responder chain.

id viewNextResponder(id self, SEL) {
  UIViewIvars* v = viewIvars(self);
  return v->_viewDelegate ? v->_viewDelegate : v->_superview;
}

BOOL viewBecomeFirstResponder(id self, SEL cmd) {
  if (detail::windowOf(self) == nil) return NO;
  return objc::sendSuper<BOOL>(self, UIViewClass(), cmd);
}

BOOL viewEndEditing(id self, SEL, BOOL) {
  if (!containsFirstResponder(self)) return YES;
  return send<BOOL>(firstResponder(), sel<"resignFirstResponder">());
}

}  // namespace

void detail::addViewHierarchyMethods(objc::ClassBuilder<UIViewIvars>& b) {
  b.method<&viewSuperview>("superview")
      .method<&viewSubviews>("subviews")
      .method<&viewWindow>("window")
      .method<&viewAddSubview>("addSubview:")
      .method<&viewInsertAtIndex>("insertSubview:atIndex:")
      .method<&viewInsertAbove>("insertSubview:aboveSubview:")
      .method<&viewInsertBelow>("insertSubview:belowSubview:")
      .method<&viewBringToFront>("bringSubviewToFront:")
      .method<&viewSendToBack>("sendSubviewToBack:")
      .method<&viewExchange>("exchangeSubviewAtIndex:withSubviewAtIndex:")
      .method<&viewRemoveFromSuperview>("removeFromSuperview")
      .method<&viewIsDescendant>("isDescendantOfView:")
      .method<&viewWithTag>("viewWithTag:")
      .method<&viewHookWithView>("didAddSubview:")
      .method<&viewHookWithView>("willRemoveSubview:")
      .method<&viewHookWithView>("willMoveToSuperview:")
      .method<&viewHook>("didMoveToSuperview")
      .method<&viewHookWithView>("willMoveToWindow:")
      .method<&viewHook>("didMoveToWindow")
      .method<&viewAddGestureRecognizer>("addGestureRecognizer:")
      .method<&viewRemoveGestureRecognizer>("removeGestureRecognizer:")
      .method<&viewGestureRecognizers>("gestureRecognizers")
      .method<&viewSetGestureRecognizers>("setGestureRecognizers:")
      .method<&viewGestureShouldBegin>("gestureRecognizerShouldBegin:")
      .method<&viewNextResponder>("nextResponder")
      .method<&viewBecomeFirstResponder>("becomeFirstResponder")
      .method<&viewEndEditing>("endEditing:");
}

}  // namespace uikit
