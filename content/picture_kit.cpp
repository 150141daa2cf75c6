#include "content/picture_kit.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include FT_FREETYPE_H

#include "content/jpeg_writer.h"

namespace content {
namespace kit {

// ---------------------------------------------------------------- colours --

Rgb Mix(Rgb a, Rgb b, float t) { return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)}; }

float Luma(Rgb c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }

Rgb Clamp01(Rgb c) { return {Clamp(c.r, 0, 1), Clamp(c.g, 0, 1), Clamp(c.b, 0, 1)}; }

Rgb Grey(float v) { return {v, v, v}; }

// ---------------------------------------------------------------- scalars --

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

float SmoothStep(float edge0, float edge1, float v) {
  if (edge0 == edge1) return v < edge0 ? 0.0f : 1.0f;
  const float t = Clamp((v - edge0) / (edge1 - edge0), 0, 1);
  return t * t * (3 - 2 * t);
}

// ------------------------------------------------------------ containers --

namespace {

// Bilinear sample of a channel-interleaved float grid at pixel coordinates.
template <typename T, typename Get>
T SampleGrid(int width, int height, float x, float y, Get get) {
  const float fx = Clamp(x - 0.5f, 0, float(width - 1));
  const float fy = Clamp(y - 0.5f, 0, float(height - 1));
  const int x0 = int(fx), y0 = int(fy);
  const int x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
  const float tx = fx - float(x0), ty = fy - float(y0);
  const T top = get(x0, y0) * (1 - tx) + get(x1, y0) * tx;
  const T bottom = get(x0, y1) * (1 - tx) + get(x1, y1) * tx;
  return top * (1 - ty) + bottom * ty;
}

uint8_t ToByte(float v) { return uint8_t(Clamp(v, 0, 1) * 255.0f + 0.5f); }

}  // namespace

Image::Image(int width, int height, Rgb fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(size_t(width_) * size_t(height_), fill) {}

Rgb Image::Sample(float x, float y) const {
  if (pixels_.empty()) return {};
  return SampleGrid<Rgb>(width_, height_, x, y, [this](int px, int py) { return At(px, py); });
}

std::vector<uint8_t> Image::ToBytes() const {
  std::vector<uint8_t> bytes(pixels_.size() * 3);
  for (size_t i = 0; i < pixels_.size(); ++i) {
    bytes[3 * i] = ToByte(pixels_[i].r);
    bytes[3 * i + 1] = ToByte(pixels_[i].g);
    bytes[3 * i + 2] = ToByte(pixels_[i].b);
  }
  return bytes;
}

std::vector<uint8_t> Image::ToGreyBytes() const {
  std::vector<uint8_t> bytes(pixels_.size());
  for (size_t i = 0; i < pixels_.size(); ++i) bytes[i] = ToByte(Luma(pixels_[i]));
  return bytes;
}

Mask::Mask(int width, int height, float fill)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      values_(size_t(width_) * size_t(height_), fill) {}

float Mask::Sample(float x, float y) const {
  if (values_.empty()) return 0;
  return SampleGrid<float>(width_, height_, x, y, [this](int px, int py) { return At(px, py); });
}

void Paint(Image& image, const std::function<Rgb(float u, float v)>& fn) {
  for (int y = 0; y < image.height(); ++y) {
    const float v = (float(y) + 0.5f) / float(image.height());
    for (int x = 0; x < image.width(); ++x) {
      image.At(x, y) = fn((float(x) + 0.5f) / float(image.width()), v);
    }
  }
}

void Paint(Mask& mask, const std::function<float(float u, float v)>& fn) {
  for (int y = 0; y < mask.height(); ++y) {
    const float v = (float(y) + 0.5f) / float(mask.height());
    for (int x = 0; x < mask.width(); ++x) {
      mask.At(x, y) = fn((float(x) + 0.5f) / float(mask.width()), v);
    }
  }
}

Image Resize(const Image& image, int width, int height) {
  Image out(width, height);
  if (image.width() == 0 || image.height() == 0) return out;
  const float sx = float(image.width()) / float(std::max(width, 1));
  const float sy = float(image.height()) / float(std::max(height, 1));
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      out.At(x, y) = image.Sample((float(x) + 0.5f) * sx, (float(y) + 0.5f) * sy);
    }
  }
  return out;
}

