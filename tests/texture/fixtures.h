// Small JPEG pictures for the texture tests, made with the content writer, and
// the decoder layer driven the way a texture load drives it.
#pragma once
#include <gtest/gtest.h>

#include "content/jpeg_writer.h"
#include "platform/jpeg.h"
#include "shell/base/result.h"

namespace fixtures {

using Bytes = std::vector<uint8_t>;

// Flat 1-pixel cells whose colour depends on (x, y, channel), so that any
// shift of rows or columns shows. Samples top row first, unpadded.
inline Bytes Pattern(int width, int height, int channels) {
  Bytes pixels(size_t(width) * height * channels);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const size_t at = i / channels, x = at % width, y = at / width, c = i % channels;
    pixels[i] = uint8_t((37 * x + 71 * y + 101 * c) % 200 + 28);
  }
  return pixels;
}

// Options: {progressive, restartInterval, fullChroma, ycck, adobeMarker}.
inline Bytes Encode(int w, int h, int channels, const Bytes& pixels,
                    content::JpegWriteOptions options = {}, int quality = 100) {
  Bytes bytes;
  std::string error;
  EXPECT_TRUE(content::EncodeJpeg(w, h, channels, pixels.data(), quality, options, &bytes, &error))
      << error;
  return bytes;
}

inline std::string Str(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

// A result as "code message", to compare both at once.
inline std::string Said(const Result& r) { return std::to_string(r.code) + " " + r.message; }

// The picture decoded as a texture load does it: RGB rows top first, padded
// to 4 bytes; empty when the decoder refuses the bytes.
inline Bytes Decode(const Bytes& bytes) {
  platform::JpegProperties jpeg;
  jpeg.jpgBytes = bytes.data();
  jpeg.jpgSize = bytes.size();
  if (platform::JpegInit(&jpeg) || platform::JpegRead(&jpeg, platform::kJpegReadParams)) return {};
  const size_t stride = (3 * size_t(jpeg.jpgWidth) + 3) & ~size_t(3);
  if (stride * jpeg.jpgHeight > (size_t(64) << 20)) return {};  // refused as a texture load does
  Bytes rgb(stride * jpeg.jpgHeight);
  jpeg.dibWidth = jpeg.jpgWidth;
  jpeg.dibHeight = jpeg.jpgHeight;
  jpeg.dibPadBytes = int(stride - 3 * size_t(jpeg.jpgWidth));
  jpeg.dibBytes = rgb.data();
  jpeg.dibSize = rgb.size();
  return platform::JpegRead(&jpeg, platform::kJpegReadWholeImage) == 0 ? rgb : Bytes();
}

}  // namespace fixtures
