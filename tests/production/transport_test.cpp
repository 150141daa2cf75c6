// Pause and seek on the production itself, offscreen: every way back to the
// first frame lands on it, and a paused show stands still. Starts and seeks
// against the straight run's frames are in production_run_test.cpp, another
// aspect's boxed picture in viewer_test.cpp.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testsupport::Picture;
using testsupport::ProgramRun;
using testsupport::TempDir;

// Pictures are compared between the letterbox bands: the lower band holds the
// debug console, whose frame-rate count depends on how the run got there.
using testsupport::BandPsnr;
using testsupport::LoadPNG;

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::CopyShowData(VELMORA_DATA_DIR, data_.path()); }
  ProgramRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {VELMORA_PATH, "--data", data_.path(), "--offscreen", "--fps", "5"});
    return testsupport::RunProgram(args, {}, {}, 600);
  }
  std::string Out(const std::string& name) { return out_.File(name); }

  TempDir data_;
  TempDir out_;
};

// Every way back to the first frame lands on the straight run's first
// picture, whichever scene's buffers the frame before the seek left: Home
// from the middle of the show, Page Up from the second scene, Left from
// within the first five seconds.
TEST_F(TransportTest, SeeksToTheFirstFrameDrawTheStraightRunsFirstPicture) {
  ASSERT_EQ(Run({"--until", "0", "--shot", "0:" + Out("first.png")}).exitStatus, 0);
  const ProgramRun run = Run({"--start", "50",
                              "--key",   "50.2:Home",
                              "--key",   "50.6:PageDown",
                              "--key",   "51:PageUp",
                              "--key",   "51.4:Left",
                              "--until", "51.6",
                              "--shot",  "50.4:" + Out("home.png"),
                              "--shot",  "50.8:" + Out("second.png"),
                              "--shot",  "51.2:" + Out("pageup.png"),
                              "--shot",  "51.6:" + Out("left.png")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const Picture first = LoadPNG(Out("first.png"));
  // The Page Up really came from another scene.
  EXPECT_LT(BandPsnr(LoadPNG(Out("second.png")), first), 30.0);
  for (const char* landing : {"home.png", "pageup.png", "left.png"})
    EXPECT_EQ(BandPsnr(LoadPNG(Out(landing)), first), std::numeric_limits<double>::infinity())
        << landing;
}

TEST_F(TransportTest, PauseFreezesPictureSwarmAndConsole) {
  // Paused at 100.2 s in the particle scene, resumed at run time 101.6.
  const ProgramRun run = Run(
      {"--start", "100", "--key", "100.2:Space", "--key", "101.6:Space", "--key", "101.8:F2",
       "--until", "101.8", "--shot", "100.2:" + Out("p0.png"), "--shot", "100.6:" + Out("p1.png"),
       "--shot", "101.4:" + Out("p2.png"), "--shot", "101.8:" + Out("p3.png")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const Picture p0 = LoadPNG(Out("p0.png"));
  const Picture p1 = LoadPNG(Out("p1.png"));
  const Picture p2 = LoadPNG(Out("p2.png"));
  const Picture p3 = LoadPNG(Out("p3.png"));
  // During the pause every frame is the same, console included.
  EXPECT_EQ(p1.rgb, p2.rgb);
  EXPECT_EQ(p0.rgb, p1.rgb);
  // After it the swarm moves on again.
  EXPECT_LT(BandPsnr(p2, p3), 45.0);
  // The run clock went on through the pause, the demo clock did not: at run
  // time 101.8 the show stood at 100.4 s.
  EXPECT_EQ(testsupport::ReadText(data_.File("error_log.txt")),
            "index = 5 time 100.40 eff  6.20 \n");
}

}  // namespace
