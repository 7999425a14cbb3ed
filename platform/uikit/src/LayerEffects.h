// What layers add when a view tree is drawn through cairo (ScreenRender.cpp): the
// "gaussianBlur" filters of a layer over what its view draws, and the blur of what
// lies behind a backdrop layer.
//
// Both work in device pixels: the view's bounds are mapped through cairo's current
// transform (scale and translation only), so a radius in points becomes a sigma of
// radius × pixels per point.  A filtered view is drawn into a picture of its own,
// blurred, and painted back with the view's alpha; without hard edges the picture
// extends beyond the bounds by the blur's reach, so the blur spreads past them as on
// the device.  A rasterised layer, and every backdrop, keeps its blurred picture
// (LayerStorage.h) and reuses it while the unblurred pixels and the blurs stay the
// same, so drawing an unchanged screen twice blurs once.
#pragma once

#include <objcface/Types.h>

#include <cairo.h>

#include <vector>

namespace uikit::detail {

// One enabled "gaussianBlur" filter of a layer: "inputRadius" in points (10 when
// unset, the filter's default) and "inputHardEdges".
struct LayerBlur {
  double radius = 0;
  bool hardEdges = false;
};

// The blurs of a layer's enabled filters, in their order; empty for a layer without
// any (other filter types are not drawn).
std::vector<LayerBlur> layerBlurs(id layer);

// Draws a view's content (background, picture, text, subviews; no alpha) at cairo's
// current origin.
using DrawContent = void (*)(cairo_t* cr, id view);

// Draws a view whose layer has blurs: its content through them, then composited with
// `alpha`.  Answers false, having drawn nothing, when the picture cannot be made (a
// view of no size, or too large a picture), so the caller draws the view plainly.
bool drawFilteredView(cairo_t* cr, id view, const std::vector<LayerBlur>& blurs, double alpha, DrawContent content);

// For a view whose layer is a backdrop with blurs: the pixels behind the view's
// bounds, blurred, as a cairo surface positioned in device space (owned by the
// layer's cache; valid until the next drawing of that layer).  Must be called before
// anything of the view is drawn.  Answers false when there is nothing to blur.
struct BackdropPicture {
  cairo_surface_t* surface = nullptr;
  double x = 0, y = 0;  // device position of the surface's top left
};
bool blurBehind(cairo_t* cr, id view, const std::vector<LayerBlur>& blurs, BackdropPicture& out);

// Paints a backdrop picture over the view's bounds, replacing what is there.
void paintBackdrop(cairo_t* cr, id view, const BackdropPicture& picture);

}  // namespace uikit::detail
