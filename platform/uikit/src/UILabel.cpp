#include <uikit/UIFont.h>
#include <uikit/UILabel.h>

#include "FoundationGlue.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

namespace uikit {

using objc::send;
using objc::sel;

namespace {

UILabelIvars* LB(id label) { return reinterpret_cast<UILabelIvars*>(label); }

void replace(id& slot, id value) {
  objc::retain(value);
  objc::release(slot);
  slot = value;
}

id labelInitWithFrame(id self, SEL cmd, CGRect frame) {
  self = objc::sendSuper<id>(self, UILabelClass(), cmd, frame);
  if (self == nil) return nil;
  UILabelIvars* l = LB(self);
  l->_userInteractionEnabled = NO;
  l->_opaque = NO;
  l->_numberOfLines = 1;
  l->_lineBreakMode = NSLineBreakByTruncatingTail;
  l->_enabled = YES;
  l->_font = objc::retain(send<id>(UIFontClass(), sel<"systemFontOfSize:">(), CGFloat{17.0}));
  if (Class colour = objc::classNamed("UIColor")) l->_textColor = objc::retain(send<id>(colour, sel<"blackColor">()));
  return self;
}

void labelDealloc(id self, SEL cmd) {
  UILabelIvars* l = LB(self);
  for (id* slot : {&l->_text, &l->_font, &l->_textColor, &l->_highlightedTextColor}) {
    objc::release(*slot);
    *slot = nil;
  }
  objc::sendSuper<void>(self, UILabelClass(), cmd);
}

id labelText(id self, SEL) { return LB(self)->_text; }
void labelSetText(id self, SEL, id text) {
  id copy = detail::copyString(text);
  objc::release(LB(self)->_text);
  LB(self)->_text = copy;
}
id labelFont(id self, SEL) { return LB(self)->_font; }
void labelSetFont(id self, SEL, id font) {
  // As on iOS, nil puts the default font back.
  replace(LB(self)->_font, font ? font : send<id>(UIFontClass(), sel<"systemFontOfSize:">(), CGFloat{17.0}));
}
id labelTextColor(id self, SEL) { return LB(self)->_textColor; }
void labelSetTextColor(id self, SEL, id colour) { replace(LB(self)->_textColor, colour); }
id labelHighlightedTextColor(id self, SEL) { return LB(self)->_highlightedTextColor; }
void labelSetHighlightedTextColor(id self, SEL, id colour) { replace(LB(self)->_highlightedTextColor, colour); }
NSInteger labelAlignment(id self, SEL) { return LB(self)->_textAlignment; }
void labelSetAlignment(id self, SEL, NSInteger a) { LB(self)->_textAlignment = a; }
NSInteger labelLines(id self, SEL) { return LB(self)->_numberOfLines; }
void labelSetLines(id self, SEL, NSInteger n) { LB(self)->_numberOfLines = n; }
NSInteger labelBreakMode(id self, SEL) { return LB(self)->_lineBreakMode; }
void labelSetBreakMode(id self, SEL, NSInteger m) { LB(self)->_lineBreakMode = m; }
BOOL labelHighlighted(id self, SEL) { return LB(self)->_highlighted; }
void labelSetHighlighted(id self, SEL, BOOL on) { LB(self)->_highlighted = on ? YES : NO; }
BOOL labelEnabled(id self, SEL) { return LB(self)->_enabled; }
void labelSetEnabled(id self, SEL, BOOL on) { LB(self)->_enabled = on ? YES : NO; }
BOOL labelAdjusts(id self, SEL) { return LB(self)->_adjustsFontSizeToFitWidth; }
void labelSetAdjusts(id self, SEL, BOOL on) { LB(self)->_adjustsFontSizeToFitWidth = on ? YES : NO; }

CGSize labelSizeThatFits(id self, SEL, CGSize) {
  CGFloat size = LB(self)->_font ? send<CGFloat>(LB(self)->_font, sel<"pointSize">()) : 17.0;
  if (LB(self)->_text == nil) return CGSizeZero;
  return measureText(detail::toStd(LB(self)->_text), size);
}

}  // namespace

Class UILabelClass() {
  static const Class cls = objc::ClassBuilder<UILabelIvars>("UILabel", UIViewClass())
                               .ivar<&UILabelIvars::_text>("_text")
                               .ivar<&UILabelIvars::_font>("_font")
                               .ivar<&UILabelIvars::_textColor>("_textColor")
                               .ivar<&UILabelIvars::_highlightedTextColor>("_highlightedTextColor")
                               .ivar<&UILabelIvars::_textAlignment>("_textAlignment")
                               .ivar<&UILabelIvars::_numberOfLines>("_numberOfLines")
                               .ivar<&UILabelIvars::_lineBreakMode>("_lineBreakMode")
                               .ivar<&UILabelIvars::_highlighted>("_highlighted")
                               .ivar<&UILabelIvars::_enabled>("_enabled")
                               .ivar<&UILabelIvars::_adjustsFontSizeToFitWidth>("_adjustsFontSizeToFitWidth")
                               .method<&labelInitWithFrame>("initWithFrame:")
                               .method<&labelDealloc>("dealloc")
                               .method<&labelText>("text")
                               .method<&labelSetText>("setText:")
                               .method<&labelFont>("font")
                               .method<&labelSetFont>("setFont:")
                               .method<&labelTextColor>("textColor")
                               .method<&labelSetTextColor>("setTextColor:")
                               .method<&labelHighlightedTextColor>("highlightedTextColor")
                               .method<&labelSetHighlightedTextColor>("setHighlightedTextColor:")
                               .method<&labelAlignment>("textAlignment")
                               .method<&labelSetAlignment>("setTextAlignment:")
                               .method<&labelLines>("numberOfLines")
                               .method<&labelSetLines>("setNumberOfLines:")
                               .method<&labelBreakMode>("lineBreakMode")
                               .method<&labelSetBreakMode>("setLineBreakMode:")
                               .method<&labelHighlighted>("isHighlighted")
                               .method<&labelSetHighlighted>("setHighlighted:")
                               .method<&labelEnabled>("isEnabled")
                               .method<&labelSetEnabled>("setEnabled:")
                               .method<&labelAdjusts>("adjustsFontSizeToFitWidth")
                               .method<&labelSetAdjusts>("setAdjustsFontSizeToFitWidth:")
                               .method<&labelSizeThatFits>("sizeThatFits:")
                               .registerClass();
  return cls;
}

[[maybe_unused]] static const Class kUILabelAtLoad = UILabelClass();

}  // namespace uikit
