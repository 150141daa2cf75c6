// CLayer01: the glow around a keyframed scene on the layer's own clock.
#include <gtest/gtest.h>

#include <memory>

#include "effects/layer01.h"
#include "effects_a/stage.h"
#include "platform/clock.h"
#include "support/gl_context.h"

namespace {

using fx::At;
using fx::Near;

int RedAt(int windowX, int windowYFromTop) {
  uint8_t rgb[3];
  testsupport::PixelAt(windowX, windowYFromTop, rgb);
  return rgb[0];
}

// A white box on black, moving from left to right over ten frames. The layer
// clock moves only with the virtual clock, 0.1 s a step (half a frame).
class Layer01Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    platform::StartVirtualClock(10);
    stage_.reset(new fx::Stage);
    stage_->Picture("white.jpg", 255, 255, 255);
  }
  void TearDown() override { platform::StartRealClock(); }
  void Load(float size) {
    stage_->MovingBox("anim_02.3ds", 10, {size, size, size}, {-40, 0, 0}, {40, 0, 0}, "white.jpg");
    layer_.reset(new CLayer01);
    ASSERT_EQ(layer_->Init().code, 0);
  }
  void RenderAt(float t, const char* shot) {
    fx::ClearFrame(0, 0, 0);
    layer_->Render(t);
    fx::Shot(shot);
  }
  std::unique_ptr<fx::Stage> stage_;
  std::unique_ptr<CLayer01> layer_;
};

// Ten copies, each 10 units larger on every side and fainter: beyond the
// box's right edge the brightness steps down band by band, each band being
// covered by one copy fewer, and stops after the largest copy.
TEST_F(Layer01Test, GlowSpreadsBeyondTheSilhouetteInTenFadingBands) {
  Load(120);
  fx::Advance(10);  // frame 5: the box in the middle
  fx::ClearFrame(0, 0, 0);
  layer_->scene.Render(5.0f);
  const int row = 300;
  int edge = 400;
  while (edge < 799 && RedAt(edge + 1, row) > 128) ++edge;
  ASSERT_GT(edge, 500);
  EXPECT_EQ(RedAt(edge + 3, row), 0);  // nothing of the scene outside

  RenderAt(0.0f, "l01_glow");
  EXPECT_GE(RedAt(edge - 5, row), 250);
  const float half = float(edge) + 0.5f - 400.0f;  // edge distance from the centre
  for (int band = 0; band < 10; ++band) {
    double clear = 1.0;  // what copies band..9 leave of the black
    for (int i = band; i < 10; ++i) clear *= 1.0 - (0.33 - 0.023 * i);
    const float x = 400.0f + half * (1.0f + (10.0f * float(band) + 5.0f) / 320.0f);
    EXPECT_NEAR(RedAt(int(x), row), 255.0 * (1.0 - clear), 14.0) << "band " << band;
  }
  EXPECT_EQ(RedAt(int(400.0f + half * (1.0f + 110.0f / 320.0f)), row), 0);
}

// The animation follows the layer clock at 5 frames a second, not the scene
// time; one frame beyond the last is drawn and then the clock restarts.
TEST_F(Layer01Test, LayerClockDrivesAndLoopsTheAnimation) {
  Load(60);
  fx::ResetClearColour();
  RenderAt(0.0f, "l01_f0");
  EXPECT_TRUE(fx::ClearColourIs(0, 0, 0, 1));
  EXPECT_TRUE(Near(At(200, 240), 255, 255, 255)) << At(200, 240);  // box on the left
  EXPECT_TRUE(Near(At(440, 240), 0, 0, 0)) << At(440, 240);
  RenderAt(9.0f, "l01_f0_t9");  // another scene time, same picture
  EXPECT_TRUE(Near(At(200, 240), 255, 255, 255)) << At(200, 240);
  EXPECT_TRUE(Near(At(440, 240), 0, 0, 0)) << At(440, 240);

  fx::Advance(20);  // 2 s: frame 10, the last one, no restart yet
  RenderAt(0.0f, "l01_f10");
  EXPECT_DOUBLE_EQ(layer_->timer.GetTime(), 2.0);
  EXPECT_TRUE(Near(At(440, 240), 255, 255, 255)) << At(440, 240);  // box on the right
  EXPECT_TRUE(Near(At(200, 240), 0, 0, 0)) << At(200, 240);
  // The small pass in the lower-left corner was cleared away.
  EXPECT_TRUE(Near(At(256, 376), 0, 0, 0)) << At(256, 376);

  fx::Advance(1);  // frame 10.5: still drawn, then the clock restarts
  RenderAt(0.0f, "l01_f10_5");
  EXPECT_TRUE(Near(At(440, 240), 255, 255, 255)) << At(440, 240);
  EXPECT_DOUBLE_EQ(layer_->timer.GetTime(), 0.0);
  RenderAt(0.0f, "l01_again");
  EXPECT_TRUE(Near(At(200, 240), 255, 255, 255)) << At(200, 240);

  fx::Advance(12);
  layer_->Restart();
  RenderAt(0.0f, "l01_restart");
  EXPECT_TRUE(Near(At(200, 240), 255, 255, 255)) << At(200, 240);
}

}  // namespace
