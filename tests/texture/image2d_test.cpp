// CImage2D: loading through the library and drawing on the 2D overlay.
#include <gtest/gtest.h>

#include "render/glhelpers.h"
#include "render/image2d.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/fixtures.h"
#include "texture/texlib.h"

namespace {

// Four flat quadrants: red top left, green top right, blue bottom left,
// white bottom right.
std::string Quadrants() {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int q = (y >= 8) * 2 + (x >= 8);
      const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
      rgb.insert(rgb.end(), colours[q], colours[q] + 3);
    }
  }
  content::JpegWriteOptions options;
  options.fullChroma = true;
  return fixtures::AsString(fixtures::Encode(16, 16, 3, rgb, 100, options));
}

// The colour at a point of the 640 x 480 overlay, as one of r, g, b, w, k.
char ColourAt(float x, float y) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  uint8_t rgb[3];
  testsupport::PixelAt(int(x * viewport[2] / 640), int(y * viewport[3] / 480), rgb);
  const bool r = rgb[0] > 160, g = rgb[1] > 160, b = rgb[2] > 160;
  if (r && g && b) return 'w';
  if (!r && !g && !b) return 'k';
  return r && !g && !b ? 'r' : g && !r && !b ? 'g' : b && !r && !g ? 'b' : '?';
}

class Image2DTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    dir_.Write("textures/quads.jpg", Quadrants());
    lib_.SetPath("textures\\");
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SetOrtho2D(false);
  }
  testsupport::TempDir dir_;
  testsupport::ScopedChdir here_{dir_.path()};
  CTexLib lib_;
  const float white_[4] = {1, 1, 1, 1};
};

}  // namespace

TEST_F(Image2DTest, LoadSharesTheLibraryTextureAndChainsFailures) {
  CImage2D a, b, missing;
  Result r = a.Load("quads.jpg", &lib_);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.message, "CImage2D::Load() : ok!");
  EXPECT_EQ(a.width, 16.0f);
  EXPECT_EQ(a.height, 16.0f);
  std::remove(dir_.File("textures/quads.jpg").c_str());
  ASSERT_EQ(b.Load("quads.jpg", &lib_).code, 0);  // from the library, not the disk
  EXPECT_EQ(b.id, a.id);
  EXPECT_EQ(b.width, 16.0f);
  EXPECT_EQ(lib_.textures.size(), 1u);

  r = missing.Load("gone.jpg", &lib_);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.message,
            "CImage2D::Load() : CTexLib::Add() : CTex::Load() : can't read image textures\\gone.jpg");
  EXPECT_EQ(missing.id, 0xFFFFFFFFu);
  EXPECT_EQ(missing.width, 0.0f);
  missing.Draw(0, 0, 640, 480, white_);  // nothing to draw: the frame stays black
  EXPECT_EQ(ColourAt(320, 240), 'k');
}

TEST_F(Image2DTest, DrawsUprightAndMirrorsWithNegativeSize) {
  CImage2D image;
  ASSERT_EQ(image.Load("quads.jpg", &lib_).code, 0);
  image.Draw(100, 100, 200, 160, white_);
  EXPECT_EQ(ColourAt(140, 130), 'r');
  EXPECT_EQ(ColourAt(260, 130), 'g');
  EXPECT_EQ(ColourAt(140, 230), 'b');
  EXPECT_EQ(ColourAt(260, 230), 'w');
  EXPECT_EQ(ColourAt(90, 130), 'k');   // nothing outside the quad
  EXPECT_EQ(ColourAt(310, 230), 'k');
  GLboolean texturing = GL_TRUE;
  glGetBooleanv(GL_TEXTURE_2D, &texturing);
  EXPECT_FALSE(texturing);

  // Negative width: the quad runs leftwards from x, the picture mirrored.
  image.Draw(600, 300, -200, 160, white_);
  EXPECT_EQ(ColourAt(560, 330), 'r');
  EXPECT_EQ(ColourAt(440, 330), 'g');

  // The colour multiplies the picture: cyan removes the red quadrant.
  const float cyan[4] = {0, 1, 1, 1};
  image.Draw(400, 100, 100, 100, cyan);
  EXPECT_EQ(ColourAt(425, 125), 'k');
  EXPECT_EQ(ColourAt(475, 125), 'g');
}