// -------------------------------------------------------------- randomness --

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  // Four rounds of a murmur-style finaliser over the combined inputs.
  uint32_t h = 0x9E3779B9u;
  const uint32_t parts[4] = {a, b, c, d};
  for (uint32_t part : parts) {
    h ^= part + 0x7F4A7C15u + (h << 6) + (h >> 2);
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
  }
  return h;
}

uint32_t Random::Next() {
  state_ += 0x9E3779B97F4A7C15ull;
  uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return uint32_t((z ^ (z >> 31)) >> 32);
}

float Random::Uniform() { return float(Next() >> 8) * (1.0f / 16777216.0f); }

float Random::Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

int Random::Below(int n) { return n <= 0 ? 0 : int(Next() % uint32_t(n)); }

namespace {

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

int Wrap(int i, int period) {
  if (period <= 0) return i;
  const int m = i % period;
  return m < 0 ? m + period : m;
}

float LatticeValue(int x, int y, uint32_t seed) {
  return float(Hash(uint32_t(x), uint32_t(y), seed, 0x51ED27u) >> 8) * (1.0f / 16777215.0f);
}

// Sixteen unit directions.
const float kGradients[16][2] = {{1.0f, 0.0f},
                                 {0.92387953f, 0.38268343f},
                                 {0.70710678f, 0.70710678f},
                                 {0.38268343f, 0.92387953f},
                                 {0.0f, 1.0f},
                                 {-0.38268343f, 0.92387953f},
                                 {-0.70710678f, 0.70710678f},
                                 {-0.92387953f, 0.38268343f},
                                 {-1.0f, 0.0f},
                                 {-0.92387953f, -0.38268343f},
                                 {-0.70710678f, -0.70710678f},
                                 {-0.38268343f, -0.92387953f},
                                 {0.0f, -1.0f},
                                 {0.38268343f, -0.92387953f},
                                 {0.70710678f, -0.70710678f},
                                 {0.92387953f, -0.38268343f}};

float LatticeGradient(int x, int y, uint32_t seed, float dx, float dy) {
  const float* g = kGradients[Hash(uint32_t(x), uint32_t(y), seed, 0xA3C59Bu) & 15u];
  return g[0] * dx + g[1] * dy;
}

}  // namespace

float ValueNoise(float x, float y, uint32_t seed, int periodX, int periodY) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = int(fx), iy = int(fy);
  const float tx = Fade(x - fx), ty = Fade(y - fy);
  const int x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
  const int y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
  const float top = Lerp(LatticeValue(x0, y0, seed), LatticeValue(x1, y0, seed), tx);
  const float bottom = Lerp(LatticeValue(x0, y1, seed), LatticeValue(x1, y1, seed), tx);
  return Lerp(top, bottom, ty);
}

float GradientNoise(float x, float y, uint32_t seed, int periodX, int periodY) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = int(fx), iy = int(fy);
  const float dx = x - fx, dy = y - fy;
  const int x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
  const int y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
  const float n00 = LatticeGradient(x0, y0, seed, dx, dy);
  const float n10 = LatticeGradient(x1, y0, seed, dx - 1, dy);
  const float n01 = LatticeGradient(x0, y1, seed, dx, dy - 1);
  const float n11 = LatticeGradient(x1, y1, seed, dx - 1, dy - 1);
  const float tx = Fade(dx), ty = Fade(dy);
  // 2D gradient noise peaks near +-0.71; scale it towards +-1.
  return Clamp(1.41421356f * Lerp(Lerp(n00, n10, tx), Lerp(n01, n11, tx), ty), -1, 1);
}

namespace {

template <typename Octave>
float FractalSum(float x, float y, uint32_t seed, const FbmOptions& options, Octave octave) {
  float sum = 0, norm = 0, amplitude = 1, frequency = 1;
  for (int o = 0; o < std::max(options.octaves, 1); ++o) {
    const int scale = int(std::lround(frequency));
    const int px = options.periodX > 0 ? options.periodX * scale : 0;
    const int py = options.periodY > 0 ? options.periodY * scale : 0;
    sum += amplitude * octave(x * frequency, y * frequency, Hash(seed, uint32_t(o)), px, py);
    norm += amplitude;
    amplitude *= options.gain;
    frequency *= options.lacunarity;
  }
  return norm > 0 ? sum / norm : 0;
}

}  // namespace

