// The box passes of the blur, written once over a vector of 16-bit lanes and compiled
// twice: with 8 lanes for every x86-64 processor (Blur.cpp) and with 16 lanes in a
// file built for AVX2 (BlurAvx2.cpp), chosen when the program runs.  Everything here
// has internal linkage, so the two builds never stand in for each other at link time.
//
// Every box is a running sum: the sum of a box of width w ≤ 255 over 8-bit channels
// fits 16 bits, and the division by w is a multiply by a reciprocal that rounds
// exactly to nearest.  Rows are blurred lanes / 4 at a time (one vector holds a
// pixel of each), all boxes inside a row buffer that stays in the first-level cache;
// columns a whole row of lanes at a time, all boxes in one sweep down the picture.
#pragma once

#include <uikit/Blur.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace uikit::detail {

// The passes built for AVX2 (BlurAvx2.cpp), for a processor that has it; false when
// this build has none, so the caller takes its own.
bool blurWithAvx2(Bitmap& bitmap, const std::array<int, 3>& radii, BlurEdges edges);

namespace {

#if defined(__AVX2__)
constexpr int kLanes = 16;
#else
constexpr int kLanes = 8;
#endif
using Lanes = std::uint16_t __attribute__((vector_size(kLanes * 2)));
using SignedLanes = std::int16_t __attribute__((vector_size(kLanes * 2)));
using Bytes = std::uint8_t __attribute__((vector_size(kLanes)));
constexpr int kRowsAtOnce = kLanes / 4;
static_assert(sizeof(Lanes) == kLanes * sizeof(std::uint16_t) && sizeof(Bytes) == kLanes,
              "a vector of lanes is its lanes and nothing else");
#if defined(__AVX2__)
static_assert(sizeof(Lanes) == sizeof(__m256i), "16 lanes are one AVX2 register");
#elif defined(__SSE2__)
static_assert(sizeof(Lanes) == sizeof(__m128i), "8 lanes are one SSE2 register");
#endif
// The widest box these passes take.
constexpr int kMaxKernelWidth = 255;

Lanes splat(std::uint16_t v) {
  Lanes out;
  for (int i = 0; i < kLanes; ++i) out[i] = v;
  return out;
}

Lanes mulhi(Lanes a, Lanes b) {
#if defined(__AVX2__)
  return reinterpret_cast<Lanes>(_mm256_mulhi_epu16(reinterpret_cast<__m256i>(a), reinterpret_cast<__m256i>(b)));
#elif defined(__SSE2__)
  return reinterpret_cast<Lanes>(_mm_mulhi_epu16(reinterpret_cast<__m128i>(a), reinterpret_cast<__m128i>(b)));
#else
  Lanes out;
  for (int i = 0; i < kLanes; ++i) out[i] = static_cast<std::uint16_t>((std::uint32_t{a[i]} * b[i]) >> 16);
  return out;
#endif
}

// Division of box sums by the odd box width w, rounded to nearest: t = sum + w / 2,
// divided and rounded down (no quotient lies exactly half-way).
//  - Widths up to 127: t × k / 2^s with k = ceil(2^s / w) for the largest s that
//    keeps k in 16 bits.  The excess over t / w stays below 255.5 w / 2^s < 1 / 128,
//    too little to carry any quotient past a whole number: exact, with one multiply.
//  - Wider boxes: k = floor(65536 / w) gives floor(t / w) or one less, and one
//    comparison of the remainder puts it right.
struct Divider {
  Lanes half, k, width, widthLess1;
  int shift = 0;
  bool corrected = false;
  explicit Divider(int w)
      : half(splat(static_cast<std::uint16_t>(w / 2))),
        width(splat(static_cast<std::uint16_t>(w))),
        widthLess1(splat(static_cast<std::uint16_t>(w - 1))) {
    if (w <= 127) {
      int s = 16;
      while ((((std::uint64_t{1} << (s + 1)) + w - 1) / w) <= 65535) ++s;
      shift = s - 16;
      k = splat(static_cast<std::uint16_t>(((std::uint64_t{1} << s) + w - 1) / w));
    } else {
      corrected = true;
      k = splat(static_cast<std::uint16_t>(65536 / w));
    }
  }
  Lanes operator()(Lanes sum) const {
    Lanes t = sum + half;
    Lanes q = mulhi(t, k);
    if (!corrected) return q >> shift;
    Lanes rem = t - q * width;  // below 2w, so a signed comparison serves
    SignedLanes more = reinterpret_cast<SignedLanes>(rem) > reinterpret_cast<SignedLanes>(widthLess1);
    return q - reinterpret_cast<Lanes>(more);  // a true comparison is all ones: minus -1
  }
};

Lanes widen(const std::uint8_t* p) {
  Bytes bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  return __builtin_convertvector(bytes, Lanes);
}

void narrow(std::uint8_t* p, Lanes v) {
  Bytes bytes = __builtin_convertvector(v, Bytes);
  std::memcpy(p, &bytes, sizeof bytes);
}

// ---- rows ----

// One box over a padded row buffer: `in` and `out` point at pixel 0 and have r
// pixels of room before and after the row, which this fills from the edges.
void boxRow(Lanes* in, Lanes* out, int width, int r, BlurEdges edges) {
  const Lanes left = edges == BlurEdges::Extend ? in[0] : splat(0);
  const Lanes right = edges == BlurEdges::Extend ? in[width - 1] : splat(0);
  for (int j = 1; j <= r; ++j) {
    in[-j] = left;
    in[width - 1 + j] = right;
  }
  const Divider divide(2 * r + 1);
  Lanes sum = splat(0);
  for (int j = -r; j <= r; ++j) sum += in[j];
  out[0] = divide(sum);
  for (int x = 1; x < width; ++x) {
    sum += in[x + r] - in[x - r - 1];
    out[x] = divide(sum);
  }
}

// Moving pixels between kRowsAtOnce rows of the bitmap and vectors holding pixel x
// of each row: a block of pixels at a time, transposed in registers, where the
// processor's shuffles are known; else (and for the last few pixels) one by one.
#if defined(__AVX2__)
constexpr int kBlock = 4;  // pixels per row per block: 4 rows × 4 pixels, a 4 × 4 transpose

void transpose(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
  const __m128i ab0 = _mm_unpacklo_epi32(a, b), cd0 = _mm_unpacklo_epi32(c, d);
  const __m128i ab1 = _mm_unpackhi_epi32(a, b), cd1 = _mm_unpackhi_epi32(c, d);
  a = _mm_unpacklo_epi64(ab0, cd0);
  b = _mm_unpackhi_epi64(ab0, cd0);
  c = _mm_unpacklo_epi64(ab1, cd1);
  d = _mm_unpackhi_epi64(ab1, cd1);
}

void gatherBlock(std::uint8_t* const* rows, int x, Lanes* out) {
  __m128i p[4];
  for (int i = 0; i < 4; ++i) p[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[i] + 4 * x));
  transpose(p[0], p[1], p[2], p[3]);
  for (int i = 0; i < 4; ++i) out[i] = reinterpret_cast<Lanes>(_mm256_cvtepu8_epi16(p[i]));
}

