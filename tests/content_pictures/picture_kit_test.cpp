// The procedural picture toolkit: noise, shapes, filters, compositing, text.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "content/picture_kit.h"
#include "support/temp_dir.h"

namespace {

using namespace content::kit;

float MaskSum(const Mask& mask) {
  double sum = 0;
  for (float v : mask.values()) sum += v;
  return float(sum);
}

// Bounding box of the pixels with coverage above a threshold.
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  bool empty() const { return x1 < 0; }
};
Box InkBox(const Mask& mask, float threshold = 0.25f) {
  Box box;
  for (int y = 0; y < mask.height(); ++y) {
    for (int x = 0; x < mask.width(); ++x) {
      if (mask.At(x, y) > threshold) {
        box.x0 = std::min(box.x0, x), box.x1 = std::max(box.x1, x);
        box.y0 = std::min(box.y0, y), box.y1 = std::max(box.y1, y);
      }
    }
  }
  return box;
}

}  // namespace

TEST(PictureKitNoise, GradientNoiseIsRepeatableBoundedZeroOnTheLatticeAndTiles) {
  double sum = 0, sumSquares = 0;
  int differentSeed = 0;
  const int n = 4000;
  for (int i = 0; i < n; ++i) {
    const float x = float(i % 97) * 0.173f - 7.3f, y = float(i / 97) * 0.219f - 3.1f;
    const float v = GradientNoise(x, y, 5);
    EXPECT_EQ(v, GradientNoise(x, y, 5));
    ASSERT_GE(v, -1.0f);
    ASSERT_LE(v, 1.0f);
    sum += v, sumSquares += double(v) * v;
    if (std::fabs(v - GradientNoise(x, y, 6)) > 1e-3f) ++differentSeed;
    // With a period of 8 by 5 cells the noise repeats exactly.
    EXPECT_NEAR(GradientNoise(x, y, 9, 8, 5), GradientNoise(x + 8, y - 5, 9, 8, 5), 1e-5f);
  }
  EXPECT_EQ(GradientNoise(3, -2, 5), 0.0f);
  EXPECT_NEAR(sum / n, 0.0, 0.08);
  EXPECT_GT(std::sqrt(sumSquares / n), 0.15);  // not flat
  EXPECT_GT(differentSeed, n * 9 / 10);
  // Value noise lies in [0, 1] and hits the lattice values at integers.
  for (int i = 0; i < 200; ++i) {
    const float v = ValueNoise(float(i) * 0.37f, float(i) * 0.11f, 3);
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);
  }
}

TEST(PictureKitNoise, FractalNoiseTilesOverEveryOctaveAndStaysInRange) {
  FbmOptions tiled;
  tiled.octaves = 5;
  tiled.periodX = 4;
  tiled.periodY = 3;
  for (int i = 0; i < 500; ++i) {
    const float x = float(i) * 0.0731f, y = float(i % 37) * 0.0913f;
    EXPECT_NEAR(Fbm(x, y, 2, tiled), Fbm(x + 4, y + 3, 2, tiled), 1e-5f);
    const float f = Fbm(x, y, 2);
    EXPECT_GE(f, -1.0f);
    EXPECT_LE(f, 1.0f);
    const float r = RidgedFbm(x, y, 2);
    EXPECT_GE(r, 0.0f);
    EXPECT_LE(r, 1.0f);
  }
}

TEST(PictureKitRandom, SeededSequencesRepeatAndSpreadEvenly) {
  Random a(42), b(42), c(43);
  int same = 0;
  int buckets[10] = {};
  for (int i = 0; i < 10000; ++i) {
    const uint32_t va = a.Next();
    EXPECT_EQ(va, b.Next());
    if (va == c.Next()) ++same;
    const float u = a.Uniform();
    b.Uniform();
    ASSERT_GE(u, 0.0f);
    ASSERT_LT(u, 1.0f);
    ++buckets[int(u * 10)];
    const int k = a.Below(7);
    b.Below(7);
    ASSERT_GE(k, 0);
    ASSERT_LT(k, 7);
  }
  EXPECT_LT(same, 5);
  for (int bucket : buckets) {
    EXPECT_GT(bucket, 850);
    EXPECT_LT(bucket, 1150);
  }
}