float Fbm(float x, float y, uint32_t seed, const FbmOptions& options) {
  return FractalSum(x, y, seed, options, [](float px, float py, uint32_t s, int wx, int wy) {
    return GradientNoise(px, py, s, wx, wy);
  });
}

float RidgedFbm(float x, float y, uint32_t seed, const FbmOptions& options) {
  return FractalSum(x, y, seed, options, [](float px, float py, uint32_t s, int wx, int wy) {
    const float ridge = 1.0f - std::fabs(GradientNoise(px, py, s, wx, wy));
    return ridge * ridge;
  });
}

// --------------------------------------------------------------- gradients --

Rgb EvalGradient(const std::vector<GradientStop>& stops, float t) {
  if (stops.empty()) return {};
  if (t <= stops.front().at) return stops.front().colour;
  for (size_t i = 1; i < stops.size(); ++i) {
    if (t <= stops[i].at) {
      const float span = stops[i].at - stops[i - 1].at;
      const float f = span > 0 ? (t - stops[i - 1].at) / span : 1.0f;
      return Mix(stops[i - 1].colour, stops[i].colour, f);
    }
  }
  return stops.back().colour;
}

void LinearGradient(Image& image, Vec2 from, Vec2 to, const std::vector<GradientStop>& stops) {
  const float dx = to.x - from.x, dy = to.y - from.y;
  const float length2 = dx * dx + dy * dy;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const float px = float(x) + 0.5f - from.x, py = float(y) + 0.5f - from.y;
      const float t = length2 > 0 ? (px * dx + py * dy) / length2 : 0.0f;
      image.At(x, y) = EvalGradient(stops, t);
    }
  }
}

void RadialGradient(Image& image, Vec2 centre, float radius,
                    const std::vector<GradientStop>& stops) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const float px = float(x) + 0.5f - centre.x, py = float(y) + 0.5f - centre.y;
      const float d = std::sqrt(px * px + py * py);
      image.At(x, y) = EvalGradient(stops, radius > 0 ? d / radius : 1.0f);
    }
  }
}

void GradientMap(Image& image, const std::vector<GradientStop>& stops) {
  for (Rgb& c : image.pixels()) c = EvalGradient(stops, Luma(c));
}

// ------------------------------------------------------------------ shapes --

namespace {

void Cover(Mask& mask, int x, int y, float coverage) {
  if (coverage <= 0) return;
  float& m = mask.At(x, y);
  m = std::max(m, std::min(coverage, 1.0f));
}

// Pixel bounds [x0, x1) x [y0, y1) of a box grown by `grow`, clipped to the mask.
struct Bounds {
  int x0, y0, x1, y1;
};
Bounds Clip(const Mask& mask, float minX, float minY, float maxX, float maxY, float grow) {
  Bounds b;
  b.x0 = std::max(0, int(std::floor(minX - grow)));
  b.y0 = std::max(0, int(std::floor(minY - grow)));
  b.x1 = std::min(mask.width(), int(std::ceil(maxX + grow)) + 1);
  b.y1 = std::min(mask.height(), int(std::ceil(maxY + grow)) + 1);
  return b;
}

// Coverage of a pixel whose centre lies `distance` outside an edge (negative inside).
float EdgeCoverage(float distance, float softness) {
  const float s = std::max(softness, 1e-3f);
  return Clamp(0.5f - distance / s, 0, 1);
}

}  // namespace

void FillDisc(Mask& mask, Vec2 centre, float radius, float softness) {
  const Bounds b = Clip(mask, centre.x - radius, centre.y - radius, centre.x + radius,
                        centre.y + radius, softness + 1);
  for (int y = b.y0; y < b.y1; ++y) {
    for (int x = b.x0; x < b.x1; ++x) {
      const float dx = float(x) + 0.5f - centre.x, dy = float(y) + 0.5f - centre.y;
      Cover(mask, x, y, EdgeCoverage(std::sqrt(dx * dx + dy * dy) - radius, softness));
    }
  }
}

