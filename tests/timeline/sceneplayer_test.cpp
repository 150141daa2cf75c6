#include "timeline/sceneplayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sound.h"
#include "sound/xm_fixtures.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ScopedChdir;
using testsupport::TempDir;

// A layer that writes down every call it receives.
class RecordingLayer : public CLayer {
 public:
  RecordingLayer(std::string name, std::vector<std::string>* log, Result init = Result(0, "ok"))
      : name_(std::move(name)), log_(log), init_(std::move(init)) {}
  Result Init() override {
    log_->push_back("init " + name_);
    return init_;
  }
  void Restart() override { log_->push_back("restart " + name_); }
  void Render(float t) override {
    log_->push_back("render " + name_);
    lastTime = t;
  }
  Result Done() override {
    log_->push_back("done " + name_);
    return Result(0, "C" + name_ + "::Done() : ok!");
  }
  float lastTime = -1.0f;

 private:
  std::string name_;
  std::vector<std::string>* log_;
  Result init_;
};

// Each test runs on the virtual clock, 10 frames per second, in a folder with
// a small module, and on a silent output so no device is needed. Layers A, B
// and C write down their calls.
class ScenePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartVirtualClock(10);
    platform::UseSilentSoundOutput(true);
    ASSERT_TRUE(xm::SaveXm(dir_.File("demomusic.xm"), soundtest::Module(2, 16)));
  }
  void TearDown() override { player_.Done(); }
  // Initialises the player on `scenes` and starts it, with an empty log.
  void Start(std::vector<Scene> scenes) {
    player_.sceneData = std::move(scenes);
    ASSERT_EQ(player_.Init("demomusic.xm", nullptr).code, 0);
    player_.Start();
    log_.clear();
  }
  // Advances `count` frames and draws the frame then due; the scene time.
  float Frames(int count) {
    for (int i = 0; i < count; ++i) platform::AdvanceVirtualFrame();
    log_.clear();
    return player_.Update(static_cast<float>(platform::VirtualFrame()) / 10.0f);
  }
  using Log = std::vector<std::string>;

  TempDir dir_;
  ScopedChdir cd_{dir_.path()};
  Log log_;
  RecordingLayer a{"A", &log_}, b{"B", &log_}, c{"C", &log_};
  CScenePlayer player_;
};

// Every layer is initialised in scene order, repeats included. Each failure
// gives its own code and message; the layers before it were initialised and
// nothing after it, so a later empty scene is never reported.
TEST_F(ScenePlayerTest, InitialisesInSceneOrderAndStopsAtTheFirstFailure) {
  RecordingLayer broken("B", &log_, Result(7, "CLayer04::Init() : broken"));
  // The result (with the music loaded, on success) and the layers initialised, as one line.
  auto init = [&](std::vector<Scene> scenes, const char* module) {
    log_.clear();
    CScenePlayer player;
    player.sceneData = std::move(scenes);
    const Result r = player.Init(module, nullptr);
    std::string said = std::to_string(r.code) + " " + r.message;
    if (r.code == 0 && player.music != 0) said += " (music)";
    for (const std::string& call : log_) said += " | " + call;
    player.Done();
    return said;
  };
  EXPECT_EQ(init({{1.0f, {&a, &b}}, {2.0f, {&c}}, {600.0f, {&a}}}, "demomusic.xm"),
            "0 CScenePlayer::Init() : ok! (music) | init A | init B | init C | init A");
  EXPECT_EQ(init({{1.0f, {&a}}}, "missing.xm"), "2 CScenePlayer::Init() : BASS_MusicLoad error!");
  EXPECT_EQ(init({}, "demomusic.xm"), "3 CScenePlayer::Init() : sceneData.empty()");
  EXPECT_EQ(init({{1.0f, {&a}}, {2.0f, {}}}, "demomusic.xm"),
            "4 CScenePlayer::Init() : layerData.empty() | init A");
  EXPECT_EQ(init({{1.0f, {&a, &broken, &c}}, {2.0f, {}}}, "demomusic.xm"),
            "7 CLayer04::Init() : broken | init A | init B");
}

// The frame that reaches a scene's end still draws it, then the next scene
// restarts its layers and its clock.
TEST_F(ScenePlayerTest, SwitchesAfterRenderingWhenDemoTimeReachesTheEnd) {
  Start({{1.0f, {&a}}, {2.0f, {&b}}, {600.0f, {&c}}});
  EXPECT_FLOAT_EQ(Frames(9), 0.9f);  // just below the end
  EXPECT_EQ(player_.index, 0);
  EXPECT_FLOAT_EQ(a.lastTime, 0.9f);
  EXPECT_EQ(Frames(1), 0.0f);  // exactly 1.0
  EXPECT_EQ(log_, (Log{"render A", "restart B"}));
  EXPECT_EQ(player_.index, 1);
  Frames(3);
  EXPECT_EQ(log_, (Log{"render B"}));
  EXPECT_FLOAT_EQ(b.lastTime, 0.3f);
}

// A demo time far past every end moves one scene a frame, never past the
// last, and the skip key does not move past it either.
TEST_F(ScenePlayerTest, MovesOneSceneAFrameAndNeverPastTheLast) {
  Start({{1.0f, {&a}}, {2.0f, {&b}}, {3.0f, {&c}}});
  for (int expected : {1, 2, 2}) {
    player_.Update(1000.0f);
    EXPECT_EQ(player_.index, expected);
  }
  EXPECT_EQ(log_, (Log{"render A", "restart B", "render B", "restart C", "render C"}));
  player_.SkipScene();
  EXPECT_EQ(player_.index, 2);
}

// A skip moves to the next scene without restarting it or its clock; the
// normal switch then resumes at the skipped-to scene's own end.
TEST_F(ScenePlayerTest, SkipMovesOnWithoutRestartOrClockReset) {
  Start({{10.0f, {&a}}, {20.0f, {&b}}, {600.0f, {&c}}});
  Frames(5);
  player_.SkipScene();
  EXPECT_EQ(player_.index, 1);
  EXPECT_FLOAT_EQ(Frames(1), 0.6f);
  EXPECT_EQ(log_, (Log{"render B"}));
  player_.Update(20.0f);
  EXPECT_EQ(player_.index, 2);
}

// Done releases the sound once and tells every layer each time; the sound
// layer can start again afterwards: nothing was left half-freed.
TEST_F(ScenePlayerTest, DoneTwiceReleasesTheSoundOnceAndTellsEveryLayerEachTime) {
  Start({{1.0f, {&a}}, {600.0f, {&b, &a}}});
  EXPECT_TRUE(platform::SoundIsPlaying());
  EXPECT_EQ(player_.Done().code, 0);
  EXPECT_FALSE(platform::SoundIsPlaying());
  EXPECT_EQ(player_.music, 0u);
  EXPECT_EQ(player_.Done().code, 0);
  EXPECT_EQ(log_, (Log{"done A", "done B", "done A", "done A", "done B", "done A"}));
  Start({{600.0f, {&a}}});
}

}  // namespace
