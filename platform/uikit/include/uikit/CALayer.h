// CALayer: the layer behind every view, and free-standing layers.
//
// A view's layer is a second face of the view: its frame, bounds, position, opacity
// (the view's alpha), hidden flag and masksToBounds (the view's clipsToBounds) read
// and write the view itself.  Its own state is the filter list (copied on set), the
// rasterisation switch and scale, the corner radius and the name.  When a view tree
// is drawn, the layer's enabled "gaussianBlur" filters blur what the view draws
// ("inputRadius" in points, "inputHardEdges"); a rasterised layer keeps the blurred
// picture and draws it again while the view draws the same pixels.  Its sublayers are
// the layers of the view's subviews followed by layers added with addSublayer:.
//
// Answers: init, filters, setFilters:, shouldRasterize, setShouldRasterize:,
// rasterizationScale, setRasterizationScale:, opacity/setOpacity: (float), frame,
// setFrame:, bounds, setBounds:, position, setPosition:, isHidden/hidden, setHidden:,
// masksToBounds, setMasksToBounds:, cornerRadius, setCornerRadius:, name, setName:,
// delegate (the view), superlayer, sublayers, addSublayer:, removeFromSuperlayer.
#pragma once

#include <uikit/UIKitTypes.h>

#include <objcface/NSObject.h>

#include <memory>

namespace uikit::detail {
struct LayerStorage;
}

struct CALayerIvars : NSObjectIvars {
  id _view;        // the view this layer backs; not retained
  id _superlayer;  // not retained
  id _filters;     // retained NSArray, nil when none
  id _name;        // retained
  CGRect _ownFrame;
  CGFloat _rasterizationScale;
  CGFloat _cornerRadius;
  float _ownOpacity;
  BOOL _shouldRasterize;
  BOOL _ownHidden;
  BOOL _ownMasksToBounds;
  std::unique_ptr<uikit::detail::LayerStorage> _layerStorage;  // added sublayers
};

namespace uikit {

Class CALayerClass();

// CABackdropLayer: a layer whose filters apply to what lies behind it rather than to
// its own content.  When a view tree is drawn, the pixels behind a backdrop layer's
// view are put through its "gaussianBlur" filters (hard-edged) and drawn in place of
// them, under the view's own background and subviews.  A view answering it from
// +layerClass becomes a backdrop.
Class CABackdropLayerClass();
// Whether a layer is a backdrop layer (false for nil).
bool isBackdropLayer(id layer);

}  // namespace uikit
