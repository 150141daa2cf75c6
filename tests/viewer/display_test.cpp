#include "app/osd/display.h"

#include <gtest/gtest.h>

#include <vector>

#include "render/glhelpers.h"
#include "shell/base/glapi.h"
#include "support/gl_context.h"

namespace {

constexpr int kW = 800;  // the test context's drawable
constexpr int kH = 600;
// The picture inside it, at (80, 60) in GL's window coordinates.
constexpr int kPicX = 80;
constexpr int kPicY = 60;
constexpr int kPicW = 640;
constexpr int kPicH = 480;
constexpr uint8_t kGrey = 51;                // the cleared colour, 0.2
constexpr int kBandTop = kPicH * 400 / 480;  // the picture's bottom letterbox band

// Every piece of state a layer of the next frame could read, in one list.
// (glGetDoublev reads any of them: matrices, enums, names and switches.)
std::vector<double> ReadState() {
  std::vector<double> s;
  const auto read = [&](GLenum what, int n) {
    double v[16];
    glGetDoublev(what, v);
    s.insert(s.end(), v, v + n);
  };
  read(GL_PROJECTION_MATRIX, 16), read(GL_MODELVIEW_MATRIX, 16), read(GL_CURRENT_COLOR, 4);
  read(GL_CURRENT_RASTER_POSITION, 4), read(GL_VIEWPORT, 4);
  for (GLenum one : {GL_BLEND_SRC, GL_BLEND_DST, GL_MATRIX_MODE, GL_ACTIVE_TEXTURE, GL_LIST_BASE,
                     GL_TEXTURE_BINDING_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING,
                     GL_ALPHA_TEST, GL_FOG, GL_SCISSOR_TEST, GL_TEXTURE_2D, GL_LINE_SMOOTH})
    read(one, 1);
  return s;
}

// A state a layer might leave: a 3D camera with lighting, additive blending,
// a texture unit's texturing on, a colour and a picture-sized viewport.
void DirtyState() {
  SetPerspective(CVec3(0, 0, -5), CVec3(0, 0, 0), CVec3(0, 1, 0), 60.0f, 100.0f);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1.0f, 2.0f, 3.0f);
  glEnable(GL_LIGHTING);
  SetBlend(GL_ONE, GL_ONE);
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_ALPHA_TEST);
  glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
  glViewport(kPicX, kPicY, kPicW, kPicH);
}

class OsdDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::EnsureGLContext()); }

  // Clears to grey, draws the display at `now`, and reads the drawable.
  std::vector<uint8_t> DrawAt(double now, const osd::State& state, const osd::ShowStatus& status) {
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DirtyState();
    const std::vector<double> before = ReadState();
    int context = 0;
    display_.Draw(state, now, status, kPicX, kPicY, kPicW, kPicH, &context);
    EXPECT_TRUE(ReadState() == before) << "the display changed the GL state";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return testsupport::ReadPixelsTopFirst(0, 0, kW, kH);
  }

  // A pixel of the picture (origin its top-left corner) in a top-first read.
  static const uint8_t* At(const std::vector<uint8_t>& pixels, int x, int y) {
    const int top = kH - kPicY - kPicH;
    return &pixels[(static_cast<size_t>(top + y) * kW + kPicX + x) * 3];
  }

  // Bright pixels in [x0, x1) x [y0, y1) of the picture.
  static int Inked(const std::vector<uint8_t>& pixels, int x0, int x1, int y0, int y1) {
    int inked = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) inked += At(pixels, x, y)[0] > 200;
    return inked;
  }
  // Bright pixels of the text row in the last tenth of the track.
  int InkedNearTheRightEnd(const std::vector<uint8_t>& pixels) const {
    const osd::BarLayout& bar = display_.Layout();
    return Inked(pixels, bar.trackRight - (bar.trackRight - bar.trackLeft) / 10, kPicW,
                 bar.textBaseline - bar.textHeight, bar.textBaseline + 4);
  }

  osd::Display display_;
};

