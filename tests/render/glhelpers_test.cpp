#include "render/glhelpers.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/gl_state.h"

namespace {

using testsupport::GetInteger;
using Pixel = std::vector<int>;

bool Enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }
Pixel At(int x, int yFromTop) { return testsupport::PixelRgb(x, yFromTop); }

class GLHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    ASSERT_NE(glActiveTextureARB, nullptr);
  }
};

TEST_F(GLHelpersTest, PerspectiveSetUpLeavesIdentityModelviewAndThe3DState) {
  // Dirty the state first, as a previous pass would.
  SetOrtho2D(true);
  SetBlend(GL_ONE, GL_ONE);
  glEnable(GL_LIGHTING);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1, 2, 3);

  SetPerspective(CVec3(0, 0, 250), CVec3(0, 0, 0), CVec3(0, 1, 0), 60, 500);
  EXPECT_EQ(GetInteger(GL_MATRIX_MODE), GL_MODELVIEW);
  float modelview[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f);

  // What the projection holds shows in where the layers' tests find their models.
  EXPECT_TRUE(Enabled(GL_DEPTH_TEST) && Enabled(GL_CULL_FACE));
  EXPECT_FALSE(Enabled(GL_LIGHTING) || Enabled(GL_BLEND));
}

TEST_F(GLHelpersTest, Ortho2DSetUpTurnsOffTexturingOnBothUnitsAndLeavesUnitOneActive) {
  for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
    glActiveTextureARB(unit);
    for (GLenum cap : {GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T}) glEnable(cap);
  }
  for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND}) glEnable(cap);
  glBlendFunc(GL_ONE, GL_ONE);

  SetOrtho2D(true);
  EXPECT_TRUE(Enabled(GL_LINE_SMOOTH));
  EXPECT_EQ(GetInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE1);
  for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
    glActiveTextureARB(unit);
    EXPECT_FALSE(Enabled(GL_TEXTURE_2D) || Enabled(GL_TEXTURE_GEN_S) || Enabled(GL_TEXTURE_GEN_T))
        << unit;
  }
  EXPECT_FALSE(Enabled(GL_DEPTH_TEST) || Enabled(GL_CULL_FACE) || Enabled(GL_BLEND));
  // Blend factors are not the set-up's business.
  EXPECT_EQ(GetInteger(GL_BLEND_SRC), GL_ONE);

  SetOrtho2D(false);
  EXPECT_FALSE(Enabled(GL_LINE_SMOOTH));
  // Its 640 x 480 units, y down, are checked where rectangles land.

  SetBlend(GL_ZERO, GL_SRC_COLOR);
  EXPECT_TRUE(Enabled(GL_BLEND));
  EXPECT_EQ(GetInteger(GL_BLEND_DST), GL_SRC_COLOR);
}

TEST_F(GLHelpersTest, RectanglesFillWithEitherCornerOrderAndLandInOverlaySpace) {
  glViewport(0, 0, 800, 600);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  SetOrtho2D(false);
  const float red[4] = {1, 0, 0, 1};
  const float green[4] = {0, 1, 0, 1};
  DrawRect2D(0, 0, 320, 240, red);        // top-left quarter
  DrawRect2D(640, 480, 320, 240, green);  // bottom-right quarter, corners reversed
  EXPECT_EQ(At(100, 100), Pixel({255, 0, 0}));
  EXPECT_EQ(At(700, 500), Pixel({0, 255, 0}));
  EXPECT_EQ(At(700, 100), Pixel({0, 0, 0}));

  // Half-transparent white over black under source-alpha blending.
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const float halfWhite[4] = {1, 1, 1, 0.5f};
  DrawRect2D(320, 0, 640, 240, halfWhite);
  EXPECT_NEAR(At(700, 100)[0], 128, 2);

  const float a[2] = {0, 300};
  const float b[2] = {640, 300};
  const float blue[4] = {0, 0, 1, 1};
  glDisable(GL_BLEND);
  DrawLine2D(a, b, blue);
  EXPECT_EQ(At(200, 375)[2], 255);  // y 300 of 480 is row 375 of 600
}

TEST(TimeHelpersTest, TimeWindowIsOpenBelowAndClosedAbove) {
  EXPECT_FALSE(InTimeWindow(2.0f, 2.0f, 6.0f));
  EXPECT_TRUE(InTimeWindow(2.0001f, 2.0f, 6.0f));
  EXPECT_TRUE(InTimeWindow(6.0f, 2.0f, 6.0f));
  EXPECT_FALSE(InTimeWindow(6.0001f, 2.0f, 6.0f));
}

}  // namespace