void FillRect(Mask& mask, float x0, float y0, float x1, float y1, float softness) {
  const Bounds b = Clip(mask, std::min(x0, x1), std::min(y0, y1), std::max(x0, x1),
                        std::max(y0, y1), softness + 1);
  const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
  const float hx = std::fabs(x1 - x0) * 0.5f, hy = std::fabs(y1 - y0) * 0.5f;
  for (int y = b.y0; y < b.y1; ++y) {
    for (int x = b.x0; x < b.x1; ++x) {
      const float ox = std::fabs(float(x) + 0.5f - cx) - hx;
      const float oy = std::fabs(float(y) + 0.5f - cy) - hy;
      const float cover = EdgeCoverage(ox, softness) * EdgeCoverage(oy, softness);
      Cover(mask, x, y, cover);
    }
  }
}

void StrokeSegment(Mask& mask, Vec2 a, Vec2 b, float radius, float softness) {
  const Bounds box = Clip(mask, std::min(a.x, b.x) - radius, std::min(a.y, b.y) - radius,
                          std::max(a.x, b.x) + radius, std::max(a.y, b.y) + radius, softness + 1);
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float length2 = dx * dx + dy * dy;
  for (int y = box.y0; y < box.y1; ++y) {
    for (int x = box.x0; x < box.x1; ++x) {
      const float px = float(x) + 0.5f - a.x, py = float(y) + 0.5f - a.y;
      const float t = length2 > 0 ? Clamp((px * dx + py * dy) / length2, 0, 1) : 0.0f;
      const float ex = px - t * dx, ey = py - t * dy;
      Cover(mask, x, y, EdgeCoverage(std::sqrt(ex * ex + ey * ey) - radius, softness));
    }
  }
}

void StrokePath(Mask& mask, const std::vector<Vec2>& points, float radius, float softness) {
  if (points.size() == 1) StrokeSegment(mask, points[0], points[0], radius, softness);
  for (size_t i = 1; i < points.size(); ++i) {
    StrokeSegment(mask, points[i - 1], points[i], radius, softness);
  }
}

std::vector<Vec2> Bezier(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, int segments) {
  segments = std::max(segments, 1);
  std::vector<Vec2> points;
  points.reserve(size_t(segments) + 1);
  for (int i = 0; i <= segments; ++i) {
    const float t = float(i) / float(segments), s = 1 - t;
    const float w0 = s * s * s, w1 = 3 * s * s * t, w2 = 3 * s * t * t, w3 = t * t * t;
    points.push_back({w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x,
                      w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y});
  }
  return points;
}

// ---------------------------------------------------- filters and shading --

namespace {

// One box pass along a line of `count` samples `stride` floats apart, edges
// clamped; `line` is scratch space.
void BoxLine(float* data, int count, size_t stride, int radius, std::vector<float>& line) {
  line.resize(size_t(count));
  for (int i = 0; i < count; ++i) line[size_t(i)] = data[size_t(i) * stride];
  const float scale = 1.0f / float(2 * radius + 1);
  auto at = [&](int i) { return line[size_t(std::min(std::max(i, 0), count - 1))]; };
  double sum = 0;  // running sum in double so long lines do not drift
  for (int i = -radius; i <= radius; ++i) sum += at(i);
  for (int i = 0; i < count; ++i) {
    data[size_t(i) * stride] = float(sum) * scale;
    sum += at(i + radius + 1) - at(i - radius);
  }
}

// Three box passes each way over a grid of `channels` interleaved floats.
void BlurGrid(float* data, int width, int height, int channels, float sigma) {
  if (sigma <= 0 || width <= 0 || height <= 0) return;
  // Three boxes of width w have variance (w^2 - 1) / 4.
  const int radius = int(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) * 0.5f));
  if (radius <= 0) return;
  std::vector<float> line;
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < height; ++y) {
      for (int c = 0; c < channels; ++c) {
        BoxLine(data + size_t(y) * size_t(width) * size_t(channels) + size_t(c), width,
                size_t(channels), radius, line);
      }
    }
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) {
        BoxLine(data + size_t(x) * size_t(channels) + size_t(c), height,
                size_t(width) * size_t(channels), radius, line);
      }
    }
  }
}

}  // namespace

void Blur(Image& image, float sigma) {
  static_assert(sizeof(Rgb) == 3 * sizeof(float), "Rgb is three packed floats");
  if (image.pixels().empty()) return;
  BlurGrid(&image.pixels()[0].r, image.width(), image.height(), 3, sigma);
}

