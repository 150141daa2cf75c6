// Small JPEG pictures for the texture tests, made with the content writer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "content/jpeg_writer.h"

namespace fixtures {

// A picture of flat 1-pixel cells whose colour depends on (x, y), so that any
// shift of rows or columns shows. Samples are top first, unpadded.
std::vector<uint8_t> Pattern(int width, int height, int channels);

// Encodes `pixels`; fails the calling test on error.
std::vector<uint8_t> Encode(int width, int height, int channels, const std::vector<uint8_t>& pixels,
                            int quality = 100, content::JpegWriteOptions options = {});

std::string AsString(const std::vector<uint8_t>& bytes);

struct Rgb {
  int r, g, b;
};

// A picture decoded through the decoder layer, as a texture load does it.
struct Decoded {
  bool ok = false;  // false when the decoder refused the bytes
  std::vector<uint8_t> rgb;
  int width = 0, height = 0;
  size_t stride = 0;  // bytes per row, padding included
  Rgb At(int x, int y) const;
};
Decoded Decode(const std::vector<uint8_t>& bytes);

// Greatest difference of any sample between a decoded RGB picture (padded
// rows of `stride` bytes) and the 3-channel source it came from.
int MaxError(const std::vector<uint8_t>& decoded, size_t stride,
             const std::vector<uint8_t>& source, int width, int height);

}  // namespace fixtures
