// Layers 00 to 04 drawn offscreen at chosen times, with flat-coloured
// pictures and models, so that step order, blend factors and time windows
// show in single pixels. Points are in overlay units (640 x 480). Layer 03,
// whose copies of a model only turn over a backdrop, is held by the stored
// reference pictures of its scene (test_reference_pictures).
#include <algorithm>

#include "effects_a/stage.h"
#include "render/renderpath.h"
#include "timeline/show/show.h"

namespace {

using namespace fx;

// The sphere is a green box around the camera, seen from inside. The object
// is a tall red box that the layer brings to the middle of the picture,
// reaching into both hazes. The logo is magenta: multiplied onto green it
// gives black, onto red red.
TEST_F(LayerTest, Layer00FadeHazeAndLogoFollowTheSceneTime) {
  stage.Picture(show::pictures::kVtLogo, {255, 0, 255});
  stage.Scene(show::models::kNsphere, BoxScene({}, {200, 200, 200}, {0, 1, 0}, "", true));
  stage.Scene(show::models::kObject03, BoxScene({15, 0, 140}, {60, 60, 250}, {1, 0, 0}));
  CLayer00 layer;
  ASSERT_EQ(layer.Init().code, 0);
  // The white fade covers the band in (0, 4], its alpha falling by a quarter
  // a second; the logo is not in yet at t = 2.
  ExpectAt(Play(layer, 0.0f), {{320, 240}}, kRed);
  ExpectAt(Play(layer, 0.1f), {{320, 90}, {100, 240}, {320, 240}, {100, 390}}, kWhite, 15);
  const Frame half = Play(layer, 2.0f);
  ExpectAt(half, {{320, 240}}, {255, 128, 128});
  ExpectAt(half, {{560, 270}}, {128, 255, 128});
  // Over the sphere the haze thickens towards both edges of the band (alpha
  // 0.3 and 0.98 above, 0.5 and 0.95 below); the object is drawn after it.
  const Frame clear = Play(layer, 5.0f);
  ExpectAt(clear, {{320, 240}, {360, 90}}, kRed);
  ExpectAt(clear, {{100, 240}}, kGreen);
  ExpectAt(clear, {{100, 150}}, {77, 255, 77}, 6);
  ExpectAt(clear, {{100, 82}}, {250, 255, 250}, 6);
  ExpectAt(clear, {{100, 350}}, {128, 255, 128}, 6);
  ExpectAt(clear, {{100, 395}}, {242, 255, 242}, 6);
  EXPECT_FALSE(NextClearIsBlack());
  // The logo slides in from the right edge (at t = 4 its left edge is at x
  // 480) and then rests in the lower right quarter.
  ExpectAt(Play(layer, 4.0f), {{490, 270}}, kBlack);
  ExpectAt(Play(layer, 4.0f), {{470, 270}}, kGreen);
  const Frame resting = Play(layer, 7.0f);
  ExpectAt(resting, {{470, 270}, {560, 270}}, kBlack);
  ExpectAt(resting, {{360, 240}}, kRed);
  ExpectAt(resting, {{100, 270}, {560, 200}}, kGreen);
}

// A white box on black, sliding from left to right over ten frames that the
// layer's clock plays at five a second. Ten copies of the picture, each 10
// units larger on every side and fainter (alpha 0.33 down to 0.123 in equal
// steps): beyond the box's right edge the black is lit, less band by band as
// fewer copies cover it, and not at all past the largest. Band i is lit by
// copies i to 9, each blending white over what is there, so it is
// 1 - (1 - alpha[i]) ... (1 - alpha[9]) of white. Every band is read to
// within a level and a half in both drawings, so that a tenth more or less on
// all ten copies or on any of copies 2 to 9 shows; copies 0 and 1 reach the
// picture only through the later ones (11% and 16% of them), and a tenth of
// that is about a level, under what 8-bit pixels can tell.
TEST_F(LayerTest, Layer01GlowBrightensOutsideTheSilhouetteOnItsOwnClock) {
  stage.Scene(show::models::kAnim02,
              MovingBox(10, {120, 120, 120}, {-40, 0, 0}, {40, 0, 0}, {1, 1, 1}));
  CLayer01 layer;
  ASSERT_EQ(layer.Init().code, 0);
  ExpectClockLoops(layer, 20, 0.0f);
  // The scene time plays no part.
  EXPECT_EQ(Play(layer, 0.0f, 0.0f).Differences(Play(layer, 9.0f, 0.0f), 0), 0);
  double lit[11] = {};  // lit[i]: the part of white that copies i to 9 give
  for (int i = 9; i >= 0; --i) {
    const double alpha = 0.33 - (0.33 - 0.123) * i / 9.0;
    lit[i] = 1.0 - (1.0 - alpha) * (1.0 - lit[i + 1]);
  }
  for (const bool reference : {false, true}) {
    SetReferenceDrawing(reference);
    layer.Restart();
    Advance(10);  // frame 5: the box in the middle, its right edge at pixel 580
    const Frame f = Play(layer, 0.0f, 0.0f);
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11}) {
      // The middle of band i: inside copies i to 9, outside the smaller ones.
      const int x = int(400.0f + 180.5f * (1.0f + (10.0f * float(i) + 5.0f) / 320.0f));
      EXPECT_NEAR(f.Px(x, 300).r, 255.0 * lit[std::min(i, 10)], 1.5)
          << "band " << i << (reference ? ", straightforward drawing" : ", fast drawing");
    }
    EXPECT_TRUE(NextClearIsBlack());
  }
  SetReferenceDrawing(false);
}

