// The plain value types and constants of the UIKit stand-in: the enumerations a
// caller passes across message sends (row animations, gesture states, control events,
// orientations…) with UIKit's own numeric values, and the geometry helpers views use.
#pragma once

#include <objcface/Encoding.h>
#include <objcface/Types.h>

#include <string>

// UIView
using UIViewAutoresizing = NSUInteger;
inline constexpr UIViewAutoresizing UIViewAutoresizingNone = 0;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleLeftMargin = 1 << 0;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleWidth = 1 << 1;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleRightMargin = 1 << 2;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleTopMargin = 1 << 3;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleHeight = 1 << 4;
inline constexpr UIViewAutoresizing UIViewAutoresizingFlexibleBottomMargin = 1 << 5;

using UIViewContentMode = NSInteger;
inline constexpr UIViewContentMode UIViewContentModeScaleToFill = 0;
inline constexpr UIViewContentMode UIViewContentModeScaleAspectFit = 1;
inline constexpr UIViewContentMode UIViewContentModeScaleAspectFill = 2;
inline constexpr UIViewContentMode UIViewContentModeRedraw = 3;
inline constexpr UIViewContentMode UIViewContentModeCenter = 4;
inline constexpr UIViewContentMode UIViewContentModeTop = 5;
inline constexpr UIViewContentMode UIViewContentModeBottom = 6;
inline constexpr UIViewContentMode UIViewContentModeLeft = 7;
inline constexpr UIViewContentMode UIViewContentModeRight = 8;
inline constexpr UIViewContentMode UIViewContentModeTopLeft = 9;
inline constexpr UIViewContentMode UIViewContentModeTopRight = 10;
inline constexpr UIViewContentMode UIViewContentModeBottomLeft = 11;
inline constexpr UIViewContentMode UIViewContentModeBottomRight = 12;

// Animations
using UIViewAnimationCurve = NSInteger;
inline constexpr UIViewAnimationCurve UIViewAnimationCurveEaseInOut = 0;
inline constexpr UIViewAnimationCurve UIViewAnimationCurveEaseIn = 1;
inline constexpr UIViewAnimationCurve UIViewAnimationCurveEaseOut = 2;
inline constexpr UIViewAnimationCurve UIViewAnimationCurveLinear = 3;

using UIViewAnimationOptions = NSUInteger;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionLayoutSubviews = 1 << 0;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionAllowUserInteraction = 1 << 1;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionBeginFromCurrentState = 1 << 2;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveEaseInOut = 0 << 16;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveEaseIn = 1 << 16;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveEaseOut = 2 << 16;
inline constexpr UIViewAnimationOptions UIViewAnimationOptionCurveLinear = 3 << 16;

// Tables
using UITableViewStyle = NSInteger;
inline constexpr UITableViewStyle UITableViewStylePlain = 0;
inline constexpr UITableViewStyle UITableViewStyleGrouped = 1;

using UITableViewRowAnimation = NSInteger;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationFade = 0;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationRight = 1;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationLeft = 2;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationTop = 3;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationBottom = 4;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationNone = 5;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationMiddle = 6;
inline constexpr UITableViewRowAnimation UITableViewRowAnimationAutomatic = 100;

using UITableViewScrollPosition = NSInteger;
inline constexpr UITableViewScrollPosition UITableViewScrollPositionNone = 0;
inline constexpr UITableViewScrollPosition UITableViewScrollPositionTop = 1;
inline constexpr UITableViewScrollPosition UITableViewScrollPositionMiddle = 2;
inline constexpr UITableViewScrollPosition UITableViewScrollPositionBottom = 3;

using UITableViewCellStyle = NSInteger;
inline constexpr UITableViewCellStyle UITableViewCellStyleDefault = 0;
inline constexpr UITableViewCellStyle UITableViewCellStyleValue1 = 1;
inline constexpr UITableViewCellStyle UITableViewCellStyleValue2 = 2;
inline constexpr UITableViewCellStyle UITableViewCellStyleSubtitle = 3;

using UITableViewCellSelectionStyle = NSInteger;
inline constexpr UITableViewCellSelectionStyle UITableViewCellSelectionStyleNone = 0;
inline constexpr UITableViewCellSelectionStyle UITableViewCellSelectionStyleBlue = 1;
inline constexpr UITableViewCellSelectionStyle UITableViewCellSelectionStyleGray = 2;

