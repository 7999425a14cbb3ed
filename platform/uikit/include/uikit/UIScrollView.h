// UIScrollView: a view whose bounds origin is the scrolled position.
//
// contentOffset is the bounds origin (setting one sets the other, as on iOS) and
// every change of it sends the delegate scrollViewDidScroll: when it answers it.
// Answers contentOffset, setContentOffset:, setContentOffset:animated: (applied at
// once), contentSize, setContentSize:, contentInset, setContentInset:,
// scrollIndicatorInsets, setScrollIndicatorInsets:, delegate, setDelegate: (not
// retained), scrollEnabled, bounces, alwaysBounceVertical,
// alwaysBounceHorizontal, pagingEnabled, showsVerticalScrollIndicator,
// showsHorizontalScrollIndicator, scrollsToTop, isDragging, isDecelerating,
// isTracking and scrollRectToVisible:animated: (the least scroll that shows the
// rectangle, within the content and its insets).
#pragma once

#include <uikit/UIView.h>

struct UIScrollViewIvars : UIViewIvars {
  id _delegate;  // not retained
  CGSize _contentSize;
  UIEdgeInsets _contentInset;
  UIEdgeInsets _scrollIndicatorInsets;
  BOOL _scrollEnabled;
  BOOL _bounces;
  BOOL _alwaysBounceVertical;
  BOOL _alwaysBounceHorizontal;
  BOOL _pagingEnabled;
  BOOL _showsVerticalScrollIndicator;
  BOOL _showsHorizontalScrollIndicator;
  BOOL _scrollsToTop;
};

namespace uikit {

Class UIScrollViewClass();

}  // namespace uikit
