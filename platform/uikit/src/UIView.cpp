// UIView: creation, the plain properties, the layer and the description.  The
// hierarchy lives in UIViewHierarchy.cpp, geometry and hit testing in
// UIViewGeometry.cpp.
#include <uikit/CALayer.h>
#include <uikit/UIGestureRecognizer.h>
#include <uikit/UILabel.h>
#include <uikit/UITableViewCell.h>
#include <uikit/UIView.h>

#include "AnimationInternals.h"
#include "FoundationGlue.h"
#include "LayerInternals.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <cstdio>

namespace uikit {

using detail::viewIvars;
using objc::send;
using objc::sel;

namespace detail {

std::string formatNumber(CGFloat value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", value == 0 ? 0.0 : value);
  return buffer;
}

// Built with += rather than "(" + …, which GCC 12 misreads as overlapping copies.
std::string rectText(CGRect r) {
  std::string out = "(";
  out += formatNumber(r.origin.x);
  out += ' ';
  out += formatNumber(r.origin.y);
  out += "; ";
  out += formatNumber(r.size.width);
  out += ' ';
  out += formatNumber(r.size.height);
  out += ')';
  return out;
}

std::string pointText(CGPoint p) {
  std::string out = "(";
  out += formatNumber(p.x);
  out += ' ';
  out += formatNumber(p.y);
  out += ')';
  return out;
}

ViewStorage& viewStorage(id view) {
  auto& slot = viewIvars(view)->_viewStorage;
  if (!slot) slot = std::make_unique<ViewStorage>();
  return *slot;
}

namespace {

std::string autoresizeText(UIViewAutoresizing mask) {
  static const std::pair<UIViewAutoresizing, const char*> kParts[] = {
      {UIViewAutoresizingFlexibleLeftMargin, "LM"}, {UIViewAutoresizingFlexibleWidth, "W"},
      {UIViewAutoresizingFlexibleRightMargin, "RM"}, {UIViewAutoresizingFlexibleTopMargin, "TM"},
      {UIViewAutoresizingFlexibleHeight, "H"},       {UIViewAutoresizingFlexibleBottomMargin, "BM"}};
  std::string out;
  for (auto [bit, name] : kParts) {
    if ((mask & bit) == 0) continue;
    if (!out.empty()) out += "+";
    out += name;
  }
  return out;
}

std::string pointerText(id object) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%p", static_cast<void*>(object));
  return buffer;
}

}  // namespace

std::string viewDescription(id self) {
  UIViewIvars* v = viewIvars(self);
  std::string out = std::string("<") + objc::className(self) + ": " + pointerText(self);
  out += "; frame = " + rectText(v->_frame);
  id textSource = nil;
  if (isKindOfClass(self, UILabelClass())) textSource = self;
  else if (isKindOfClass(self, UITableViewCellClass())) textSource = cellTextLabelIfMade(self);
  if (textSource != nil) {
    id text = send<id>(textSource, sel<"text">());
    if (text != nil) out += "; text = '" + toStd(text) + "'";
  }
  if (v->_clipsToBounds) out += "; clipsToBounds = YES";
  if (v->_alpha != 1.0) out += "; alpha = " + formatNumber(v->_alpha);
  if (v->_hidden) out += "; hidden = YES";
  if (!v->_opaque) out += "; opaque = NO";
  if (v->_autoresizingMask != 0) out += "; autoresize = " + autoresizeText(v->_autoresizingMask);
  if (v->_tag != 0) out += "; tag = " + std::to_string(v->_tag);
  if (v->_viewStorage && !v->_viewStorage->gestureRecognizers.empty())
    out += "; gestureRecognizers = <NSArray: " + pointerText(reinterpret_cast<id>(&v->_viewStorage->gestureRecognizers)) + ">";
  if (!v->_userInteractionEnabled) out += "; userInteractionEnabled = NO";
  if (v->_layer != nil) out += std::string("; layer = <") + objc::className(v->_layer) + ": " + pointerText(v->_layer) + ">";
  out += ">";
  return out;
}

}  // namespace detail

namespace {

// Creation and teardown.

id viewInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UIViewClass(), sel<"init">());
  if (self == nil) return nil;
  (void)cmd;
  UIViewIvars* v = viewIvars(self);
  v->_frame = frame;
  v->_alpha = 1.0;
  v->_opaque = YES;
  v->_userInteractionEnabled = YES;
  v->_autoresizesSubviews = YES;
  Class layerClass = send<Class>(object_getClass(self), sel<"layerClass">());
  v->_layer = objc::allocInit(layerClass);
  detail::attachLayer(v->_layer, self);
  return self;
}

