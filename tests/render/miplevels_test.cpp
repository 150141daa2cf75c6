// A mipmapped texture's levels as textures of their own: the level a quad
// samples, the pictures drawn from a level against those drawn from the
// mipmapped texture, and how far each level's light reaches.
#include "render/miplevels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "render/glhelpers.h"
#include "support/gl_context.h"

namespace {

// A 256 x 256 glow with one-texel rays and a fine ring, black beyond
// `radius` (texture units from the centre): detail that each level shows
// differently. Flat, a dim disc.
std::vector<uint8_t> Glow(float radius, bool flat = false) {
  std::vector<uint8_t> rgb(256 * 256 * 3, 0);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      const float d = std::hypot((x + 0.5f) / 256 - 0.5f, (y + 0.5f) / 256 - 0.5f);
      float light = std::exp(-d * d * 60) + ((x == 128 || y == 128) ? 0.5f : 0.0f) +
                    (std::fabs(d - radius * 0.6f) < 0.004f ? 0.4f : 0.0f);
      light = flat ? 0.16f : std::min(1.0f, light * (1 - d / radius));
      if (d >= radius) continue;
      uint8_t* p = &rgb[(size_t(y) * 256 + x) * 3];
      p[0] = uint8_t(255 * light);
      p[1] = uint8_t(200 * light);
      p[2] = uint8_t(120 * light * (x % 2));
    }
  }
  return rgb;
}

GLuint Mipmapped(const std::vector<uint8_t>& rgb, int w, int h) {
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  return id;
}

class MipLevelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    glViewport(0, 0, 800, 600);
    SetOrtho2D(false);
  }
  // The quad from (x, y) over w x h overlay units, texture id, read back;
  // turned a quarter, s runs down the quad and t across it.
  static std::vector<uint8_t> DrawQuad(GLuint id, float x, float y, float w, float h,
                                       bool turned = false) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SelectTextureUnit(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, id);
    glColor4f(1, 1, 1, 1);
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) {
      glTexCoord2f(turned ? c[1] : c[0], turned ? c[0] : c[1]);
      glVertex2f(x + c[0] * w, y + c[1] * h);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
    return testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  }
};

TEST(NearestMipLevelTest, HalvesGoDownAndDoubtsNearThemAreRefused) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float lod, margin;
    int level;
  } rows[] = {{-3, 0.05f, 0},    {0.3f, 0.05f, 0},  {0.46f, 0.05f, -1}, {0.5f, 0, 0},
              {0.56f, 0.05f, 1}, {1.44f, 0.05f, 1}, {1.5f, 0, 1},       {1.52f, 0.05f, -1},
              {1.56f, 0.05f, 2}, {7.9f, 0.05f, 8},  {nan, 0.05f, -1}};
  for (const auto& row : rows) {
    EXPECT_EQ(NearestMipLevel(row.lod, row.margin), row.level) << row.lod << " " << row.margin;
  }
}