void scatterBlock(std::uint8_t* const* rows, int x, const Lanes* in) {
  __m128i p[4];
  for (int i = 0; i < 4; ++i) {
    const __m256i v = reinterpret_cast<__m256i>(in[i]);
    p[i] = _mm_packus_epi16(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  }
  transpose(p[0], p[1], p[2], p[3]);
  for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(rows[i] + 4 * x), p[i]);
}
#elif defined(__SSE2__)
constexpr int kBlock = 2;  // 2 rows × 2 pixels

void gatherBlock(std::uint8_t* const* rows, int x, Lanes* out) {
  const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[0] + 4 * x));
  const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows[1] + 4 * x));
  const __m128i both = _mm_unpacklo_epi32(a, b);  // a0 b0 a1 b1
  const __m128i zero = _mm_setzero_si128();
  out[0] = reinterpret_cast<Lanes>(_mm_unpacklo_epi8(both, zero));
  out[1] = reinterpret_cast<Lanes>(_mm_unpackhi_epi8(both, zero));
}

void scatterBlock(std::uint8_t* const* rows, int x, const Lanes* in) {
  const __m128i both = _mm_packus_epi16(reinterpret_cast<__m128i>(in[0]), reinterpret_cast<__m128i>(in[1]));
  const __m128i byRow = _mm_shuffle_epi32(both, _MM_SHUFFLE(3, 1, 2, 0));  // a0 a1 b0 b1
  _mm_storel_epi64(reinterpret_cast<__m128i*>(rows[0] + 4 * x), byRow);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(rows[1] + 4 * x), _mm_srli_si128(byRow, 8));
}
#else
constexpr int kBlock = 0;  // no block moves: pixel by pixel
void gatherBlock(std::uint8_t* const*, int, Lanes*) {}
void scatterBlock(std::uint8_t* const*, int, const Lanes*) {}
#endif