id viewInit(id self, SEL) { return send<id>(self, sel<"initWithFrame:">(), CGRectZero); }

void viewDealloc(id self, SEL cmd) {
  UIViewIvars* v = viewIvars(self);
  if (v->_viewStorage) {
    for (id sub : v->_viewStorage->subviews) {
      viewIvars(sub)->_superview = nil;
      objc::release(sub);
    }
    for (id recogniser : v->_viewStorage->gestureRecognizers) {
      reinterpret_cast<UIGestureRecognizerIvars*>(recogniser)->_view = nil;
      objc::release(recogniser);
    }
    v->_viewStorage.reset();
  }
  if (v->_layer) {
    detail::detachLayer(v->_layer);
    objc::release(v->_layer);
    v->_layer = nil;
  }
  objc::release(v->_backgroundColor);
  v->_backgroundColor = nil;
  objc::sendSuper<void>(self, UIViewClass(), cmd);
}

Class viewLayerClass(id, SEL) { return CALayerClass(); }

// Plain properties.

CGFloat viewAlpha(id self, SEL) { return viewIvars(self)->_alpha; }
void viewSetAlpha(id self, SEL, CGFloat alpha) {
  UIViewIvars* v = viewIvars(self);
  detail::noteAnimatedChange(self, "alpha", detail::formatNumber(v->_alpha), detail::formatNumber(alpha));
  v->_alpha = alpha;
}

BOOL viewHidden(id self, SEL) { return viewIvars(self)->_hidden; }
void viewSetHidden(id self, SEL, BOOL hidden) { viewIvars(self)->_hidden = hidden ? YES : NO; }

BOOL viewOpaque(id self, SEL) { return viewIvars(self)->_opaque; }
void viewSetOpaque(id self, SEL, BOOL opaque) { viewIvars(self)->_opaque = opaque ? YES : NO; }

id viewBackgroundColor(id self, SEL) { return viewIvars(self)->_backgroundColor; }
void viewSetBackgroundColor(id self, SEL, id colour) {
  UIViewIvars* v = viewIvars(self);
  if (detail::animating()) {
    std::string from = v->_backgroundColor ? detail::toStd(send<id>(v->_backgroundColor, sel<"description">())) : "nil";
    std::string to = colour ? detail::toStd(send<id>(colour, sel<"description">())) : "nil";
    detail::noteAnimatedChange(self, "backgroundColor", from, to);
  }
  objc::retain(colour);
  objc::release(v->_backgroundColor);
  v->_backgroundColor = colour;
}

NSInteger viewTag(id self, SEL) { return viewIvars(self)->_tag; }
void viewSetTag(id self, SEL, NSInteger tag) { viewIvars(self)->_tag = tag; }

BOOL viewUserInteraction(id self, SEL) { return viewIvars(self)->_userInteractionEnabled; }
void viewSetUserInteraction(id self, SEL, BOOL on) { viewIvars(self)->_userInteractionEnabled = on ? YES : NO; }
BOOL viewMultipleTouch(id self, SEL) { return viewIvars(self)->_multipleTouchEnabled; }
void viewSetMultipleTouch(id self, SEL, BOOL on) { viewIvars(self)->_multipleTouchEnabled = on ? YES : NO; }
BOOL viewExclusiveTouch(id self, SEL) { return viewIvars(self)->_exclusiveTouch; }
void viewSetExclusiveTouch(id self, SEL, BOOL on) { viewIvars(self)->_exclusiveTouch = on ? YES : NO; }

NSUInteger viewAutoresizingMask(id self, SEL) { return viewIvars(self)->_autoresizingMask; }
void viewSetAutoresizingMask(id self, SEL, NSUInteger mask) { viewIvars(self)->_autoresizingMask = mask; }
BOOL viewAutoresizesSubviews(id self, SEL) { return viewIvars(self)->_autoresizesSubviews; }
void viewSetAutoresizesSubviews(id self, SEL, BOOL on) { viewIvars(self)->_autoresizesSubviews = on ? YES : NO; }

NSInteger viewContentMode(id self, SEL) { return viewIvars(self)->_contentMode; }
void viewSetContentMode(id self, SEL, NSInteger mode) { viewIvars(self)->_contentMode = mode; }

BOOL viewClipsToBounds(id self, SEL) { return viewIvars(self)->_clipsToBounds; }
void viewSetClipsToBounds(id self, SEL, BOOL on) { viewIvars(self)->_clipsToBounds = on ? YES : NO; }

id viewLayer(id self, SEL) { return viewIvars(self)->_layer; }

// Drawing is not modelled beyond the screen renderer; these keep callers working.
void viewSetNeedsDisplay(id, SEL) {}
void viewSetNeedsDisplayInRect(id, SEL, CGRect) {}

