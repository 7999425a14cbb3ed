// What a layer holds beyond its ivars: the sublayers added to it, and the blurred
// pictures kept from the last drawing (see LayerEffects.h).
#pragma once

#include <uikit/Bitmap.h>
#include <uikit/Blur.h>

#include <objcface/Types.h>

#include <memory>
#include <optional>
#include <vector>

namespace uikit::detail {

// A blurred picture and what it was made from: the unblurred pixels (compared byte
// for byte at the next drawing) and the blurs, as sigmas in pixels with their edge
// rule.  The result is reused while all of them stay the same.
struct BlurCache {
  struct Blur {
    double sigma = 0;
    BlurEdges edges = BlurEdges::Transparent;
    friend bool operator==(const Blur&, const Blur&) = default;
  };
  std::optional<Bitmap> input;
  std::optional<Bitmap> output;
  std::vector<Blur> blurs;
};

struct LayerStorage {
  std::vector<id> sublayers;  // retained
  std::unique_ptr<BlurCache> filtered;  // the layer's own content through its filters (rasterised layers)
  std::unique_ptr<BlurCache> backdrop;  // what lies behind a backdrop layer, blurred
};

}  // namespace uikit::detail
