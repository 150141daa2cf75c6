#include "render/viewport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

void ExpectRect(const PictureRect& r, int x, int y, int w, int h) {
  EXPECT_EQ(std::vector<int>({r.x, r.y, r.width, r.height}), std::vector<int>({x, y, w, h}));
}

// A wide screen gets pillars, a tall one bands; nothing to draw on gives
// nothing. (The sweep below holds every other size to the same rules.)
TEST(ViewportTest, KnownScreensGetTheLargestCentredFourByThree) {
  ExpectRect(FitPicture(1920, 1080), 240, 0, 1440, 1080);  // pillars of 240
  ExpectRect(FitPicture(1280, 1024), 0, 32, 1280, 960);    // bands of 32
  ExpectRect(FitPicture(0, 0), 0, 0, 0, 0);
  ExpectRect(FitPicture(-5, 300), 0, 0, 0, 0);
}

// Every size from tiny to large and odd: the picture lies inside the
// drawable, fills one side, is 4:3 to the nearest pixel and is centred to
// within the odd pixel.
TEST(ViewportTest, EverySizeFitsFillsOneSideAndStaysCentred) {
  for (int w = 1; w <= 2000; w += 37) {
    for (int h = 1; h <= 2000; h += 41) {
      const PictureRect r = FitPicture(w, h);
      SCOPED_TRACE(testing::Message() << w << "x" << h);
      ASSERT_GE(r.x, 0);
      ASSERT_GE(r.y, 0);
      ASSERT_LE(r.x + r.width, w);
      ASSERT_LE(r.y + r.height, h);
      ASSERT_TRUE(r.width == w || r.height == h);
      // 4:3 within rounding of the shorter side.
      ASSERT_LE(std::abs(r.width * 3 - r.height * 4), 4);
      ASSERT_LE(std::abs((w - r.width) - 2 * r.x), 1);
      ASSERT_LE(std::abs((h - r.height) - 2 * r.y), 1);
    }
  }
}

}  // namespace
