// UIView: the view model every on-screen object of the stand-in is built from.
//
// A view keeps its frame, bounds origin, alpha, hidden flag, background colour, tag,
// autoresizing mask, content mode, clipping and interaction flags, its subviews
// (retained by their superview, front-most last), its gesture recognisers (retained)
// and a CALayer whose opacity, frame and hidden flag mirror the view's.
//
// Answers, with iOS semantics: init (initWithFrame: CGRectZero), initWithFrame:,
// frame/setFrame:, bounds/setBounds:, center/setCenter:, alpha, hidden, isHidden,
// opaque, backgroundColor, tag, viewWithTag:, superview, subviews, window,
// addSubview:, insertSubview:atIndex:, insertSubview:aboveSubview:,
// insertSubview:belowSubview:, bringSubviewToFront:, sendSubviewToBack:,
// exchangeSubviewAtIndex:withSubviewAtIndex:, removeFromSuperview, isDescendantOfView:,
// the will/did-move and did-add/will-remove notifications, addGestureRecognizer:,
// removeGestureRecognizer:, gestureRecognizers, setGestureRecognizers:,
// gestureRecognizerShouldBegin:, userInteractionEnabled, multipleTouchEnabled,
// exclusiveTouch, autoresizingMask, autoresizesSubviews, contentMode, clipsToBounds,
// setNeedsLayout, layoutSubviews, layoutIfNeeded, setNeedsDisplay, sizeThatFits:,
// sizeToFit, hitTest:withEvent:, pointInside:withEvent:, convertPoint:toView:,
// convertPoint:fromView:, convertRect:toView:, convertRect:fromView:, layer,
// +layerClass, endEditing:, nextResponder (the view's controller, else its
// superview) and description ("<UIView: 0x…; frame = (0 0; 320 44); alpha = 0.5;
// hidden = YES; tag = 3; layer = <CALayer: 0x…>>", the optional parts only when they
// differ from the defaults).
//
// Framework code reaches views through message sends, so a subclass or a replaced
// method takes part: the table sets a cell's frame with setFrame:, hit testing sends
// pointInside:withEvent: and hitTest:withEvent:, layout sends layoutSubviews.
//
// The class methods of animations are in UIAnimation.h.
#pragma once

#include <uikit/UIKitTypes.h>
#include <uikit/UIResponder.h>

#include <memory>
#include <vector>

namespace uikit::detail {
struct ViewStorage;
}

// Subclasses derive their ivar structs from this one.
struct UIViewIvars : UIResponderIvars {
  CGRect _frame;
  CGPoint _boundsOrigin;
  CGFloat _alpha;
  NSInteger _tag;
  NSUInteger _autoresizingMask;
  NSInteger _contentMode;
  id _backgroundColor;  // retained
  id _layer;            // retained
  id _superview;        // not retained: the superview owns this view
  id _viewDelegate;     // the view controller whose view this is; not retained
  BOOL _hidden;
  BOOL _opaque;
  BOOL _userInteractionEnabled;
  BOOL _multipleTouchEnabled;
  BOOL _exclusiveTouch;
  BOOL _clipsToBounds;
  BOOL _autoresizesSubviews;
  BOOL _needsLayout;
  std::unique_ptr<uikit::detail::ViewStorage> _viewStorage;  // subviews and recognisers
};

namespace uikit {

Class UIViewClass();

// Whether object is a UIView (or a subclass instance).
bool isView(id object);

// The subviews of a view, back to front, without making an array (borrowed).
std::vector<id> subviewsOf(id view);

// The bounds of a view as stored (no message send).
CGRect viewBounds(id view);

// A point or rectangle of one view in the coordinates of another, as
// convertPoint:toView: answers (to == nil: the window, or the top-most ancestor when
// the view is not in a window).
CGPoint convertPoint(CGPoint point, id from, id to);
CGRect convertRect(CGRect rect, id from, id to);

// Lays out the whole tree under view now (layoutIfNeeded by message send, which
// covers the subtree, parents first).  Screen dumps and touch delivery call it first, as the display
// cycle of iOS would have.
void layoutTree(id view);

}  // namespace uikit
