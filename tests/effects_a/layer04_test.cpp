// CLayer04: backdrop, looping tunnel on the layer clock, spinning model,
// additive overlays, dark bars and an additive title.
#include <gtest/gtest.h>

#include <memory>

#include "effects/layer04.h"
#include "effects_a/stage.h"
#include "platform/clock.h"
#include "support/gl_context.h"

namespace {

using fx::At;
using fx::Near;

// Backdrop mid grey, overlay dark grey, title black on its left half and dark
// blue on its right. The tunnel is a blue box that goes from the lower right
// (where the model sits) to the upper left over three frames; the model is
// a red bar.
class Layer04Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    platform::StartVirtualClock(10);
    stage_.reset(new fx::Stage);
    stage_->Picture("bw06.jpg", 128, 128, 128);
    stage_->Picture("treetex.jpg", 64, 64, 64);
    const uint8_t black[3] = {0, 0, 0}, blue[3] = {0, 0, 128};
    stage_->SplitPicture("vtt.jpg", black, blue);
    stage_->Picture("blue.jpg", 0, 0, 255);
    stage_->Picture("red.jpg", 255, 0, 0);
    stage_->MovingBox("tunel_0.3ds", 3, {60, 60, 60}, {118, 0, -50}, {-118, 0, 50}, "blue.jpg");
    stage_->StaticBox("strom.3ds", {0, 0, 0}, {80, 10, 10}, "red.jpg");
    layer_.reset(new CLayer04);
    ASSERT_EQ(layer_->Init().code, 0);
  }
  void TearDown() override { platform::StartRealClock(); }
  void RenderAt(float t, const char* shot) {
    fx::ClearFrame(1, 1, 1);
    layer_->Render(t);
    fx::Shot(shot);
  }
  std::unique_ptr<fx::Stage> stage_;
  std::unique_ptr<CLayer04> layer_;
};

// Backdrop, tunnel, model after a depth clear, two overlays and the title
// added with "screen" blending (each lightens by its own colour).
TEST_F(Layer04Test, PassesStackInOrderWithTheirBlendModes) {
  fx::ResetClearColour();
  RenderAt(0.0f, "l04_t0");
  EXPECT_TRUE(fx::ClearColourIs(0, 0, 0, 1));
  EXPECT_TRUE(Near(At(200, 200), 128, 128, 128, 4)) << At(200, 200);  // backdrop alone
  EXPECT_TRUE(Near(At(10, 70), 255, 255, 255, 4)) << At(10, 70);      // above the backdrop
  // 64 screened over 128 gives 160; again gives 184.
  EXPECT_TRUE(Near(At(470, 120), 160, 160, 160, 4)) << At(470, 120);
  EXPECT_TRUE(Near(At(470, 270), 160, 160, 208, 4)) << At(470, 270);  // + title's blue half
  EXPECT_TRUE(Near(At(460, 320), 184, 184, 220, 4)) << At(460, 320);  // both overlays + title
  EXPECT_TRUE(Near(At(370, 270), 128, 128, 128, 4)) << At(370, 270);  // title's black half
  // The red model over the blue tunnel box that is nearer in its own depth.
  EXPECT_TRUE(Near(At(572, 354), 255, 112, 112, 6)) << At(572, 354);
  EXPECT_TRUE(Near(At(530, 300), 112, 112, 255, 6)) << At(530, 300);
}

// Fifteen half-black passes: at x 330 three rectangles overlap at t = 0 (an
// eighth of the light left) and two at t = 1 (a quarter). The model turns
// at 70 degrees a second about its centre.
TEST_F(Layer04Test, BarsAndModelMoveWithTheSceneTime) {
  RenderAt(0.0f, "l04_t0");
  EXPECT_TRUE(Near(At(330, 340), 160, 160, 160, 4)) << At(330, 340);
  EXPECT_TRUE(Near(At(330, 371), 20, 20, 20, 4)) << At(330, 371);
  EXPECT_TRUE(Near(At(616, 336), 255, 112, 112, 6)) << At(616, 336);
  RenderAt(1.0f, "l04_t1");
  EXPECT_TRUE(Near(At(330, 371), 40, 40, 40, 4)) << At(330, 371);
  EXPECT_TRUE(Near(At(572, 354), 255, 112, 112, 6)) << At(572, 354);  // turns about its centre
  EXPECT_TRUE(Near(At(616, 336), 112, 112, 255, 6)) << At(616, 336);
  RenderAt(180.0f / 70.0f, "l04_half_turn");  // the bar looks as it did at t = 0
  EXPECT_TRUE(Near(At(616, 336), 255, 112, 112, 6)) << At(616, 336);
}

// Three frames a second of the layer clock: the tunnel box reaches the upper
// left at frame 3, one frame past the end is drawn, then the loop restarts;
// Restart goes back to frame 0 too.
TEST_F(Layer04Test, LayerClockLoopsAndRestartsTheTunnel) {
  RenderAt(0.0f, "l04_f0");
  EXPECT_TRUE(Near(At(100, 150), 128, 128, 128, 4)) << At(100, 150);
  fx::Advance(10);  // frame 3, the last
  RenderAt(0.0f, "l04_f3");
  EXPECT_TRUE(Near(At(100, 150), 0, 0, 255, 4)) << At(100, 150);
  EXPECT_DOUBLE_EQ(layer_->timer.GetTime(), 1.0);
  fx::Advance(1);  // frame 3.3: drawn, then restarted
  RenderAt(0.0f, "l04_f33");
  EXPECT_TRUE(Near(At(100, 150), 0, 0, 255, 4)) << At(100, 150);
  EXPECT_DOUBLE_EQ(layer_->timer.GetTime(), 0.0);
  RenderAt(0.0f, "l04_again");
  EXPECT_TRUE(Near(At(100, 150), 128, 128, 128, 4)) << At(100, 150);

  fx::Advance(5);
  layer_->Restart();
  RenderAt(0.0f, "l04_restart");
  EXPECT_TRUE(Near(At(100, 150), 128, 128, 128, 4)) << At(100, 150);
  EXPECT_TRUE(Near(At(530, 300), 112, 112, 255, 6)) << At(530, 300);
}

}  // namespace
