#include <uikit/UIButton.h>
#include <uikit/UIFont.h>
#include <uikit/UIImageView.h>
#include <uikit/UILabel.h>

#include "FoundationGlue.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>
#include <map>

namespace uikit {

namespace detail {
struct ButtonStorage {
  struct Values {
    objc::Ref title;
    objc::Ref titleColor;
    objc::Ref image;
    objc::Ref backgroundImage;
  };
  std::map<NSUInteger, Values> byState;
};
}  // namespace detail

using objc::send;
using objc::sel;

namespace {

using Values = detail::ButtonStorage::Values;

UIButtonIvars* BT(id button) { return reinterpret_cast<UIButtonIvars*>(button); }

detail::ButtonStorage& storage(id button) {
  auto& slot = BT(button)->_buttonStorage;
  if (!slot) slot = std::make_unique<detail::ButtonStorage>();
  return *slot;
}

NSUInteger stateOf(id self) { return send<NSUInteger>(self, sel<"state">()); }

// The value for a state, falling back to the normal state's.
id valueFor(id self, NSUInteger state, objc::Ref Values::*field) {
  auto& byState = storage(self).byState;
  auto it = byState.find(state);
  if (it != byState.end() && (it->second.*field)) return it->second.*field;
  it = byState.find(UIControlStateNormal);
  return it != byState.end() ? (it->second.*field).get() : nil;
}

CGRect inset(CGRect r, UIEdgeInsets i) {
  return CGRectMake(r.origin.x + i.left, r.origin.y + i.top, std::max<CGFloat>(0, r.size.width - i.left - i.right),
                    std::max<CGFloat>(0, r.size.height - i.top - i.bottom));
}

// Shows what the current state asks for.
void refresh(id self) {
  UIButtonIvars* b = BT(self);
  NSUInteger state = stateOf(self);
  send<void>(b->_imageView, sel<"setImage:">(), valueFor(self, state, &Values::image));
  id title = valueFor(self, state, &Values::title);
  send<void>(b->_titleLabel, sel<"setText:">(), title);
  if (id colour = valueFor(self, state, &Values::titleColor)) send<void>(b->_titleLabel, sel<"setTextColor:">(), colour);
  id background = valueFor(self, state, &Values::backgroundImage);
  if (background != nil && b->_backgroundImageView == nil) {
    b->_backgroundImageView = objc::allocInit(UIImageViewClass());
    send<void>(self, sel<"insertSubview:atIndex:">(), b->_backgroundImageView, NSInteger{0});
  }
  if (b->_backgroundImageView) send<void>(b->_backgroundImageView, sel<"setImage:">(), background);
  b->_needsLayout = YES;
}

id buttonInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UIButtonClass(), cmd, frame);
  if (self == nil) return nil;
  UIButtonIvars* b = BT(self);
  b->_opaque = NO;
  b->_adjustsImageWhenHighlighted = YES;
  b->_imageView = objc::allocInit(UIImageViewClass());
  b->_titleLabel = objc::allocInit(UILabelClass());
  send<void>(b->_titleLabel, sel<"setTextAlignment:">(), NSInteger{NSTextAlignmentCenter});
  send<void>(b->_titleLabel, sel<"setFont:">(), send<id>(UIFontClass(), sel<"systemFontOfSize:">(), CGFloat{15}));
  send<void>(self, sel<"addSubview:">(), b->_imageView);
  send<void>(self, sel<"addSubview:">(), b->_titleLabel);
  return self;
}

id buttonWithType(id cls, SEL, NSInteger type) {
  id button = send<id>(send<id>(cls, sel<"alloc">()), sel<"initWithFrame:">(), CGRectZero);
  BT(button)->_buttonType = type;
  if (Class colour = objc::classNamed("UIColor")) {
    id tint = type == UIButtonTypeCustom
                  ? send<id>(colour, sel<"whiteColor">())
                  : send<id>(colour, sel<"colorWithRed:green:blue:alpha:">(), CGFloat{0}, CGFloat{0.478}, CGFloat{1},
                             CGFloat{1});
    send<void>(button, sel<"setTitleColor:forState:">(), tint, NSUInteger{UIControlStateNormal});
  }
  return objc::autorelease(button);
}

