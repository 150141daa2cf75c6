#include "timeline/seek.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "platform/sound.h"
#include "shell/base/timer.h"
#include "timeline/production/production.h"
#include "timeline/sceneplayer.h"

namespace {

// A layer that carries state from frame to frame the way the show's layers
// do: its own clock, which starts again once it passes a loop length (so the
// restart instant depends on the frames drawn), and a count of frames seen.
class ClockedLayer : public CLayer {
 public:
  explicit ClockedLayer(double loopSeconds) : loop_(loopSeconds) {}
  Result Init() override { return Result(0, "ok"); }
  void Restart() override {
    clock.Reset();
    frames = 0;
  }
  void Render(float t) override {
    Advance(t);
    seenClock = clock.GetTime();
    seenSceneTime = t;
  }
  void Advance(float /*t*/) override {
    ++frames;
    if (clock.GetTime() > loop_) clock.Reset();
  }
  Result Done() override { return Result(0, "ok"); }

  CTimer clock;
  int frames = 0;
  double seenClock = -1.0;
  float seenSceneTime = -1.0f;

 private:
  double loop_;
};

struct Seen {
  int index;
  float sceneTime;
  double clock;
  int frames;
};

// The production's scene ends, each scene played by a layer of its own.
struct Show {
  Show() {
    std::vector<Scene> production;
    FillProductionTimeline(&production);
    for (const Scene& scene : production) ends.push_back(scene.endTime);
    for (size_t i = 0; i < ends.size(); ++i) layers.emplace_back(0.7 + 0.13 * double(i));
    for (size_t i = 0; i < ends.size(); ++i) player.sceneData.push_back({ends[i], {&layers[i]}});
  }
  // What the frame about to be drawn shows, drawn as the shell draws it.
  Seen Draw() {
    const float t = static_cast<float>(demoTimer.GetTime());
    const int index = player.index;
    player.Update(t);
    const ClockedLayer& layer = layers[static_cast<size_t>(index)];
    return Seen{index, layer.seenSceneTime, layer.seenClock, layer.frames};
  }
  // Draws `frames` frames from the show's start, each presented; what they showed.
  std::vector<Seen> Play(int64_t frames) {
    std::vector<Seen> seen;
    for (int64_t k = 0; k < frames; ++k) {
      seen.push_back(Draw());
      platform::AdvanceVirtualFrame();
    }
    return seen;
  }
  std::vector<float> ends;
  std::vector<ClockedLayer> layers;
  CScenePlayer player;
  CTimer demoTimer;
};

constexpr int kFps = 10;

// A straight run of the whole timeline, then a seek to frames on and around
// every scene end: the seek lands on the scene, the scene time, the layer's
// own clock and its carried state the straight run had in that frame.
TEST(SeekTest, LandsWhereAStraightRunStandsAroundEverySceneEnd) {
  platform::UseSilentSoundOutput(true);
  platform::StartVirtualClock(kFps);
  std::vector<Seen> straight;
  {
    Show show;
    show.player.Start();
    straight = show.Play(1960);
  }
  const std::vector<float> ends = Show().ends;
  ASSERT_EQ(ends.size(), 12u);
  for (size_t scene = 0; scene + 1 < ends.size(); ++scene) {
    // The first frame whose demo time, read as a float, reaches the end.
    int64_t atEnd = 0;
    while (FrameDemoTime(atEnd, kFps) < ends[scene]) ++atEnd;
    // The frame at the end still draws the scene; the one after is the next
    // scene's first.
    EXPECT_EQ(LocateFrame(Show().player.sceneData, atEnd, kFps).index, static_cast<int>(scene));
    EXPECT_EQ(SceneFirstFrame(Show().player.sceneData, static_cast<int>(scene) + 1, kFps),
              atEnd + 1);
    for (int64_t k = atEnd - 2; k <= atEnd + 2; ++k) {
      platform::StartVirtualClock(kFps);
      Show show;
      show.player.Start();
      show.Play(7);  // some frames of the wrong place first, as a viewer would have seen
      const Seen& want = straight[static_cast<size_t>(k)];
      EXPECT_EQ(show.player.SeekToFrame(k, kFps, show.demoTimer.start), want.index);
      const Seen seen = show.Draw();
      // Scene, scene time, the layer's own clock and its frame count.
      EXPECT_EQ(std::make_tuple(seen.index, seen.sceneTime, seen.clock, seen.frames),
                std::make_tuple(want.index, want.sceneTime, want.clock, want.frames))
          << "scene end " << ends[scene] << ", frame " << k;
    }
  }
}

// Seeking backwards and into the first scene: the first scene's layers count
// from program start, and the demo clock reads the target time.
TEST(SeekTest, BackwardsIntoTheFirstSceneAndPastTheLastEnd) {
  platform::UseSilentSoundOutput(true);
  platform::StartVirtualClock(kFps);
  Show show;
  show.player.Start();
  ASSERT_EQ(show.player.SeekToFrame(1000, kFps, show.demoTimer.start), 5);
  EXPECT_FLOAT_EQ(static_cast<float>(show.demoTimer.GetTime()), 100.0f);
  ASSERT_EQ(show.player.SeekToFrame(55, kFps, show.demoTimer.start), 0);
  const Seen seen = show.Draw();
  EXPECT_EQ(seen.index, 0);
  EXPECT_FLOAT_EQ(seen.sceneTime, 5.5f);
  EXPECT_EQ(seen.frames, 56);  // frames 0..55 of the straight run
  // Past the last scene's start every frame stays in it.
  EXPECT_EQ(LocateFrame(show.player.sceneData, 100000, kFps).index, 11);
  EXPECT_EQ(FirstFrameAtOrAfter(12.3, kFps), 123);
  EXPECT_EQ(FirstFrameAtOrAfter(12.31, kFps), 124);
  EXPECT_EQ(FirstFrameAtOrAfter(-3.0, kFps), 0);
}

}  // namespace
