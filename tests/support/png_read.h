// Reading PNG pictures back in tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top first

  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// False when the file is missing or not an 8-bit RGB PNG.
bool ReadPNG(const std::string& path, Picture* picture);
// The picture at `path`; a test failure (and an empty picture) when unreadable.
Picture LoadPNG(const std::string& path);

// Peak signal-to-noise ratio in dB of two pictures of one size over the rows
// [top, bottom) (all rows when bottom < 0); infinite when they are equal.
double Psnr(const Picture& a, const Picture& b, int top = 0, int bottom = -1);
// Psnr over the band between the show's letterbox bars (the middle two thirds
// of the rows); 0 when the pictures differ in size or are empty.
double BandPsnr(const Picture& a, const Picture& b);

}  // namespace testsupport
