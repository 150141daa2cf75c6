// The production itself, offscreen on its own data, in one low-frame-rate
// run: it loads without an error, shows something in every scene, follows F2
// as the timeline says and ends with the first frame past the end. A second
// run (its own test, under the `show` label) draws the same frames.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "timeline/show/show.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Picture;
using testsupport::ProgramRun;

constexpr int kFps = 2;  // frames at every half second of demo time

// A frame inside each scene (none within a frame of an F2 press).
const std::vector<std::string> kSceneShots = {"6",   "18",  "33",  "60",  "88",  "100",
                                              "111", "125", "137", "150", "170", "187"};

// The shots of one run go to `folder`, the log to a copy of the data.
ProgramRun RunShow(const std::string& folder) {
  testsupport::TempDir data;
  testsupport::CopyShowData(VELMORA_DATA_DIR, data.path());
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::vector<std::string> args = {VELMORA_PATH,  "--data", data.path(),
                                   "--offscreen", "--fps",  std::to_string(kFps)};
  // F2 in the first scene, in the third (after the first press moved the
  // player on without restarting the scene clock) and in the last, which it
  // does not leave.
  for (const char* key : {"12:F2", "40:F2", "190:F2"}) args.insert(args.end(), {"--key", key});
  for (const std::string& t : kSceneShots)
    args.insert(args.end(), {"--shot", t + ":" + folder + "/" + t + ".png"});
  // The run ends after the first frame past the end (194 s at 2 fps; a shot
  // later than that is refused, see the shell's tests).
  for (const char* t : {"193.5", "194"})
    args.insert(args.end(), {"--shot", std::string(t) + ":" + folder + "/" + t + ".png"});
  ProgramRun run = testsupport::RunProgram(args, {}, {}, 900);
  run.out += testsupport::ReadText(data.File("error_log.txt"));  // the log, for the caller
  return run;
}

std::string Folder(const char* run) { return std::string(VELMORA_SHOW_RUN_DIR) + "/" + run; }

Picture Shot(const std::string& file) {
  Picture picture;
  EXPECT_TRUE(testsupport::ReadPNG(file, &picture)) << file;
  return picture;
}

// Sampled pixels of the band between the letterbox bands that differ from
// its first one.
int Distinct(const Picture& p) {
  int distinct = 0;
  if (p.width < 800 || p.height < 600) return 0;
  const uint8_t* first = p.At(0, 100);
  for (int y = 100; y < 500; y += 7) {
    for (int x = 0; x < 800; x += 7) {
      const uint8_t* px = p.At(x, y);
      distinct += (px[0] != first[0] || px[1] != first[1] || px[2] != first[2]) ? 1 : 0;
    }
  }
  return distinct;
}

TEST(WholeShow, PlaysEverySceneFollowsF2AndEndsOnTheFirstFramePastTheEnd) {
  const std::string folder = Folder("first");
  const ProgramRun run = RunShow(folder);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // At 12 s scene 0 has run 12 s. At 40 s scene 2 is current and 16 s old:
  // the skipped-to scene 1 ended at its own end time, 24 s, with a restart.
  // The last scene began with the first frame at or past 181.25 s.
  EXPECT_EQ(run.out,
            "index = 0 time 12.00 eff  12.00 \n"
            "index = 2 time 40.00 eff  16.00 \n"
            "index = 11 time 190.00 eff  8.50 \n");
  std::vector<uint8_t> previous;
  for (const std::string& t : kSceneShots) {
    const Picture p = Shot(folder + "/" + t + ".png");
    EXPECT_GT(Distinct(p), 100) << "frame at " << t << " s is flat";
    EXPECT_NE(p.rgb, previous) << "frame at " << t << " s is the previous scene's";
    previous = p.rgb;
  }
  EXPECT_GT(Distinct(Shot(folder + "/193.5.png")), 100);
  EXPECT_TRUE(fs::exists(folder + "/194.png"));
}

TEST(WholeShow, ASecondRunDrawsTheSameFrames) {
  const std::string first = Folder("first"), second = Folder("second");
  ASSERT_TRUE(fs::exists(first + "/193.5.png")) << "the first run's frames are missing";
  ASSERT_EQ(RunShow(second).exitStatus, 0);
  std::vector<std::string> shots = kSceneShots;
  shots.insert(shots.end(), {"193.5", "194"});
  for (const std::string& t : shots) {
    EXPECT_EQ(Shot(first + "/" + t + ".png").rgb, Shot(second + "/" + t + ".png").rgb)
        << "frame at " << t << " s differs between runs";
  }
}

}  // namespace
