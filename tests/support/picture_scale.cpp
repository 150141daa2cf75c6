#include "support/picture_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/png.h"

namespace testsupport {

Picture Downscale(const Picture& picture, int width, int height) {
  // How much of source pixel s (of `from` along one axis) lies under output
  // pixel o (of `to`), as a share of the output pixel.
  auto share = [](int s, int o, int from, int to) {
    const double step = static_cast<double>(from) / to;
    const double covered = std::min<double>((o + 1) * step, s + 1) - std::max<double>(o * step, s);
    return std::max(0.0, covered) / step;
  };
  Picture small;
  small.width = width;
  small.height = height;
  small.rgb.resize(static_cast<size_t>(width) * height * 3);
  for (int oy = 0; oy < height; ++oy) {
    const int y0 = oy * picture.height / height,
              y1 = std::min(picture.height - 1, (oy + 1) * picture.height / height);
    for (int ox = 0; ox < width; ++ox) {
      const int x0 = ox * picture.width / width,
                x1 = std::min(picture.width - 1, (ox + 1) * picture.width / width);
      double sum[3] = {0.0, 0.0, 0.0};
      for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
          const double weight =
              share(x, ox, picture.width, width) * share(y, oy, picture.height, height);
          for (int c = 0; c < 3; ++c) sum[c] += weight * picture.At(x, y)[c];
        }
      }
      uint8_t* out = &small.rgb[(static_cast<size_t>(oy) * width + ox) * 3];
      for (int c = 0; c < 3; ++c) {
        out[c] = static_cast<uint8_t>(std::clamp(std::lround(sum[c]), 0L, 255L));
      }
    }
  }
  return small;
}

bool WritePicture(const std::string& path, const Picture& picture, std::string* reason) {
  return platform::WritePNG(path, picture.width, picture.height, picture.rgb.data(), true, reason);
}

bool WriteSideBySide(const std::string& path, const Picture& left, const Picture& right,
                     std::string* reason) {
  constexpr int kZoom = 2;
  const int w = left.width;
  const int h = left.height;
  Picture pair;
  pair.width = 3 * w * kZoom;
  pair.height = h * kZoom;
  pair.rgb.resize(static_cast<size_t>(pair.width) * pair.height * 3);
  for (int y = 0; y < pair.height; ++y) {
    for (int x = 0; x < pair.width; ++x) {
      const int panel = x / (w * kZoom);
      const int sx = (x % (w * kZoom)) / kZoom;
      const int sy = y / kZoom;
      uint8_t* out = &pair.rgb[(static_cast<size_t>(y) * pair.width + x) * 3];
      for (int c = 0; c < 3; ++c) {
        const int a = left.At(sx, sy)[c];
        const int b = right.At(sx, sy)[c];
        out[c] = static_cast<uint8_t>(panel == 0   ? a
                                      : panel == 1 ? b
                                                   : std::min(255, 4 * std::abs(a - b)));
      }
    }
  }
  return WritePicture(path, pair, reason);
}

}  // namespace testsupport
