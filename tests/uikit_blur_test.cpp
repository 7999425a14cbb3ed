// The three-box blur: its box widths, agreement pixel for pixel with a plain
// box-by-box reference (the passes this processor runs, the 8-lane passes every
// x86-64 runs, and the path for very wide boxes), a picture of one colour kept
// exactly, a hard edge softened, and premultiplied colour never above its alpha.
#include <uikit/Blur.h>

#include "BlurKernels.h"  // the 8-lane passes, compiled into this test

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using uikit::Bitmap;
using uikit::BlurEdges;
using uikit::Rgba;

std::uint8_t channel(const Bitmap& b, int x, int y, int c) {
  return b.data()[static_cast<std::size_t>(y) * b.stride() + 4 * x + c];
}

Bitmap randomPicture(std::mt19937& random, int width, int height) {
  Bitmap b = Bitmap::create(width, height).value();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      b.setPixel(x, y, {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                        static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())});
  return b;
}

// One box over a line, every output summed afresh and rounded to nearest.
std::vector<int> referenceBox(const std::vector<int>& line, int r, BlurEdges edges) {
  const int n = static_cast<int>(line.size()), w = 2 * r + 1;
  std::vector<int> out(line.size());
  for (int x = 0; x < n; ++x) {
    long sum = 0;
    for (int i = x - r; i <= x + r; ++i) {
      if (i >= 0 && i < n) sum += line[i];
      else if (edges == BlurEdges::Extend) sum += line[i < 0 ? 0 : n - 1];
    }
    out[x] = static_cast<int>((2 * sum + w) / (2 * w));
  }
  return out;
}

// The blur done the slow way: per channel, the boxes along every row, then down
// every column, rounding after each box.
std::vector<int> referenceBlur(const Bitmap& b, double sigma, BlurEdges edges) {
  const int width = b.width(), height = b.height();
  std::vector<int> radii;
  for (int w : uikit::gaussianBoxWidths(sigma)) radii.push_back(std::min(w / 2, std::max(width, height)));
  std::vector<int> out(static_cast<std::size_t>(width) * height * 4);
  for (int c = 0; c < 4; ++c) {
    std::vector<std::vector<int>> rows(height, std::vector<int>(width));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) rows[y][x] = channel(b, x, y, c);
    for (int y = 0; y < height; ++y)
      for (int r : radii)
        if (r > 0) rows[y] = referenceBox(rows[y], r, edges);
    for (int x = 0; x < width; ++x) {
      std::vector<int> column(height);
      for (int y = 0; y < height; ++y) column[y] = rows[y][x];
      for (int r : radii)
        if (r > 0) column = referenceBox(column, r, edges);
      for (int y = 0; y < height; ++y) out[(static_cast<std::size_t>(y) * width + x) * 4 + c] = column[y];
    }
  }
  return out;
}

int mismatches(const Bitmap& b, const std::vector<int>& expected) {
  int count = 0;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      for (int c = 0; c < 4; ++c)
        if (channel(b, x, y, c) != expected[(static_cast<std::size_t>(y) * b.width() + x) * 4 + c]) ++count;
  return count;
}

TEST(BlurTest, BoxWidthsFollowSigma) {
  EXPECT_EQ(uikit::gaussianBoxWidths(5.0), (std::array<int, 3>{9, 9, 11}));
  EXPECT_EQ(uikit::gaussianBoxWidths(0.0), (std::array<int, 3>{1, 1, 1}));
  EXPECT_EQ(uikit::gaussianBoxWidths(-3.0), (std::array<int, 3>{1, 1, 1}));
  EXPECT_EQ(uikit::gaussianBoxWidths(std::nan("")), (std::array<int, 3>{1, 1, 1}));
  EXPECT_EQ(uikit::gaussianBoxWidths(INFINITY), (std::array<int, 3>{1, 1, 1}));
  EXPECT_EQ(uikit::blurReach(5.0), 4 + 4 + 5);
  // The variance of the three boxes, (w² − 1) / 12 each, is near sigma².
  for (double sigma : {0.8, 2.0, 5.0, 12.5, 20.0, 40.0, 150.0}) {
    double variance = 0;
    for (int w : uikit::gaussianBoxWidths(sigma)) {
      EXPECT_EQ(w % 2, 1) << sigma;
      variance += (w * w - 1) / 12.0;
    }
    EXPECT_NEAR(std::sqrt(variance), sigma, 0.5) << sigma;
  }
}

