// Pause on the production itself, offscreen: a paused show stands still.
// Starts and seeks against the straight run's frames are in
// production_run_test.cpp and storm_test.cpp (every way back to the first
// frame among them), another aspect's boxed picture in viewer_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testsupport::LoadPNG;
using testsupport::Picture;

TEST(TransportTest, PauseFreezesPictureSwarmAndConsole) {
  // The log lands beside the data: a copy of the test's own.
  testsupport::TempDir data, out;
  testsupport::CopyShowData(VELMORA_DATA_DIR, data.path());
  // Paused at 100.2 s in the particle scene, resumed at run time 101.6.
  std::vector<std::string> args = {VELMORA_PATH, "--data",      data.path(), "--offscreen",
                                   "--fps",      "5",           "--start",   "100",
                                   "--key",      "100.2:Space", "--key",     "101.6:Space",
                                   "--key",      "101.8:F2",    "--until",   "101.8"};
  const char* times[] = {"100.2", "100.6", "101.4", "101.8"};
  for (const std::string t : times)
    args.insert(args.end(), {"--shot", t + ":" + out.File(t + ".png")});
  const testsupport::ProgramRun run = testsupport::RunProgram(args, {}, {}, 600);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  std::vector<Picture> p;
  for (const std::string t : times) p.push_back(LoadPNG(out.File(t + ".png")));
  // During the pause every frame is the same, console included.
  EXPECT_EQ(p[1].rgb, p[2].rgb);
  EXPECT_EQ(p[0].rgb, p[1].rgb);
  // After it the swarm moves on again (compared between the letterbox bands:
  // the lower one holds the console, whose frame-rate count moves on).
  EXPECT_LT(testsupport::BandPsnr(p[2], p[3]), 45.0);
  // The run clock went on through the pause, the demo clock did not: at run
  // time 101.8 the show stood at 100.4 s.
  EXPECT_EQ(testsupport::ReadText(data.File("error_log.txt")),
            "index = 5 time 100.40 eff  6.20 \n");
}

}  // namespace
