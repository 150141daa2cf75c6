// The program's icon for desktops: a warm light setting on a cold machine sea,
// in the production's palette, on a rounded square. Painted at each size it
// is installed at (so that small sizes stay sharp) and saved as RGBA PNG.
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "content/generate.h"
#include "content/picture_kit.h"

namespace content {
namespace {

using kit::Image;
using kit::Mask;
using kit::Rgb;
using kit::Vec2;
namespace palette = kit::palette;

// Coverage of a square with rounded corners, inset by `margin` pixels.
Mask RoundedSquare(int size, float margin, float radius) {
  Mask mask(size, size);
  const float lo = margin + radius;
  const float hi = float(size) - margin - radius;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float px = float(x) + 0.5f;
      const float py = float(y) + 0.5f;
      const float dx = std::fmax(std::fmax(lo - px, px - hi), 0.0f);
      const float dy = std::fmax(std::fmax(lo - py, py - hi), 0.0f);
      const float outside = std::sqrt(dx * dx + dy * dy) - radius;
      mask.At(x, y) = kit::Clamp(0.5f - outside, 0.0f, 1.0f);
    }
  }
  return mask;
}

void PaintIcon(int size, Image* picture, Mask* alpha) {
  const float s = float(size);
  const float horizon = 0.62f * s;
  Image image(size, size);
  // Sky: ink at the top warming to deep teal at the horizon.
  kit::LinearGradient(image, {0, 0}, {0, horizon},
                      {{0.0f, palette::kInk}, {0.75f, palette::kDeepTeal}, {1.0f, palette::kSea}});
  // Sea below the horizon: sea fading into ink.
  Image sea(size, size);
  kit::LinearGradient(sea, {0, horizon}, {0, s},
                      {{0.0f, palette::kDeepTeal}, {1.0f, palette::kInk}});
  Mask below(size, size);
  kit::FillRect(below, 0, horizon, s, s, 1.0f);
  kit::Composite(image, sea, 0, 0, 1.0f, kit::Blend::kNormal, &below);

  // The light: a glow, then the disc setting on the horizon.
  const Vec2 sun{0.5f * s, horizon};
  Image glow(size, size);
  kit::RadialGradient(
      glow, sun, 0.48f * s,
      {{0.0f, palette::kAmber * 0.8f}, {0.5f, palette::kRust * 0.25f}, {1.0f, palette::kBlack}});
  kit::Composite(image, glow, 0, 0, 1.0f, kit::Blend::kAdd);
  Mask disc(size, size);
  kit::FillDisc(disc, sun, 0.2f * s, 1.0f);
  for (int y = int(horizon); y < size; ++y) {
    for (int x = 0; x < size; ++x) disc.At(x, y) = 0.0f;
  }
  kit::Composite(image, disc, palette::kAmber);

  // Its reflection: amber streaks narrowing towards the viewer, and bone
  // ripples across the dark water.
  Mask streaks(size, size);
  Mask ripples(size, size);
  const float line = std::fmax(1.0f, s / 64.0f);
  for (int i = 0; i < 5; ++i) {
    const float y = horizon + (float(i) + 0.7f) * (s - horizon) / 6.0f;
    const float half = 0.17f * s * (1.0f - 0.14f * float(i));
    kit::StrokeSegment(streaks, {sun.x - half, y}, {sun.x + half, y}, line, 1.0f);
    const float side = 0.12f * s + 0.05f * s * float(i % 2);
    kit::StrokeSegment(ripples, {side, y + 0.5f * line}, {side + 0.08f * s, y + 0.5f * line},
                       0.6f * line, 1.0f);
    kit::StrokeSegment(ripples, {s - side - 0.08f * s, y - 0.5f * line},
                       {s - side, y - 0.5f * line}, 0.6f * line, 1.0f);
  }
  kit::Composite(image, streaks, palette::kAmber, 0.85f);
  kit::Composite(image, ripples, palette::kBone, 0.5f);
  // A rust line where sea and sky meet.
  Mask seam(size, size);
  kit::StrokeSegment(seam, {0, horizon}, {s, horizon}, 0.5f * line, 1.0f);
  kit::Composite(image, seam, palette::kRust, 0.7f);

  *picture = image;
  *alpha = RoundedSquare(size, s / 32.0f, 0.18f * s);
}

// libpng reports errors by jumping back here; nothing in this frame changes
// after the jump point.
bool WriteRgbaRows(png_structp png, png_infop info, FILE* file, int w, int h, const uint8_t* rgba) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, rgba + size_t(y) * size_t(w) * 4);
  png_write_end(png, info);
  return true;
}

bool SavePngRgba(const Image& image, const Mask& alpha, const std::string& path,
                 std::string* error) {
  const int w = image.width();
  const int h = image.height();
  const std::vector<uint8_t> rgb = image.ToBytes();
  std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
  for (size_t i = 0; i < size_t(w) * size_t(h); ++i) {
    rgba[4 * i + 0] = rgb[3 * i + 0];
    rgba[4 * i + 1] = rgb[3 * i + 1];
    rgba[4 * i + 2] = rgb[3 * i + 2];
    const float a = kit::Clamp(alpha.values()[i], 0.0f, 1.0f);
    rgba[4 * i + 3] = uint8_t(std::lround(a * 255.0f));
  }
  // Written beside the target and renamed, so that the icon is whole or absent.
  const std::string temporary = path + ".part";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  bool ok = png != nullptr && info != nullptr && WriteRgbaRows(png, info, file, w, h, rgba.data());
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) ok = false;
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    std::remove(temporary.c_str());
    *error = "cannot write " + path;
  }
  return ok;
}

}  // namespace

std::string WriteIcons(const std::string& outDir) {
  std::error_code made;
  std::filesystem::create_directories(outDir + "/icons", made);
  if (made) return "cannot make " + outDir + "/icons: " + made.message();
  for (int size : kIconSizes) {
    Image image;
    Mask alpha;
    PaintIcon(size, &image, &alpha);
    std::string failure;
    const std::string path = outDir + "/icons/velmora-" + std::to_string(size) + ".png";
    if (!SavePngRgba(image, alpha, path, &failure)) return failure;
  }
  return "";
}

}  // namespace content
