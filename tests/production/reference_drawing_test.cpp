// The fast drawing against the straightforward one: every scene of the
// production, at three moments each, rendered both ways on the production's
// own data, must give the same picture within rounding (PSNR of at least
// 40 dB over the whole frame).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "production/scene_moments.h"
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testsupport::Picture;

using scenemoments::kTimes;

// One offscreen run at 4 frames a second that shoots every moment into `dir`.
void Shoot(const testsupport::TempDir& dir, bool reference) {
  std::vector<std::string> args = {VELMORA_PATH,  "--data",     VELMORA_DATA_DIR,
                                   "--offscreen", "--fps",      std::to_string(scenemoments::kFps),
                                   "--until",     kTimes.back()};
  for (const std::string& t : kTimes) {
    args.push_back("--shot");
    args.push_back(t + ":" + dir.File(t + ".png"));
  }
  const testsupport::ProgramRun run = testsupport::RunProgram(
      args, {std::string("VELMORA_REFERENCE_DRAWING=") + (reference ? "1" : "0")}, {}, 900);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
}

TEST(ReferenceDrawingTest, EveryScenePicturesMatchTheStraightforwardDrawing) {
  testsupport::TempDir fast;
  testsupport::TempDir reference;
  ASSERT_NO_FATAL_FAILURE(Shoot(fast, false));
  ASSERT_NO_FATAL_FAILURE(Shoot(reference, true));
  int framesThatDiffer = 0;
  double lowest = INFINITY;
  for (const std::string& t : kTimes) {
    Picture a;
    Picture b;
    ASSERT_TRUE(testsupport::ReadPNG(fast.File(t + ".png"), &a)) << t;
    ASSERT_TRUE(testsupport::ReadPNG(reference.File(t + ".png"), &b)) << t;
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    const double psnr = testsupport::Psnr(a, b);
    EXPECT_GE(psnr, 40.0) << "at " << t << " s";
    if (a.rgb != b.rgb) ++framesThatDiffer;
    lowest = std::min(lowest, psnr);
    std::printf("%7s s: %s dB\n", t.c_str(),
                std::isinf(psnr) ? "equal" : std::to_string(psnr).c_str());
  }
  std::printf("lowest PSNR %.1f dB; %d of %zu frames differ\n", lowest, framesThatDiffer,
              kTimes.size());
  // The switch reaches the drawing: the folded glow rounds differently from
  // ten separate blends somewhere, so the two runs are not one and the same.
  EXPECT_GT(framesThatDiffer, 0);
}

}  // namespace