TEST(PictureKitFilters, BlurKeepsEnergyAndSymmetryAndSpreadsBySigma) {
  Mask impulse(121, 121);
  impulse.At(60, 60) = 1;
  Blur(impulse, 5);
  EXPECT_NEAR(MaskSum(impulse), 1.0f, 1e-3f);
  EXPECT_LT(impulse.At(60, 60), 0.05f);
  double variance = 0;
  for (int x = 0; x < 121; ++x) {
    EXPECT_NEAR(impulse.At(60 + (x - 60), 60), impulse.At(60 - (x - 60), 60), 1e-6f);
    double column = 0;
    for (int y = 0; y < 121; ++y) column += impulse.At(x, y);
    variance += column * (x - 60) * (x - 60);
  }
  EXPECT_NEAR(std::sqrt(variance), 5.0, 0.6);
  // Edges are clamped: a flat picture stays flat, corners included.
  Image flat(40, 30, Rgb{0.25f, 0.5f, 0.75f});
  Blur(flat, 6);
  EXPECT_NEAR(flat.At(0, 0).r, 0.25f, 1e-5f);
  EXPECT_NEAR(flat.At(39, 29).b, 0.75f, 1e-5f);
  EXPECT_NEAR(flat.At(20, 15).g, 0.5f, 1e-5f);
}

TEST(PictureKitFilters, ShadingVignetteGrainAndLevels) {
  // A flat field is lit by lightZ / |light|; a slope facing the light is
  // brighter than one facing away.
  Mask ramp(32, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 32; ++x) ramp.At(x, y) = x < 16 ? float(x) : float(31 - x);
  }
  Mask flat(8, 8, 3);
  EXPECT_NEAR(ShadeHeight(flat, 1, 0, 1, 1).At(4, 4), 0.70710678f, 1e-5f);
  const Mask shade = ShadeHeight(ramp, -1, 0, 1, 0.5f);
  EXPECT_GT(shade.At(6, 4), shade.At(25, 4) + 0.2f);  // rising to the right faces a light from the left

  Image picture(64, 48, Grey(0.5f));
  Vignette(picture, 0.8f, 0.3f, 0.9f, palette::kBlack);
  EXPECT_NEAR(picture.At(32, 24).r, 0.5f, 1e-6f);
  EXPECT_NEAR(picture.At(0, 0).r, 0.5f * 0.2f, 0.02f);

  Image ends(16, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ends.At(x, y) = y < 8 ? palette::kBlack : palette::kWhite;
  }
  const Image before = ends;
  FilmGrain(ends, 0.2f, 7, true);
  for (size_t i = 0; i < ends.pixels().size(); ++i) {
    EXPECT_EQ(ends.pixels()[i].g, before.pixels()[i].g) << i;
  }
  Image grey(64, 64, Grey(0.5f)), again(64, 64, Grey(0.5f)), other(64, 64, Grey(0.5f));
  FilmGrain(grey, 0.1f, 7);
  FilmGrain(again, 0.1f, 7);
  FilmGrain(other, 0.1f, 8);
  double mean = 0;
  int changed = 0, differs = 0;
  for (size_t i = 0; i < grey.pixels().size(); ++i) {
    const Rgb c = grey.pixels()[i];
    EXPECT_EQ(c.r, again.pixels()[i].r);
    EXPECT_EQ(c.r, c.b);  // monochrome grain
    EXPECT_LE(std::fabs(c.r - 0.5f), 0.1f + 1e-6f);
    mean += c.r;
    if (c.r != 0.5f) ++changed;
    if (c.r != other.pixels()[i].r) ++differs;
  }
  EXPECT_NEAR(mean / double(grey.pixels().size()), 0.5, 0.005);
  EXPECT_GT(changed, 3500);
  EXPECT_GT(differs, 3500);

  Image levels(1, 3);
  levels.At(0, 0) = Grey(0.1f), levels.At(0, 1) = Grey(0.5f), levels.At(0, 2) = Grey(0.95f);
  Levels(levels, 0.1f, 0.9f);
  EXPECT_NEAR(levels.At(0, 0).r, 0.0f, 1e-6f);
  EXPECT_NEAR(levels.At(0, 1).r, 0.5f, 1e-6f);
  EXPECT_NEAR(levels.At(0, 2).r, 1.0f, 1e-6f);
}

