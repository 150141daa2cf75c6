#include "render/screencopies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "support/gl_state.h"

namespace {

using testsupport::GetInteger;

// Ten copies as the glow draws them.
const float kGlowMargin[10] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
const float kGlowAlpha[10] = {0.33f,  0.307f, 0.284f, 0.261f, 0.238f,
                              0.215f, 0.192f, 0.169f, 0.146f, 0.123f};

// A capture holding a noisy picture with hard edges: the worst case for two
// ways of blending the same copies.
class ScreenCopiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::EnsureGLContext()) GTEST_SKIP() << "no GL context";
    glViewport(0, 0, 800, 600);
    SetReferenceDrawing(false);
    SetOrtho2D(false);
    glClearColor(0.2f, 0.5f, 0.8f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::srand(7);
    for (int y = 0; y < 600; y += 20) {
      for (int x = 0; x < 800; x += 20) {
        const float c[4] = {float(std::rand() % 256) / 255.0f, float(std::rand() % 2),
                            float(std::rand() % 256) / 255.0f, 1.0f};
        DrawRect2D(x * 0.8f, y * 0.8f, (x + 20) * 0.8f, (y + 20) * 0.8f, c);
      }
    }
    capture.Create(512, 256);
    capture.BeginCapture();
    capture.EndCapture();
  }
  void TearDown() override { SetReferenceDrawing(false); }

  // A fixed background, with source-alpha blending on for the copies.
  static void Background() {
    SetOrtho2D(false);
    const float background[4] = {0.9f, 0.3f, 0.1f, 1.0f};
    DrawRect2D(0, 0, 640, 480, background);
    SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  // The frame after drawing the copies over the background, either way.
  std::vector<uint8_t> Draw(bool reference, const float* margin, const float* alpha, int count) {
    SetReferenceDrawing(reference);
    Background();
    DrawScreenCopies(capture, margin, alpha, count);
    return testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  }

  static int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
  }

  CRenderTexture capture;
};

