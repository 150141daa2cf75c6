// Writes JPEG files with libjpeg-turbo.
//
// Pictures come as 8-bit samples, rows top first, without row padding:
// 1 channel (greyscale), 3 channels (R, G, B) or 4 channels (C, M, Y, K in
// Adobe's layout, each byte 255 - ink, as image editors store CMYK).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace content {

struct JpegWriteOptions {
  bool progressive = false;
  // Restart marker every this many MCUs; 0 for none.
  int restartInterval = 0;
  // Colour files: false halves the chroma both ways (4:2:0), true keeps it full.
  bool fullChroma = false;
  // Four-channel files: stored as YCCK instead of plain CMYK.
  bool ycck = false;
  // Four-channel files: write the Adobe marker that says how the ink is stored.
  bool adobeMarker = true;
};

// Encodes the picture into `out`. False (with the reason) on bad arguments.
bool EncodeJpeg(int width, int height, int channels, const uint8_t* pixels, int quality,
                const JpegWriteOptions& options, std::vector<uint8_t>* out, std::string* error);

// Encodes the picture into the file at `path`.
bool WriteJpeg(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
               int quality, const JpegWriteOptions& options, std::string* error);

}  // namespace content
