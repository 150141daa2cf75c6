#include "render/rendertexture.h"

#include <gtest/gtest.h>

#include <vector>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "support/gl_state.h"

namespace {

using Pixel = std::vector<int>;
using testsupport::PixelRgb;

class RenderTextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    glViewport(0, 0, 800, 600);
  }
  static std::vector<GLint> Viewport() {
    std::vector<GLint> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
  }
};

// Sides other than powers of two up to 512 are refused, and a refused object
// leaves the viewport alone when used anyway; a second Create replaces and
// deletes the first texture.
TEST_F(RenderTextureTest, OnlyPowerOfTwoSidesUpTo512AreAcceptedAndCreateReplaces) {
  CRenderTexture refused;
  refused.Create(512, 300);
  EXPECT_EQ(std::vector<int>({int(refused.id), refused.width, refused.height, refused.viewportWidth,
                              refused.viewportHeight}),
            std::vector<int>(5, 0));
  refused.BeginCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({0, 0, 800, 600}));
  refused.EndCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({0, 0, 800, 600}));

  CRenderTexture tall;
  tall.Create(64, 512);
  const GLuint first = tall.id;
  GLint w = 0, h = 0;
  glBindTexture(GL_TEXTURE_2D, tall.id);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  EXPECT_EQ(std::vector<int>({tall.width, tall.height, w, h}),
            std::vector<int>({64, 512, 64, 512}));
  ASSERT_TRUE(glIsTexture(first));
  tall.Create(64, 512);
  EXPECT_NE(tall.id, 0u);
  EXPECT_FALSE(glIsTexture(first) && first != tall.id);
}

// A capture comes back to the viewport current when it began, offset and
// all, not the one of creation. A scene captured small and drawn back over
// the overlay appears upright: what was at the top of the capture is at the
// top of the quad.
TEST_F(RenderTextureTest, CopyDrawnWithScreenQuadIsUpright) {
  CRenderTexture texture;
  texture.Create(512, 256);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  glViewport(50, 20, 300, 200);  // the window changed since Create
  texture.BeginCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({0, 0, 512, 256}));
  SetOrtho2D(false);
  const float red[4] = {1, 0, 0, 1};
  const float blue[4] = {0, 0, 1, 1};
  DrawRect2D(0, 0, 640, 240, red);     // upper half of the capture
  DrawRect2D(0, 240, 640, 480, blue);  // lower half
  texture.EndCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({50, 20, 300, 200}));

  glViewport(0, 0, 800, 600);
  glClear(GL_COLOR_BUFFER_BIT);
  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  texture.Bind();
  const float white[4] = {1, 1, 1, 1};
  DrawScreenQuad(0, 0, 640, 480, white);
  texture.Unbind();

  const Pixel upper = PixelRgb(400, 100), lower = PixelRgb(400, 500);
  EXPECT_TRUE(upper[0] > 200 && upper[2] < 50) << upper[0] << " " << upper[2];
  EXPECT_TRUE(lower[0] < 50 && lower[2] > 200) << lower[0] << " " << lower[2];

  // Bind chose source-alpha factors; the quad's alpha alone sets opacity.
  glClear(GL_COLOR_BUFFER_BIT);
  texture.Bind();
  const float half[4] = {1, 1, 1, 0.5f};
  DrawScreenQuad(0, 0, 640, 480, half);
  texture.Unbind();
  EXPECT_NEAR(PixelRgb(400, 100)[0], 128, 3);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

// The fast drawing captures straight into the texture: it holds what the
// copy of a freshly cleared corner holds (clear colour where nothing was
// drawn, the nearer of two overlapping quads in front), the drawable's corner
// is left alone, and each capture starts cleared again, not with the last.
TEST_F(RenderTextureTest, CaptureIntoTheTextureHoldsWhatTheCopyHolds) {
  ASSERT_TRUE(glFramebuffers.Available());
  const auto capture = [](CRenderTexture* texture, float split) {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // as a frame starts
    texture->BeginCapture();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 64, 0, 64, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glColor3f(1, 0, 0);  // near, drawn first
    glRectf(0, 0, split, 64);
    glTranslatef(0, 0, -0.5f);
    glColor3f(0, 0, 1);  // far: shows only right of the near quad
    glRectf(0, 0, 48, 64);
    glDisable(GL_DEPTH_TEST);
    texture->EndCapture();
    std::vector<uint8_t> texels(64 * 64 * 3);
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
  };
  CRenderTexture copied;
  CRenderTexture drawn;
  copied.Create(64, 64);
  drawn.Create(64, 64);
  SetReferenceDrawing(true);
  const std::vector<uint8_t> byCopy = capture(&copied, 16);
  SetReferenceDrawing(false);
  capture(&drawn, 40);  // a wider near quad, to be cleared away
  glViewport(10, 20, 300, 200);
  const std::vector<uint8_t> byTarget = capture(&drawn, 16);
  EXPECT_EQ(Viewport(), std::vector<GLint>({10, 20, 300, 200}));
  EXPECT_EQ(testsupport::GetInteger(GL_FRAMEBUFFER_BINDING), 0);
  EXPECT_EQ(byTarget, byCopy);
  const auto texel = [&](int x) { return Pixel(&byTarget[x * 3], &byTarget[x * 3 + 3]); };
  EXPECT_EQ(texel(8), Pixel({255, 0, 0}));
  EXPECT_EQ(texel(30), Pixel({0, 0, 255}));
  EXPECT_EQ(texel(60), Pixel({51, 102, 153}));
  EXPECT_EQ(PixelRgb(5, 595), Pixel({51, 102, 153}));  // nothing drawn into the drawable's corner
}

}  // namespace
