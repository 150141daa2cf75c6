#include "app/osd/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// Picture sizes from the smallest window to 2160p (the 4:3 picture inside a
// 3840x2160 screen is 2880x2160).
const int kSizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1440, 1080}, {2880, 2160}};

// At every size: the ticks stand where the show's table starts its scenes, in
// play order and with their names, at least one pixel wide: a click at a
// tick's centre lands within one pixel's time of its scene's start.
// Everything lies in the bottom letterbox band (the show's picture above it
// stays untouched), text grows with the picture and stays legible at the
// smallest, the track is centred and spans most of the width, and the pieces
// keep their order from top to bottom.
TEST(OsdLayoutTest, BarStaysInTheBottomBandWithTheTablesTicksAtEverySize) {
  int previousText = 0;
  for (const auto& size : kSizes) {
    const osd::BarLayout bar = osd::LayoutBar(size[0], size[1]);
    SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
    const double secondsPerPixel = show::kEnd / (bar.trackRight - bar.trackLeft);
    ASSERT_EQ(bar.ticks.size(), show::kScenes.size());
    EXPECT_GE(bar.tickWidth, 1);
    for (size_t i = 0; i < bar.ticks.size(); ++i) {
      const osd::Tick& tick = bar.ticks[i];
      EXPECT_EQ(std::string(tick.label), std::string(show::kScenes[i].name)) << i;
      EXPECT_FLOAT_EQ(tick.time, show::SceneStart(i)) << i;
      EXPECT_NEAR(bar.TimeAt(tick.x + bar.tickWidth / 2.0), tick.time, secondsPerPixel) << i;
    }
    // The first scene's tick marks the track's start.
    EXPECT_NEAR(bar.ticks[0].x + bar.tickWidth / 2.0, bar.trackLeft, 1.0);

    const int band = size[1] * 400 / 480;
    EXPECT_GE(bar.textBaseline - bar.textHeight, band);
    EXPECT_GE(bar.hitTop, band);
    EXPECT_GE(bar.textHeight, 12);
    EXPECT_GT(bar.textHeight, previousText);
    previousText = bar.textHeight;
    EXPECT_EQ(bar.trackLeft, size[0] - bar.trackRight);
    EXPECT_GT(bar.trackRight - bar.trackLeft, size[0] * 9 / 10);
    EXPECT_LT(bar.textBaseline, bar.tickTop);
    EXPECT_LE(bar.tickTop, bar.trackTop);
    EXPECT_GE(bar.tickTop + bar.tickHeight, bar.trackTop + bar.trackHeight);
    EXPECT_LE(bar.knobTop + bar.knobHeight, size[1]);
    EXPECT_LE(bar.hitTop, bar.knobTop);
  }
}

// Picture x to demo time and back, clamped at both ends; the hit zone is the
// track with its ends from hitTop down, nothing above it or beside it.
TEST(OsdLayoutTest, TimeAndPlaceOnTheBarAgreeAndClicksOutsideMiss) {
  const osd::BarLayout bar = osd::LayoutBar(1440, 1080);
  for (double t : {0.0, 12.3, 24.0, 100.0, 181.25, 193.9}) {
    EXPECT_NEAR(bar.TimeAt(bar.XAt(t)), t, show::kEnd / (bar.trackRight - bar.trackLeft)) << t;
  }
  EXPECT_EQ(bar.XAt(-5.0), bar.trackLeft);
  EXPECT_EQ(bar.XAt(500.0), bar.trackRight);
  EXPECT_DOUBLE_EQ(bar.TimeAt(0.0), 0.0);
  EXPECT_DOUBLE_EQ(bar.TimeAt(1440.0), show::kEnd);
  EXPECT_DOUBLE_EQ(bar.TimeAt((bar.trackLeft + bar.trackRight) / 2.0), show::kEnd / 2.0);

  const double y = bar.trackTop + 1;
  EXPECT_TRUE(bar.Hit(bar.XAt(50.0), y));
  EXPECT_TRUE(bar.Hit(bar.trackLeft - 1, y));
  EXPECT_TRUE(bar.Hit(bar.XAt(50.0), 1079));
  EXPECT_FALSE(bar.Hit(bar.XAt(50.0), bar.hitTop - 1));
  EXPECT_FALSE(bar.Hit(bar.XAt(50.0), 1080));
  EXPECT_FALSE(bar.Hit(2, y));
  EXPECT_FALSE(bar.Hit(1438, y));
}

// A click in a 1920x1080 window with the picture pillarboxed in its middle
// (1440x1080 at x = 240), and in a tall 800x900 window (800x600 at y = 150):
// the window's pixel, y down, becomes the picture's pixel.
TEST(OsdLayoutTest, WindowPixelsBecomePicturePixels) {
  double px = 0;
  double py = 0;
  osd::WindowToPicture(240 + 720, 1000, 1080, 240, 0, 1080, &px, &py);
  EXPECT_DOUBLE_EQ(px, 720);
  EXPECT_DOUBLE_EQ(py, 1000);
  osd::WindowToPicture(100, 150 + 580, 900, 0, 150, 600, &px, &py);
  EXPECT_DOUBLE_EQ(px, 100);
  EXPECT_DOUBLE_EQ(py, 580);
  // The picture lower in the drawable than it is from the top: GL's y = 100
  // leaves 900 - 100 - 600 = 200 rows above it.
  osd::WindowToPicture(0, 200, 900, 0, 100, 600, &px, &py);
  EXPECT_DOUBLE_EQ(py, 0);
}

TEST(OsdLayoutTest, TimesReadInMinutesSecondsAndTenthsNeverLate) {
  const struct {
    double seconds;
    const char* text;
  } cases[] = {
      {0.0, "0:00.0"},        {-3.0, "0:00.0"},    {0.99, "0:00.9"},
      {12.3f, "0:12.3"},      {59.99, "0:59.9"},   {60.0, "1:00.0"},
      {show::kEnd, "3:13.9"}, {181.25f, "3:01.2"}, {3599.9, "59:59.9"},
  };
  for (const auto& c : cases) {
    char text[16];
    osd::FormatTime(c.seconds, text, sizeof(text));
    EXPECT_STREQ(text, c.text) << c.seconds;
  }
}

// The scene a straight run shows: a scene from its start (inclusive) to the
// next one's; the last one to the show's end and past it.
TEST(OsdLayoutTest, SceneAtFollowsTheTable) {
  for (size_t i = 0; i < show::kScenes.size(); ++i) {
    EXPECT_EQ(osd::SceneAt(show::SceneStart(i)), static_cast<int>(i)) << i;
    if (i > 0) {
      EXPECT_EQ(osd::SceneAt(std::nextafter(show::SceneStart(i), 0.0f)), static_cast<int>(i) - 1)
          << i;
    }
  }
  EXPECT_EQ(osd::SceneAt(show::kEnd + 50.0), static_cast<int>(show::kScenes.size()) - 1);
}

}  // namespace
