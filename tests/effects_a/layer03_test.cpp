// CLayer03: a backdrop picture and five nested copies of a model in front.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "effects/layer03.h"
#include "effects_a/stage.h"
#include "support/gl_context.h"

namespace {

using fx::At;
using fx::Near;

// The crab is a red cube of side 100; the backdrop is green.
class Layer03Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    stage_.reset(new fx::Stage);
    stage_->Picture("red.jpg", 255, 0, 0);
    stage_->Picture("kable.jpg", 0, 255, 0);
    stage_->StaticBox("krab.3ds", {0, 0, 0}, {100, 100, 100}, "red.jpg");
    ASSERT_EQ(layer_.Init().code, 0);
  }
  void RenderAt(float t, const char* shot) {
    fx::ClearFrame(1, 1, 1);
    layer_.Render(t);
    fx::Shot(shot);
  }
  std::unique_ptr<fx::Stage> stage_;
  CLayer03 layer_;
};

TEST_F(Layer03Test, BackdropFillsTheBandBehindTheCopies) {
  fx::ResetClearColour();
  RenderAt(0.0f, "l03_t0");
  EXPECT_TRUE(fx::ClearColourIs(0, 0, 0, 1));
  // The picture covers y 80 to 480, all across; above it the frame's clear.
  for (float y : {85.0f, 240.0f, 395.0f, 470.0f}) {
    EXPECT_TRUE(Near(At(10, y), 0, 255, 0)) << y << " " << At(10, y);
    EXPECT_TRUE(Near(At(630, y), 0, 255, 0)) << y << " " << At(630, y);
  }
  EXPECT_TRUE(Near(At(10, 70), 255, 255, 255)) << At(10, 70);
  // The copies are drawn over it; the largest, scaled 1.05, reaches beyond
  // 100 units from the centre all round but never past 230.
  for (int i = 0; i < 8; ++i) {
    const float angle = float(i) * 0.785398f;
    const float x = 320.0f + 100.0f * std::cos(angle), y = 240.0f + 100.0f * std::sin(angle);
    EXPECT_TRUE(Near(At(x, y), 255, 0, 0, 60)) << x << ", " << y << " " << At(x, y);
  }
  EXPECT_TRUE(Near(At(90, 240), 0, 255, 0)) << At(90, 240);
  EXPECT_TRUE(Near(At(550, 240), 0, 255, 0)) << At(550, 240);
}

// Pixels whose red differs by more than 40 between two frames.
size_t Changed(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  size_t changed = 0;
  for (size_t i = 0; i < a.size(); i += 3) changed += std::abs(int(a[i]) - int(b[i])) > 40;
  return changed;
}

// The copies turn with the scene time, and the whole motion (turns of 60 and
// 80 degrees a second, wobbles of 6 s and 4.5 s) repeats every 18 seconds.
TEST_F(Layer03Test, CopiesTurnWithTheSceneTimeAndRepeatEvery18Seconds) {
  RenderAt(0.0f, "l03_t0");
  const std::vector<uint8_t> first = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  RenderAt(0.5f, "l03_t05");
  EXPECT_GT(Changed(first, testsupport::ReadPixelsTopFirst(0, 0, 800, 600)), 2000u);
  RenderAt(9.0f, "l03_t9");
  EXPECT_GT(Changed(first, testsupport::ReadPixelsTopFirst(0, 0, 800, 600)), 2000u);
  RenderAt(18.0f, "l03_t18");
  EXPECT_LT(Changed(first, testsupport::ReadPixelsTopFirst(0, 0, 800, 600)), 300u);
}

}  // namespace
