// Gaussian blur of bitmaps, as layer filters and backdrops draw it.
//
// The blur is the usual three-box approximation of a Gaussian: three successive box
// averages in each direction, whose widths are chosen so that their combined variance
// matches the requested standard deviation.  Each box is a running sum, so the cost
// grows with the pixel count alone, whatever the radius.  It works on the
// premultiplied words of a Bitmap, every channel alike, so colour never exceeds alpha
// and a transparent neighbour never bleeds its (black) colour into an edge.
#pragma once

#include <uikit/Bitmap.h>

#include <array>
#include <cstdint>

namespace uikit {

// What lies beyond the bitmap's edges while blurring.
enum class BlurEdges {
  // Transparent: the picture fades out towards its edges.
  Transparent,
  // The edge pixels repeat: edges stay hard, and a picture of one colour stays
  // exactly that colour ("inputHardEdges").
  Extend,
};

// The widths (odd, at least 1) of the three boxes for a standard deviation of sigma
// pixels.  A sigma that is not positive (or not a number) gives {1, 1, 1}: no blur.
std::array<int, 3> gaussianBoxWidths(double sigma);

// How far, in pixels, the blur of sigma reaches on each side of a pixel.
int blurReach(double sigma);

// Blurs the bitmap in place.  Radii wider than the bitmap are cut to its size.
void blurBitmap(Bitmap& bitmap, double sigma, BlurEdges edges);

// How many blurs this process has computed (every call of blurBitmap that changed
// pixels), so tests can tell a cached picture from a fresh blur.
std::uint64_t blurCount();

}  // namespace uikit
