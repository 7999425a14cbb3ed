// The three-box blur: box widths for a sigma, the choice between the vector passes
// (BlurKernels.h; 16 lanes where the processor has AVX2, else 8) and, for boxes wider
// than those take, a plain 32-bit path.
#include <uikit/Blur.h>

#include "BlurKernels.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

namespace uikit {

namespace {

std::atomic<std::uint64_t> gBlurs{0};

bool haveAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
#else
  return false;
#endif
}

// ---- very wide boxes: 32-bit sums ----

// Division of a box sum by the odd width w, rounded to nearest: (sum + w / 2) / w
// rounded down, by a reciprocal a hair above 1 / w, so that exact quotients are not
// lost to rounding (the excess stays far below the 1 / w any other quotient lacks).
struct WideDivider {
  std::uint32_t half;
  double reciprocal;
  explicit WideDivider(std::uint32_t w) : half(w / 2), reciprocal(1.0 / w * (1.0 + 1e-12)) {}
  std::uint8_t operator()(std::uint32_t sum) const {
    return static_cast<std::uint8_t>(static_cast<double>(sum + half) * reciprocal);
  }
};

// One box along a line of n pixels of 4 channels, `in` padded by r pixels on each
// side (filled here), into `out`.
void boxLineWide(std::uint32_t* in, std::uint8_t* out, int n, int r, BlurEdges edges) {
  for (int j = 1; j <= r; ++j)
    for (int c = 0; c < 4; ++c) {
      in[4 * -j + c] = edges == BlurEdges::Extend ? in[c] : 0;
      in[4 * (n - 1 + j) + c] = edges == BlurEdges::Extend ? in[4 * (n - 1) + c] : 0;
    }
  const WideDivider divide(2 * static_cast<std::uint32_t>(r) + 1);
  std::uint32_t sum[4] = {};
  for (int j = -r; j <= r; ++j)
    for (int c = 0; c < 4; ++c) sum[c] += in[4 * j + c];
  for (int x = 0; x < n; ++x) {
    if (x > 0)
      for (int c = 0; c < 4; ++c) sum[c] += in[4 * (x + r) + c] - in[4 * (x - r - 1) + c];
    for (int c = 0; c < 4; ++c) out[4 * x + c] = divide(sum[c]);
  }
}

void blurWide(Bitmap& bitmap, const std::array<int, 3>& radii, BlurEdges edges) {
  const int width = bitmap.width(), height = bitmap.height(), stride = bitmap.stride();
  const int lanes = width * 4;
  std::uint8_t* pixels = bitmap.data();
  auto row = [&](int y) { return pixels + static_cast<std::size_t>(y) * stride; };
  const int pad = *std::max_element(radii.begin(), radii.end());
  std::vector<std::uint32_t> line(static_cast<std::size_t>(width + 2 * pad) * 4);
  std::uint32_t* const at = line.data() + 4 * pad;
  for (int y = 0; y < height; ++y)
    for (int r : radii) {
      if (r == 0) continue;
      for (int i = 0; i < lanes; ++i) at[i] = row(y)[i];
      boxLineWide(at, row(y), width, r, edges);
    }
  // Columns a row of lanes at a time, from a copy of the rows as they were.
  std::vector<std::uint8_t> copy(static_cast<std::size_t>(lanes) * height);
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(lanes));
  for (int r : radii) {
    if (r == 0) continue;
    for (int y = 0; y < height; ++y) std::memcpy(copy.data() + static_cast<std::size_t>(y) * lanes, row(y), lanes);
    auto source = [&](int y) -> const std::uint8_t* {
      if (y < 0 || y >= height) {
        if (edges == BlurEdges::Transparent) return nullptr;
        y = y < 0 ? 0 : height - 1;
      }
      return copy.data() + static_cast<std::size_t>(y) * lanes;
    };
    const WideDivider divide(2 * static_cast<std::uint32_t>(r) + 1);
    std::fill(sums.begin(), sums.end(), 0u);
    for (int j = -r; j <= r; ++j)
      if (const std::uint8_t* in = source(j))
        for (int i = 0; i < lanes; ++i) sums[i] += in[i];
    for (int y = 0; y < height; ++y) {
      if (y > 0) {
        if (const std::uint8_t* in = source(y + r))
          for (int i = 0; i < lanes; ++i) sums[i] += in[i];
        if (const std::uint8_t* gone = source(y - r - 1))
          for (int i = 0; i < lanes; ++i) sums[i] -= gone[i];
      }
      std::uint8_t* out = row(y);
      for (int i = 0; i < lanes; ++i) out[i] = divide(sums[i]);
    }
  }
}

}  // namespace

std::array<int, 3> gaussianBoxWidths(double sigma) {
  if (!(sigma > 0) || !std::isfinite(sigma)) return {1, 1, 1};
  // Three boxes of widths wl (the largest odd width not above the ideal one) and
  // wl + 2, as many of each as brings the summed variance nearest to sigma².
  constexpr int n = 3;
  const double ideal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
  int wl = static_cast<int>(std::floor(ideal));
  if (wl % 2 == 0) --wl;
  wl = std::max(wl, 1);
  const int wu = wl + 2;
  const double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4.0);
  const int m = std::clamp(static_cast<int>(std::lround(mIdeal)), 0, n);
  std::array<int, 3> widths{};
  for (int i = 0; i < n; ++i) widths[i] = i < m ? wl : wu;
  return widths;
}

int blurReach(double sigma) {
  int reach = 0;
  for (int w : gaussianBoxWidths(sigma)) reach += w / 2;
  return reach;
}

void blurBitmap(Bitmap& bitmap, double sigma, BlurEdges edges) {
  if (bitmap.surface() == nullptr || bitmap.width() <= 0 || bitmap.height() <= 0) return;
  const auto widths = gaussianBoxWidths(sigma);
  const int limit = std::max(bitmap.width(), bitmap.height());
  std::array<int, 3> radii{};
  for (int i = 0; i < 3; ++i) radii[i] = std::min(widths[i] / 2, limit);
  if (radii == std::array<int, 3>{0, 0, 0}) return;
  if (2 * *std::max_element(radii.begin(), radii.end()) + 1 > detail::kMaxKernelWidth)
    blurWide(bitmap, radii, edges);
  else if (!(haveAvx2() && detail::blurWithAvx2(bitmap, radii, edges)))
    detail::blurWithKernels(bitmap, radii, edges);
  bitmap.markDirty();
  gBlurs.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t blurCount() { return gBlurs.load(std::memory_order_relaxed); }

}  // namespace uikit