TEST_F(ScreenCopiesTest, FoldedCopiesGiveTheSumOfSeparateBlendsAndTheirState) {
  ASSERT_GE(ScreenCopiesPerPass(), 2);
  // Ten copies as the glow draws them (two passes here), then the echo at
  // its weakest pulse, whose first copy has alpha 0 and is left out, and one
  // whose faint first copies round to nothing.
  const float echoMargin[10] = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
  const float echoAlpha[10] = {0.0f, 0.01f, 0.02f, 0.03f, 0.04f, 0.05f, 0.06f, 0.07f, 0.08f, 0.09f};
  const float faintMargin[3] = {10, 60, 460};
  const float faintAlpha[3] = {0.0005f, 0.0015f, 0.5f};
  struct Case {
    const float* margin;
    const float* alpha;
    int count;
  };
  for (const Case& c : {Case{kGlowMargin, kGlowAlpha, 10}, Case{echoMargin, echoAlpha, 10},
                        Case{faintMargin, faintAlpha, 3}}) {
    const std::vector<uint8_t> reference = Draw(true, c.margin, c.alpha, c.count);
    const std::vector<uint8_t> fast = Draw(false, c.margin, c.alpha, c.count);
    // Each of up to ten separate blends rounds to 8 bits; the fold rounds once.
    EXPECT_LE(LargestDifference(reference, fast), 5)
        << c.count << " copies, first alpha " << c.alpha[0];
  }
  // No copies at all leave the frame as it was.
  const std::vector<uint8_t> background = Draw(true, kGlowMargin, kGlowAlpha, 0);
  EXPECT_EQ(LargestDifference(background, Draw(false, kGlowMargin, kGlowAlpha, 0)), 0);
  EXPECT_GT(LargestDifference(background, Draw(false, kGlowMargin, kGlowAlpha, 10)), 40);
  // The fold leaves the state of the straightforward drawing.
  EXPECT_EQ(std::vector<GLint>({GetInteger(GL_ACTIVE_TEXTURE), GetInteger(GL_BLEND_SRC_RGB),
                                GetInteger(GL_BLEND_DST_RGB)}),
            std::vector<GLint>({GL_TEXTURE0, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
  float colour[4] = {0, 0, 0, 0};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_TRUE(colour[0] == 1.0f && colour[3] == kGlowAlpha[9]) << colour[0] << " " << colour[3];
  for (int unit = 0; unit < ScreenCopiesPerPass(); ++unit) {
    glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit " << unit;
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE) << "unit " << unit;
  }
  glActiveTexture(GL_TEXTURE0);
}

// The copies summed at the capture's size and laid on in one quad: within
// resampling of the separate blends over the band between the bars (the
// rest is covered by the bars), and every state the summing touches put back.
TEST_F(ScreenCopiesTest, SummedCopiesMatchSeparateBlendsAndRestoreTheState) {
  CScreenCopySum sum;
  sum.Create(512, 256);
  ASSERT_NE(sum.Texture().id, 0u);
  const auto drawBand = [&](bool reference, int count) {
    SetReferenceDrawing(reference);
    // A 3D state as the effects leave it after their capture.
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    sum.Sum(capture, kGlowMargin, kGlowAlpha, count);
    GLint viewport[4] = {0, 0, 0, 0};
    float projection[16] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_EQ(std::vector<GLint>({viewport[2], viewport[3], GetInteger(GL_BLEND_SRC_RGB),
                                  GetInteger(GL_BLEND_DST_RGB)}),
              std::vector<GLint>({800, 600, GL_DST_COLOR, GL_ZERO}));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && projection[0] == 1.0f && projection[11] == -1.0f);
    Background();
    sum.Draw();
    return testsupport::ReadPixelsTopFirst(0, 100, 800, 400);
  };
  const std::vector<uint8_t> reference = drawBand(true, 10);
  const std::vector<uint8_t> fast = drawBand(false, 10);
  double squares = 0.0;
  for (size_t i = 0; i < fast.size(); ++i)
    squares += double(fast[i] - reference[i]) * (fast[i] - reference[i]);
  const double psnr = 10.0 * std::log10(255.0 * 255.0 * double(fast.size()) / squares);
  // Hard-edged blocks: the worst case for summing at the capture's size.
  EXPECT_GE(psnr, 40.0);
  std::printf("summed copies: %.1f dB\n", psnr);
  // No copies: the frame stays as it was, also after a frame with copies.
  const std::vector<uint8_t> none = drawBand(false, 0);
  EXPECT_EQ(LargestDifference(none, drawBand(true, 0)), 0);
  EXPECT_GT(LargestDifference(none, fast), 40);
}

// The band between the letterbox bars of the current viewport, wherever the
// viewport lies in the drawable: overlay y 80 to 400 is drawn, the rest not.
TEST_F(ScreenCopiesTest, PictureBandFollowsTheViewport) {
  const float red[4] = {1, 0, 0, 1};
  struct Port {
    int x, y, w, h;
  };
  for (const Port& p : {Port{0, 0, 800, 600}, Port{80, 30, 640, 480}}) {
    glViewport(0, 0, 800, 600);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glViewport(p.x, p.y, p.w, p.h);
    SetOrtho2D(false);
    BeginPictureBand();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawRect2D(0, 0, 640, 480, red);
    EndPictureBand();
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    const int top = 600 - (p.y + p.h);  // rows from the top of the drawable
    const auto row = [&](float overlayY) { return top + int(overlayY * p.h / 480.0f); };
    const auto redAt = [&](int x, float overlayY) {
      return testsupport::PixelRgb(x, row(overlayY))[0];
    };
    const int middle = p.x + p.w / 2;
    EXPECT_EQ(
        std::vector<int>({redAt(middle, 81), redAt(middle, 399), redAt(middle, 75),
                          redAt(middle, 410), redAt(p.x + 2, 240), redAt(p.x + p.w - 2, 240)}),
        std::vector<int>({255, 255, 0, 0, 255, 255}))
        << p.w;
  }
  // The straightforward drawing draws everywhere.
  SetReferenceDrawing(true);
  glViewport(0, 0, 800, 600);
  SetOrtho2D(false);
  BeginPictureBand();
  DrawRect2D(0, 0, 640, 480, red);
  EndPictureBand();
  EXPECT_EQ(testsupport::PixelRgb(400, 20)[0], 255);
}

// Drawn behind, a picture lands only where nothing wrote depth since the
// clear, even behind the farthest drawing, and the depth state is back to
// the usual afterwards.
TEST_F(ScreenCopiesTest, DrawnBehindShowsOnlyWhereNothingWroteDepth) {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SetOrtho2D(false);
  glEnable(GL_DEPTH_TEST);
  glColor3f(1, 0, 0);
  glBegin(GL_QUADS);  // the left half, almost at the far plane
  glVertex3f(0, 0, -0.99f);
  glVertex3f(320, 0, -0.99f);
  glVertex3f(320, 480, -0.99f);
  glVertex3f(0, 480, -0.99f);
  glEnd();
  SetOrtho2D(false);
  BeginBehind();
  const float blue[4] = {0, 0, 1, 1};
  DrawRect2D(0, 0, 640, 480, blue);
  EndBehind();
  EXPECT_EQ(testsupport::PixelRgb(200, 300), std::vector<int>({255, 0, 0}));
  EXPECT_EQ(testsupport::PixelRgb(600, 300), std::vector<int>({0, 0, 255}));
  GLfloat range[2] = {0, 0};
  glGetFloatv(GL_DEPTH_RANGE, range);
  GLboolean mask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_EQ(std::vector<GLint>({GetInteger(GL_DEPTH_FUNC), glIsEnabled(GL_DEPTH_TEST), mask}),
            std::vector<GLint>({GL_LESS, GL_FALSE, GL_TRUE}));
  EXPECT_EQ(std::vector<float>(range, range + 2), std::vector<float>({0.0f, 1.0f}));
}

}  // namespace
