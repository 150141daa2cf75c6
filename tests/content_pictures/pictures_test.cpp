// The production's pictures loaded the way the program loads them: through
// the texture library into OpenGL textures, read back from level 0. (The
// toolkit that draws them is held by what it draws: the stored reference
// pictures of every scene, and the scenes test's seamless wrap.)
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <set>

#include "content/generate.h"
#include "content/picture_kit.h"
#include "shell/base/glapi.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"
#include "timeline/show/show.h"

using namespace content::kit;

namespace {

float LumaOf(const uint8_t* p) { return 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]; }

// Level 0 of a texture as OpenGL holds it, rows top of the picture first.
struct Texels {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  const uint8_t* At(int x, int y) const { return &rgb[size_t(y * width + x) * 3]; }
  // Mean of f(luma) over [x0, x1) x [y0, y1), given as fractions of the size.
  float Mean(
      float x0, float y0, float x1, float y1,
      const std::function<float(float)>& f = [](float l) { return l; }) const {
    double sum = 0;
    int all = 0;
    for (int y = int(y0 * float(height)); y < int(y1 * float(height)); ++y)
      for (int x = int(x0 * float(width)); x < int(x1 * float(width)); ++x)
        sum += f(LumaOf(At(x, y))), ++all;
    return all ? float(sum / all) : 0.0f;
  }
  // The largest f(texel) within `band` texels of the border.
  float BorderMax(int band, const std::function<float(const uint8_t*)>& f) const {
    float most = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (x < band || y < band || x >= width - band || y >= height - band)
          most = std::max(most, f(At(x, y)));
    return most;
  }
};

// 1 for a luma in [lo, hi), else 0: Mean() of it is the share of such texels.
std::function<float(float)> Between(float lo, float hi) {
  return [=](float l) { return float(l >= lo && l < hi); };
}

// The pictures the build generated beside the program.
class PicturesTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::is_directory(kData + "/textures")) << "no generated data";
    ASSERT_TRUE(testsupport::EnsureGLContext());
    library_.SetPath("textures\\");
  }
  // Loads the picture through the texture library, as a layer would.
  Texels Load(const std::string& name) {
    testsupport::ScopedChdir here(kData);
    uint32_t id = kNoTexture;
    const Result r = library_.Add(name, &id);
    EXPECT_EQ(r.code, 0) << name << ": " << r.message;
    Texels t;
    if (r.code != 0) return t;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.height);
    t.rgb.resize(size_t(t.width * t.height) * 3);
    // Widths are powers of two: the default pack alignment of 4 adds no padding.
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, t.rgb.data());
    return t;
  }

  const std::string kData = VELMORA_BINARY_DIR;
  CTexLib library_;
};

}  // namespace

// --------------------------------------------------------------- pictures --

// Grain is unbiased, and spares black and white when asked: the added
// pictures' black must add nothing; the blend modes at part strength. (What
// else the toolkit draws is held by the stored reference pictures and the
// picture checks below.)
TEST(PictureKit, GrainIsUnbiasedAndSparesBlackAndWhiteAndBlendsMix) {
  Image ends(16, 16, palette::kBlack), grey(64, 64, Grey(0.5f));
  for (int x = 0; x < 16; ++x) ends.At(x, 15) = palette::kWhite;
  const std::vector<uint8_t> before = ends.ToBytes();
  FilmGrain(ends, 0.2f, 7, true), FilmGrain(grey, 0.1f, 7);
  EXPECT_EQ(ends.ToBytes(), before);
  double mean = 0;
  for (const Rgb& p : grey.pixels()) mean += p.r;
  EXPECT_NEAR(mean / 4096, 0.5, 0.005);
  // Half of a 0.5 grey over 0.4 grey, in the order of Blend: normal, add, multiply, screen.
  const float halfOver[] = {0.45f, 0.65f, 0.3f, 0.55f};
  for (Blend mode : {Blend::kNormal, Blend::kAdd, Blend::kMultiply, Blend::kScreen}) {
    Image a(1, 1, Grey(0.4f));
    Composite(a, Mask(1, 1, 1.0f), Grey(0.5f), 0.5f, mode);
    EXPECT_FLOAT_EQ(a.At(0, 0).g, halfOver[int(mode)]) << int(mode);
  }
}

// The logo multiplies the frame: white must leave it untouched, so the ground
// is white to the very edge and only the emblem and title are dark.
TEST_F(PicturesTest, TheLogoIsADarkTitleOnPureWhite) {
  const Texels logo = Load(show::pictures::kVtLogo);
  ASSERT_GT(logo.width, 0);
  EXPECT_LE(logo.BorderMax(3, [](auto p) { return 255.0f - *std::min_element(p, p + 3); }), 1);
  EXPECT_GT(logo.Mean(0, 0, 1, 1, Between(253, 256)), 0.6f);  // white paper, not merely light
  EXPECT_GT(logo.Mean(0, 0, 1, 1, Between(0, 90)), 0.02f);    // dark ink, not merely grey
}

