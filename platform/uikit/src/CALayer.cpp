#include <uikit/CALayer.h>
#include <uikit/UIView.h>

#include "FoundationGlue.h"
#include "LayerInternals.h"
#include "LayerStorage.h"
#include "ViewInternals.h"

#include <objcface/Send.h>

#include <algorithm>

namespace uikit {

using detail::viewIvars;
using objc::send;
using objc::sel;

namespace {

CALayerIvars* L(id layer) { return reinterpret_cast<CALayerIvars*>(layer); }

detail::LayerStorage& storage(id layer) { return detail::layerStorage(layer); }

id layerInit(id self, SEL cmd) {
  self = objc::sendSuper<id>(self, CALayerClass(), cmd);
  if (self == nil) return nil;
  L(self)->_ownOpacity = 1.0f;
  L(self)->_rasterizationScale = 1.0;
  return self;
}

void layerDealloc(id self, SEL cmd) {
  CALayerIvars* l = L(self);
  if (l->_layerStorage) {
    for (id sub : l->_layerStorage->sublayers) {
      L(sub)->_superlayer = nil;
      objc::release(sub);
    }
    l->_layerStorage.reset();
  }
  objc::release(l->_filters);
  objc::release(l->_name);
  l->_filters = l->_name = nil;
  objc::sendSuper<void>(self, CALayerClass(), cmd);
}

id layerFilters(id self, SEL) { return L(self)->_filters; }
void layerSetFilters(id self, SEL, id filters) {
  id copy = detail::copyArray(filters);
  objc::release(L(self)->_filters);
  L(self)->_filters = copy;
}

BOOL layerShouldRasterize(id self, SEL) { return L(self)->_shouldRasterize; }
void layerSetShouldRasterize(id self, SEL, BOOL on) { L(self)->_shouldRasterize = on ? YES : NO; }
CGFloat layerRasterizationScale(id self, SEL) { return L(self)->_rasterizationScale; }
void layerSetRasterizationScale(id self, SEL, CGFloat scale) { L(self)->_rasterizationScale = scale; }
CGFloat layerCornerRadius(id self, SEL) { return L(self)->_cornerRadius; }
void layerSetCornerRadius(id self, SEL, CGFloat radius) { L(self)->_cornerRadius = radius; }

float layerOpacity(id self, SEL) {
  id view = L(self)->_view;
  return view ? static_cast<float>(viewIvars(view)->_alpha) : L(self)->_ownOpacity;
}
void layerSetOpacity(id self, SEL, float opacity) {
  if (id view = L(self)->_view) viewIvars(view)->_alpha = opacity;
  else L(self)->_ownOpacity = opacity;
}

CGRect layerFrame(id self, SEL) {
  id view = L(self)->_view;
  return view ? viewIvars(view)->_frame : L(self)->_ownFrame;
}
void layerSetFrame(id self, SEL, CGRect frame) {
  if (id view = L(self)->_view) detail::applyFrame(view, frame);
  else L(self)->_ownFrame = frame;
}
CGRect layerBounds(id self, SEL) {
  id view = L(self)->_view;
  if (view) return viewBounds(view);
  return CGRect{CGPointZero, L(self)->_ownFrame.size};
}
void layerSetBounds(id self, SEL, CGRect bounds) {
  if (id view = L(self)->_view) {
    send<void>(view, sel<"setBounds:">(), bounds);
    return;
  }
  CGRect& f = L(self)->_ownFrame;
  CGPoint centre = CGPointMake(CGRectGetMidX(f), CGRectGetMidY(f));
  f = CGRectMake(centre.x - bounds.size.width / 2, centre.y - bounds.size.height / 2, bounds.size.width,
                 bounds.size.height);
}
CGPoint layerPosition(id self, SEL) {
  CGRect f = layerFrame(self, nullptr);
  return CGPointMake(CGRectGetMidX(f), CGRectGetMidY(f));
}
void layerSetPosition(id self, SEL, CGPoint p) {
  CGRect f = layerFrame(self, nullptr);
  layerSetFrame(self, nullptr, CGRectMake(p.x - f.size.width / 2, p.y - f.size.height / 2, f.size.width, f.size.height));
}

BOOL layerHidden(id self, SEL) {
  id view = L(self)->_view;
  return view ? viewIvars(view)->_hidden : L(self)->_ownHidden;
}
void layerSetHidden(id self, SEL, BOOL hidden) {
  if (id view = L(self)->_view) viewIvars(view)->_hidden = hidden ? YES : NO;
  else L(self)->_ownHidden = hidden ? YES : NO;
}
BOOL layerMasksToBounds(id self, SEL) {
  id view = L(self)->_view;
  return view ? viewIvars(view)->_clipsToBounds : L(self)->_ownMasksToBounds;
}
void layerSetMasksToBounds(id self, SEL, BOOL on) {
  if (id view = L(self)->_view) viewIvars(view)->_clipsToBounds = on ? YES : NO;
  else L(self)->_ownMasksToBounds = on ? YES : NO;
}

id layerName(id self, SEL) { return L(self)->_name; }
void layerSetName(id self, SEL, id name) {
  id copy = detail::copyString(name);
  objc::release(L(self)->_name);
  L(self)->_name = copy;
}

id layerDelegate(id self, SEL) { return L(self)->_view; }

id layerSuperlayer(id self, SEL) {
  if (L(self)->_superlayer) return L(self)->_superlayer;
  id view = L(self)->_view;
  id parent = view ? viewIvars(view)->_superview : nil;
  return parent ? viewIvars(parent)->_layer : nil;
}

id layerSublayers(id self, SEL) {
  std::vector<id> out;
  if (id view = L(self)->_view)
    for (id sub : subviewsOf(view))
      if (viewIvars(sub)->_layer) out.push_back(viewIvars(sub)->_layer);
  if (L(self)->_layerStorage)
    out.insert(out.end(), L(self)->_layerStorage->sublayers.begin(), L(self)->_layerStorage->sublayers.end());
  return out.empty() ? nil : detail::makeNSArray(out);
}

void layerRemoveFromSuperlayer(id self, SEL) {
  id parent = L(self)->_superlayer;
  if (parent == nil) return;
  auto& list = storage(parent).sublayers;
  auto it = std::find(list.begin(), list.end(), self);
  if (it == list.end()) return;
  list.erase(it);
  L(self)->_superlayer = nil;
  objc::release(self);
}

void layerAddSublayer(id self, SEL, id layer) {
  if (layer == nil || layer == self || L(layer)->_view != nil) return;  // a view's layer moves with its view
  objc::Ref keep = objc::Ref::retain(layer);
  layerRemoveFromSuperlayer(layer, nullptr);
  storage(self).sublayers.push_back(objc::retain(layer));
  L(layer)->_superlayer = self;
}

}  // namespace

detail::LayerStorage& detail::layerStorage(id layer) {
  auto& slot = L(layer)->_layerStorage;
  if (!slot) slot = std::make_unique<detail::LayerStorage>();
  return *slot;
}

void detail::attachLayer(id layer, id view) {
  if (layer != nil) L(layer)->_view = view;
}
void detail::detachLayer(id layer) {
  if (layer != nil) L(layer)->_view = nil;
}

Class CALayerClass() {
  static const Class cls = objc::ClassBuilder<CALayerIvars>("CALayer", objc::NSObjectClass())
                               .ivar<&CALayerIvars::_view>("_view")
                               .ivar<&CALayerIvars::_superlayer>("_superlayer")
                               .ivar<&CALayerIvars::_filters>("_filters")
                               .ivar<&CALayerIvars::_name>("_name")
                               .ivar<&CALayerIvars::_ownFrame>("_ownFrame")
                               .ivar<&CALayerIvars::_rasterizationScale>("_rasterizationScale")
                               .ivar<&CALayerIvars::_cornerRadius>("_cornerRadius")
                               .ivar<&CALayerIvars::_ownOpacity>("_ownOpacity")
                               .ivar<&CALayerIvars::_shouldRasterize>("_shouldRasterize")
                               .ivar<&CALayerIvars::_ownHidden>("_ownHidden")
                               .ivar<&CALayerIvars::_ownMasksToBounds>("_ownMasksToBounds")
                               .ivar<&CALayerIvars::_layerStorage>("_layerStorage")
                               .method<&layerInit>("init")
                               .method<&layerDealloc>("dealloc")
                               .method<&layerFilters>("filters")
                               .method<&layerSetFilters>("setFilters:")
                               .method<&layerShouldRasterize>("shouldRasterize")
                               .method<&layerSetShouldRasterize>("setShouldRasterize:")
                               .method<&layerRasterizationScale>("rasterizationScale")
                               .method<&layerSetRasterizationScale>("setRasterizationScale:")
                               .method<&layerCornerRadius>("cornerRadius")
                               .method<&layerSetCornerRadius>("setCornerRadius:")
                               .method<&layerOpacity>("opacity")
                               .method<&layerSetOpacity>("setOpacity:")
                               .method<&layerFrame>("frame")
                               .method<&layerSetFrame>("setFrame:")
                               .method<&layerBounds>("bounds")
                               .method<&layerSetBounds>("setBounds:")
                               .method<&layerPosition>("position")
                               .method<&layerSetPosition>("setPosition:")
                               .method<&layerHidden>("isHidden")
                               .method<&layerHidden>("hidden")
                               .method<&layerSetHidden>("setHidden:")
                               .method<&layerMasksToBounds>("masksToBounds")
                               .method<&layerSetMasksToBounds>("setMasksToBounds:")
                               .method<&layerName>("name")
                               .method<&layerSetName>("setName:")
                               .method<&layerDelegate>("delegate")
                               .method<&layerSuperlayer>("superlayer")
                               .method<&layerSublayers>("sublayers")
                               .method<&layerAddSublayer>("addSublayer:")
                               .method<&layerRemoveFromSuperlayer>("removeFromSuperlayer")
                               .registerClass();
  return cls;
}

// A backdrop layer draws what lies behind it through its filters, under its own
// content; it adds no state of its own.
Class CABackdropLayerClass() {
  static const Class cls = objc::ClassBuilder<CALayerIvars>("CABackdropLayer", CALayerClass()).registerClass();
  return cls;
}

bool isBackdropLayer(id layer) {
  return layer != nil && send<BOOL>(layer, sel<"isKindOfClass:">(), CABackdropLayerClass()) == YES;
}

[[maybe_unused]] static const Class kCALayerAtLoad = CALayerClass();
[[maybe_unused]] static const Class kCABackdropLayerAtLoad = CABackdropLayerClass();

}  // namespace uikit
