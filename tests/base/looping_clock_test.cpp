#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "shell/base/loopingclock.h"

namespace {

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
