// Fuzz target: a picture through the JPEG layer as a texture load drives it:
// the parameters, then the whole image into rows padded to 4 bytes. A decoded
// picture must keep the layer's promises: the padding written as zero, and a
// greyscale file giving equal components.
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/jpeg.h"

namespace {

// Pictures larger than this are decoded only up to their parameters: the
// layer's own limit is far above it, and decoding megapixels of noise would
// only slow the search down.
constexpr size_t kMostPixelBytes = size_t(4) << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::JpegProperties jpeg;
  jpeg.jpgBytes = data;
  jpeg.jpgSize = size;
  if (platform::JpegInit(&jpeg) != 0) fuzzsupport::Fail("the decoder could not be prepared");
  if (platform::JpegRead(&jpeg, platform::kJpegReadParams) != 0) {
    if (jpeg.reason.empty()) fuzzsupport::Fail("a refused picture without a reason");
    return 0;
  }
  const int w = jpeg.jpgWidth, h = jpeg.jpgHeight;
  if (w <= 0 || h <= 0) fuzzsupport::Fail("parameters read with an empty size");
  const size_t stride = (3 * size_t(w) + 3) & ~size_t(3);
  if (stride * size_t(h) > kMostPixelBytes) return 0;

  // Filled with a marker, so that bytes the decoder leaves alone show.
  std::vector<uint8_t> pixels(stride * size_t(h), 0xA5);
  jpeg.dibWidth = w;
  jpeg.dibHeight = h;
  jpeg.dibChannels = 3;
  jpeg.dibPadBytes = int(stride - 3 * size_t(w));
  jpeg.dibBytes = pixels.data();
  jpeg.dibSize = pixels.size();
  if (platform::JpegRead(&jpeg, platform::kJpegReadWholeImage) != 0) {
    if (jpeg.reason.empty()) fuzzsupport::Fail("a refused picture without a reason");
    return 0;
  }
  const bool grey = jpeg.jpgChannels == 1;
  for (size_t y = 0; y < size_t(h); ++y) {
    const uint8_t* row = pixels.data() + y * stride;
    for (size_t x = 3 * size_t(w); x < stride; ++x)
      if (row[x] != 0) fuzzsupport::Fail("row padding not written as zero");
    for (size_t x = 0; grey && x < size_t(w); ++x)
      if (row[3 * x] != row[3 * x + 1] || row[3 * x] != row[3 * x + 2])
        fuzzsupport::Fail("a greyscale picture decoded with unequal components");
  }
  platform::JpegFree(&jpeg);
  return 0;
}
