#include "texture/fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/jpeg.h"

namespace fixtures {

std::vector<uint8_t> Pattern(int width, int height, int channels) {
  std::vector<uint8_t> pixels(size_t(width) * height * channels);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(size_t(y) * width + x) * channels];
      for (int c = 0; c < channels; ++c) {
        p[c] = uint8_t((37 * x + 71 * y + 101 * c) % 200 + 28);
      }
    }
  }
  return pixels;
}

std::vector<uint8_t> Encode(int width, int height, int channels, const std::vector<uint8_t>& pixels,
                            int quality, content::JpegWriteOptions options) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(content::EncodeJpeg(width, height, channels, pixels.data(), quality, options, &bytes,
                                  &error))
      << error;
  return bytes;
}

std::string AsString(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

Rgb Decoded::At(int x, int y) const {
  const uint8_t* p = &rgb[size_t(y) * stride + 3 * size_t(x)];
  return Rgb{p[0], p[1], p[2]};
}

int MaxError(const std::vector<uint8_t>& decoded, size_t stride,
             const std::vector<uint8_t>& source, int width, int height) {
  int worst = 0;
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < 3 * width; ++i) {
      const int d = std::abs(int(decoded[size_t(y) * stride + i]) - int(source[(size_t(y) * width) * 3 + i]));
      worst = std::max(worst, d);
    }
  }
  return worst;
}

Decoded Decode(const std::vector<uint8_t>& bytes) {
  Decoded out;
  platform::JpegProperties jpeg;
  jpeg.jpgBytes = bytes.data();
  jpeg.jpgSize = bytes.size();
  if (platform::JpegInit(&jpeg) != 0 || platform::JpegRead(&jpeg, platform::kJpegReadParams) != 0) {
    return out;
  }
  const size_t row = (3 * size_t(jpeg.jpgWidth) + 3) & ~size_t(3);
  if (row * size_t(jpeg.jpgHeight) > (size_t(64) << 20)) return out;  // as a texture load
  out.rgb.assign(row * jpeg.jpgHeight, 0xAB);  // padding must be overwritten
  jpeg.dibWidth = jpeg.jpgWidth;
  jpeg.dibHeight = jpeg.jpgHeight;
  jpeg.dibPadBytes = int(row - 3 * size_t(jpeg.jpgWidth));
  jpeg.dibBytes = out.rgb.data();
  jpeg.dibSize = out.rgb.size();
  out.ok = platform::JpegRead(&jpeg, platform::kJpegReadWholeImage) == 0 &&
           platform::JpegFree(&jpeg) == 0;
  out.width = jpeg.jpgWidth;
  out.height = jpeg.jpgHeight;
  out.stride = row;
  return out;
}

}  // namespace fixtures
