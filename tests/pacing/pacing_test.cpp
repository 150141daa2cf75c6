#include "app/pacing/pacing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(FrameInterval, FromTheModesRateWithSixtyHertzWhenUnknown) {
  EXPECT_DOUBLE_EQ(FrameInterval(60), 1.0 / 60);
  EXPECT_DOUBLE_EQ(FrameInterval(144), 1.0 / 144);
  EXPECT_DOUBLE_EQ(FrameInterval(0), 1.0 / 60);   // SDL's "unspecified"
  EXPECT_DOUBLE_EQ(FrameInterval(-5), 1.0 / 60);  // nonsense from a driver
  EXPECT_DOUBLE_EQ(FrameInterval(100000), 1.0 / 60);
}

// A swap that returns at once and 2 ms of drawing: every frame starts one
// refresh interval after the one before.
TEST(FramePacer, AnUnpacedSwapWaitsForEachRefresh) {
  const double interval = FrameInterval(60);
  FramePacer pacer(interval);
  double start = 0.0;
  for (int k = 0; k < 100; ++k) {
    const double presented = start + 0.002;
    const double next = presented + pacer.AfterPresent(presented);
    if (k > 0) {
      EXPECT_NEAR(next - start, interval, 1e-9) << "frame " << k;
    }
    start = next;
  }
}

// A swap that waits for the display (its refreshes 0.2% faster or slower
// than our clock, 2 ms of drawing): the pacer adds no wait beyond the first
// frame's, and no refresh goes by without a new frame, however long it runs.
TEST(FramePacer, APacedSwapIsLeftAlone) {
  for (double drift : {0.998, 1.002}) {
    const double refresh = FrameInterval(60) * drift;
    FramePacer pacer(FrameInterval(60));
    double start = 0.0;
    long previousRefresh = 0;
    for (int k = 0; k < 2000; ++k) {
      const long shown = static_cast<long>(std::ceil((start + 0.002) / refresh));
      const double wait = pacer.AfterPresent(shown * refresh);
      if (k > 1) {
        ASSERT_EQ(wait, 0.0) << "frame " << k << ", drift " << drift;
        ASSERT_EQ(shown, previousRefresh + 1) << "frame " << k << ", drift " << drift;
      }
      previousRefresh = shown;
      start = shown * refresh + wait;
    }
  }
}

// After a stall the frames go on one interval apart from the late one, with
// no burst to make up for the lost time.
TEST(FramePacer, AStallIsNotMadeUpFor) {
  const double interval = FrameInterval(60);
  FramePacer pacer(interval);
  double start = 0.0;
  for (int k = 0; k < 10; ++k) start += 0.001 + pacer.AfterPresent(start + 0.001);
  const double late = start + 0.5;  // this frame took half a second
  EXPECT_EQ(pacer.AfterPresent(late), 0.0);
  start = late;
  for (int k = 0; k < 5; ++k) {
    const double wait = pacer.AfterPresent(start + 0.001);
    EXPECT_NEAR(wait, interval - 0.001, 1e-9) << "frame " << k << " after the stall";
    start += 0.001 + wait;
  }
}

}  // namespace