TEST(BlurTest, MatchesTheBoxByBoxReference) {
  std::mt19937 random(17);
  // Odd and even sizes (ragged row groups and vector tails), sigmas from nothing to
  // boxes wider than the picture, both edge rules.
  const struct {
    int width, height;
    double sigma;
  } cases[] = {{1, 1, 3.0},  {7, 5, 0.5},  {13, 9, 2.0},  {33, 17, 5.0}, {64, 40, 7.5},
               {5, 61, 9.0}, {37, 3, 40.0}, {19, 22, 1.2}, {40, 31, 12.0}};
  for (const auto& c : cases)
    for (BlurEdges edges : {BlurEdges::Extend, BlurEdges::Transparent}) {
      const Bitmap original = randomPicture(random, c.width, c.height);
      const auto expected = referenceBlur(original, c.sigma, edges);
      Bitmap ours = original.copy().value();
      uikit::blurBitmap(ours, c.sigma, edges);
      EXPECT_EQ(mismatches(ours, expected), 0) << c.width << "x" << c.height << " sigma " << c.sigma;
      // The 8-lane passes, which processors without AVX2 run.
      std::array<int, 3> radii{};
      const auto widths = uikit::gaussianBoxWidths(c.sigma);
      for (int i = 0; i < 3; ++i) radii[i] = std::min(widths[i] / 2, std::max(c.width, c.height));
      Bitmap narrow = original.copy().value();
      uikit::detail::blurWithKernels(narrow, radii, edges);
      EXPECT_EQ(mismatches(narrow, expected), 0) << "8 lanes, " << c.width << "x" << c.height;
    }
}

TEST(BlurTest, VeryWideBoxesTakeTheirOwnPathAndAgree) {
  std::mt19937 random(4);
  for (BlurEdges edges : {BlurEdges::Extend, BlurEdges::Transparent}) {
    const Bitmap original = randomPicture(random, 290, 6);  // boxes of about 2 × 100 + 1
    Bitmap ours = original.copy().value();
    uikit::blurBitmap(ours, 100.0, edges);
    EXPECT_EQ(mismatches(ours, referenceBlur(original, 100.0, edges)), 0);
  }
}

TEST(BlurTest, OneColourStaysThatColour) {
  for (double sigma : {1.0, 5.0, 20.0, 45.0, 120.0}) {
    Bitmap b = Bitmap::create(300, 140).value();
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x) b.setPixel(x, y, {201, 99, 3, 255});
    const std::uint64_t before = uikit::blurCount();
    uikit::blurBitmap(b, sigma, BlurEdges::Extend);
    EXPECT_EQ(uikit::blurCount(), before + 1);
    for (int y = 0; y < b.height(); y += 7)
      for (int x = 0; x < b.width(); x += 7) ASSERT_EQ(b.pixel(x, y), (Rgba{201, 99, 3, 255})) << sigma;
  }
  // With transparency beyond the edges only the inside keeps the colour; the border
  // fades towards clear.
  Bitmap b = Bitmap::create(120, 120).value();
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) b.setPixel(x, y, {40, 80, 160, 255});
  uikit::blurBitmap(b, 4.0, BlurEdges::Transparent);
  EXPECT_EQ(b.pixel(60, 60), (Rgba{40, 80, 160, 255}));
  EXPECT_LT(b.pixel(0, 0).a, 128);
}

TEST(BlurTest, AHardEdgeBecomesARamp) {
  // Black on the left half, white on the right.
  Bitmap b = Bitmap::create(200, 20, true).value();
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 200; ++x) b.setPixel(x, y, x < 100 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255});
  uikit::blurBitmap(b, 6.0, BlurEdges::Extend);
  // Far from the edge nothing changes; across it the grey rises step by step, with
  // no jump anywhere near the size of the old one.
  EXPECT_EQ(b.pixel(10, 10).r, 0);
  EXPECT_EQ(b.pixel(190, 10).r, 255);
  EXPECT_NEAR(b.pixel(99, 10).r, 128, 24);
  int largestStep = 0;
  for (int x = 1; x < 200; ++x) {
    EXPECT_GE(b.pixel(x, 10).r, b.pixel(x - 1, 10).r);
    largestStep = std::max(largestStep, b.pixel(x, 10).r - b.pixel(x - 1, 10).r);
  }
  EXPECT_LT(largestStep, 40);
}

TEST(BlurTest, ColourNeverExceedsAlphaAndKeepsItsHue) {
  // A red square on clear: its blurred rim is red fading out, never darkened.
  Bitmap b = Bitmap::create(60, 60).value();
  for (int y = 20; y < 40; ++y)
    for (int x = 20; x < 40; ++x) b.setPixel(x, y, {255, 0, 0, 255});
  uikit::blurBitmap(b, 5.0, BlurEdges::Transparent);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x) {
      ASSERT_LE(channel(b, x, y, 2), channel(b, x, y, 3));  // red ≤ alpha, premultiplied
      const Rgba p = b.pixel(x, y);
      if (p.a >= 16) {
        EXPECT_GE(p.r, 230) << x << "," << y;
      }
    }
  EXPECT_GT(b.pixel(16, 30).a, 0);   // spread beyond the square
  EXPECT_LT(b.pixel(20, 30).a, 255);  // and the square's own edge softened
}

}  // namespace
