// The sublayers a layer holds beyond those of its view's subviews.
#pragma once

#include <objcface/Types.h>

#include <vector>

namespace uikit::detail {

struct LayerStorage {
  std::vector<id> sublayers;  // retained
};

}  // namespace uikit::detail
