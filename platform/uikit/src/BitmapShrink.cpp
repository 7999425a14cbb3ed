// Shrinking bitmaps by area averaging: every output pixel is the average of the
// source area it covers, each source pixel weighted by how much of it lies inside.
// Done in two passes, down the columns and then along the rows, with 8-bit weights
// summing to 256 so that every product and sum fits a 16-bit lane: the column pass
// works a whole source row of lanes at a time, vectorised.  Each source pixel is read
// once, so the cost is linear in the pixels however large the factor, where cairo's
// filters either skip pixels (bilinear) or convolve slowly (good).
#include <uikit/Bitmap.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace uikit {

namespace {

constexpr int kWeightBits = 8;
constexpr int kWeightOne = 1 << kWeightBits;
constexpr int kLanes = 8;
using Lanes = std::uint16_t __attribute__((vector_size(kLanes * 2)));
using Bytes = std::uint8_t __attribute__((vector_size(kLanes)));

// The source pixels each output pixel covers: output i reads `count[i]` pixels from
// `first[i]`, with weights (summing to 256) from `weights[offset[i]]`.
struct Spans {
  std::vector<int> first, count, offset;
  std::vector<std::uint16_t> weights;
};

Spans spans(int from, int to) {
  Spans out;
  const double step = static_cast<double>(from) / to;  // source pixels per output pixel, at least 1
  for (int i = 0; i < to; ++i) {
    const double a = i * step, b = std::min<double>((i + 1) * step, from);
    const int first = std::min(static_cast<int>(std::floor(a)), from - 1);
    const int last = std::max(first, std::min(static_cast<int>(std::ceil(b)) - 1, from - 1));
    const std::size_t start = out.weights.size();
    out.first.push_back(first);
    out.count.push_back(last - first + 1);
    out.offset.push_back(static_cast<int>(start));
    int total = 0;
    std::size_t largest = start;
    for (int j = first; j <= last; ++j) {
      const double overlap = std::min<double>(j + 1, b) - std::max<double>(j, a);
      const auto w = static_cast<std::uint16_t>(std::lround(std::max(0.0, overlap) / (b - a) * kWeightOne));
      out.weights.push_back(w);
      if (w > out.weights[largest]) largest = out.weights.size() - 1;
      total += w;
    }
    // Rounding leaves the sum a little off 256; the largest weight takes the rest, so
    // a picture of one colour keeps its colour exactly.
    out.weights[largest] = static_cast<std::uint16_t>(out.weights[largest] + kWeightOne - total);
  }
  return out;
}

Lanes splat(std::uint16_t v) { return Lanes{v, v, v, v, v, v, v, v}; }

}  // namespace

objc::Result<Bitmap> shrunkBitmap(const Bitmap& source, int width, int height) {
  if (source.surface() == nullptr) return objc::makeError("no pixels to shrink");
  width = std::clamp(width, 1, source.width());
  height = std::clamp(height, 1, source.height());
  auto out = Bitmap::create(width, height, source.opaque());
  if (!out) return out;
  const int sourceWidth = source.width();
  const Spans across = spans(sourceWidth, width), down = spans(source.height(), height);
  const std::uint8_t* in = source.data();
  const int inStride = source.stride();
  const int lanes = sourceWidth * 4;
  const int whole = lanes / kLanes, vectors = (lanes + kLanes - 1) / kLanes;
  std::vector<Lanes> sums(static_cast<std::size_t>(vectors));
  // One output row at the source's width, padded to whole vectors.
  std::vector<std::uint8_t> column(static_cast<std::size_t>(vectors) * kLanes);
  std::uint8_t* pixels = out->data();
  for (int y = 0; y < height; ++y) {
    // Down: the source rows of this output row, weighted, one row at a time over
    // all its lanes (a vector at a time), into 16-bit sums.
    const int count = down.count[y];
    const std::uint16_t* weights = down.weights.data() + down.offset[y];
    std::fill(sums.begin(), sums.end(), splat(0));
    for (int j = 0; j < count; ++j) {
      const std::uint8_t* row = in + static_cast<std::size_t>(down.first[y] + j) * inStride;
      const Lanes w = splat(weights[j]);
      for (int v = 0; v < whole; ++v) {
        Bytes bytes;
        std::memcpy(&bytes, row + v * kLanes, sizeof bytes);
        sums[v] += __builtin_convertvector(bytes, Lanes) * w;
      }
      if (whole < vectors) {  // the last pixel of an odd width
        Bytes bytes = {};
        std::memcpy(&bytes, row + whole * kLanes, 4);
        sums[whole] += __builtin_convertvector(bytes, Lanes) * w;
      }
    }
    for (int v = 0; v < vectors; ++v) {
      const Bytes result = __builtin_convertvector((sums[v] + splat(kWeightOne / 2)) >> kWeightBits, Bytes);
      std::memcpy(column.data() + v * kLanes, &result, sizeof result);
    }
    // Across: the pixels of each output pixel, weighted, four channels at once.
    std::uint8_t* to = pixels + static_cast<std::size_t>(y) * out->stride();
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = column.data() + 4 * across.first[x];
      const std::uint16_t* w = across.weights.data() + across.offset[x];
      const int n = across.count[x];
#if defined(__SSE2__)
      const __m128i zero = _mm_setzero_si128();
      __m128i acc = zero;
      for (int j = 0; j < n; ++j, p += 4) {
        std::int32_t word;
        std::memcpy(&word, p, 4);
        const __m128i pixel = _mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero);
        acc = _mm_add_epi16(acc, _mm_mullo_epi16(pixel, _mm_set1_epi16(static_cast<short>(w[j]))));
      }
      acc = _mm_srli_epi16(_mm_add_epi16(acc, _mm_set1_epi16(kWeightOne / 2)), kWeightBits);
      const std::int32_t result = _mm_cvtsi128_si32(_mm_packus_epi16(acc, zero));
      std::memcpy(to + 4 * x, &result, 4);
#else
      std::uint32_t acc[4] = {};
      for (int j = 0; j < n; ++j, p += 4)
        for (int c = 0; c < 4; ++c) acc[c] += std::uint32_t{w[j]} * p[c];
      for (int c = 0; c < 4; ++c) to[4 * x + c] = static_cast<std::uint8_t>((acc[c] + kWeightOne / 2) >> kWeightBits);
#endif
    }
  }
  out->markDirty();
  return out;
}

}  // namespace uikit
