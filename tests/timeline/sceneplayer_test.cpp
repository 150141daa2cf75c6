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

void WriteTinyModule(const std::string& path) {
  std::string error;
  ASSERT_TRUE(xm::SaveXm(path, soundtest::Module(2, 16), &error)) << error;
}

// Each test runs on the virtual clock, 10 frames per second, in a folder with
// a small module, and on a silent output so no device is needed.
class ScenePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartVirtualClock(10);
    platform::UseSilentSoundOutput(true);
    WriteTinyModule(dir_.File("demomusic.xm"));
  }
  void Frames(int count) {
    for (int i = 0; i < count; ++i) platform::AdvanceVirtualFrame();
  }
  // Demo time of the current virtual frame.
  float Now() const { return static_cast<float>(platform::VirtualFrame()) / 10.0f; }

  TempDir dir_;
  ScopedChdir cd_{dir_.path()};
  std::vector<std::string> log_;
};

TEST_F(ScenePlayerTest, InitialisesEveryLayerInSceneOrderIncludingRepeats) {
  RecordingLayer a("A", &log_), b("B", &log_), c("C", &log_);
  CScenePlayer player;
  player.sceneData = {{1.0f, {&a, &b}}, {2.0f, {&c}}, {600.0f, {&a}}};
  const Result result = player.Init("demomusic.xm", nullptr);
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(result.message, "CScenePlayer::Init() : ok!");
  EXPECT_NE(player.music, 0u);
  EXPECT_EQ(player.index, 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"init A", "init B", "init C", "init A"}));
  player.Done();
}

// Each failure gives its own code and message; the layers before it were
// initialised and nothing after it, so a later empty scene is never reported.
TEST_F(ScenePlayerTest, FailuresAreReportedInOrderAndStopInitialisation) {
  RecordingLayer a("A", &log_), b("B", &log_, Result(7, "CLayer04::Init() : broken")),
      c("C", &log_);
  // The result and the layers initialised, as one line.
  auto init = [&](std::vector<Scene> scenes, const char* module) {
    log_.clear();
    CScenePlayer player;
    player.sceneData = std::move(scenes);
    const Result r = player.Init(module, nullptr);
    std::string said = std::to_string(r.code) + " " + r.message;
    for (const std::string& call : log_) said += " | " + call;
    player.Done();
    return said;
  };
  EXPECT_EQ(init({{1.0f, {&a}}}, "missing.xm"), "2 CScenePlayer::Init() : BASS_MusicLoad error!");
  EXPECT_EQ(init({}, "demomusic.xm"), "3 CScenePlayer::Init() : sceneData.empty()");
  EXPECT_EQ(init({{1.0f, {&a}}, {2.0f, {}}}, "demomusic.xm"),
            "4 CScenePlayer::Init() : layerData.empty() | init A");
  EXPECT_EQ(init({{1.0f, {&a, &b, &c}}, {2.0f, {}}}, "demomusic.xm"),
            "7 CLayer04::Init() : broken | init A | init B");
}

TEST_F(ScenePlayerTest, SwitchesAfterRenderingWhenDemoTimeReachesTheEnd) {
  RecordingLayer a("A", &log_), b("B", &log_), c("C", &log_);
  CScenePlayer player;
  player.sceneData = {{1.0f, {&a}}, {2.0f, {&b}}, {600.0f, {&c}}};
  ASSERT_EQ(player.Init("demomusic.xm", nullptr).code, 0);
  player.Start();
  log_.clear();

  Frames(9);  // 0.9 s: just below the end
  float eff = player.Update(Now());
  EXPECT_EQ(player.index, 0);
  EXPECT_FLOAT_EQ(eff, 0.9f);
  EXPECT_FLOAT_EQ(a.lastTime, 0.9f);

  Frames(1);  // exactly 1.0: the scene renders once more, then the next begins
  log_.clear();
  eff = player.Update(Now());
  EXPECT_EQ(log_, (std::vector<std::string>{"render A", "restart B"}));
  EXPECT_EQ(player.index, 1);
  EXPECT_EQ(eff, 0.0f);  // the scene clock restarted

  Frames(3);
  log_.clear();
  eff = player.Update(Now());
  EXPECT_EQ(log_, (std::vector<std::string>{"render B"}));
  EXPECT_FLOAT_EQ(b.lastTime, 0.3f);
  player.Done();
}

TEST_F(ScenePlayerTest, MovesOneSceneAFrameAndNeverPastTheLast) {
  RecordingLayer a("A", &log_), b("B", &log_), c("C", &log_);
  CScenePlayer player;
  player.sceneData = {{1.0f, {&a}}, {2.0f, {&b}}, {3.0f, {&c}}};
  ASSERT_EQ(player.Init("demomusic.xm", nullptr).code, 0);
  player.Start();
  // A demo time far past every end moves one scene per frame.
  player.Update(10.0f);
  EXPECT_EQ(player.index, 1);
  player.Update(10.0f);
  EXPECT_EQ(player.index, 2);
  log_.clear();
  player.Update(10.0f);
  player.Update(1000.0f);
  EXPECT_EQ(player.index, 2);
  EXPECT_EQ(log_, (std::vector<std::string>{"render C", "render C"}));
  // The skip key does not move it either.
  player.SkipScene();
  EXPECT_EQ(player.index, 2);
  player.Done();
}

TEST_F(ScenePlayerTest, SkipMovesOnWithoutRestartOrClockReset) {
  RecordingLayer a("A", &log_), b("B", &log_), c("C", &log_);
  CScenePlayer player;
  player.sceneData = {{10.0f, {&a}}, {20.0f, {&b}}, {600.0f, {&c}}};
  ASSERT_EQ(player.Init("demomusic.xm", nullptr).code, 0);
  player.Start();
  Frames(5);
  player.Update(Now());
  log_.clear();
  player.SkipScene();
  EXPECT_EQ(player.index, 1);
  Frames(1);
  const float eff = player.Update(Now());
  EXPECT_EQ(log_, (std::vector<std::string>{"render B"}));
  EXPECT_FLOAT_EQ(eff, 0.6f);  // the scene time goes on from the previous start
  // The normal switch resumes at the skipped-to scene's own end.
  player.Update(20.0f);
  EXPECT_EQ(player.index, 2);
  player.Done();
}

TEST_F(ScenePlayerTest, DoneTwiceReleasesTheSoundOnceAndTellsEveryLayerEachTime) {
  RecordingLayer a("A", &log_), b("B", &log_);
  CScenePlayer player;
  player.sceneData = {{1.0f, {&a}}, {600.0f, {&b, &a}}};
  ASSERT_EQ(player.Init("demomusic.xm", nullptr).code, 0);
  player.Start();
  EXPECT_TRUE(platform::SoundIsPlaying());
  log_.clear();
  Result first = player.Done();
  EXPECT_EQ(first.code, 0);
  EXPECT_EQ(first.message, "CScenePlayer::Done() : ok!");
  EXPECT_FALSE(platform::SoundIsPlaying());
  EXPECT_EQ(player.music, 0u);
  Result second = player.Done();
  EXPECT_EQ(second.message, "CScenePlayer::Done() : ok!");
  EXPECT_EQ(log_,
            (std::vector<std::string>{"done A", "done B", "done A", "done A", "done B", "done A"}));
  // The sound layer can start again afterwards: nothing was left half-freed.
  CScenePlayer again;
  again.sceneData = {{600.0f, {&a}}};
  EXPECT_EQ(again.Init("demomusic.xm", nullptr).code, 0);
  again.Done();
}

}  // namespace
