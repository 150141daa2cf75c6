// Offscreen frames of layers 05 to 10 at chosen times, with flat-coloured
// pictures and models, so that step order, blend factors and timing show
// in single pixels.
#include <gtest/gtest.h>

#include "effects/layer05.h"
#include "effects/layer06.h"
#include "effects/layer07.h"
#include "effects/layer08.h"
#include "effects/layer09.h"
#include "effects/layer10.h"
#include "effects_b/fixtures.h"
#include "platform/clock.h"
#include "render/glhelpers.h"
#include "shell/globals.h"

namespace {

using fxb::Colour;
using fxb::Frame;
using fxb::Near;
using fxb::Play;

const Colour kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0};
const Colour kPicture{40, 160, 40};

class LayerRenderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx_.ready);
    platform::StartVirtualClock(10);  // frames of 0.1 s
    ParticleRandomSeed(1);
  }
  void TearDown() override {
    glDisable(GL_TEXTURE_2D);
    platform::StartRealClock();
  }
  static void Advance(int frames) {
    while (frames-- > 0) platform::AdvanceVirtualFrame();
  }
  // The picture fills y 80..400 of the overlay; the clear shows above and below.
  static void ExpectLetterbox(const Frame& f) {
    EXPECT_TRUE(Near(f.At2D(320, 78), kWhite) && Near(f.At2D(320, 402), kWhite));
    EXPECT_TRUE(Near(f.At2D(320, 82), kPicture) && Near(f.At2D(639, 398), kPicture));
  }
  fxb::LayerFixture fx_;
};

// At particle clock 0 all 150 sprites sit on (-25, 0, 0), pixels 88..192 by
// 248..352, added onto the opaque picture drawn before them.
TEST_F(LayerRenderTest, Layer05SwarmAddsOntoThePicture) {
  fx_.Jpeg("poz2.jpg", kPicture);
  fx_.Jpeg("envmap_0.jpg", {255, 0, 0});
  CLayer05 layer;
  ASSERT_EQ(layer.Init().code, 0);
  layer.Restart();
  const Frame f = Play(layer, 0.0f);
  ExpectLetterbox(f);
  const Colour sum{255, 160, 40};
  EXPECT_TRUE(Near(f.At(94, 300), sum) && Near(f.At(186, 300), sum) && Near(f.At(140, 254), sum));
  EXPECT_TRUE(Near(f.At(82, 300), kPicture) && Near(f.At(140, 242), kPicture));
  EXPECT_EQ(f.Count(sum) + f.Count(kPicture) + f.Count(kWhite), 800 * 600);

  // The picture moves with the particle clock from frame to frame, not with t.
  Advance(15);
  const Frame a = Play(layer, 0.0f);
  EXPECT_EQ(a.Differences(Play(layer, 40.0f), 0), 0);
  Advance(1);
  EXPECT_GT(a.Differences(Play(layer, 0.0f), 8), 200);

  // Restart resets the particle clock; the particles keep their births.
  Advance(60);
  Play(layer, 0.0f);
  std::vector<float> births;
  for (const Particle& p : layer.swarm.particles) births.push_back(p.birth);
  layer.Restart();
  EXPECT_EQ(layer.swarm.clock.GetTime(), 0.0);
  Play(layer, 0.0f);
  for (size_t i = 0; i < births.size(); ++i) ASSERT_EQ(layer.swarm.particles[i].birth, births[i]);
}

class Layer06Test : public LayerRenderTest {
 protected:
  // A red cube tumbling before a "cone": a blue room around the eye, or a
  // small blue box that leaves most of the view empty.
  void Init(bool room) {
    fx_.Scene("object_04.3ds", fxb::BoxScene({100, 100, 100}, {1, 0, 0}));
    content::SceneBuilder cone;
    cone.AddMaterial(fxb::Paint({0, 0, 1}));
    cone.AddMesh(room ? fxb::InsideOutBox("cone", 600, "paint")
                      : content::MakeBox("cone", {0, 0, 100}, {20, 20, 20}, "paint"));
    cone.AddObjectNode("cone");
    fx_.Scene("cone.3ds", cone);
    ASSERT_EQ(layer_.Init().code, 0);
  }
  // Pixels of the blue room tinted red by copies of the cube, and how many
  // of them lie more than 130 pixels from the centre.
  static int Tinted(const Frame& f, int* far) {
    int n = 0;
    *far = 0;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        const uint8_t* p = f.At(x, y);
        if (p[2] < 200 || p[0] <= p[1] + 10) continue;
        ++n;
        *far += (x - 400) * (x - 400) + (y - 300) * (y - 300) > 130 * 130;
      }
    }
    return n;
  }
  CLayer06 layer_;
};

