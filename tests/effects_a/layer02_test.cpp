// CLayer02: a looping keyframed scene with an object flying in front of it.
#include <gtest/gtest.h>

#include <memory>

#include "effects/layer02.h"
#include "effects_a/stage.h"
#include "platform/clock.h"
#include "support/gl_context.h"

namespace {

using fx::At;
using fx::Near;

// The scene: a blue box that starts on the right, where the object sits at
// t = 0, and moves to the left over ten frames. The object: a small red box.
class Layer02Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    platform::StartVirtualClock(10);
    stage_.reset(new fx::Stage);
    stage_->Picture("blue.jpg", 0, 0, 255);
    stage_->Picture("red.jpg", 255, 0, 0);
    stage_->MovingBox("anim_03.3ds", 10, {80, 80, 80}, {60, 0, 0}, {-60, 0, 0}, "blue.jpg");
    stage_->StaticBox("object_01.3ds", {0, 0, 0}, {30, 30, 30}, "red.jpg");
    layer_.reset(new CLayer02);
    ASSERT_EQ(layer_->Init().code, 0);
  }
  void TearDown() override { platform::StartRealClock(); }
  void RenderAt(float t, const char* shot) {
    fx::ClearFrame(1, 1, 1);
    layer_->Render(t);
    fx::Shot(shot);
  }
  std::unique_ptr<fx::Stage> stage_;
  std::unique_ptr<CLayer02> layer_;
};

// At t = 0 the object sits 80 units right of the centre, drawn over the
// scene although the scene's box is nearer in its own depth range.
TEST_F(Layer02Test, ObjectIsDrawnOverTheSceneRightOfCentre) {
  fx::ResetClearColour();
  RenderAt(0.0f, "l02_t0");
  EXPECT_TRUE(Near(At(453, 240), 255, 0, 0)) << At(453, 240);
  EXPECT_TRUE(Near(At(390, 240), 0, 0, 255)) << At(390, 240);  // scene box beside it
  EXPECT_TRUE(Near(At(187, 240), 255, 255, 255)) << At(187, 240);
  EXPECT_TRUE(Near(At(320, 240), 255, 255, 255)) << At(320, 240);
  // This layer keeps the shell's clear colour.
  EXPECT_TRUE(fx::ClearColourIs(1, 1, 1, 0));
  RenderAt(1.0f, "l02_t1");  // the object has moved on
  EXPECT_FALSE(Near(At(453, 240), 255, 0, 0, 60)) << At(453, 240);
}

// Ten frames a second of the layer clock; the frame past the last one is
// drawn before the clock restarts, and Restart starts again from frame 0.
TEST_F(Layer02Test, LayerClockDrivesLoopsAndRestartsTheScene) {
  fx::Advance(5);  // frame 5: the box in the middle
  RenderAt(0.0f, "l02_f5");
  EXPECT_TRUE(Near(At(250, 240), 0, 0, 255)) << At(250, 240);
  EXPECT_TRUE(Near(At(515, 240), 255, 255, 255)) << At(515, 240);
  layer_->Restart();
  RenderAt(0.0f, "l02_restart");
  EXPECT_TRUE(Near(At(515, 240), 0, 0, 255)) << At(515, 240);
  EXPECT_TRUE(Near(At(250, 240), 255, 255, 255)) << At(250, 240);

  fx::Advance(10);  // frame 10, the last: no restart
  RenderAt(0.0f, "l02_f10");
  EXPECT_DOUBLE_EQ(layer_->timer.GetTime(), 1.0);
  fx::Advance(1);  // frame 11: drawn, then restarted
  RenderAt(0.0f, "l02_f11");
  EXPECT_TRUE(Near(At(200, 240), 0, 0, 255)) << At(200, 240);  // box on the left
  EXPECT_DOUBLE_EQ(layer_->timer.GetTime(), 0.0);
  RenderAt(0.0f, "l02_f0");
  EXPECT_TRUE(Near(At(515, 240), 0, 0, 255)) << At(515, 240);  // and back on the right
}

}  // namespace
