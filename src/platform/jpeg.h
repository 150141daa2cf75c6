// Decoding JPEG files into RGB pixels.
//
// Three calls over one properties record: JpegInit prepares the decoder,
// JpegRead reads either the file's parameters (size, channel count) or the
// whole image into a buffer the caller describes, JpegFree releases the
// decoder. Each returns 0 on success and non-zero on failure; `reason` then
// says why.
//
// Decoded pixels are 3 bytes each in the order R, G, B, rows from the top of
// the picture downwards, each row followed by `dibPadBytes` bytes (written as
// zero). Greyscale files give equal components. Four-channel files in Adobe's
// CMYK or YCCK layout (the Adobe marker present, ink stored inverted) are
// converted to RGB; other four-channel files and any other channel count are
// refused by the image read. Damaged data of any kind - a file cut short,
// corrupt entropy-coded data, an impossible header - makes the read fail
// instead of yielding a partly grey picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum JpegIOType {
  kJpegReadParams = 0,     // size and channel count only
  kJpegReadWholeImage = 2  // decode every pixel into dibBytes
};

// Largest JPEG file the decoder reads, and the most pixels it decodes.
constexpr size_t kJpegMaxFileBytes = size_t(64) << 20;
constexpr uint64_t kJpegMaxPixels = uint64_t(32) << 20;

struct JpegState;

struct JpegProperties {
  // Input: the file as the program names it ("textures\\x.jpg"); or, when
  // jpgBytes is set, jpgSize bytes in memory (which must outlive the reads).
  std::string jpgFile;
  const uint8_t* jpgBytes = nullptr;
  size_t jpgSize = 0;

  // Set by a successful read.
  int jpgWidth = 0;
  int jpgHeight = 0;
  int jpgChannels = 0;

  // The output wanted by kJpegReadWholeImage: the picture's own size, three
  // channels, dibPadBytes after each row, into dibSize bytes at dibBytes.
  int dibWidth = 0;
  int dibHeight = 0;
  int dibChannels = 3;
  int dibPadBytes = 0;
  uint8_t* dibBytes = nullptr;
  size_t dibSize = 0;

  // Why the last failing call failed; empty after a success.
  std::string reason;

  // The decoder's own state between JpegInit and JpegFree.
  JpegState* state = nullptr;

  JpegProperties() = default;
  ~JpegProperties();  // releases the decoder if JpegFree was never called
  JpegProperties(const JpegProperties&) = delete;
  JpegProperties& operator=(const JpegProperties&) = delete;
};

int JpegInit(JpegProperties* props);
int JpegRead(JpegProperties* props, int ioType);
int JpegFree(JpegProperties* props);

}  // namespace platform