id viewDescriptionMethod(id self, SEL) { return detail::makeNSString(detail::viewDescription(self)); }

}  // namespace

Class UIViewClass() {
  static const Class cls = [] {
    objc::ClassBuilder<UIViewIvars> b("UIView", UIResponderClass());
    b.ivar<&UIViewIvars::_frame>("_frame")
        .ivar<&UIViewIvars::_boundsOrigin>("_boundsOrigin")
        .ivar<&UIViewIvars::_alpha>("_alpha")
        .ivar<&UIViewIvars::_tag>("_tag")
        .ivar<&UIViewIvars::_autoresizingMask>("_autoresizingMask")
        .ivar<&UIViewIvars::_contentMode>("_contentMode")
        .ivar<&UIViewIvars::_backgroundColor>("_backgroundColor")
        .ivar<&UIViewIvars::_layer>("_layer")
        .ivar<&UIViewIvars::_superview>("_superview")
        .ivar<&UIViewIvars::_viewDelegate>("_viewDelegate")
        .ivar<&UIViewIvars::_hidden>("_hidden")
        .ivar<&UIViewIvars::_opaque>("_opaque")
        .ivar<&UIViewIvars::_userInteractionEnabled>("_userInteractionEnabled")
        .ivar<&UIViewIvars::_multipleTouchEnabled>("_multipleTouchEnabled")
        .ivar<&UIViewIvars::_exclusiveTouch>("_exclusiveTouch")
        .ivar<&UIViewIvars::_clipsToBounds>("_clipsToBounds")
        .ivar<&UIViewIvars::_autoresizesSubviews>("_autoresizesSubviews")
        .ivar<&UIViewIvars::_needsLayout>("_needsLayout")
        .ivar<&UIViewIvars::_viewStorage>("_viewStorage");
    b.method<&viewInit>("init")
        .method<&viewInitWithFrame>("initWithFrame:")
        .method<&viewDealloc>("dealloc")
        .classMethod<&viewLayerClass>("layerClass")
        .method<&viewAlpha>("alpha")
        .method<&viewSetAlpha>("setAlpha:")
        .method<&viewHidden>("isHidden")
        .method<&viewHidden>("hidden")
        .method<&viewSetHidden>("setHidden:")
        .method<&viewOpaque>("isOpaque")
        .method<&viewOpaque>("opaque")
        .method<&viewSetOpaque>("setOpaque:")
        .method<&viewBackgroundColor>("backgroundColor")
        .method<&viewSetBackgroundColor>("setBackgroundColor:")
        .method<&viewTag>("tag")
        .method<&viewSetTag>("setTag:")
        .method<&viewUserInteraction>("isUserInteractionEnabled")
        .method<&viewUserInteraction>("userInteractionEnabled")
        .method<&viewSetUserInteraction>("setUserInteractionEnabled:")
        .method<&viewMultipleTouch>("isMultipleTouchEnabled")
        .method<&viewSetMultipleTouch>("setMultipleTouchEnabled:")
        .method<&viewExclusiveTouch>("isExclusiveTouch")
        .method<&viewSetExclusiveTouch>("setExclusiveTouch:")
        .method<&viewAutoresizingMask>("autoresizingMask")
        .method<&viewSetAutoresizingMask>("setAutoresizingMask:")
        .method<&viewAutoresizesSubviews>("autoresizesSubviews")
        .method<&viewSetAutoresizesSubviews>("setAutoresizesSubviews:")
        .method<&viewContentMode>("contentMode")
        .method<&viewSetContentMode>("setContentMode:")
        .method<&viewClipsToBounds>("clipsToBounds")
        .method<&viewSetClipsToBounds>("setClipsToBounds:")
        .method<&viewLayer>("layer")
        .method<&viewSetNeedsDisplay>("setNeedsDisplay")
        .method<&viewSetNeedsDisplayInRect>("setNeedsDisplayInRect:")
        .method<&viewDescriptionMethod>("description");
    detail::addViewHierarchyMethods(b);
    detail::addViewGeometryMethods(b);
    return b.registerClass();
  }();
  return cls;
}

bool isView(id object) { return detail::isKindOfClass(object, UIViewClass()); }

std::vector<id> subviewsOf(id view) {
  if (view == nil || !viewIvars(view)->_viewStorage) return {};
  return viewIvars(view)->_viewStorage->subviews;
}

CGRect viewBounds(id view) {
  if (view == nil) return CGRectZero;
  UIViewIvars* v = viewIvars(view);
  return CGRect{v->_boundsOrigin, v->_frame.size};
}

[[maybe_unused]] static const Class kUIViewAtLoad = UIViewClass();

}  // namespace uikit