// Height of a row when neither the table nor its delegate says otherwise, and of a
// plain table's section header or footer when one is shown.
inline constexpr CGFloat kUITableViewDefaultRowHeight = 44.0;
inline constexpr CGFloat kUITableViewDefaultSectionHeaderHeight = 22.0;

// Gesture recognisers
using UIGestureRecognizerState = NSInteger;
inline constexpr UIGestureRecognizerState UIGestureRecognizerStatePossible = 0;
inline constexpr UIGestureRecognizerState UIGestureRecognizerStateBegan = 1;
inline constexpr UIGestureRecognizerState UIGestureRecognizerStateChanged = 2;
inline constexpr UIGestureRecognizerState UIGestureRecognizerStateEnded = 3;
inline constexpr UIGestureRecognizerState UIGestureRecognizerStateCancelled = 4;
inline constexpr UIGestureRecognizerState UIGestureRecognizerStateFailed = 5;
inline constexpr UIGestureRecognizerState UIGestureRecognizerStateRecognized = UIGestureRecognizerStateEnded;

using UISwipeGestureRecognizerDirection = NSUInteger;
inline constexpr UISwipeGestureRecognizerDirection UISwipeGestureRecognizerDirectionRight = 1 << 0;
inline constexpr UISwipeGestureRecognizerDirection UISwipeGestureRecognizerDirectionLeft = 1 << 1;
inline constexpr UISwipeGestureRecognizerDirection UISwipeGestureRecognizerDirectionUp = 1 << 2;
inline constexpr UISwipeGestureRecognizerDirection UISwipeGestureRecognizerDirectionDown = 1 << 3;

// Touches and events
using UITouchPhase = NSInteger;
inline constexpr UITouchPhase UITouchPhaseBegan = 0;
inline constexpr UITouchPhase UITouchPhaseMoved = 1;
inline constexpr UITouchPhase UITouchPhaseStationary = 2;
inline constexpr UITouchPhase UITouchPhaseEnded = 3;
inline constexpr UITouchPhase UITouchPhaseCancelled = 4;

using UIEventType = NSInteger;
inline constexpr UIEventType UIEventTypeTouches = 0;
inline constexpr UIEventType UIEventTypeMotion = 1;
inline constexpr UIEventType UIEventTypeRemoteControl = 2;

// Controls
using UIControlEvents = NSUInteger;
inline constexpr UIControlEvents UIControlEventTouchDown = 1 << 0;
inline constexpr UIControlEvents UIControlEventTouchDownRepeat = 1 << 1;
inline constexpr UIControlEvents UIControlEventTouchDragInside = 1 << 2;
inline constexpr UIControlEvents UIControlEventTouchDragOutside = 1 << 3;
inline constexpr UIControlEvents UIControlEventTouchDragEnter = 1 << 4;
inline constexpr UIControlEvents UIControlEventTouchDragExit = 1 << 5;
inline constexpr UIControlEvents UIControlEventTouchUpInside = 1 << 6;
inline constexpr UIControlEvents UIControlEventTouchUpOutside = 1 << 7;
inline constexpr UIControlEvents UIControlEventTouchCancel = 1 << 8;
inline constexpr UIControlEvents UIControlEventValueChanged = 1 << 12;
inline constexpr UIControlEvents UIControlEventAllTouchEvents = 0x00000FFF;
inline constexpr UIControlEvents UIControlEventAllEvents = 0xFFFFFFFF;

using UIControlState = NSUInteger;
inline constexpr UIControlState UIControlStateNormal = 0;
inline constexpr UIControlState UIControlStateHighlighted = 1 << 0;
inline constexpr UIControlState UIControlStateDisabled = 1 << 1;
inline constexpr UIControlState UIControlStateSelected = 1 << 2;

using UIButtonType = NSInteger;
inline constexpr UIButtonType UIButtonTypeCustom = 0;
inline constexpr UIButtonType UIButtonTypeRoundedRect = 1;
inline constexpr UIButtonType UIButtonTypeDetailDisclosure = 2;
inline constexpr UIButtonType UIButtonTypeInfoLight = 3;
inline constexpr UIButtonType UIButtonTypeInfoDark = 4;
inline constexpr UIButtonType UIButtonTypeContactAdd = 5;
inline constexpr UIButtonType UIButtonTypeSystem = 1;

