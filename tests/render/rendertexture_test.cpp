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

TEST_F(RenderTextureTest, OnlyPowerOfTwoSidesUpTo512AreAccepted) {
  CRenderTexture refused;
  refused.Create(512, 300);
  EXPECT_EQ(std::vector<int>({int(refused.id), refused.width, refused.height, refused.viewportWidth,
                              refused.viewportHeight}),
            std::vector<int>(5, 0));
  // A refused object leaves the viewport alone when used anyway.
  refused.BeginCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({0, 0, 800, 600}));
  refused.EndCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({0, 0, 800, 600}));

  CRenderTexture tall;
  tall.Create(64, 512);
  EXPECT_NE(tall.id, 0u);
  GLint w = 0, h = 0;
  glBindTexture(GL_TEXTURE_2D, tall.id);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  EXPECT_EQ(std::vector<int>({tall.width, tall.height, w, h}),
            std::vector<int>({64, 512, 64, 512}));
}

// The picture's viewport follows the window: a capture comes back to the
// viewport current when it began, offset and all, not the one of creation.
TEST_F(RenderTextureTest, CaptureRestoresTheViewportCurrentAtItsStart) {
  CRenderTexture texture;
  texture.Create(512, 256);
  glViewport(50, 20, 300, 200);  // the window changed in between
  texture.BeginCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({0, 0, 512, 256}));
  texture.EndCapture();
  EXPECT_EQ(Viewport(), std::vector<GLint>({50, 20, 300, 200}));
}

TEST_F(RenderTextureTest, SecondCreateReplacesAndDeletesTheFirstTexture) {
  CRenderTexture texture;
  texture.Create(512, 256);
  const GLuint first = texture.id;
  ASSERT_TRUE(glIsTexture(first));
  texture.Create(512, 256);
  EXPECT_NE(texture.id, 0u);
  EXPECT_FALSE(glIsTexture(first) && first != texture.id);
}

// A scene captured small and drawn back over the overlay appears upright:
// what was at the top of the capture is at the top of the quad.
TEST_F(RenderTextureTest, CopyDrawnWithScreenQuadIsUpright) {
  CRenderTexture texture;
  texture.Create(512, 256);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  texture.BeginCapture();
  SetOrtho2D(false);
  const float red[4] = {1, 0, 0, 1};
  const float blue[4] = {0, 0, 1, 1};
  DrawRect2D(0, 0, 640, 240, red);     // upper half of the capture
  DrawRect2D(0, 240, 640, 480, blue);  // lower half
  texture.EndCapture();

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