void Blur(Mask& mask, float sigma) {
  if (mask.values().empty()) return;
  BlurGrid(mask.values().data(), mask.width(), mask.height(), 1, sigma);
}

Mask ShadeHeight(const Mask& height, float lightX, float lightY, float lightZ, float depth) {
  Mask shade(height.width(), height.height());
  const float length = std::sqrt(lightX * lightX + lightY * lightY + lightZ * lightZ);
  if (length <= 0) return shade;
  const float lx = lightX / length, ly = lightY / length, lz = lightZ / length;
  const int w = height.width(), h = height.height();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float gx =
          (height.At(std::min(x + 1, w - 1), y) - height.At(std::max(x - 1, 0), y)) * 0.5f;
      const float gy =
          (height.At(x, std::min(y + 1, h - 1)) - height.At(x, std::max(y - 1, 0))) * 0.5f;
      // Surface z = depth * height; its normal is (-dz/dx, -dz/dy, 1).
      const float nx = -gx * depth, ny = -gy * depth;
      const float n = std::sqrt(nx * nx + ny * ny + 1);
      shade.At(x, y) = std::max(0.0f, (nx * lx + ny * ly + lz) / n);
    }
  }
  return shade;
}

void Vignette(Image& image, float strength, float inner, float outer, Rgb edge) {
  for (int y = 0; y < image.height(); ++y) {
    const float v = ((float(y) + 0.5f) / float(image.height()) - 0.5f) * 2;
    for (int x = 0; x < image.width(); ++x) {
      const float u = ((float(x) + 0.5f) / float(image.width()) - 0.5f) * 2;
      const float d = std::sqrt(u * u + v * v) * 0.70710678f;
      image.At(x, y) = Mix(image.At(x, y), edge, strength * SmoothStep(inner, outer, d));
    }
  }
}

void FilmGrain(Image& image, float amount, uint32_t seed, bool protectEnds) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t h = Hash(uint32_t(x), uint32_t(y), seed, 0x6A09E667u);
      // Sum of four bytes: a bell-shaped value in [-1, 1].
      const float n =
          (float((h & 255u) + ((h >> 8) & 255u) + ((h >> 16) & 255u) + (h >> 24)) - 510.0f) /
          510.0f;
      Rgb& c = image.At(x, y);
      float weight = 1;
      if (protectEnds) {
        const float l = Clamp(Luma(c), 0, 1);
        weight = std::min(1.0f, 6.0f * l * (1 - l));
      }
      const float g = n * amount * weight;
      c = c + Rgb{g, g, g};
    }
  }
}

void Levels(Image& image, float black, float white, float gamma) {
  const float span = white - black;
  auto level = [&](float v) {
    const float t = Clamp(span != 0 ? (v - black) / span : 0, 0, 1);
    return gamma != 1.0f ? std::pow(t, 1.0f / gamma) : t;
  };
  for (Rgb& c : image.pixels()) c = {level(c.r), level(c.g), level(c.b)};
}

// ------------------------------------------------------------- compositing --

namespace {

Rgb BlendOne(Rgb d, Rgb c, float a, Blend mode) {
  switch (mode) {
    case Blend::kNormal:
      return Mix(d, c, a);
    case Blend::kAdd:
      return d + c * a;
    case Blend::kMultiply:
      return d * Mix(palette::kWhite, c, a);
    case Blend::kScreen: {
      const Rgb screen = palette::kWhite - (palette::kWhite - d) * (palette::kWhite - c);
      return Mix(d, screen, a);
    }
  }
  return d;
}

}  // namespace

void Composite(Image& dst, const Mask& coverage, Rgb colour, float opacity, Blend mode) {
  const int w = std::min(dst.width(), coverage.width());
  const int h = std::min(dst.height(), coverage.height());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float a = coverage.At(x, y) * opacity;
      if (a != 0) dst.At(x, y) = BlendOne(dst.At(x, y), colour, a, mode);
    }
  }
}

