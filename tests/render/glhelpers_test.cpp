#include "render/glhelpers.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/gl_context.h"

namespace {

bool Enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

GLint ActiveUnit() {
  GLint unit = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  return unit;
}

void Matrix(GLenum which, float m[16]) { glGetFloatv(which, m); }

std::vector<int> Pixel(int x, int yFromTop) {
  uint8_t rgb[3];
  testsupport::PixelAt(x, yFromTop, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

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
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  float modelview[16];
  Matrix(GL_MODELVIEW_MATRIX, modelview);
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
  EXPECT_EQ(ActiveUnit(), GL_TEXTURE1);
  for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
    glActiveTextureARB(unit);
    EXPECT_FALSE(Enabled(GL_TEXTURE_2D) || Enabled(GL_TEXTURE_GEN_S) || Enabled(GL_TEXTURE_GEN_T))
        << unit;
  }
  EXPECT_FALSE(Enabled(GL_DEPTH_TEST) || Enabled(GL_CULL_FACE) || Enabled(GL_BLEND));
  // Blend factors are not the set-up's business.
  GLint source = 0;
  glGetIntegerv(GL_BLEND_SRC, &source);
  EXPECT_EQ(source, GL_ONE);

  SetOrtho2D(false);
  EXPECT_FALSE(Enabled(GL_LINE_SMOOTH));
  // Its 640 x 480 units, y down, are checked where rectangles land.

  SetBlend(GL_ZERO, GL_SRC_COLOR);
  EXPECT_TRUE(Enabled(GL_BLEND));
  GLint destination = 0;
  glGetIntegerv(GL_BLEND_DST, &destination);
  EXPECT_EQ(destination, GL_SRC_COLOR);
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
  EXPECT_EQ(Pixel(100, 100), std::vector<int>({255, 0, 0}));
  EXPECT_EQ(Pixel(700, 500), std::vector<int>({0, 255, 0}));
  EXPECT_EQ(Pixel(700, 100), std::vector<int>({0, 0, 0}));

  // Half-transparent white over black under source-alpha blending.
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const float halfWhite[4] = {1, 1, 1, 0.5f};
  DrawRect2D(320, 0, 640, 240, halfWhite);
  EXPECT_NEAR(Pixel(700, 100)[0], 128, 2);

  const float a[2] = {0, 300};
  const float b[2] = {640, 300};
  const float blue[4] = {0, 0, 1, 1};
  glDisable(GL_BLEND);
  DrawLine2D(a, b, blue);
  EXPECT_EQ(Pixel(200, 375)[2], 255);  // y 300 of 480 is row 375 of 600
}

TEST(TimeHelpersTest, TimeWindowIsOpenBelowAndClosedAbove) {
  EXPECT_FALSE(InTimeWindow(2.0f, 2.0f, 6.0f));
  EXPECT_TRUE(InTimeWindow(2.0001f, 2.0f, 6.0f));
  EXPECT_TRUE(InTimeWindow(6.0f, 2.0f, 6.0f));
  EXPECT_FALSE(InTimeWindow(6.0001f, 2.0f, 6.0f));
  // Adjacent windows neither overlap nor leave a gap.
  for (float t : {3.9999f, 4.0f, 4.0001f}) {
    EXPECT_NE(InTimeWindow(t, 2.0f, 4.0f), InTimeWindow(t, 4.0f, 6.0f)) << t;
  }
}

}  // namespace