// The copies lay the capture (the cube on the white it was captured over)
// on the frame: the room far from the cube is lightened by
// 1 - (1 - 0)(1 - 0.01)...(1 - 0.09) = 0.37 at t = 0, by 0.70 (alphas 0.125
// down to 0.1025) at t = 4.5, where they also spread 460 units beyond the
// edges, and again by 0.37 at t = 9.
TEST_F(Layer06Test, CopiesPulseWithTheSine) {
  Init(true);
  int far0 = 0, far45 = 0, far9 = 0;
  const Frame calm = Play(layer_, 0.0f);
  EXPECT_TRUE(Near(calm.At(400, 300), kRed, 30));  // the cube in front of the room
  EXPECT_TRUE(Near(calm.At2D(40, 120), {95, 95, 255}, 6));
  const int tint0 = Tinted(calm, &far0);
  const Frame wide = Play(layer_, 4.5f);
  EXPECT_TRUE(Near(wide.At2D(40, 120), {179, 179, 255}, 8));
  EXPECT_GT(Tinted(wide, &far45), 4 * tint0 + 5000);
  EXPECT_GT(far45, 300);
  EXPECT_EQ(far0, 0);
  const Frame nine = Play(layer_, 9.0f);
  EXPECT_TRUE(Near(nine.At2D(40, 120), {95, 95, 255}, 6));
  EXPECT_LT(Tinted(nine, &far9), 2 * tint0 + 50);
}

// What earlier layers of the frame drew is cleared away.
TEST_F(Layer06Test, ClearsWhatCameBefore) {
  Init(false);
  const float white[4] = {1, 1, 1, 0};
  const float green[4] = {0, 1, 0, 1};
  fxb::Clear(white);
  SetOrtho2D(false);
  DrawRect2D(480, 0, 640, 160, green);  // outside the capture corner
  layer_.Render(0.0f);
  const Frame f = fxb::ReadFrame();
  EXPECT_TRUE(Near(f.At(700, 100), kWhite, 4));
  EXPECT_TRUE(Near(f.At(400, 300), kRed, 30));
}

// At t = 0 the bar (120 x 40 x 60) stands untumbled at half size, 150 left
// of and 75 below the view axis: around pixel (177, 411).
TEST_F(LayerRenderTest, Layer07TumblesInTheLowerLeft) {
  fx_.Jpeg("poz3.jpg", kPicture);
  fx_.Scene("object_04.3ds", fxb::BoxScene({120, 40, 60}, {1, 0, 0}));
  CLayer07 layer;
  ASSERT_EQ(layer.Init().code, 0);
  const Frame f = Play(layer, 0.0f);
  ExpectLetterbox(f);
  EXPECT_TRUE(Near(f.At(177, 411), kRed) && Near(f.At(137, 411), kRed) &&
              Near(f.At(217, 411), kRed));
  EXPECT_TRUE(Near(f.At(113, 411), kPicture) && Near(f.At(241, 411), kPicture));
  EXPECT_TRUE(Near(f.At(177, 383), kPicture));
  const Frame later = Play(layer, 0.5f);
  EXPECT_TRUE(Near(later.At(177, 411), kRed));  // turning about its own centre
  EXPECT_GT(f.Differences(later, 30), 300);
}

class Layer08Test : public LayerRenderTest {
 protected:
  // A red cube sliding from x -100 to +100 over 20 frames in a dark blue
  // room, filmed from 300 units away.
  void SetUp() override {
    LayerRenderTest::SetUp();
    content::SceneBuilder scene;
    scene.AddMaterial(fxb::Paint({1, 0, 0}));
    content::SceneMaterial blue = fxb::Paint({0, 0, 0.4f});
    blue.name = "blue";
    scene.AddMaterial(blue);
    scene.AddMesh(content::MakeBox("cube", {0, 0, 0}, {60, 60, 60}, "paint"));
    scene.AddMesh(fxb::InsideOutBox("room", 2000, "blue"));
    const content::SceneNodeId cube = scene.AddObjectNode("cube");
    scene.AddObjectNode("room");
    scene.AddPositionKey(cube, 0, {-100, 0, 0});
    scene.AddPositionKey(cube, 20, {100, 0, 0});
    scene.AddCamera({"cam", {0, -300, 0}, {0, 0, 0}, 45, 0, 0, 5000});
    scene.AddCameraNode("cam");
    scene.AddTargetNode("cam");
    scene.SetFrames(20);
    fx_.Scene("anim_05.3ds", scene);
    ASSERT_EQ(layer_.Init().code, 0);
    layer_.Restart();
  }
  static double CubeX(const Frame& f) {  // mean x of the red pixels
    double sum = 0, n = 0;
    for (int y = 0; y < 600; ++y) {
      for (int x = 0; x < 800; ++x) {
        if (Near(f.At(x, y), kRed, 20)) sum += x, ++n;
      }
    }
    return sum / n;
  }
  CLayer08 layer_;
  const Colour kRoom{0, 0, 102};
};

