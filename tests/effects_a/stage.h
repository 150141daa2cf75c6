// The layers and what their tests share: a working folder with scenes\ and
// textures\ and the production's texture library pointed at it, flat
// pictures and small scenes to put there, and frames played the way the shell
// plays them and read back.
#pragma once
#include <gtest/gtest.h>

#include "content/scene_builder.h"
#include "effects/layer00.h"
#include "effects/layer01.h"
#include "effects/layer02.h"
#include "effects/layer03.h"
#include "effects/layer04.h"
#include "effects/layer05.h"
#include "effects/layer06.h"
#include "effects/layer07.h"
#include "effects/layer08.h"
#include "effects/layer09.h"
#include "effects/layer10.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"

namespace fx {

using content::SceneVec3;

struct Rgb {
  int r, g, b;
};
constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0},
    kBlue{0, 0, 255};

// Every channel within `tolerance` of `want`; a failure names the colour found.
testing::AssertionResult Near(Rgb found, Rgb want, int tolerance = 12);

// The 800 x 600 window read back, top row first.
struct Frame {
  std::vector<uint8_t> rgb;
  Rgb Px(int x, int y) const;  // a window pixel
  // The pixel under a point of the 640 x 480 overlay.
  Rgb At(float x, float y) const { return Px(int(x * 1.25f), int(y * 1.25f)); }
  // Pixels where some channel differs from `other` by more than `tolerance`.
  int Differences(const Frame& other, int tolerance) const;
};

// Every point (of the overlay) near `want`.
void ExpectAt(const Frame& f, std::initializer_list<std::pair<float, float>> points, Rgb want,
              int tolerance = 12);
Frame ReadFrame();
// Clears colour (to `grey`) and depth as the window does after a present.
void Clear(float grey);
// One frame as the shell draws it: the window cleared, the clear colour of
// the next frame reset to the shell's white, the layer at scene time t.
Frame Play(CLayer& layer, float t, float grey = 1.0f);
// The frame just drawn asked for the next one to be cleared to opaque black.
bool NextClearIsBlack();
// Moves the virtual clock on by `frames` frames.
void Advance(int frames);

// Adds a box whose material, mesh and object node are all named `name`,
// painted `paint` and textured with `map` if given; turned inside out, to be
// seen from inside, when `inward`.
void AddBox(content::SceneBuilder& scene, const std::string& name, SceneVec3 centre, SceneVec3 size,
            SceneVec3 paint, const std::string& map = "", bool inward = false);
// A scene of one box named "box".
content::SceneBuilder BoxScene(SceneVec3 centre, SceneVec3 size, SceneVec3 paint,
                               const std::string& map = "", bool inward = false);
// A keyframed scene of `frames` frames: a box sliding from `from` to `to`,
// filmed (unless `camera` is false) from (0, -300, 0) towards the origin, +z
// up, so that x runs across the picture and z up it.
content::SceneBuilder MovingBox(int frames, SceneVec3 size, SceneVec3 from, SceneVec3 to,
                                SceneVec3 paint, const std::string& map = "", bool camera = true);

// The current directory while it lives; the texture library is emptied on
// both ends, so that no picture of one test is found by another.
class Stage {
 public:
  Stage();
  ~Stage();
  void Picture(const std::string& name, Rgb colour) const;  // 16 x 16, one colour
  void Scene(const std::string& name, const content::SceneBuilder& scene) const;

 private:
  testsupport::TempDir dir_;
  testsupport::ScopedChdir here_{dir_.path()};
};

// Starts a virtual clock of ten frames a second and the swarm's generator at
// 1 before the fixture's layers (and their clocks) are made; SetUp makes sure
// of the GL context.
class LayerTest : public testing::Test {
 protected:
  LayerTest();
  ~LayerTest() override;
  void SetUp() override { ASSERT_TRUE(testsupport::EnsureGLContext()); }
  Stage stage;
};

// A layer whose keyframes run on its own clock: the last keyframe is reached
// after `stepsToLast` frames; it and the step past it are drawn, then the
// clock starts again, as it does on Restart. Frames are cleared to `grey`.
template <class Layer>
void ExpectClockLoops(Layer& layer, int stepsToLast, float grey = 1.0f) {
  layer.Restart();
  const Frame first = Play(layer, 0.0f, grey);
  Advance(stepsToLast);
  const Frame last = Play(layer, 0.0f, grey);
  EXPECT_GT(last.Differences(first, 40), 1000);
  EXPECT_DOUBLE_EQ(layer.clock.timer.GetTime(), 0.1 * stepsToLast);
  Advance(1);
  EXPECT_LT(Play(layer, 0.0f, grey).Differences(last, 40), 100);
  EXPECT_EQ(layer.clock.timer.GetTime(), 0.0);
  EXPECT_EQ(Play(layer, 0.0f, grey).Differences(first, 0), 0);
  Advance(5);
  layer.Restart();
  EXPECT_EQ(Play(layer, 0.0f, grey).Differences(first, 0), 0);
}

}  // namespace fx