// treetex.jpg and vtt.jpg are added onto the frame and envmap_0.jpg is the
// additive particle sprite: black adds nothing, so they are black at their
// borders and mostly dark, with their light where it belongs.
TEST_F(PicturesTest, AddedPicturesAreLightOnBlack) {
  for (const char* name :
       {show::pictures::kTreetex, show::pictures::kVtt, show::pictures::kEnvmap0}) {
    const Texels t = Load(name);
    ASSERT_GT(t.width, 0);
    EXPECT_LE(t.BorderMax(2, LumaOf), 1) << name;  // JPEG rounding at most
    EXPECT_GT(t.Mean(0, 0, 1, 1, Between(0, 24)), 0.55f) << name;
    EXPECT_GT(t.Mean(0, 0, 1, 1, Between(150, 256)), 0.004f) << name;
  }
  // The sprite: a white core fading outwards, corners black.
  const Texels glow = Load(show::pictures::kEnvmap0);
  EXPECT_GE(LumaOf(glow.At(glow.width / 2, glow.height / 2)), 235);
  EXPECT_GT(glow.Mean(0.45f, 0.45f, 0.55f, 0.55f), 2 * glow.Mean(0.3f, 0.3f, 0.7f, 0.7f));
  EXPECT_LE(glow.Mean(0, 0, 0.12f, 0.12f), 1);
  // vtt.jpg: nothing in the lowest fifth, which lies under the letterbox band.
  const Texels vtt = Load(show::pictures::kVtt);
  EXPECT_EQ(vtt.Mean(0, 0.82f, 1, 1, Between(40, 256)), 0.0f);
}

// The opaque pictures fill their frames with shaded, grainy detail rather
// than flat fills, and keep their subjects where the layers leave room.
TEST_F(PicturesTest, BackdropsAreDetailedAndComposedForTheirLayers) {
  for (auto name : {show::pictures::kKable, show::pictures::kBw06, show::pictures::kPoz2,
                    show::pictures::kPoz3, show::pictures::kPoz5, show::pictures::kEndJpg}) {
    const Texels t = Load(name);
    ASSERT_GT(t.width, 0);
    // Luma spreads by more than 14 levels about its mean.
    const float m = t.Mean(0, 0, 1, 1);
    EXPECT_GT(t.Mean(0, 0, 1, 1, [=](float l) { return (l - m) * (l - m); }), 14 * 14) << name;
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < t.rgb.size(); i += 3)
      colours.insert(uint32_t(t.rgb[i]) << 16 | uint32_t(t.rgb[i + 1]) << 8 | t.rgb[i + 2]);
    // Hundreds of grey levels in the monochrome picture, thousands of colours in the others.
    EXPECT_GT(colours.size(), std::string(name) == show::pictures::kBw06 ? 150u : 1500u) << name;
  }
  // bw06.jpg is black and white, and grainy.
  const Texels bw = Load(show::pictures::kBw06);
  double step = 0;
  for (int y = 0; y < bw.height; ++y)
    for (int x = 0; x < bw.width; ++x) {
      const uint8_t* p = bw.At(x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      step += x > 0 ? std::abs(p[0] - p[-3]) : 0;
    }
  EXPECT_GT(step / (double(bw.width - 1) * bw.height), 4.0);
}

// The desktop icon: at every installed size a rounded square, clear outside,
// showing the amber light of the production's palette.
TEST(Icon, EverySizeIsARoundedSquareWithTheLightInItsMiddle) {
  testsupport::TempDir dir;
  ASSERT_EQ(content::WriteIcons(dir.path()), "");
  for (int size : content::kIconSizes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::string path = dir.File("icons/velmora-" + std::to_string(size) + ".png");
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << path;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) << path;
    ASSERT_EQ(std::make_pair(int(image.width), int(image.height)), std::make_pair(size, size));
    // The pixel at (u, v) of the unit square: its colour and its alpha.
    auto px = [&](float u, float v) {
      return &rgba[(size_t(v * float(size - 1)) * size_t(size) + size_t(u * float(size - 1))) * 4];
    };
    for (auto [u, v] :
         {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}, {0.07f, 0.07f}})
      EXPECT_EQ(px(u, v)[3], 0) << size << ": corner " << u << "," << v;
    for (auto [u, v] : {std::pair{0.5f, 0.1f}, {0.1f, 0.5f}, {0.5f, 0.5f}, {0.9f, 0.9f}})
      EXPECT_EQ(px(u, v)[3], 255) << size << ": inside " << u << "," << v;
    // Every size shows the same picture: the amber light in its middle.
    const Rgb light = palette::kAmber;
    const uint8_t* p = px(0.5f, 0.55f);
    EXPECT_LT(std::fabs(p[0] / 255.0f - light.r) + std::fabs(p[1] / 255.0f - light.g) +
                  std::fabs(p[2] / 255.0f - light.b),
              0.1f)
        << size << ": the light";
  }
  // A folder that cannot be made: a failure, and nothing half-written.
  testsupport::TempDir blocked;
  blocked.Write("icons", "a file where the folder should be");
  EXPECT_NE(content::WriteIcons(blocked.path()).find("icons"), std::string::npos);
}