// Frame 10: the cube in the middle, its edge 80.5 pixels above the centre.
// 4 pixels outside nearly all copies are red (strongest first, together
// about 0.8); 20 pixels out only the three largest, weakest (0.11, 0.09,
// 0.07: together 0.25); 28 out none. The room far off and the corner where
// the small pass drew are untouched.
TEST_F(Layer08Test, GlowFadesOutsideTheModel) {
  Advance(10);
  const Frame f = Play(layer_, 0.0f);
  EXPECT_NEAR(CubeX(f), 400, 4);
  EXPECT_TRUE(Near(f.At(400, 300), kRed));
  EXPECT_NEAR(f.At(400, 300 - 84)[0], 205, 20);
  EXPECT_NEAR(f.At(400, 300 - 100)[0], 62, 25);
  EXPECT_TRUE(Near(f.At(400, 300 - 108), kRoom, 4));
  EXPECT_TRUE(Near(f.At(700, 300), kRoom) && Near(f.At(256, 472), kRoom));
}

// The animation runs on the layer clock at 10 frames a second and ignores
// the scene time; the first frame past frame 20 is still drawn, then the
// clock restarts.
TEST_F(Layer08Test, LoopsOnItsOwnClock) {
  const Frame start = Play(layer_, 0.0f);
  EXPECT_LT(CubeX(start), 300);
  EXPECT_EQ(start.Differences(Play(layer_, 99.0f), 0), 0);
  Advance(20);
  EXPECT_GT(CubeX(Play(layer_, 0.0f)), 500);
  EXPECT_GT(layer_.timer.GetTime(), 1.9);
  Advance(1);
  EXPECT_GT(CubeX(Play(layer_, 0.0f)), 500);
  EXPECT_EQ(layer_.timer.GetTime(), 0.0);
  Advance(1);
  EXPECT_LT(CubeX(Play(layer_, 0.0f)), 300);
  Advance(5);
  layer_.Restart();
  EXPECT_EQ(layer_.timer.GetTime(), 0.0);
}

// Looking along +z from (0, 0, -100), the model's +50 on x shows on the
// left, around pixel (238, 300); it turns once in 6 seconds.
TEST_F(LayerRenderTest, Layer09TurnsOnTheViewersLeft) {
  fx_.Jpeg("poz5.jpg", kPicture);
  fx_.Scene("igra.3ds", fxb::BoxScene({160, 60, 80}, {1, 0, 0}));
  CLayer09 layer;
  ASSERT_EQ(layer.Init().code, 0);
  const Frame f = Play(layer, 0.0f);
  ExpectLetterbox(f);
  EXPECT_TRUE(Near(f.At(238, 300), kRed) && Near(f.At(178, 300), kRed) &&
              Near(f.At(238, 320), kRed));
  EXPECT_TRUE(Near(f.At(148, 300), kPicture) && Near(f.At(318, 300), kPicture));
  EXPECT_TRUE(Near(f.At(238, 334), kPicture) && Near(f.At(562, 300), kPicture));
  EXPECT_GT(f.Count(kRed), 4000);
  EXPECT_GT(f.Differences(Play(layer, 1.5f), 30), 1500);
  EXPECT_LT(f.Differences(Play(layer, 6.0f), 30), 40);
}

// The closing picture covers x 64..576, y 80..400; beside it the clear shows,
// black from the layer's second frame on (the window clears with the colour
// the frame before set). Without its picture the panel is plain white.
TEST_F(LayerRenderTest, Layer10OnBlackFromTheSecondFrame) {
  CLayer10 withPicture, without;
  ASSERT_EQ(without.Init().code, 0);
  fx_.Jpeg("end.jpg", {200, 40, 40});
  ASSERT_EQ(withPicture.Init().code, 0);
  const float white[4] = {1, 1, 1, 0};
  const auto frame = [&](CLayer10& layer) {
    for (int i = 0; i < 4; ++i) glWindow.clearColor[i] = white[i];  // the shell's reset
    glEnable(GL_BLEND);  // left over from before: must not matter
    glBlendFunc(GL_ZERO, GL_ZERO);
    layer.Render(3.0f);
    const Frame f = fxb::ReadFrame();
    fxb::Clear(glWindow.clearColor);  // present, clear for the next frame
    return f;
  };
  const auto expectPanel = [](const Frame& f, Colour inside, Colour outside) {
    EXPECT_TRUE(Near(f.At2D(66, 82), inside) && Near(f.At2D(574, 398), inside));
    EXPECT_TRUE(Near(f.At2D(62, 240), outside) && Near(f.At2D(578, 240), outside));
    EXPECT_TRUE(Near(f.At2D(320, 78), outside) && Near(f.At2D(320, 402), outside));
  };
  fxb::Clear(white);
  expectPanel(frame(withPicture), {200, 40, 40}, kWhite);
  EXPECT_EQ(glWindow.clearColor[3], 1.0f);
  expectPanel(frame(withPicture), {200, 40, 40}, kBlack);
  expectPanel(frame(without), kWhite, kBlack);
}

}  // namespace