void gatherPixel(std::uint8_t* const* rows, int count, int x, Lanes* out) {
  std::uint8_t pixel[kLanes] = {};
  for (int i = 0; i < count; ++i) std::memcpy(pixel + 4 * i, rows[i] + 4 * x, 4);
  *out = widen(pixel);
}

void scatterPixel(std::uint8_t* const* rows, int count, int x, const Lanes* in) {
  std::uint8_t pixel[kLanes];
  narrow(pixel, *in);
  for (int i = 0; i < count; ++i) std::memcpy(rows[i] + 4 * x, pixel + 4 * i, 4);
}

void blurRows(Bitmap& bitmap, const std::array<int, 3>& radii, BlurEdges edges) {
  const int width = bitmap.width(), height = bitmap.height(), stride = bitmap.stride();
  const int pad = *std::max_element(radii.begin(), radii.end());
  std::vector<Lanes> a(static_cast<std::size_t>(width + 2 * pad)), b(a.size());
  Lanes* const first = a.data() + pad;
  Lanes* const second = b.data() + pad;
  std::uint8_t* pixels = bitmap.data();
  const int blocks = kBlock > 0 ? width / kBlock * kBlock : 0;
  for (int y = 0; y < height; y += kRowsAtOnce) {
    const int count = std::min(kRowsAtOnce, height - y);
    std::uint8_t* rows[kRowsAtOnce];
    for (int i = 0; i < kRowsAtOnce; ++i) rows[i] = pixels + static_cast<std::size_t>(y + std::min(i, count - 1)) * stride;
    const bool full = count == kRowsAtOnce;
    int x = 0;
    if (full)
      for (; x < blocks; x += kBlock) gatherBlock(rows, x, first + x);
    for (; x < width; ++x) gatherPixel(rows, count, x, first + x);
    Lanes* from = first;
    Lanes* to = second;
    for (int r : radii) {
      if (r == 0) continue;
      boxRow(from, to, width, r, edges);
      std::swap(from, to);
    }
    x = 0;
    if (full)
      for (; x < blocks; x += kBlock) scatterBlock(rows, x, from + x);
    for (; x < width; ++x) scatterPixel(rows, count, x, from + x);
  }
}

// ---- columns ----

// A ring of rows of lanes: row z lives in slot z mod size.
struct RowRing {
  std::vector<Lanes> lanes;
  int vectors = 0, size = 0;
  RowRing(int vectorsPerRow, int rows)
      : lanes(static_cast<std::size_t>(vectorsPerRow) * rows), vectors(vectorsPerRow), size(rows) {}
  Lanes* row(int z) { return lanes.data() + static_cast<std::size_t>(vectors) * (z % size); }
};

