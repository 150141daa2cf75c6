// Layers 05 to 10 drawn offscreen at chosen times, with flat-coloured
// pictures and models, so that step order, blend factors and timing show in
// single pixels. Points are in overlay units (640 x 480; a pixel is 1.25).
// Layers 07 and 09, a model turning over a picture, are held by the stored
// reference pictures of their scenes (test_reference_pictures).
#include "effects_a/stage.h"
#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

namespace {

using namespace fx;

const Rgb kPicture{40, 160, 40};

// The picture fills y 80..400 of the overlay; the clear shows above and below.
void ExpectLetterbox(const Frame& f) {
  ExpectAt(f, {{320, 78}, {320, 402}}, kWhite);
  ExpectAt(f, {{320, 82}, {639, 398}}, kPicture);
}

// At particle clock 0 all 150 red sprites sit on (-25, 0, 0), x 70..154 and
// y 198..282, added onto the opaque picture drawn before them. From then on
// the picture changes with the particle clock, not with the scene time.
TEST_F(LayerTest, Layer05SwarmAddsOntoThePictureAndMovesOnItsClock) {
  stage.Picture(show::pictures::kPoz2, kPicture);
  stage.Picture(show::pictures::kEnvmap0, kRed);
  CLayer05 layer;
  ASSERT_EQ(layer.Init().code, 0);
  const Frame f = Play(layer, 0.0f);
  float depth = 0.0f;  // the sprites write none
  glReadPixels(140, 300, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f);
  ExpectLetterbox(f);
  ExpectAt(f, {{76, 240}, {148, 240}, {112, 204}}, {255, 160, 40});
  ExpectAt(f, {{65, 240}, {112, 193}}, kPicture);
  Advance(15);
  const Frame a = Play(layer, 0.0f);
  EXPECT_EQ(a.Differences(Play(layer, 40.0f), 0), 0);
  Advance(1);
  EXPECT_GT(a.Differences(Play(layer, 0.0f), 8), 200);
  layer.Restart();
  EXPECT_EQ(layer.swarm.clock.GetTime(), 0.0);
}

// A red cube tumbling before a "cone", here a blue room around the eye. The
// copies lay the capture (the cube on the white it was captured over) on the
// frame: the room far from the cube is lightened by 1 - (1 - 0)(1 - 0.01)...
// (1 - 0.09) = 0.37 at t = 0, by 0.70 (alphas 0.125 down to 0.1025) at
// t = 4.5, where they also spread up to 460 units beyond the edges, and again
// by 0.37 at t = 9. With a small cone most of the view shows the clear: the
// small pass, drawn into the lower-left corner by the straightforward drawing,
// has been cleared away.
TEST_F(LayerTest, Layer06CopiesPulseWithTheSineAndTheSmallPassIsCleared) {
  stage.Scene(show::models::kObject04, BoxScene({}, {100, 100, 100}, {1, 0, 0}));
  for (const bool small : {false, true}) {
    stage.Scene(show::models::kCone, small ? BoxScene({0, 0, 100}, {20, 20, 20}, {0, 0, 1})
                                           : BoxScene({}, {600, 600, 600}, {0, 0, 1}, "", true));
    CLayer06 layer;
    ASSERT_EQ(layer.Init().code, 0);
    SetReferenceDrawing(small);
    const Frame calm = Play(layer, 0.0f);
    SetReferenceDrawing(false);
    ExpectAt(calm, {{320, 240}}, kRed, 30);  // the cube in front of the cone
    if (small) {
      ExpectAt(calm, {{205, 378}}, kWhite, 4);
      continue;
    }
    ExpectAt(calm, {{40, 120}, {240, 240}}, {95, 95, 255}, 6);
    const Frame wide = Play(layer, 4.5f);
    ExpectAt(wide, {{40, 120}}, {179, 179, 255}, 8);
    ExpectAt(wide, {{240, 240}}, {178, 103, 180}, 15);  // a copy of the cube, 80 units out
    ExpectAt(Play(layer, 9.0f), {{40, 120}}, {95, 95, 255}, 6);
  }
}

// A red cube sliding from x -100 to +100 over 20 frames, ten a second of the
// layer clock, in a dark blue room. At frame 10 the cube is in the middle,
// its edge 64.4 units above the centre. 3 units outside nearly all copies
// are red (strongest first, together about 0.8); 16 units out only the three
// largest, weakest (0.11, 0.09, 0.07: together 0.25); 22 out none. The room
// far off and the corner where the small pass drew are untouched.
TEST_F(LayerTest, Layer08GlowFadesOutsideTheModelOnItsOwnClock) {
  content::SceneBuilder scene = MovingBox(20, {60, 60, 60}, {-100, 0, 0}, {100, 0, 0}, {1, 0, 0});
  AddBox(scene, "room", {}, {800, 800, 800}, {0, 0, 0.4f}, "", true);
  stage.Scene(show::models::kAnim05, scene);
  CLayer08 layer;
  ASSERT_EQ(layer.Init().code, 0);
  ExpectClockLoops(layer, 20);
  EXPECT_EQ(Play(layer, 0.0f).Differences(Play(layer, 99.0f), 0), 0);  // not the scene time
  layer.Restart();
  Advance(10);
  const Frame f = Play(layer, 0.0f);
  ExpectAt(f, {{320, 240}, {320, 176}}, kRed);
  EXPECT_NEAR(f.At(320, 173).r, 205, 20);
  EXPECT_NEAR(f.At(320, 160).r, 62, 25);
  ExpectAt(f, {{320, 154}, {560, 240}, {205, 378}}, {0, 0, 102}, 4);
}

// The closing picture covers x 64..576, y 80..400; beside it the clear shows,
// black from the layer's second frame on (the window clears with the colour
// the frame before asked for). Without its picture the panel is plain white.
// Blending left on by an earlier layer must not matter.
TEST_F(LayerTest, Layer10OnBlackFromItsSecondFrame) {
  CLayer10 withPicture, without;
  ASSERT_EQ(without.Init().code, 0);
  stage.Picture(show::pictures::kEndJpg, {200, 40, 40});
  ASSERT_EQ(withPicture.Init().code, 0);
  const auto expectPanel = [](const Frame& f, Rgb inside, Rgb outside) {
    ExpectAt(f, {{66, 82}, {574, 398}}, inside);
    ExpectAt(f, {{62, 240}, {578, 240}, {320, 78}, {320, 402}}, outside);
  };
  SetBlend(GL_ZERO, GL_ZERO);
  expectPanel(Play(withPicture, 3.0f), {200, 40, 40}, kWhite);
  EXPECT_TRUE(NextClearIsBlack());
  expectPanel(Play(withPicture, 3.0f, glWindow.clearColor[0]), {200, 40, 40}, kBlack);
  SetBlend(GL_ZERO, GL_ZERO);
  expectPanel(Play(without, 3.0f, 0.0f), kWhite, kBlack);
}

}  // namespace
