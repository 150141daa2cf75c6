#include "shell/base/timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "shell/base/loopingclock.h"

namespace {

// The virtual clock moves only with presented frames, by exactly 1/N s each:
// every timer reads k/N after k frames, whatever it was constructed before.
TEST(ClockTest, VirtualClockGivesExactFrameTimes) {
  CTimer constructedEarly;  // as the global clocks are, before the mode is chosen
  platform::StartVirtualClock(60);
  CTimer scene;
  EXPECT_EQ(constructedEarly.GetTime(), 0.0);
  for (int k = 1; k <= 738; ++k) platform::AdvanceVirtualFrame();
  // 738 frames at 60 fps: the first frame of the second scene at 12.3 s.
  EXPECT_EQ(static_cast<float>(scene.GetTime()), 12.3f);
  EXPECT_EQ(static_cast<float>(constructedEarly.GetTime()), 12.3f);
  scene.Reset();
  EXPECT_EQ(scene.GetTime(), 0.0);
  platform::AdvanceVirtualFrame();
  EXPECT_NEAR(scene.GetTime(), 1.0 / 60.0, 1e-15);
  EXPECT_EQ(platform::VirtualFrame(), 739);

  // A rate that does not divide the counter's frequency still lands on the
  // nearest tick, far below a float's resolution.
  platform::StartVirtualClock(7);
  CTimer seven;
  for (int k = 0; k < 70; ++k) platform::AdvanceVirtualFrame();
  EXPECT_NEAR(seven.GetTime(), 10.0, 1e-9);
}

TEST(ClockTest, RealTimerStartsNearZeroAndNeverDecreases) {
  platform::StartRealClock();
  CTimer timer;
  double previous = timer.GetTime();
  EXPECT_GE(previous, 0.0);
  EXPECT_LT(previous, 0.01);
  for (int i = 0; i < 100000; ++i) {
    const double now = timer.GetTime();
    ASSERT_GE(now, previous);
    previous = now;
  }
  timer.Reset();
  const double afterReset = timer.GetTime();
  EXPECT_GE(afterReset, 0.0);
  EXPECT_LT(afterReset, previous + 0.01);
}

// Ten keyframes a second at 60 frames a second over a 3-keyframe scene: the
// frame past keyframe 3 (frame 19, at 3.17) is still drawn and restarts the
// clock at its own instant, so the next frame reads 0.17 and the loop repeats
// every 19 frames. A clock only stepped (as a seek replays a layer) reads
// exactly what a drawn one reads.
TEST(LoopingClock, SteppingMatchesDrawingAndLoopsAfterTheFramePastTheEnd) {
  platform::StartVirtualClock(60);
  CLoopingClock drawn(10.0);
  CLoopingClock stepped(10.0);
  drawn.Restart();
  stepped.Restart();
  std::vector<int> restarts;
  for (int k = 0; k < 100; ++k) {
    const float f = drawn.Frame();
    ASSERT_EQ(stepped.Frame(), f) << "frame " << k;
    drawn.Wrap(f, 3);
    stepped.Tick(3);
    if (k > 0 && drawn.timer.GetTime() == 0.0) restarts.push_back(k);
    platform::AdvanceVirtualFrame();
  }
  EXPECT_EQ(restarts, (std::vector<int>{19, 38, 57, 76, 95}));
}

}  // namespace
