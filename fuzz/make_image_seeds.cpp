// Writes the starting corpus of fuzz_image_decode into a folder: small JPEGs
// (baseline, with an EXIF orientation) and PNGs (with and without alpha) made by the
// platform's own encoders, so the fuzzer starts from well-formed files of each kind.
#include <uikit/ImageCodec.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

void write(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_image_seeds FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  auto bitmap = uikit::Bitmap::create(12, 9).value();
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 12; ++x)
      bitmap.setPixel(x, y, {static_cast<std::uint8_t>(x * 20), static_cast<std::uint8_t>(y * 25), 90,
                             static_cast<std::uint8_t>(255 - x * 10)});
  auto jpeg = uikit::encodeJPEG(bitmap, 0.9).value();
  write(folder / "seed.jpg", jpeg);
  // The same JPEG with an EXIF block turning it a quarter round.
  std::vector<std::uint8_t> exif = {0xff, 0xe1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                                    0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> turned(jpeg.begin(), jpeg.begin() + 2);
  turned.insert(turned.end(), exif.begin(), exif.end());
  turned.insert(turned.end(), jpeg.begin() + 2, jpeg.end());
  write(folder / "seed_exif.jpg", turned);
  write(folder / "seed.png", uikit::encodePNG(bitmap).value());
  write(folder / "seed_opaque.png", uikit::encodePNG(uikit::Bitmap::create(5, 3, true).value()).value());
  return 0;
}