void Composite(Image& dst, const Image& src, int x, int y, float opacity, Blend mode,
               const Mask* coverage) {
  for (int sy = 0; sy < src.height(); ++sy) {
    const int dy = y + sy;
    if (dy < 0 || dy >= dst.height()) continue;
    for (int sx = 0; sx < src.width(); ++sx) {
      const int dx = x + sx;
      if (dx < 0 || dx >= dst.width()) continue;
      float a = opacity;
      if (coverage && sx < coverage->width() && sy < coverage->height()) {
        a *= coverage->At(sx, sy);
      }
      if (a != 0) dst.At(dx, dy) = BlendOne(dst.At(dx, dy), src.At(sx, sy), a, mode);
    }
  }
}

void DropShadow(Image& dst, const Mask& shape, float dx, float dy, float sigma, Rgb colour,
                float opacity) {
  Mask shadow(dst.width(), dst.height());
  for (int y = 0; y < shadow.height(); ++y) {
    for (int x = 0; x < shadow.width(); ++x) {
      shadow.At(x, y) = shape.Sample(float(x) + 0.5f - dx, float(y) + 0.5f - dy);
    }
  }
  Blur(shadow, sigma);
  Composite(dst, shadow, colour, opacity);
}

// -------------------------------------------------------------------- text --

namespace {

// FreeType library and the faces opened so far, kept for the whole run.
class FontCache {
 public:
  ~FontCache() {
    for (auto& entry : faces_) FT_Done_Face(entry.second);
    if (library_) FT_Done_FreeType(library_);
  }

  // The face for the style at its pixel size, or nullptr with the reason.
  FT_Face Face(const TextStyle& style, std::string* error) {
    const std::string file = FontFile(style, error);
    if (file.empty()) return nullptr;
    if (!library_ && FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      *error = "FreeType does not start";
      return nullptr;
    }
    FT_Face face = nullptr;
    auto found = faces_.find(file);
    if (found != faces_.end()) {
      face = found->second;
    } else {
      if (FT_New_Face(library_, file.c_str(), 0, &face) != 0) {
        *error = "cannot open font " + file;
        return nullptr;
      }
      faces_[file] = face;
    }
    if (!(style.size > 0 && style.size < 4096) ||
        FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(style.size * 64)), 72, 72) != 0) {
      *error = "font size not usable";
      return nullptr;
    }
    return face;
  }

  std::map<std::string, std::string>& files() { return files_; }

 private:
  FT_Library library_ = nullptr;
  std::map<std::string, FT_Face> faces_;
  std::map<std::string, std::string> files_;  // family + style -> file
};

FontCache& Fonts() {
  static FontCache cache;
  return cache;
}

// Code points of UTF-8 text; malformed bytes become U+FFFD.
std::vector<uint32_t> DecodeUtf8(const std::string& text) {
  std::vector<uint32_t> out;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t lead = uint8_t(text[i]);
    size_t extra = 0;
    uint32_t cp = lead;
    if (lead < 0x80u) {
      extra = 0;
    } else if ((lead & 0xE0u) == 0xC0u) {
      extra = 1, cp = lead & 0x1Fu;
    } else if ((lead & 0xF0u) == 0xE0u) {
      extra = 2, cp = lead & 0x0Fu;
    } else if ((lead & 0xF8u) == 0xF0u) {
      extra = 3, cp = lead & 0x07u;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool ok = extra < n - i;
    for (size_t k = 1; ok && k <= extra; ++k) {
      const uint8_t next = uint8_t(text[i + k]);
      ok = (next & 0xC0u) == 0x80u;
      cp = (cp << 6) | (next & 0x3Fu);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

struct PlacedGlyph {
  FT_UInt index;
  float x;  // pen position relative to the start
};

// Lays the text out on one line: glyph indices and pen positions.
std::vector<PlacedGlyph> Layout(FT_Face face, const TextStyle& style, const std::string& text,
                                float* width) {
  std::vector<PlacedGlyph> glyphs;
  float pen = 0;
  FT_UInt previous = 0;
  for (uint32_t cp : DecodeUtf8(text)) {
    const FT_UInt index = FT_Get_Char_Index(face, cp);
    if (!glyphs.empty()) {
      pen += style.letterSpacing;
      if (FT_HAS_KERNING(face) && previous && index) {
        FT_Vector kern{0, 0};
        if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kern) == 0) {
          pen += float(kern.x) / 64.0f;
        }
      }
    }
    glyphs.push_back({index, pen});
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0) {
      pen += float(face->glyph->linearHoriAdvance) / 65536.0f;
    }
    previous = index;
  }
  *width = pen;
  return glyphs;
}