void buttonDealloc(id self, SEL cmd) {
  UIButtonIvars* b = BT(self);
  for (id* slot : {&b->_imageView, &b->_titleLabel, &b->_backgroundImageView}) {
    objc::release(*slot);
    *slot = nil;
  }
  b->_buttonStorage.reset();
  objc::sendSuper<void>(self, UIButtonClass(), cmd);
}

NSInteger buttonType(id self, SEL) { return BT(self)->_buttonType; }

template <objc::Ref Values::*Field, bool Copy>
void setFor(id self, SEL, id value, NSUInteger state) {
  id stored = Copy ? detail::copyString(value) : objc::retain(value);
  storage(self).byState[state].*Field = objc::Ref::adopt(stored);
  refresh(self);
}
template <objc::Ref Values::*Field>
id getFor(id self, SEL, NSUInteger state) {
  return valueFor(self, state, Field);
}
template <objc::Ref Values::*Field>
id current(id self, SEL) {
  return valueFor(self, stateOf(self), Field);
}

id buttonTitleLabel(id self, SEL) { return BT(self)->_titleLabel; }
id buttonImageView(id self, SEL) { return BT(self)->_imageView; }

template <UIEdgeInsets UIButtonIvars::*Field>
UIEdgeInsets getInsets(id self, SEL) {
  return BT(self)->*Field;
}
template <UIEdgeInsets UIButtonIvars::*Field>
void setInsets(id self, SEL, UIEdgeInsets insets) {
  BT(self)->*Field = insets;
  BT(self)->_needsLayout = YES;
}
BOOL buttonShowsTouch(id self, SEL) { return BT(self)->_showsTouchWhenHighlighted; }
void buttonSetShowsTouch(id self, SEL, BOOL on) { BT(self)->_showsTouchWhenHighlighted = on ? YES : NO; }
BOOL buttonAdjusts(id self, SEL) { return BT(self)->_adjustsImageWhenHighlighted; }
void buttonSetAdjusts(id self, SEL, BOOL on) { BT(self)->_adjustsImageWhenHighlighted = on ? YES : NO; }

// The state setters of UIControl, followed by showing the new state's values.
void stateSetter(id self, SEL cmd, BOOL on) {
  objc::sendSuper<void>(self, UIButtonClass(), cmd, on);
  refresh(self);
}

void buttonLayoutSubviews(id self, SEL) {
  UIButtonIvars* b = BT(self);
  CGRect bounds = viewBounds(self);
  CGRect content = inset(bounds, b->_contentEdgeInsets);
  CGRect area = inset(content, b->_imageEdgeInsets);
  id image = send<id>(b->_imageView, sel<"image">());
  CGSize size = image ? send<CGSize>(image, sel<"size">()) : CGSizeZero;
  if (size.width > area.size.width || size.height > area.size.height) {
    CGFloat s = std::min(size.width > 0 ? area.size.width / size.width : 1, size.height > 0 ? area.size.height / size.height : 1);
    size = CGSizeMake(size.width * s, size.height * s);
  }
  send<void>(b->_imageView, sel<"setFrame:">(),
             CGRectMake(area.origin.x + (area.size.width - size.width) / 2,
                        area.origin.y + (area.size.height - size.height) / 2, size.width, size.height));
  send<void>(b->_titleLabel, sel<"setFrame:">(), inset(content, b->_titleEdgeInsets));
  if (b->_backgroundImageView) send<void>(b->_backgroundImageView, sel<"setFrame:">(), bounds);
}