TEST(PictureKitShapes, CoverageMatchesTheGeometry) {
  Mask disc(100, 100);
  FillDisc(disc, {50, 50}, 20);
  EXPECT_NEAR(MaskSum(disc), 3.14159265f * 400, 12);
  EXPECT_EQ(disc.At(50, 50), 1.0f);
  EXPECT_EQ(disc.At(50, 73), 0.0f);

  Mask rect(50, 50);
  FillRect(rect, 10, 12, 30.5f, 20);
  EXPECT_NEAR(MaskSum(rect), 20.5f * 8, 0.5f);

  Mask line(100, 40);
  StrokeSegment(line, {10, 20}, {90, 20}, 3);
  for (int x = 10; x <= 89; ++x) {
    EXPECT_EQ(line.At(x, 20), 1.0f);
    EXPECT_EQ(line.At(x, 15), 0.0f);  // more than radius + half a pixel away
  }
  EXPECT_EQ(line.At(96, 20), 0.0f);  // beyond the round cap
  // Shapes partly or wholly outside the mask are clipped, not written out of bounds.
  FillDisc(line, {-30, -30}, 10);
  StrokeSegment(line, {-50, 5}, {150, 5}, 2);
  EXPECT_EQ(line.At(0, 5), 1.0f);

  const auto curve = Bezier({0, 0}, {0, 10}, {10, 10}, {10, 0}, 4);
  ASSERT_EQ(curve.size(), 5u);
  EXPECT_FLOAT_EQ(curve.front().x, 0);
  EXPECT_FLOAT_EQ(curve.back().x, 10);
  EXPECT_FLOAT_EQ(curve[2].x, 5);
  EXPECT_FLOAT_EQ(curve[2].y, 7.5f);
}

TEST(PictureKitCompositing, BlendModesAndOffsets) {
  const Rgb base{0.4f, 0.6f, 0.8f};
  Mask full(2, 1, 1.0f);
  Image a(2, 1, base);
  Composite(a, full, palette::kWhite, 1, Blend::kMultiply);
  EXPECT_FLOAT_EQ(a.At(0, 0).g, 0.6f);  // white multiplies nothing away
  Composite(a, full, palette::kBlack, 1, Blend::kAdd);
  Composite(a, full, palette::kBlack, 1, Blend::kScreen);
  EXPECT_FLOAT_EQ(a.At(1, 0).b, 0.8f);  // black adds nothing
  Composite(a, full, Grey(0.5f), 1, Blend::kMultiply);
  EXPECT_FLOAT_EQ(a.At(0, 0).r, 0.2f);
  Composite(a, full, palette::kWhite, 0.5f, Blend::kNormal);
  EXPECT_FLOAT_EQ(a.At(0, 0).r, 0.6f);
  Image s(2, 1, Grey(0.5f));
  Composite(s, full, Grey(0.5f), 1, Blend::kScreen);
  EXPECT_FLOAT_EQ(s.At(0, 0).r, 0.75f);

  Image dst(4, 4), src(3, 3, palette::kWhite);
  Composite(dst, src, 2, -1, 1.0f, Blend::kNormal);
  EXPECT_EQ(dst.At(1, 0).r, 0.0f);
  EXPECT_EQ(dst.At(2, 0).r, 1.0f);
  EXPECT_EQ(dst.At(3, 1).r, 1.0f);
  EXPECT_EQ(dst.At(2, 2).r, 0.0f);

  EXPECT_FLOAT_EQ(EvalGradient({{0.2f, palette::kBlack}, {0.6f, palette::kWhite}}, 0.5f).r, 0.75f);
  EXPECT_EQ(EvalGradient({{0.2f, palette::kBlack}, {0.6f, palette::kWhite}}, -1).r, 0.0f);
  EXPECT_EQ(EvalGradient({{0.2f, palette::kBlack}, {0.6f, palette::kWhite}}, 2).r, 1.0f);
}

