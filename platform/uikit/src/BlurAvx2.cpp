// The blur's box passes with 16 lanes, for processors with AVX2.  The build compiles
// this file alone with AVX2 enabled (platform/uikit/CMakeLists.txt); Blur.cpp calls
// it only after asking the processor.
#include "BlurKernels.h"

namespace uikit::detail {

bool blurWithAvx2([[maybe_unused]] Bitmap& bitmap, [[maybe_unused]] const std::array<int, 3>& radii,
                  [[maybe_unused]] BlurEdges edges) {
#if defined(__AVX2__)
  blurWithKernels(bitmap, radii, edges);
  return true;
#else
  return false;
#endif
}

}  // namespace uikit::detail
