// The production itself, offscreen on its own data. One straight run at
// 4 frames a second (640x480, console hidden) plays without an error (what
// every scene shows is held by the stored reference pictures, see
// reference_pictures_test.cpp); its frames are the straight pictures that
// starts and seeks must land on, and a second run (label `show`) must draw
// them again; a paused run stands still; a storm of transport keys lands on
// the straight pictures. How a run ends is the shell's, checked with its test
// show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "timeline/production/production.h"
#include "timeline/seek.h"

namespace fs = std::filesystem;

namespace {

using testsupport::BandPsnr;
using testsupport::Picture;
using testsupport::ProgramRun;

// A frame inside each scene, then the moments the starts land on: just after
// a looping keyframe clock went round (41, 181), deep into the particle
// scene whose swarm a seek replays frame by frame (105.5), and the tunnel
// five seconds before the crabs (79.5).
const std::vector<std::string> kSceneShots = {"6",   "18",  "33",  "60",  "88",  "100",
                                              "111", "125", "137", "150", "170", "187"};
const std::vector<std::string> kLandings = {"41", "105.5", "181", "79.5"};

// Frames a second of the straight run and the starts compared with it. (At
// 2 frames a second a seek that lost the stepped glow's loop would still
// land on its picture: that loop's length fits the coarser grid.)
constexpr const char* kFps = "4";

// A run's command line: the console hidden from its first frame, at `start`.
std::vector<std::string> Show(std::vector<std::string> args, const std::string& data,
                              const std::string& start = "0", const char* fps = kFps) {
  args.insert(args.begin(), {VELMORA_PATH, "--data", data, "--offscreen", "--fps", fps, "--size",
                             "640x480", "--start", start, "--key", start + ":F1"});
  return args;
}

std::string Folder(const char* run) { return std::string(VELMORA_SHOW_RUN_DIR) + "/" + run; }

// The straight run's shots go to `folder`; what it logged is returned in `out`.
ProgramRun RunShow(const std::string& folder) {
  testsupport::TempDir data;
  testsupport::CopyShowData(VELMORA_DATA_DIR, data.path());
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::vector<std::string> args = {"--until", kSceneShots.back()};
  for (const std::vector<std::string>* times : {&kSceneShots, &kLandings})
    for (const std::string& t : *times)
      args.insert(args.end(), {"--shot", t + ":" + folder + "/" + t + ".png"});
  ProgramRun run = testsupport::RunProgram(Show(args, data.path()), {}, {}, 900);
  run.out += testsupport::ReadText(data.File("error_log.txt"));
  return run;
}

TEST(WholeShow, PlaysEverySceneWithoutAnError) {
  const std::string folder = Folder("first");
  const ProgramRun run = RunShow(folder);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "");  // nothing logged
}

TEST(WholeShow, ASecondRunDrawsTheSameFrames) {
  const std::string first = Folder("first"), second = Folder("second");
  ASSERT_TRUE(fs::exists(first + "/" + kSceneShots.back() + ".png"))
      << "the first run's frames are missing";
  ASSERT_EQ(RunShow(second).exitStatus, 0);
  for (const std::vector<std::string>* times : {&kSceneShots, &kLandings})
    for (const std::string& t : *times)
      EXPECT_EQ(testsupport::LoadPNG(first + "/" + t + ".png").rgb,
                testsupport::LoadPNG(second + "/" + t + ".png").rgb)
          << "frame at " << t << " s differs between runs";
}

// A run that begins at T, or seeks there with a key, draws what the straight
// run drew at T: the scene, its clocks, the looping keyframe clocks and the
// swarm as if the show had played there.
TEST(TransportTest, StartAndSeekLandOnTheStraightRunsPicture) {
  const std::string straight = Folder("first");
  testsupport::TempDir out;
  for (const std::string t : {"41", "105.5", "181"}) {
    const std::string shot = out.File(t + ".png");
    const ProgramRun run = testsupport::RunProgram(
        Show({"--until", t, "--shot", t + ":" + shot}, VELMORA_DATA_DIR, t));
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_GE(
        BandPsnr(testsupport::LoadPNG(shot), testsupport::LoadPNG(straight + "/" + t + ".png")),
        45.0)
        << t;
  }
  // Back across a scene boundary with a key: from the crabs at 84.5 s five
  // seconds back into the tunnel, whose layer clock starts with its scene.
  const ProgramRun back = testsupport::RunProgram(
      Show({"--key", "84.5:Left", "--until", "84.75", "--shot", "84.75:" + out.File("back.png")},
           VELMORA_DATA_DIR, "84"));
  ASSERT_EQ(back.exitStatus, 0) << back.err;
  EXPECT_GE(BandPsnr(testsupport::LoadPNG(out.File("back.png")),
                     testsupport::LoadPNG(straight + "/79.5.png")),
            45.0);
}

