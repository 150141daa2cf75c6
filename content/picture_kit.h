// A small procedural picture toolkit for the content generator: float RGB
// images and coverage masks, deterministic noise, gradients, soft shading,
// blurs, compositing, anti-aliased shapes, text through FreeType and
// fontconfig, and JPEG output.
//
// Everything is deterministic: noise and grain come from integer hashes of
// their seeds, never from rand() or the clock, so the same program writes the
// same bytes on every run.
//
// Conventions: colours are sRGB values from 0 to 1 (no linearisation);
// pixel (x, y) covers [x, x+1) x [y, y+1) with its centre at (x + 0.5, y + 0.5);
// rows run top first, as the JPEG files store them.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace content {
namespace kit {

// ---------------------------------------------------------------- colours --

struct Rgb {
  float r = 0, g = 0, b = 0;
};

constexpr Rgb FromHex(uint32_t rgb) {
  return Rgb{float((rgb >> 16) & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f,
             float(rgb & 0xFF) / 255.0f};
}

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(float s, Rgb a) { return a * s; }

// a + (b - a) t, unclamped.
Rgb Mix(Rgb a, Rgb b, float t);
// Rec. 601 luma.
float Luma(Rgb c);
Rgb Clamp01(Rgb c);
Rgb Grey(float v);

// The production's palette.
namespace palette {
inline constexpr Rgb kInk = FromHex(0x0b1a2a);
inline constexpr Rgb kDeepTeal = FromHex(0x12464f);
inline constexpr Rgb kSea = FromHex(0x2f7f86);
inline constexpr Rgb kBone = FromHex(0xe9e4d8);
inline constexpr Rgb kAmber = FromHex(0xe0a040);
inline constexpr Rgb kRust = FromHex(0xb5532e);
inline constexpr Rgb kBlack = FromHex(0x000000);
inline constexpr Rgb kWhite = FromHex(0xffffff);
}  // namespace palette

// ---------------------------------------------------------------- scalars --

float Clamp(float v, float lo, float hi);
float Lerp(float a, float b, float t);
// Hermite step from 0 at edge0 to 1 at edge1 (edge0 > edge1 runs backwards).
float SmoothStep(float edge0, float edge1, float v);

struct Vec2 {
  float x = 0, y = 0;
};

// ------------------------------------------------------------ containers --

// A float RGB picture.
class Image {
 public:
  Image() = default;
  Image(int width, int height, Rgb fill = {});

  int width() const { return width_; }
  int height() const { return height_; }
  Rgb& At(int x, int y) { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
  const Rgb& At(int x, int y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
  // Bilinear sample at pixel coordinates (pixel centres at +0.5); edges clamp.
  Rgb Sample(float x, float y) const;
  std::vector<Rgb>& pixels() { return pixels_; }
  const std::vector<Rgb>& pixels() const { return pixels_; }

  // 8-bit R, G, B per pixel, rows top first, values clamped and rounded.
  std::vector<uint8_t> ToBytes() const;
  // 8-bit luma per pixel.
  std::vector<uint8_t> ToGreyBytes() const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Rgb> pixels_;
};

// A single-channel float picture: coverage (0 to 1) of shapes and text, or a
// height field.
class Mask {
 public:
  Mask() = default;
  Mask(int width, int height, float fill = 0);

  int width() const { return width_; }
  int height() const { return height_; }
  float& At(int x, int y) { return values_[size_t(y) * size_t(width_) + size_t(x)]; }
  float At(int x, int y) const { return values_[size_t(y) * size_t(width_) + size_t(x)]; }
  float Sample(float x, float y) const;
  std::vector<float>& values() { return values_; }
  const std::vector<float>& values() const { return values_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<float> values_;
};

// Sets every pixel from fn(u, v), where u and v run from 0 to 1 across the
// picture (pixel centres: u = (x + 0.5) / width).
void Paint(Image& image, const std::function<Rgb(float u, float v)>& fn);
void Paint(Mask& mask, const std::function<float(float u, float v)>& fn);

// Bilinear resize.
Image Resize(const Image& image, int width, int height);

// -------------------------------------------------------------- randomness --

// A well-mixed 32-bit hash of up to four integers.
uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);

// A small seeded generator (splitmix-style); the same seed gives the same
// sequence everywhere.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(uint64_t(seed) * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next();
  // [0, 1)
  float Uniform();
  // [lo, hi)
  float Range(float lo, float hi);
  // Integer in [0, n) for n > 0.
  int Below(int n);

 private:
  uint64_t state_;
};

// Value noise in [0, 1] with unit cells. A period > 0 makes the noise repeat
// every `period` units along that axis (for textures that wrap).
float ValueNoise(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0);
// Gradient (Perlin-style) noise, roughly in [-1, 1], zero at every lattice point.
float GradientNoise(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0);

struct FbmOptions {
  int octaves = 5;
  float lacunarity = 2.0f;  // frequency factor per octave
  float gain = 0.5f;        // amplitude factor per octave
  int periodX = 0;          // period of the first octave; later octaves scale it
  int periodY = 0;
};
// Fractal sum of gradient noise, normalised to roughly [-1, 1].
float Fbm(float x, float y, uint32_t seed, const FbmOptions& options = {});
// Ridged fractal noise in [0, 1]: bright creases where the noise crosses zero.
float RidgedFbm(float x, float y, uint32_t seed, const FbmOptions& options = {});

// --------------------------------------------------------------- gradients --

struct GradientStop {
  float at;
  Rgb colour;
};
// Colour at t along stops sorted by `at`; clamps outside the first and last.
Rgb EvalGradient(const std::vector<GradientStop>& stops, float t);
// Fills the image along the line from (x0, y0) to (x1, y1), in pixels.
void LinearGradient(Image& image, Vec2 from, Vec2 to, const std::vector<GradientStop>& stops);
// Fills the image by distance from the centre, t = distance / radius.
void RadialGradient(Image& image, Vec2 centre, float radius,
                    const std::vector<GradientStop>& stops);
// Replaces every pixel by the gradient's colour at the pixel's luma.
void GradientMap(Image& image, const std::vector<GradientStop>& stops);

// ------------------------------------------------------------------ shapes --
// Shapes add coverage to a mask (the larger of old and new coverage), with
// anti-aliased edges `softness` pixels wide.

void FillDisc(Mask& mask, Vec2 centre, float radius, float softness = 1.0f);
void FillRect(Mask& mask, float x0, float y0, float x1, float y1, float softness = 1.0f);
// A round-capped stroke `radius` pixels from the segment's centre line.
void StrokeSegment(Mask& mask, Vec2 a, Vec2 b, float radius, float softness = 1.0f);
void StrokePath(Mask& mask, const std::vector<Vec2>& points, float radius, float softness = 1.0f);
// Points along a cubic Bezier curve, both ends included.
std::vector<Vec2> Bezier(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, int segments);

// ---------------------------------------------------- filters and shading --

// Gaussian-like blur (three box passes) with the given standard deviation in
// pixels; edges clamp.
void Blur(Image& image, float sigma);
void Blur(Mask& mask, float sigma);

// Lambert shading (0 to 1) of a height field lit from the direction
// (lightX, lightY, lightZ) (x right, y down, z towards the viewer); `depth`
// scales the relief. Flat ground gives lightZ / |light|.
Mask ShadeHeight(const Mask& height, float lightX, float lightY, float lightZ, float depth);

// Pulls the picture towards `edge` away from the centre: 0 inside `inner`,
// `strength` at and beyond `outer`; distances are 0 at the centre and 1 in
// the corners.
void Vignette(Image& image, float strength, float inner = 0.45f, float outer = 1.0f,
              Rgb edge = palette::kBlack);

// Adds fine deterministic grain of about +-amount. With protectEnds the grain
// fades out towards pure black and pure white, so pictures that must stay
// black (added) or white (multiplied) stay so.
void FilmGrain(Image& image, float amount, uint32_t seed, bool protectEnds = true);

// Levels: maps black..white to 0..1 and applies the gamma (1 leaves mid-tones).
void Levels(Image& image, float black, float white, float gamma = 1.0f);

// ------------------------------------------------------------- compositing --

enum class Blend { kNormal, kAdd, kMultiply, kScreen };

// Blends `colour` into the picture through the coverage mask (same size as
// the picture) with the given opacity.
void Composite(Image& dst, const Mask& coverage, Rgb colour, float opacity = 1.0f,
               Blend mode = Blend::kNormal);
// Blends `src` into `dst` with its top-left corner at (x, y); an optional
// coverage mask of the source's size limits where it shows.
void Composite(Image& dst, const Image& src, int x, int y, float opacity = 1.0f,
               Blend mode = Blend::kNormal, const Mask* coverage = nullptr);
// A soft shadow of `shape`, offset by (dx, dy) and blurred by sigma.
void DropShadow(Image& dst, const Mask& shape, float dx, float dy, float sigma, Rgb colour,
                float opacity);

// -------------------------------------------------------------------- text --

struct TextStyle {
  std::string family = "DejaVu Sans";
  std::string style = "Book";  // fontconfig style: "Book", "Bold", "ExtraLight", "Oblique", ...
  float size = 32.0f;          // pixel size of the em
  float letterSpacing = 0.0f;  // extra pixels between neighbouring characters
};

struct TextMetrics {
  float width = 0;    // from the pen start to the end of the last advance
  float ascent = 0;   // font ascent above the baseline, pixels
  float descent = 0;  // font descent below the baseline, pixels (positive)
};

enum class Align { kLeft, kCentre, kRight };

// The font file fontconfig chooses for the style, or "" (with the reason).
std::string FontFile(const TextStyle& style, std::string* error);
// UTF-8 text on one line.
bool MeasureText(const TextStyle& style, const std::string& text, TextMetrics* metrics,
                 std::string* error);
// Adds the text's anti-aliased coverage to the mask, pen starting at x
// (aligned as asked) on the baseline y.
bool RenderText(Mask& mask, const TextStyle& style, const std::string& text, float x,
                float baseline, Align align, std::string* error);
// Renders the text and blends it in `colour` into the picture.
bool DrawText(Image& image, const TextStyle& style, const std::string& text, float x,
              float baseline, Align align, Rgb colour, float opacity, std::string* error,
              Blend mode = Blend::kNormal);

// -------------------------------------------------------------------- files --

// Writes an RGB JPEG (full chroma resolution, so thin coloured lines stay
// sharp). False with the reason on failure.
bool SaveJpeg(const Image& image, const std::string& path, int quality, std::string* error);
// Writes a one-channel JPEG of the picture's luma.
bool SaveJpegGrey(const Image& image, const std::string& path, int quality, std::string* error);

}  // namespace kit
}  // namespace content
