// The production itself, offscreen on its own data: it loads without an
// error, plays its twelve scenes to the end and draws the same frames on
// every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Picture;
using testsupport::ProgramRun;
using testsupport::TempDir;

// A copy of the generated data, so that the log file lands in a folder of the test's own.
class ProductionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* item : {"scenes", "textures", "demomusic.xm"}) {
      fs::copy(fs::path(VELMORA_DATA_DIR) / item, fs::path(data_.path()) / item,
               fs::copy_options::recursive);
    }
  }
  ProgramRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {VELMORA_PATH, "--data", data_.path(), "--offscreen"});
    return testsupport::RunProgram(args, {}, {}, 600);
  }
  std::string Out(const std::string& name) { return out_.File(name); }

  TempDir data_;
  TempDir out_;
};

TEST_F(ProductionTest, PlaysToTheFirstFramePastTheEnd) {
  const ProgramRun run = Run({"--fps", "4", "--shot", "193.75:" + Out("closing.png"), "--shot",
                              "194:" + Out("last.png"), "--shot", "194.25:" + Out("never.png")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(fs::exists(Out("closing.png")));
  EXPECT_TRUE(fs::exists(Out("last.png")));
  EXPECT_FALSE(fs::exists(Out("never.png")));
}

TEST_F(ProductionTest, F2LogsTheSceneAndSkipsAsTheTimelineSays) {
  // Presses at 5 s (scene 0), 30 s (scene 2) and 190 s (the last scene,
  // which F2 does not leave).
  const ProgramRun run =
      Run({"--fps", "10", "--until", "191", "--key", "5:F2", "--key", "30:F2", "--key", "190:F2"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const std::string log = testsupport::ReadText(data_.File("error_log.txt"));
  // After the skip at 5 s, scene 1 runs on the scene clock of scene 0 until
  // 24 s; at 30 s scene 2 is current, 6 s into it. The last scene began with
  // the first frame at or past 181.25 s, which is 181.3 s at 10 fps.
  EXPECT_EQ(log,
            "index = 0 time 5.00 eff  5.00 \n"
            "index = 2 time 30.00 eff  6.00 \n"
            "index = 11 time 190.00 eff  8.70 \n");
}

TEST_F(ProductionTest, TwoRunsDrawTheSameFrames) {
  const std::vector<std::string> times = {"6",   "18",  "33",  "60",  "88",  "100",
                                          "111", "125", "137", "150", "170", "187"};
  std::vector<std::string> args = {"--fps", "10", "--until", "187"};
  for (const std::string& t : times) {
    args.push_back("--shot");
    args.push_back(t + ":" + Out("a" + t + ".png"));
  }
  ASSERT_EQ(Run(args).exitStatus, 0);
  for (std::string& arg : args) {
    const size_t at = arg.find(":" + out_.path() + "/a");
    if (at != std::string::npos) arg.replace(at + out_.path().size() + 2, 1, "b");
  }
  ASSERT_EQ(Run(args).exitStatus, 0);
  for (const std::string& t : times) {
    Picture a, b;
    ASSERT_TRUE(testsupport::ReadPNG(Out("a" + t + ".png"), &a)) << t;
    ASSERT_TRUE(testsupport::ReadPNG(Out("b" + t + ".png"), &b)) << t;
    EXPECT_EQ(a.rgb, b.rgb) << "frame at " << t << " s differs between runs";
    // Every scene shows something inside the bands: not one flat colour.
    int distinct = 0;
    const uint8_t* first = a.At(0, 100);
    for (int y = 100; y < 500; y += 7) {
      for (int x = 0; x < 800; x += 7) {
        const uint8_t* p = a.At(x, y);
        distinct += (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) ? 1 : 0;
      }
    }
    EXPECT_GT(distinct, 100) << "frame at " << t << " s is flat";
  }
}

}  // namespace