float AlignedStart(float x, float width, Align align) {
  switch (align) {
    case Align::kLeft:
      return x;
    case Align::kCentre:
      return x - width * 0.5f;
    case Align::kRight:
      return x - width;
  }
  return x;
}

}  // namespace

std::string FontFile(const TextStyle& style, std::string* error) {
  const std::string key = style.family + "\n" + style.style;
  auto& files = Fonts().files();
  auto found = files.find(key);
  if (found != files.end()) return found->second;

  std::string file;
  if (!FcInit()) {
    *error = "fontconfig does not start";
    return "";
  }
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(style.family.c_str()));
  if (!style.style.empty()) {
    FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style.style.c_str()));
  }
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  if (match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
      file = reinterpret_cast<const char*>(path);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  if (file.empty()) {
    *error = "no font found for \"" + style.family + "\" " + style.style;
    return "";
  }
  files[key] = file;
  return file;
}

bool MeasureText(const TextStyle& style, const std::string& text, TextMetrics* metrics,
                 std::string* error) {
  FT_Face face = Fonts().Face(style, error);
  if (!face) return false;
  Layout(face, style, text, &metrics->width);
  metrics->ascent = float(face->size->metrics.ascender) / 64.0f;
  metrics->descent = -float(face->size->metrics.descender) / 64.0f;
  return true;
}

bool RenderText(Mask& mask, const TextStyle& style, const std::string& text, float x,
                float baseline, Align align, std::string* error) {
  FT_Face face = Fonts().Face(style, error);
  if (!face) return false;
  float width = 0;
  const std::vector<PlacedGlyph> glyphs = Layout(face, style, text, &width);
  const float start = AlignedStart(x, width, align);
  const float by = std::floor(baseline);
  const float fy = baseline - by;
  bool ok = true;
  for (const PlacedGlyph& glyph : glyphs) {
    const float gx = start + glyph.x;
    const float bx = std::floor(gx);
    // The sub-pixel part of the position goes to FreeType, so spaced letters
    // keep their exact places (FreeType's y axis points up).
    FT_Vector delta{FT_Pos(std::lround((gx - bx) * 64)), FT_Pos(-std::lround(fy * 64))};
    FT_Set_Transform(face, nullptr, &delta);
    if (FT_Load_Glyph(face, glyph.index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER) !=
        0) {
      *error = "glyph does not render";
      ok = false;
      continue;
    }
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) continue;
    const int left = int(bx) + face->glyph->bitmap_left;
    const int top = int(by) - face->glyph->bitmap_top;
    const float levels = float(std::max(bitmap.num_grays - 1, 1));
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const int y = top + int(row);
      if (y < 0 || y >= mask.height()) continue;
      const unsigned char* line = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int px = left + int(col);
        if (px < 0 || px >= mask.width() || line[col] == 0) continue;
        float& m = mask.At(px, y);
        // Neighbouring glyphs may overlap: coverage adds up to full.
        m = std::min(1.0f, m + float(line[col]) / levels);
      }
    }
  }
  FT_Set_Transform(face, nullptr, nullptr);
  return ok;
}

bool DrawText(Image& image, const TextStyle& style, const std::string& text, float x,
              float baseline, Align align, Rgb colour, float opacity, std::string* error,
              Blend mode) {
  Mask coverage(image.width(), image.height());
  if (!RenderText(coverage, style, text, x, baseline, align, error)) return false;
  Composite(image, coverage, colour, opacity, mode);
  return true;
}

// -------------------------------------------------------------------- files --

bool SaveJpeg(const Image& image, const std::string& path, int quality, std::string* error) {
  JpegWriteOptions options;
  options.fullChroma = true;
  const std::vector<uint8_t> bytes = image.ToBytes();
  return WriteJpeg(path, image.width(), image.height(), 3, bytes.data(), quality, options, error);
}

bool SaveJpegGrey(const Image& image, const std::string& path, int quality, std::string* error) {
  const std::vector<uint8_t> bytes = image.ToGreyBytes();
  return WriteJpeg(path, image.width(), image.height(), 1, bytes.data(), quality,
                   JpegWriteOptions(), error);
}

}  // namespace kit
}  // namespace content