// Text
using NSTextAlignment = NSInteger;
inline constexpr NSTextAlignment NSTextAlignmentLeft = 0;
inline constexpr NSTextAlignment NSTextAlignmentCenter = 1;
inline constexpr NSTextAlignment NSTextAlignmentRight = 2;
using UILineBreakMode = NSInteger;
inline constexpr UILineBreakMode NSLineBreakByTruncatingTail = 4;

// Application and device
using UIInterfaceOrientation = NSInteger;
inline constexpr UIInterfaceOrientation UIInterfaceOrientationPortrait = 1;
inline constexpr UIInterfaceOrientation UIInterfaceOrientationPortraitUpsideDown = 2;
inline constexpr UIInterfaceOrientation UIInterfaceOrientationLandscapeLeft = 4;
inline constexpr UIInterfaceOrientation UIInterfaceOrientationLandscapeRight = 3;

using UIUserInterfaceIdiom = NSInteger;
inline constexpr UIUserInterfaceIdiom UIUserInterfaceIdiomPhone = 0;
inline constexpr UIUserInterfaceIdiom UIUserInterfaceIdiomPad = 1;

// Windows
using UIWindowLevel = CGFloat;
inline constexpr UIWindowLevel UIWindowLevelNormal = 0.0;
inline constexpr UIWindowLevel UIWindowLevelAlert = 2000.0;
inline constexpr UIWindowLevel UIWindowLevelStatusBar = 1000.0;

// Menu
using UIMenuControllerArrowDirection = NSInteger;
inline constexpr UIMenuControllerArrowDirection UIMenuControllerArrowDefault = 0;

// Geometry helpers with Core Graphics' semantics.
inline CGFloat CGRectGetMinX(CGRect r) { return r.origin.x; }
inline CGFloat CGRectGetMinY(CGRect r) { return r.origin.y; }
inline CGFloat CGRectGetMaxX(CGRect r) { return r.origin.x + r.size.width; }
inline CGFloat CGRectGetMaxY(CGRect r) { return r.origin.y + r.size.height; }
inline CGFloat CGRectGetMidX(CGRect r) { return r.origin.x + r.size.width / 2; }
inline CGFloat CGRectGetMidY(CGRect r) { return r.origin.y + r.size.height / 2; }
inline CGFloat CGRectGetWidth(CGRect r) { return r.size.width; }
inline CGFloat CGRectGetHeight(CGRect r) { return r.size.height; }
// Points on the left and top edges are inside; points on the right and bottom are not.
inline bool CGRectContainsPoint(CGRect r, CGPoint p) {
  return p.x >= r.origin.x && p.x < CGRectGetMaxX(r) && p.y >= r.origin.y && p.y < CGRectGetMaxY(r);
}
inline bool CGRectIntersectsRect(CGRect a, CGRect b) {
  return CGRectGetMinX(a) < CGRectGetMaxX(b) && CGRectGetMinX(b) < CGRectGetMaxX(a) &&
         CGRectGetMinY(a) < CGRectGetMaxY(b) && CGRectGetMinY(b) < CGRectGetMaxY(a);
}
inline CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy) {
  return CGRectMake(r.origin.x + dx, r.origin.y + dy, r.size.width, r.size.height);
}
inline CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy) {
  return CGRectMake(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
}
inline bool CGRectIsEmpty(CGRect r) { return r.size.width <= 0 || r.size.height <= 0; }

struct UIEdgeInsets {
  CGFloat top = 0;
  CGFloat left = 0;
  CGFloat bottom = 0;
  CGFloat right = 0;
  friend bool operator==(const UIEdgeInsets&, const UIEdgeInsets&) = default;
};
inline UIEdgeInsets UIEdgeInsetsMake(CGFloat top, CGFloat left, CGFloat bottom, CGFloat right) {
  return {top, left, bottom, right};
}
inline constexpr UIEdgeInsets UIEdgeInsetsZero{};
static_assert(sizeof(UIEdgeInsets) == 4 * sizeof(CGFloat));

struct CGAffineTransform {
  CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  friend bool operator==(const CGAffineTransform&, const CGAffineTransform&) = default;
};
inline constexpr CGAffineTransform CGAffineTransformIdentity{};
static_assert(sizeof(CGAffineTransform) == 6 * sizeof(CGFloat));

namespace objc {
template <>
struct Encode<UIEdgeInsets> {
  static std::string get() { return "{UIEdgeInsets=dddd}"; }
};
template <>
struct Encode<CGAffineTransform> {
  static std::string get() { return "{CGAffineTransform=dddddd}"; }
};
}  // namespace objc
