#include <uikit/UIScrollView.h>

#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

UIScrollViewIvars* SV(id view) { return reinterpret_cast<UIScrollViewIvars*>(view); }

id scrollInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UIScrollViewClass(), cmd, frame);
  if (self == nil) return nil;
  UIScrollViewIvars* s = SV(self);
  s->_scrollEnabled = YES;
  s->_bounces = YES;
  s->_showsVerticalScrollIndicator = YES;
  s->_showsHorizontalScrollIndicator = YES;
  s->_scrollsToTop = YES;
  s->_clipsToBounds = YES;
  return self;
}

CGPoint scrollOffset(id self, SEL) { return SV(self)->_boundsOrigin; }
void scrollSetOffset(id self, SEL, CGPoint offset) {
  CGRect bounds = viewBounds(self);
  if (bounds.origin == offset) return;
  send<void>(self, sel<"setBounds:">(), CGRect{offset, bounds.size});
  id delegate = SV(self)->_delegate;
  if (delegate != nil && send<BOOL>(delegate, sel<"respondsToSelector:">(), sel<"scrollViewDidScroll:">()))
    send<void>(delegate, sel<"scrollViewDidScroll:">(), self);
}
void scrollSetOffsetAnimated(id self, SEL, CGPoint offset, BOOL) {
  send<void>(self, sel<"setContentOffset:">(), offset);
}

CGSize scrollContentSize(id self, SEL) { return SV(self)->_contentSize; }
void scrollSetContentSize(id self, SEL, CGSize size) { SV(self)->_contentSize = size; }
UIEdgeInsets scrollInset(id self, SEL) { return SV(self)->_contentInset; }
void scrollSetInset(id self, SEL, UIEdgeInsets inset) { SV(self)->_contentInset = inset; }
UIEdgeInsets scrollIndicatorInsets(id self, SEL) { return SV(self)->_scrollIndicatorInsets; }
void scrollSetIndicatorInsets(id self, SEL, UIEdgeInsets inset) { SV(self)->_scrollIndicatorInsets = inset; }
id scrollDelegate(id self, SEL) { return SV(self)->_delegate; }
void scrollSetDelegate(id self, SEL, id delegate) { SV(self)->_delegate = delegate; }

template <BOOL UIScrollViewIvars::*Flag>
BOOL getFlag(id self, SEL) {
  return SV(self)->*Flag;
}
template <BOOL UIScrollViewIvars::*Flag>
void setFlag(id self, SEL, BOOL on) {
  SV(self)->*Flag = on ? YES : NO;
}

BOOL scrollNo(id, SEL) { return NO; }

// The least scroll that brings rect into view, kept within the scrollable range.
void scrollRectToVisible(id self, SEL, CGRect rect, BOOL) {
  UIScrollViewIvars* s = SV(self);
  CGRect b = viewBounds(self);
  CGPoint o = b.origin;
  if (CGRectGetMaxY(rect) > CGRectGetMaxY(b)) o.y = CGRectGetMaxY(rect) - b.size.height;
  if (rect.origin.y < o.y) o.y = rect.origin.y;
  if (CGRectGetMaxX(rect) > CGRectGetMaxX(b)) o.x = CGRectGetMaxX(rect) - b.size.width;
  if (rect.origin.x < o.x) o.x = rect.origin.x;
  CGFloat maxY = std::max(-s->_contentInset.top, s->_contentSize.height + s->_contentInset.bottom - b.size.height);
  CGFloat maxX = std::max(-s->_contentInset.left, s->_contentSize.width + s->_contentInset.right - b.size.width);
  o.y = std::clamp(o.y, -s->_contentInset.top, maxY);
  o.x = std::clamp(o.x, -s->_contentInset.left, maxX);
  send<void>(self, sel<"setContentOffset:">(), o);
}

}  // namespace

Class UIScrollViewClass() {
  using I = UIScrollViewIvars;
  static const Class cls =
      objc::ClassBuilder<I>("UIScrollView", UIViewClass())
          .ivar<&I::_delegate>("_delegate")
          .ivar<&I::_contentSize>("_contentSize")
          .ivar<&I::_contentInset>("_contentInset")
          .ivar<&I::_scrollIndicatorInsets>("_scrollIndicatorInsets")
          .ivar<&I::_scrollEnabled>("_scrollEnabled")
          .ivar<&I::_bounces>("_bounces")
          .ivar<&I::_alwaysBounceVertical>("_alwaysBounceVertical")
          .ivar<&I::_alwaysBounceHorizontal>("_alwaysBounceHorizontal")
          .ivar<&I::_pagingEnabled>("_pagingEnabled")
          .ivar<&I::_showsVerticalScrollIndicator>("_showsVerticalScrollIndicator")
          .ivar<&I::_showsHorizontalScrollIndicator>("_showsHorizontalScrollIndicator")
          .ivar<&I::_scrollsToTop>("_scrollsToTop")
          .method<&scrollInitWithFrame>("initWithFrame:")
          .method<&scrollOffset>("contentOffset")
          .method<&scrollSetOffset>("setContentOffset:")
          .method<&scrollSetOffsetAnimated>("setContentOffset:animated:")
          .method<&scrollContentSize>("contentSize")
          .method<&scrollSetContentSize>("setContentSize:")
          .method<&scrollInset>("contentInset")
          .method<&scrollSetInset>("setContentInset:")
          .method<&scrollIndicatorInsets>("scrollIndicatorInsets")
          .method<&scrollSetIndicatorInsets>("setScrollIndicatorInsets:")
          .method<&scrollDelegate>("delegate")
          .method<&scrollSetDelegate>("setDelegate:")
          .method<&getFlag<&I::_scrollEnabled>>("isScrollEnabled")
          .method<&setFlag<&I::_scrollEnabled>>("setScrollEnabled:")
          .method<&getFlag<&I::_bounces>>("bounces")
          .method<&setFlag<&I::_bounces>>("setBounces:")
          .method<&getFlag<&I::_alwaysBounceVertical>>("alwaysBounceVertical")
          .method<&setFlag<&I::_alwaysBounceVertical>>("setAlwaysBounceVertical:")
          .method<&getFlag<&I::_alwaysBounceHorizontal>>("alwaysBounceHorizontal")
          .method<&setFlag<&I::_alwaysBounceHorizontal>>("setAlwaysBounceHorizontal:")
          .method<&getFlag<&I::_pagingEnabled>>("isPagingEnabled")
          .method<&setFlag<&I::_pagingEnabled>>("setPagingEnabled:")
          .method<&getFlag<&I::_showsVerticalScrollIndicator>>("showsVerticalScrollIndicator")
          .method<&setFlag<&I::_showsVerticalScrollIndicator>>("setShowsVerticalScrollIndicator:")
          .method<&getFlag<&I::_showsHorizontalScrollIndicator>>("showsHorizontalScrollIndicator")
          .method<&setFlag<&I::_showsHorizontalScrollIndicator>>("setShowsHorizontalScrollIndicator:")
          .method<&getFlag<&I::_scrollsToTop>>("scrollsToTop")
          .method<&setFlag<&I::_scrollsToTop>>("setScrollsToTop:")
          .method<&scrollNo>("isDragging")
          .method<&scrollNo>("isDecelerating")
          .method<&scrollNo>("isTracking")
          .method<&scrollRectToVisible>("scrollRectToVisible:animated:")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIScrollViewAtLoad = UIScrollViewClass();

}  // namespace uikit