// The scene: a blue box sliding from the right to the left over ten frames,
// ten a second of the layer clock. The object: a small red box, at t = 0 80
// units right of the centre, drawn over the scene although the scene's box is
// nearer in its own depth range.
TEST_F(LayerTest, Layer02ObjectFliesOverTheLoopingScene) {
  stage.Scene(show::models::kAnim03,
              MovingBox(10, {80, 80, 80}, {60, 0, 0}, {-60, 0, 0}, {0, 0, 1}));
  stage.Scene(show::models::kObject01, BoxScene({}, {30, 30, 30}, {1, 0, 0}));
  CLayer02 layer;
  ASSERT_EQ(layer.Init().code, 0);
  const Frame f = Play(layer, 0.0f);
  ExpectAt(f, {{453, 240}}, kRed);
  ExpectAt(f, {{390, 240}}, kBlue);
  EXPECT_FALSE(NextClearIsBlack());
  EXPECT_FALSE(Near(Play(layer, 1.0f).At(453, 240), kRed, 60));  // the object has moved on
  ExpectClockLoops(layer, 10);
}

// Backdrop mid grey, overlay dark grey, title dark blue. The tunnel is a blue
// box going from the lower right (where the model sits) to the upper left over
// three frames, three a second of the layer clock; the model is a red bar.
// The passes: backdrop, tunnel, model after a depth clear, two overlays and
// the title added with "screen" blending (each lightens by its own colour: 64
// over 128 gives 160, again 184). Between them fifteen half-black passes: at
// x 330 three rectangles overlap at t = 0 (an eighth of the light left) and
// two at t = 1 (a quarter). The model turns at 70 degrees a second about its
// centre.
TEST_F(LayerTest, Layer04PassesStackInOrderWithTheirBlendModes) {
  stage.Picture(show::pictures::kBw06, {128, 128, 128});
  stage.Picture(show::pictures::kTreetex, {64, 64, 64});
  stage.Picture(show::pictures::kVtt, {0, 0, 128});
  stage.Scene(show::models::kTunel0,
              MovingBox(3, {60, 60, 60}, {118, 0, -50}, {-118, 0, 50}, {0, 0, 1}));
  stage.Scene(show::models::kStrom, BoxScene({}, {80, 10, 10}, {1, 0, 0}));
  CLayer04 layer;
  ASSERT_EQ(layer.Init().code, 0);
  const Frame f = Play(layer, 0.0f);
  EXPECT_TRUE(NextClearIsBlack());
  ExpectAt(f, {{200, 200}}, {128, 128, 128}, 4);  // the backdrop alone
  ExpectAt(f, {{10, 70}}, kWhite, 4);             // above it
  ExpectAt(f, {{470, 120}}, {160, 160, 160}, 4);
  ExpectAt(f, {{370, 270}}, {128, 128, 192}, 4);  // + the title
  ExpectAt(f, {{460, 320}}, {184, 184, 220}, 4);
  ExpectAt(f, {{572, 354}, {616, 336}}, {255, 112, 112}, 6);  // the model over the tunnel
  ExpectAt(f, {{530, 300}}, {112, 112, 255}, 6);
  ExpectAt(f, {{330, 371}}, {20, 20, 138}, 4);  // bars, then the title
  const Frame later = Play(layer, 1.0f);
  ExpectAt(later, {{330, 371}}, {40, 40, 148}, 4);
  ExpectAt(later, {{572, 354}}, {255, 112, 112}, 6);
  ExpectAt(later, {{616, 336}}, {112, 112, 255}, 6);
  ExpectAt(Play(layer, 180.0f / 70.0f), {{616, 336}}, {255, 112, 112}, 6);
  ExpectClockLoops(layer, 10);
}

}  // namespace
