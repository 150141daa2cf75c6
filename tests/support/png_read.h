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

}  // namespace testsupport
