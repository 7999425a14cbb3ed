// The blurred backdrop views of iOS 7: _UIBackdropViewSettings (blur radius, grayscale
// tint alpha, colour tint and its alpha) and _UIBackdropView, which applies a settings
// object when told to transition to it and keeps a copy of what it applied as its
// output settings.  Notification Center's background and its section headers use it.
//
// The view's layer is a backdrop layer, so the blur filter it carries blurs what lies
// behind the view when the screen is drawn; over that come the greyscale tint (white
// of the tint level at the tint alpha) and then the colour tint at its alpha.
#include "Common.h"
#include "Classes.h"

#include <foundation/NSString.h>
#include <uikit/UIView.h>

namespace sb7::detail {
namespace {

// The stock look of Notification Center's backdrop.
constexpr CGFloat kStockBlurRadius = 20.0;
constexpr CGFloat kStockGrayscaleTintAlpha = 0.73;

struct SettingsIvars : NSObjectIvars {
  NSInteger _style;
  CGFloat _blurRadius;
  CGFloat _grayscaleTintLevel;
  CGFloat _grayscaleTintAlpha;
  id _colorTint;  // UIColor, retained
  CGFloat _colorTintAlpha;

  NSInteger style() { return _style; }
  CGFloat blurRadius() { return _blurRadius; }
  void setBlurRadius(CGFloat v) { _blurRadius = v; }
  CGFloat grayscaleTintLevel() { return _grayscaleTintLevel; }
  void setGrayscaleTintLevel(CGFloat v) { _grayscaleTintLevel = v; }
  CGFloat grayscaleTintAlpha() { return _grayscaleTintAlpha; }
  void setGrayscaleTintAlpha(CGFloat v) { _grayscaleTintAlpha = v; }
  id colorTint() { return _colorTint; }
  void setColorTint(id v) { setRetained(_colorTint, v); }
  CGFloat colorTintAlpha() { return _colorTintAlpha; }
  void setColorTintAlpha(CGFloat v) { _colorTintAlpha = v; }
};

Class settingsClass() { return objc::classNamed("_UIBackdropViewSettings"); }

id settingsForStyle(id cls, SEL, NSInteger style) {
  id settings = objc::autorelease(send<id>(send<id>(cls, sel<"alloc">()), sel<"init">()));
  auto* s = objc::ivars<SettingsIvars>(settings);
  s->_style = style;
  s->_blurRadius = kStockBlurRadius;
  s->_grayscaleTintLevel = 0.0;
  s->_grayscaleTintAlpha = kStockGrayscaleTintAlpha;
  s->_colorTintAlpha = 0.0;
  return settings;
}

id settingsCopyWithZone(id self, SEL, void*) {
  id copy = send<id>(send<id>(object_getClass(self), sel<"alloc">()), sel<"init">());
  auto* from = objc::ivars<SettingsIvars>(self);
  auto* to = objc::ivars<SettingsIvars>(copy);
  to->_style = from->_style;
  to->_blurRadius = from->_blurRadius;
  to->_grayscaleTintLevel = from->_grayscaleTintLevel;
  to->_grayscaleTintAlpha = from->_grayscaleTintAlpha;
  to->_colorTint = objc::retain(from->_colorTint);
  to->_colorTintAlpha = from->_colorTintAlpha;
  return copy;
}

id settingsDescription(id self, SEL) {
  auto* s = objc::ivars<SettingsIvars>(self);
  return ns::format("<_UIBackdropViewSettings: %p; style = %ld; blurRadius = %g; grayscaleTintAlpha = %g; "
                    "colorTint = %s; colorTintAlpha = %g>",
                    static_cast<void*>(self), s->_style, s->_blurRadius, s->_grayscaleTintAlpha,
                    s->_colorTint ? text(send<id>(s->_colorTint, sel<"description">())).c_str() : "(null)",
                    s->_colorTintAlpha);
}

void settingsDealloc(id self, SEL cmd) {
  clear(objc::ivars<SettingsIvars>(self)->_colorTint);
  objc::sendSuper<void>(self, settingsClass(), cmd);
}

struct BackdropIvars : UIViewIvars {
  id _inputSettings;   // retained: the settings callers edit
  id _outputSettings;  // retained: a copy of the settings last applied
  id _grayscaleTintView;  // subviews
  id _colorTintView;
};

Class backdropClass() { return objc::classNamed("_UIBackdropView"); }

id makeSubview(id self, CGRect bounds) {
  id view = send<id>(send<id>(objc::classNamed("UIView"), sel<"alloc">()), sel<"initWithFrame:">(), bounds);
  send<void>(view, sel<"setAutoresizingMask:">(), NSUInteger{(1 << 1) | (1 << 4)});  // flexible width and height
  send<void>(view, sel<"setUserInteractionEnabled:">(), BOOL{NO});
  send<void>(self, sel<"addSubview:">(), view);
  objc::release(view);
  return view;
}

// Applies a settings object: the blur as a gaussian filter on the layer, the two tints
// as the colour and opacity of the tint views.
void applySettings(id self, id settings) {
  auto* v = objc::ivars<BackdropIvars>(self);
  auto* s = objc::ivars<SettingsIvars>(settings);
  id layer = send<id>(self, sel<"layer">());
  if (s->_blurRadius > 0) {
    id filter = send<id>(objc::classNamed("CAFilter"), sel<"filterWithType:">(), str("gaussianBlur"));
    send<void>(filter, sel<"setValue:forKey:">(),
               send<id>(objc::classNamed("NSNumber"), sel<"numberWithDouble:">(), s->_blurRadius), str("inputRadius"));
    id filters = send<id>(objc::classNamed("NSArray"), sel<"arrayWithObject:">(), filter);
    send<void>(layer, sel<"setFilters:">(), filters);
  } else {
    send<void>(layer, sel<"setFilters:">(), id{nil});
  }
  id black = send<id>(objc::classNamed("UIColor"), sel<"colorWithWhite:alpha:">(), s->_grayscaleTintLevel, CGFloat{1.0});
  send<void>(v->_grayscaleTintView, sel<"setBackgroundColor:">(), black);
  send<void>(v->_grayscaleTintView, sel<"setAlpha:">(), s->_grayscaleTintAlpha);
  send<void>(v->_colorTintView, sel<"setBackgroundColor:">(), s->_colorTint);
  send<void>(v->_colorTintView, sel<"setAlpha:">(), s->_colorTint ? s->_colorTintAlpha : CGFloat{0});
}

void backdropTransitionToSettings(id self, SEL, id settings) {
  if (settings == nil || !send<BOOL>(settings, sel<"isKindOfClass:">(), settingsClass())) return;
  auto* v = objc::ivars<BackdropIvars>(self);
  setRetained(v->_inputSettings, settings);
  id applied = send<id>(settings, sel<"copy">());
  id old = v->_outputSettings;
  v->_outputSettings = applied;
  objc::release(old);
  applySettings(self, applied);
}

id backdropInitWithFrameSettings(id self, SEL, CGRect frame, id settings) {
  self = objc::sendSuper<id>(self, backdropClass(), sel<"initWithFrame:">(), frame);
  if (!self) return nil;
  auto* v = objc::ivars<BackdropIvars>(self);
  CGRect bounds = CGRectMake(0, 0, frame.size.width, frame.size.height);
  v->_grayscaleTintView = makeSubview(self, bounds);
  v->_colorTintView = makeSubview(self, bounds);
  send<void>(self, sel<"transitionToSettings:">(), settings);
  return self;
}

id backdropInitWithFrame(id self, SEL, CGRect frame) {
  return backdropInitWithFrameSettings(self, nullptr, frame,
                                       send<id>(settingsClass(), sel<"settingsForStyle:">(), NSInteger{0}));
}

id backdropInitWithSettings(id self, SEL, id settings) {
  return backdropInitWithFrameSettings(self, nullptr, CGRectZero, settings);
}

Class backdropLayerClass(id, SEL) { return objc::classNamed("CABackdropLayer"); }

id backdropInputSettings(id self, SEL) { return objc::ivars<BackdropIvars>(self)->_inputSettings; }
id backdropOutputSettings(id self, SEL) { return objc::ivars<BackdropIvars>(self)->_outputSettings; }

void backdropDealloc(id self, SEL cmd) {
  auto* v = objc::ivars<BackdropIvars>(self);
  clear(v->_inputSettings);
  clear(v->_outputSettings);
  objc::sendSuper<void>(self, backdropClass(), cmd);
}

}  // namespace

void registerBackdropClasses() {
  objc::ClassBuilder<SettingsIvars>("_UIBackdropViewSettings", objc::NSObjectClass())
      .ivar<&SettingsIvars::_style>("_style")
      .ivar<&SettingsIvars::_blurRadius>("_blurRadius")
      .ivar<&SettingsIvars::_grayscaleTintLevel>("_grayscaleTintLevel")
      .ivar<&SettingsIvars::_grayscaleTintAlpha>("_grayscaleTintAlpha")
      .ivar<&SettingsIvars::_colorTint>("_colorTint")
      .ivar<&SettingsIvars::_colorTintAlpha>("_colorTintAlpha")
      .method<&SettingsIvars::style>("style")
      .method<&SettingsIvars::blurRadius>("blurRadius")
      .method<&SettingsIvars::setBlurRadius>("setBlurRadius:")
      .method<&SettingsIvars::grayscaleTintLevel>("grayscaleTintLevel")
      .method<&SettingsIvars::setGrayscaleTintLevel>("setGrayscaleTintLevel:")
      .method<&SettingsIvars::grayscaleTintAlpha>("grayscaleTintAlpha")
      .method<&SettingsIvars::setGrayscaleTintAlpha>("setGrayscaleTintAlpha:")
      .method<&SettingsIvars::colorTint>("colorTint")
      .method<&SettingsIvars::setColorTint>("setColorTint:")
      .method<&SettingsIvars::colorTintAlpha>("colorTintAlpha")
      .method<&SettingsIvars::setColorTintAlpha>("setColorTintAlpha:")
      .method<&settingsCopyWithZone>("copyWithZone:")
      .method<&settingsDescription>("description")
      .method<&settingsDealloc>("dealloc")
      .classMethod<&settingsForStyle>("settingsForStyle:")
      .registerClass();
  objc::ClassBuilder<BackdropIvars>("_UIBackdropView", objc::classNamed("UIView"))
      .ivar<&BackdropIvars::_inputSettings>("_inputSettings")
      .ivar<&BackdropIvars::_outputSettings>("_outputSettings")
      .ivar<&BackdropIvars::_grayscaleTintView>("_grayscaleTintView")
      .ivar<&BackdropIvars::_colorTintView>("_colorTintView")
      .method<&backdropInitWithFrame>("initWithFrame:")
      .method<&backdropInitWithSettings>("initWithSettings:")
      .method<&backdropInitWithFrameSettings>("initWithFrame:settings:")
      .method<&backdropInputSettings>("inputSettings")
      .method<&backdropOutputSettings>("outputSettings")
      .method<&backdropTransitionToSettings>("transitionToSettings:")
      .method<&backdropDealloc>("dealloc")
      .classMethod<&backdropLayerClass>("layerClass")
      .registerClass();
}

}  // namespace sb7::detail