// Over sizes that reach levels 0 to 5, from enlarged to 1/40, on square and
// stretched quads: where the level is certain, its own texture draws the very
// pixels the mipmapped texture draws; a foreshortened quad is never certain.
TEST_F(MipLevelsTest, EachCertainLevelDrawsWhatTheMipmappedTextureDraws) {
  // The glow, and a strip of it four times as wide as it is high.
  const std::vector<uint8_t> glow = Glow(0.45f);
  const GLuint source = Mipmapped(glow, 256, 256);
  const GLuint strip = Mipmapped(
      std::vector<uint8_t>(glow.begin() + 256 * 3 * 96, glow.begin() + 256 * 3 * 160), 256, 64);
  ScreenTransform to;
  to.Read();
  const float sizes[][2] = {{400, 400}, {230, 230}, {200, 200}, {150, 150}, {100, 100}, {72, 72},
                            {50, 50},   {30, 30},   {12, 12},   {200, 60},  {30, 400}};
  int certain = 0;
  for (GLuint texture : {source, strip}) {
    CMipLevels own;
    own.Make(texture);
    ASSERT_EQ(own.count, 9);
    for (const auto& size : sizes) {
      for (bool turned : {false, true}) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1] << " of " << own.heights[0]
                                        << (turned ? ", turned" : ""));
        const float origin[3] = {20, 30, 0};
        // Turned, s runs along the quad's height and t along its width.
        const float edgeS[3] = {turned ? 0 : size[0], turned ? size[1] : 0, 0};
        const float edgeT[3] = {turned ? size[0] : 0, turned ? 0 : size[1], 0};
        const int level =
            QuadMipLevel(to, origin, edgeS, edgeT, float(own.widths[0]), float(own.heights[0]));
        EXPECT_EQ(own.LevelFor(to, origin, edgeS, edgeT), std::min(level, own.count - 1));
        if (level < 0) continue;
        ++certain;
        const auto want = DrawQuad(texture, 20, 30, size[0], size[1], turned);
        const auto got = DrawQuad(own.ids[level], 20, 30, size[0], size[1], turned);
        EXPECT_TRUE(want == got) << "level " << level;
        // (Any other level would show otherwise.)
        EXPECT_FALSE(want == DrawQuad(own.ids[level + 1], 20, 30, size[0], size[1], turned));
      }
    }
  }
  EXPECT_GE(certain, 32);

  // Seen at a slant in perspective, the far end shrinks by more than a level.
  SetPerspective(CVec3(0, -40, 10), CVec3(0, 0, 0), CVec3(0, 0, 1), 60, 200);
  to.Read();
  const float origin[3] = {-10, -10, 0};
  const float edgeS[3] = {20, 0, 0};
  const float edgeT[3] = {0, 60, 0};
  EXPECT_EQ(QuadMipLevel(to, origin, edgeS, edgeT, 256, 256), -1);
  const GLuint both[2] = {source, strip};
  glDeleteTextures(2, both);
}

// The lit part of each level: a disc of radius 0.3 reaches 0.3 and a
// texel on each axis, and 0.3 * sqrt 2 diagonally; light on the edge (which
// wrapped sampling carries across) means the whole square; black means none.
TEST_F(MipLevelsTest, LitPartIsWhereBilinearSamplesCanBeLit) {
  const GLuint glow = Mipmapped(Glow(0.3f, true), 256, 256);
  CMipLevels levels;
  levels.Make(glow);
  ASSERT_GE(levels.count, 3);
  for (float extent : {levels.extentU[0], levels.extentV[0]}) {
    EXPECT_NEAR(extent, 0.3f + 1.0f / 256, 1.0f / 256);
  }
  EXPECT_NEAR(levels.reach[0], 0.3f * std::sqrt(2.0f) + 2.0f / 256, 2.0f / 256);
  EXPECT_NEAR(levels.extentU[2], 0.3f + 4.0f / 256, 4.0f / 256);  // texels of 4
  EXPECT_LT(levels.reach[2], 0.5f);

  std::vector<uint8_t> edge(16 * 16 * 3, 0);
  edge[(8 * 16 + 15) * 3] = 9;  // one dim texel on the right edge
  const GLuint edged = Mipmapped(edge, 16, 16);
  levels.Make(edged);
  EXPECT_EQ(std::vector<float>({levels.extentU[0], levels.extentV[0], levels.reach[0]}),
            std::vector<float>({0.5f, 0.5f, 1.0f}));

  const GLuint black = Mipmapped(std::vector<uint8_t>(16 * 16 * 3, 0), 16, 16);
  levels.Make(black);
  EXPECT_EQ(levels.reach[0], 0.0f);

  // Without mipmaps there are no levels to choose from.
  glBindTexture(GL_TEXTURE_2D, black);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  levels.Make(black);
  EXPECT_EQ(levels.count, 0);
  const GLuint all[3] = {glow, edged, black};
  glDeleteTextures(3, all);
}

}  // namespace