CGSize buttonSizeThatFits(id self, SEL, CGSize) {
  UIButtonIvars* b = BT(self);
  id image = send<id>(b->_imageView, sel<"image">());
  CGSize imageSize = image ? send<CGSize>(image, sel<"size">()) : CGSizeZero;
  CGSize titleSize = send<CGSize>(b->_titleLabel, sel<"sizeThatFits:">(), CGSizeZero);
  const UIEdgeInsets& c = b->_contentEdgeInsets;
  return CGSizeMake(imageSize.width + titleSize.width + c.left + c.right,
                    std::max(imageSize.height, titleSize.height) + c.top + c.bottom);
}

}  // namespace

Class UIButtonClass() {
  using I = UIButtonIvars;
  static const Class cls =
      objc::ClassBuilder<I>("UIButton", UIControlClass())
          .ivar<&I::_buttonType>("_buttonType")
          .ivar<&I::_titleLabel>("_titleLabel")
          .ivar<&I::_imageView>("_imageView")
          .ivar<&I::_backgroundImageView>("_backgroundImageView")
          .ivar<&I::_contentEdgeInsets>("_contentEdgeInsets")
          .ivar<&I::_imageEdgeInsets>("_imageEdgeInsets")
          .ivar<&I::_titleEdgeInsets>("_titleEdgeInsets")
          .ivar<&I::_showsTouchWhenHighlighted>("_showsTouchWhenHighlighted")
          .ivar<&I::_adjustsImageWhenHighlighted>("_adjustsImageWhenHighlighted")
          .ivar<&I::_buttonStorage>("_buttonStorage")
          .method<&buttonInitWithFrame>("initWithFrame:")
          .classMethod<&buttonWithType>("buttonWithType:")
          .method<&buttonDealloc>("dealloc")
          .method<&buttonType>("buttonType")
          .method<&setFor<&Values::title, true>>("setTitle:forState:")
          .method<&getFor<&Values::title>>("titleForState:")
          .method<&setFor<&Values::titleColor, false>>("setTitleColor:forState:")
          .method<&getFor<&Values::titleColor>>("titleColorForState:")
          .method<&setFor<&Values::image, false>>("setImage:forState:")
          .method<&getFor<&Values::image>>("imageForState:")
          .method<&setFor<&Values::backgroundImage, false>>("setBackgroundImage:forState:")
          .method<&getFor<&Values::backgroundImage>>("backgroundImageForState:")
          .method<&current<&Values::title>>("currentTitle")
          .method<&current<&Values::titleColor>>("currentTitleColor")
          .method<&current<&Values::image>>("currentImage")
          .method<&current<&Values::backgroundImage>>("currentBackgroundImage")
          .method<&buttonTitleLabel>("titleLabel")
          .method<&buttonImageView>("imageView")
          .method<&getInsets<&I::_contentEdgeInsets>>("contentEdgeInsets")
          .method<&setInsets<&I::_contentEdgeInsets>>("setContentEdgeInsets:")
          .method<&getInsets<&I::_imageEdgeInsets>>("imageEdgeInsets")
          .method<&setInsets<&I::_imageEdgeInsets>>("setImageEdgeInsets:")
          .method<&getInsets<&I::_titleEdgeInsets>>("titleEdgeInsets")
          .method<&setInsets<&I::_titleEdgeInsets>>("setTitleEdgeInsets:")
          .method<&buttonShowsTouch>("showsTouchWhenHighlighted")
          .method<&buttonSetShowsTouch>("setShowsTouchWhenHighlighted:")
          .method<&buttonAdjusts>("adjustsImageWhenHighlighted")
          .method<&buttonSetAdjusts>("setAdjustsImageWhenHighlighted:")
          .method<&stateSetter>("setHighlighted:")
          .method<&stateSetter>("setSelected:")
          .method<&stateSetter>("setEnabled:")
          .method<&buttonLayoutSubviews>("layoutSubviews")
          .method<&buttonSizeThatFits>("sizeThatFits:")
          .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUIButtonAtLoad = UIButtonClass();

}  // namespace uikit
