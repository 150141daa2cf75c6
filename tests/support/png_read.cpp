#include "support/png_read.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>

namespace testsupport {

bool ReadPNG(const std::string& path, Picture* picture) {
  png_image image;
  image = png_image();
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  picture->width = static_cast<int>(image.width);
  picture->height = static_cast<int>(image.height);
  picture->rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  return true;
}

Picture LoadPNG(const std::string& path) {
  Picture picture;
  EXPECT_TRUE(ReadPNG(path, &picture)) << path;
  return picture;
}

double Psnr(const Picture& a, const Picture& b, int top, int bottom) {
  const size_t row = static_cast<size_t>(a.width) * 3;
  const size_t first = static_cast<size_t>(top) * row;
  const size_t end = bottom < 0 ? a.rgb.size() : static_cast<size_t>(bottom) * row;
  double sum = 0.0;
  for (size_t i = first; i < end; ++i) {
    const double d = double(a.rgb[i]) - double(b.rgb[i]);
    sum += d * d;
  }
  if (sum == 0.0) return INFINITY;
  return 10.0 * std::log10(255.0 * 255.0 / (sum / double(end - first)));
}

double BandPsnr(const Picture& a, const Picture& b) {
  if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0.0;
  return Psnr(a, b, a.height / 6, a.height * 5 / 6);
}

}  // namespace testsupport
