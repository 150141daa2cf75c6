#include "support/picture_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/png.h"

namespace testsupport {

namespace {

// One source pixel's share of an output pixel.
struct Tap {
  int source;
  double weight;
};

// For each of `to` output pixels along one axis of `from` source pixels: the
// source pixels it covers and the part of each, summing to 1.
std::vector<std::vector<Tap>> BoxTaps(int from, int to) {
  std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
  const double step = static_cast<double>(from) / to;
  for (int o = 0; o < to; ++o) {
    const double begin = o * step;
    const double end = (o + 1) * step;
    for (int s = static_cast<int>(std::floor(begin)); s < from && s < end; ++s) {
      const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
      if (covered > 0.0) taps[static_cast<size_t>(o)].push_back({s, covered / step});
    }
  }
  return taps;
}

}  // namespace

Picture Downscale(const Picture& picture, int width, int height) {
  const std::vector<std::vector<Tap>> across = BoxTaps(picture.width, width);
  const std::vector<std::vector<Tap>> down = BoxTaps(picture.height, height);
  // Rows first: every source row narrowed to `width`, then columns.
  std::vector<double> narrow(static_cast<size_t>(picture.height) * width * 3, 0.0);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < width; ++x) {
      double* out = &narrow[(static_cast<size_t>(y) * width + x) * 3];
      for (const Tap& tap : across[static_cast<size_t>(x)]) {
        const uint8_t* in = picture.At(tap.source, y);
        for (int c = 0; c < 3; ++c) out[c] += tap.weight * in[c];
      }
    }
  }
  Picture small;
  small.width = width;
  small.height = height;
  small.rgb.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double sum[3] = {0.0, 0.0, 0.0};
      for (const Tap& tap : down[static_cast<size_t>(y)]) {
        const double* in = &narrow[(static_cast<size_t>(tap.source) * width + x) * 3];
        for (int c = 0; c < 3; ++c) sum[c] += tap.weight * in[c];
      }
      uint8_t* out = &small.rgb[(static_cast<size_t>(y) * width + x) * 3];
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