// Paused at 100.2 s in the particle scene and resumed at run time 101.6 (the
// console showing, unlike the runs above): every frame of the pause is the
// same, console included, and after it the swarm moves on again (compared
// between the letterbox bands: the lower one holds the console, whose
// frame-rate count moves on). The run clock went on through the pause, the
// demo clock did not: at run time 101.8 the show stood at 100.4 s.
TEST(TransportTest, PauseFreezesPictureSwarmAndConsole) {
  testsupport::TempDir data, out;
  testsupport::CopyShowData(VELMORA_DATA_DIR, data.path());  // the log lands beside the data
  std::vector<std::string> args = {VELMORA_PATH, "--data",      data.path(), "--offscreen",
                                   "--fps",      "5",           "--start",   "100",
                                   "--key",      "100.2:Space", "--key",     "101.6:Space",
                                   "--key",      "101.8:F2",    "--until",   "101.8"};
  const char* times[] = {"100.2", "100.6", "101.4", "101.8"};
  for (const std::string t : times)
    args.insert(args.end(), {"--shot", t + ":" + out.File(t + ".png")});
  const ProgramRun run = testsupport::RunProgram(args, {}, {}, 600);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  std::vector<Picture> p;
  for (const std::string t : times) p.push_back(testsupport::LoadPNG(out.File(t + ".png")));
  EXPECT_EQ(p[1].rgb, p[2].rgb);
  EXPECT_EQ(p[0].rgb, p[1].rgb);
  EXPECT_LT(BandPsnr(p[2], p[3]), 45.0);
  EXPECT_EQ(testsupport::ReadText(data.File("error_log.txt")),
            "index = 5 time 100.40 eff  6.20 \n");
}

// A transport storm: random transport keys (seeded) pressed through an
// offscreen run of the production. Two runs with the same keys draw the same
// frames, and every frame right after a seek (a landing) shows what a straight
// run shows at the same demo time. Small (640x480, 5 frames a second, the
// first 25 seconds: three scenes) so that it also runs in the sanitized build.
namespace storm {

using testsupport::LoadPNG;
using testsupport::TempDir;

constexpr int kFps = 5;
constexpr int kRunFrames = 40;
constexpr int64_t kLastDemoFrame = 25 * kFps;  // the storm stays before 25 s

// Run time of the middle between frame k - 1 and frame k of a run that starts
// at demo frame `start`: a key or shot given there belongs to frame k (the
// first frame is at 0).
std::string Before(int64_t start, int k) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", std::max(0.0, (double(start + k) - 0.5) / kFps));
  return text;
}

struct Storm {
  int64_t start = 0;                              // demo frame of the run's first frame
  std::vector<std::pair<int, std::string>> keys;  // run frame, key name
  std::map<int, int64_t> landings;                // run frame -> the demo frame it shows

  std::string Describe() const {
    std::string text = "from demo frame " + std::to_string(start) + ":";
    for (const auto& [k, key] : keys) text += " " + key + "@" + std::to_string(k);
    return text;
  }
};

// Presses keys at random frames and works out, as the transport defines it,
// which demo frame each frame after a seek shows: Left and Right move five
// seconds from the frame's demo time (not below 0), Page Up goes to the
// previous scene's first frame (the current one's in the first scene), Page
// Down to the next one's, Home to 0. A seek lands in the next frame; a paused
// run stands still, also after a seek. Seeks that would leave the first
// 25 seconds are not pressed.
Storm MakeStorm(uint32_t seed, const std::vector<Scene>& scenes) {
  std::mt19937 random(seed);
  Storm storm;
  storm.start = 10 + int64_t(random() % (kLastDemoFrame - 20));
  storm.landings[0] = storm.start;
  // Seeks and pauses more often than the keys that only change the sound or
  // the console.
  const char* names[] = {"Left",     "Left", "Right", "Right", "PageUp", "PageUp", "PageDown",
                         "PageDown", "Home", "Space", "Space", "F1",     "M",      "Up"};
  int64_t shown = storm.start;  // the demo frame that run frame k shows
  bool paused = false;
  for (int k = 0; k + 1 < kRunFrames; ++k) {
    int64_t next = paused ? shown : shown + 1;
    // A key at frame 0 would come before the start's seek.
    if (k > 0 && random() % 3 == 0) {
      const std::string key = names[random() % std::size(names)];
      // The scene the player holds after drawing the frame.
      const int scene = LocateFrame(scenes, shown + 1, kFps).index;
      int64_t target = -1;
      if (key == "Left") target = std::max<int64_t>(0, shown - 5 * kFps);
      if (key == "Right") target = shown + 5 * kFps;
      if (key == "PageUp") target = SceneFirstFrame(scenes, std::max(0, scene - 1), kFps);
      if (key == "PageDown") target = SceneFirstFrame(scenes, scene + 1, kFps);
      if (key == "Home") target = 0;
      if (key == "Space") {
        paused = !paused;
        next = paused ? shown : shown + 1;
      }
      if (target < kLastDemoFrame) {
        storm.keys.emplace_back(k, key);
        if (target >= 0) {
          next = target;
          storm.landings[k + 1] = target;
        }
      }
    }
    shown = next;
  }
  // The run ends with frame kRunFrames - 1, unshot.
  storm.landings.erase(storm.landings.lower_bound(kRunFrames - 1), storm.landings.end());
  return storm;
}

class StormTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::CopyShowData(VELMORA_DATA_DIR, data_.path()); }
  ProgramRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {VELMORA_PATH, "--data", data_.path(), "--offscreen", "--fps",
                               std::to_string(kFps), "--size", "640x480"});
    return testsupport::RunProgram(args, {}, {}, 600);
  }
  // The storm's run with a shot at every landing and every fifth frame.
  ProgramRun RunStorm(const Storm& storm, const std::string& prefix) {
    char start[32];
    std::snprintf(start, sizeof start, "%.1f", double(storm.start) / kFps);
    std::vector<std::string> args = {"--start", start, "--until",
                                     Before(storm.start, kRunFrames - 1)};
    for (const auto& [k, key] : storm.keys)
      args.insert(args.end(), {"--key", Before(storm.start, k) + ":" + key});
    for (int k = 0; k < kRunFrames - 1; ++k) {
      if (k % 5 == 0 || storm.landings.count(k))
        args.insert(args.end(), {"--shot", Before(storm.start, k) + ":" + Shot(prefix, k)});
    }
    return Run(args);
  }
  std::string Shot(const std::string& prefix, int64_t k) {
    return out_.File(prefix + std::to_string(k) + ".png");
  }

  TempDir data_;
  TempDir out_;
};

TEST_F(StormTest, RepeatsExactlyAndLandsOnTheStraightRunsPictures) {
  std::vector<Scene> scenes;
  FillProductionTimeline(&scenes);
  // A seed whose storm lands on the first frame by Page Up from the second
  // scene, by Home from the third and by Left, and inside a scene by Right.
  const Storm storm = MakeStorm(20261288, scenes);
  ASSERT_GE(storm.landings.size(), 6u) << "too few seeks to be a storm";
  std::printf("storm %s; landings (run frame: demo frame):", storm.Describe().c_str());
  for (const auto& [k, demo] : storm.landings) std::printf(" %d:%ld", k, long(demo));
  std::printf("\n");
  std::fflush(stdout);  // before the runs' children inherit the buffer

  for (const char* prefix : {"a", "b"}) {
    const ProgramRun run = RunStorm(storm, prefix);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
  }
  // The straight run: a shot at every demo frame a landing shows.
  std::set<int64_t> shown;
  for (const auto& [k, demo] : storm.landings) shown.insert(demo);
  std::vector<std::string> straight = {"--until", Before(0, int(*shown.rbegin()) + 1)};
  for (int64_t demo : shown)
    straight.insert(straight.end(),
                    {"--shot", Before(0, int(demo)) + ":" + Shot("straight", demo)});
  const ProgramRun run = Run(straight);
  ASSERT_EQ(run.exitStatus, 0) << run.err;

  for (int k = 0; k < kRunFrames - 1; ++k) {
    if (k % 5 != 0 && !storm.landings.count(k)) continue;
    EXPECT_EQ(LoadPNG(Shot("a", k)).rgb, LoadPNG(Shot("b", k)).rgb) << "run frame " << k;
  }
  for (const auto& [k, demo] : storm.landings) {
    EXPECT_EQ(testsupport::BandPsnr(LoadPNG(Shot("a", k)), LoadPNG(Shot("straight", demo))),
              std::numeric_limits<double>::infinity())
        << "run frame " << k << " landing on demo frame " << demo << ", keys " << storm.Describe();
  }
}

}  // namespace storm
}  // namespace