TEST(PictureKitText, TextIsMeasuredSpacedAndPlacedWhereAsked) {
  std::string error;
  TextStyle style;
  style.size = 30;
  const std::string file = FontFile(style, &error);
  ASSERT_FALSE(file.empty()) << error;
  EXPECT_TRUE(std::ifstream(file).good()) << file;

  TextMetrics plain, spaced;
  ASSERT_TRUE(MeasureText(style, "velmora", &plain, &error)) << error;
  style.letterSpacing = 5;
  ASSERT_TRUE(MeasureText(style, "velmora", &spaced, &error)) << error;
  EXPECT_NEAR(spaced.width - plain.width, 6 * 5, 1e-3f);  // between the seven letters only
  EXPECT_GT(plain.width, 30 * 2.5f);
  EXPECT_LT(plain.width, 30 * 5.0f);
  EXPECT_GT(plain.ascent, 20);
  EXPECT_GT(plain.descent, 3);

  // Centred on x 200, baseline 60: the ink is centred on 200 and lies above
  // the baseline (no descenders in this word).
  Mask mask(400, 100);
  ASSERT_TRUE(RenderText(mask, style, "velmora", 200, 60, Align::kCentre, &error)) << error;
  const Box box = InkBox(mask);
  ASSERT_FALSE(box.empty());
  EXPECT_NEAR((box.x0 + box.x1) * 0.5f, 200, 3);
  EXPECT_NEAR(float(box.x1 - box.x0), spaced.width, 6);
  EXPECT_LE(box.y1, 60);
  EXPECT_GE(box.y0, 60 - int(spaced.ascent));
  float most = 0;
  for (float v : mask.values()) most = std::max(most, v);
  EXPECT_EQ(most, 1.0f);  // stems are fully covered

  Mask right(400, 100);
  ASSERT_TRUE(RenderText(right, style, "velmora", 390, 60, Align::kRight, &error));
  EXPECT_NEAR(float(InkBox(right).x1), 390, 3);

  // Drawing in a colour composites the same coverage.
  Image image(400, 100);
  ASSERT_TRUE(DrawText(image, style, "velmora", 200, 60, Align::kCentre, palette::kAmber, 1, &error));
  double amber = 0;
  for (const Rgb& c : image.pixels()) amber += c.r;
  EXPECT_NEAR(amber, MaskSum(mask) * palette::kAmber.r, 1.0);

  // Nothing to draw is no failure; a broken UTF-8 byte still draws a mark;
  // a size FreeType cannot use is reported.
  Mask empty(50, 50);
  EXPECT_TRUE(RenderText(empty, style, "", 0, 40, Align::kLeft, &error));
  EXPECT_EQ(MaskSum(empty), 0.0f);
  TextMetrics broken;
  EXPECT_TRUE(MeasureText(style, "a\xC3", &broken, &error));
  EXPECT_GT(broken.width, plain.width / 7);
  style.size = 0;
  error.clear();
  EXPECT_FALSE(RenderText(empty, style, "x", 0, 40, Align::kLeft, &error));
  EXPECT_FALSE(error.empty());
}

TEST(PictureKitFiles, BytesRoundAndClampAndJpegsAreWrittenOrRefused) {
  Image image(3, 1);
  image.At(0, 0) = {-0.2f, 0.5f, 1.4f};
  image.At(1, 0) = {0.2f, 0.0f, 1.0f};
  image.At(2, 0) = Grey(1.0f);
  const auto bytes = image.ToBytes();
  const std::vector<uint8_t> expected{0, 128, 255, 51, 0, 255, 255, 255, 255};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(image.ToGreyBytes()[2], 255);

  testsupport::TempDir dir;
  std::string error;
  ASSERT_TRUE(SaveJpeg(Image(16, 8, palette::kSea), dir.File("a.jpg"), 90, &error)) << error;
  ASSERT_TRUE(SaveJpegGrey(Image(16, 8, palette::kSea), dir.File("b.jpg"), 90, &error)) << error;
  std::ifstream in(dir.File("a.jpg"), std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(data.size(), 2u);
  EXPECT_EQ(uint8_t(data[0]), 0xFF);
  EXPECT_EQ(uint8_t(data[1]), 0xD8);
  EXPECT_FALSE(SaveJpeg(Image(16, 8), dir.File("missing/folder/c.jpg"), 90, &error));
  EXPECT_FALSE(error.empty());
}