// The boxes down the columns, in place, as a pipeline driven by the last box: before
// box k makes its row z, the rows it reads (up to z + r) are made by the box before
// it, and so on back to the input.  Ring k holds the rows box k reads (ring 0 the
// input, widened, since the bitmap's rows are overwritten while still needed); it
// needs 2r + 2 rows, from the one leaving the box to the one entering it.
void blurColumns(Bitmap& bitmap, const std::array<int, 3>& radii, BlurEdges edges) {
  std::vector<int> boxes;
  for (int r : radii)
    if (r > 0) boxes.push_back(r);
  if (boxes.empty()) return;
  const int stages = static_cast<int>(boxes.size());
  const int height = bitmap.height(), stride = bitmap.stride();
  const int lanes = bitmap.width() * 4;
  const int whole = lanes / kLanes;
  const int vectors = (lanes + kLanes - 1) / kLanes;
  std::uint8_t* pixels = bitmap.data();

  std::vector<RowRing> rings;
  std::vector<std::vector<Lanes>> sums;
  std::vector<Divider> dividers;
  for (int r : boxes) {
    rings.emplace_back(vectors, 2 * r + 2);
    sums.emplace_back(static_cast<std::size_t>(vectors), splat(0));
    dividers.emplace_back(2 * r + 1);
  }
  const std::vector<Lanes> zero(static_cast<std::size_t>(vectors), splat(0));
  std::vector<Lanes> result(static_cast<std::size_t>(vectors));
  std::vector<int> made(static_cast<std::size_t>(stages), 0);  // rows present in each ring

  // Row z of what box k reads; the picture's edge rows stand beyond it.
  auto source = [&](int k, int z) -> const Lanes* {
    if (z < 0 || z >= height) {
      if (edges == BlurEdges::Transparent) return zero.data();
      z = z < 0 ? 0 : height - 1;
    }
    return rings[k].row(z);
  };
  auto enter = [&](int z) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(z) * stride;
    Lanes* to = rings[0].row(z);
    for (int v = 0; v < whole; ++v) to[v] = widen(row + v * kLanes);
    if (whole < vectors) {
      std::uint8_t tail[kLanes] = {};
      std::memcpy(tail, row + whole * kLanes, static_cast<std::size_t>(lanes - whole * kLanes));
      to[whole] = widen(tail);
    }
  };
  auto leave = [&](int y) {
    std::uint8_t* row = pixels + static_cast<std::size_t>(y) * stride;
    for (int v = 0; v < whole; ++v) narrow(row + v * kLanes, result[v]);
    if (whole < vectors) {
      std::uint8_t tail[kLanes];
      narrow(tail, result[whole]);
      std::memcpy(row + whole * kLanes, tail, static_cast<std::size_t>(lanes - whole * kLanes));
    }
  };
  // Box k's row z into out; the rows it reads are present.
  auto box = [&](int k, int z, Lanes* out) {
    const int r = boxes[k];
    Lanes* sum = sums[k].data();
    if (z == 0) {
      std::fill(sums[k].begin(), sums[k].end(), splat(0));
      for (int j = -r; j <= r; ++j) {
        const Lanes* in = source(k, j);
        for (int v = 0; v < vectors; ++v) sum[v] += in[v];
      }
    } else {
      const Lanes* in = source(k, z + r);
      const Lanes* gone = source(k, z - r - 1);
      for (int v = 0; v < vectors; ++v) sum[v] += in[v] - gone[v];
    }
    const Divider& divide = dividers[k];
    for (int v = 0; v < vectors; ++v) out[v] = divide(sum[v]);
  };
  // Makes ring k hold the rows up to `upTo`.
  auto fill = [&](auto& self, int k, int upTo) -> void {
    for (; made[k] <= upTo; ++made[k]) {
      const int z = made[k];
      if (k == 0) {
        enter(z);
      } else {
        self(self, k - 1, std::min(z + boxes[k - 1], height - 1));
        box(k - 1, z, rings[k].row(z));
      }
    }
  };
  const int last = stages - 1;
  for (int y = 0; y < height; ++y) {
    fill(fill, last, std::min(y + boxes[last], height - 1));
    box(last, y, result.data());
    leave(y);
  }
}

// Both directions; every radius at most (kMaxKernelWidth - 1) / 2.
[[maybe_unused]] void blurWithKernels(Bitmap& bitmap, const std::array<int, 3>& radii, BlurEdges edges) {
  blurRows(bitmap, radii, edges);
  blurColumns(bitmap, radii, edges);
}

}  // namespace
}  // namespace uikit::detail
