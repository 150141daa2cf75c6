#include "render/rendertexture.h"

#include <gtest/gtest.h>

#include <vector>

#include "render/glhelpers.h"
#include "support/gl_context.h"

namespace {

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

  uint8_t rgb[3];
  testsupport::PixelAt(400, 100, rgb);
  EXPECT_GT(rgb[0], 200);
  EXPECT_LT(rgb[2], 50);
  testsupport::PixelAt(400, 500, rgb);
  EXPECT_LT(rgb[0], 50);
  EXPECT_GT(rgb[2], 200);

  // Bind chose source-alpha factors; the quad's alpha alone sets opacity.
  glClear(GL_COLOR_BUFFER_BIT);
  texture.Bind();
  const float half[4] = {1, 1, 1, 0.5f};
  DrawScreenQuad(0, 0, 640, 480, half);
  texture.Unbind();
  testsupport::PixelAt(400, 100, rgb);
  EXPECT_NEAR(rgb[0], 128, 3);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

}  // namespace
