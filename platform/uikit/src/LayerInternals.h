// The link between a view and its layer: a view's layer reads and writes the view's
// own geometry, opacity and hidden flag, so the two never disagree.
#pragma once

#include <objcface/Types.h>

namespace uikit::detail {

struct LayerStorage;

// The storage of a layer (sublayers and kept pictures), made on first use.
LayerStorage& layerStorage(id layer);

// Makes layer the backing layer of view (the layer does not retain its view).
void attachLayer(id layer, id view);
// Called by a view that goes away, so its layer forgets it.
void detachLayer(id layer);

}  // namespace uikit::detail