// Shown, the display leaves the drawable above the band and around the
// picture untouched; in the band the played part of the track is white, the
// rest grey, every scene's tick amber, and the pause sign and some text are
// drawn. The GL state comes back exactly as it was.
TEST_F(OsdDisplayTest, DrawsTheBarInTheBandOnlyAndRestoresTheState) {
  osd::State state;
  state.Touch(0.0);
  state.VolumeChanged(0.0);
  osd::ShowStatus status;
  status.demoTime = 60.0;
  status.scene = 2;
  status.paused = true;
  const std::vector<uint8_t> pixels = DrawAt(1.0, state, status);
  const osd::BarLayout& bar = display_.Layout();
  ASSERT_EQ(bar.pictureHeight, kPicH);

  const int top = kH - kPicY - kPicH;
  int changedOutside = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool inBand = x >= kPicX && x < kPicX + kPicW && y >= top + kBandTop && y < top + kPicH;
      const uint8_t* p = &pixels[(static_cast<size_t>(y) * kW + x) * 3];
      if (!inBand && (p[0] != kGrey || p[1] != kGrey || p[2] != kGrey)) ++changedOutside;
    }
  }
  EXPECT_EQ(changedOutside, 0);

  const int trackY = bar.trackTop + bar.trackHeight / 2;
  const int played = (bar.trackLeft + bar.XAt(60.0)) / 2;
  const int ahead = (bar.XAt(60.0) + bar.trackRight) / 2;
  EXPECT_GT(At(pixels, played, trackY)[0], 240);
  EXPECT_GT(At(pixels, ahead, trackY)[0], 80);
  EXPECT_LT(At(pixels, ahead, trackY)[0], 160);
  const int tickY = bar.tickTop + 1;
  for (const osd::Tick& tick : bar.ticks) {
    const uint8_t* p = At(pixels, tick.x + bar.tickWidth / 2, tickY);
    EXPECT_GT(p[0], 200) << tick.label;
    EXPECT_GT(p[0], p[2] + 80) << tick.label;
  }
  // Between the first two ticks above the track nothing is drawn (the
  // console there is dimmed where it is drawn, not by a panel over it).
  EXPECT_EQ(At(pixels, (bar.ticks[0].x + bar.ticks[1].x) / 2, tickY)[0], kGrey);

  // The pause sign's first bar, then text along the row.
  EXPECT_GT(At(pixels, bar.trackLeft + bar.pauseBarWidth / 2, bar.textBaseline - 2)[0], 240);
  // (The left half of the track: the volume, at its right end, is not text of the row.)
  EXPECT_GT(Inked(pixels, bar.trackLeft + 3 * bar.pauseBarWidth + bar.margin,
                  (bar.trackLeft + bar.trackRight) / 2, bar.textBaseline - bar.textHeight,
                  bar.textBaseline),
            200);
  // The volume, right-aligned at the track's end.
  EXPECT_GT(InkedNearTheRightEnd(pixels), 20);
}

// Faded out (2.5 s after the last input, not paused), nothing is drawn at
// all; half-way through the fade the track is dimmer than at full strength.
TEST_F(OsdDisplayTest, FadesToNothing) {
  osd::State state;
  state.Touch(10.0);
  osd::ShowStatus status;
  status.demoTime = 100.0;
  const std::vector<uint8_t> full = DrawAt(11.0, state, status);
  const std::vector<uint8_t> half = DrawAt(12.25, state, status);
  const std::vector<uint8_t> gone = DrawAt(12.5, state, status);
  const osd::BarLayout& bar = display_.Layout();
  const int x = (bar.trackLeft + bar.XAt(100.0)) / 2;
  const int y = bar.trackTop + bar.trackHeight / 2;
  EXPECT_GT(At(full, x, y)[0], 240);
  EXPECT_EQ(InkedNearTheRightEnd(full), 0);  // no change of volume, no volume
  EXPECT_LT(At(half, x, y)[0], 200);
  EXPECT_GT(At(half, x, y)[0], kGrey);
  for (uint8_t v : gone) ASSERT_EQ(v, kGrey);
}

}  // namespace
