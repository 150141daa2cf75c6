// The fast drawing against the straightforward one: every scene of the
// production, at three moments each, rendered both ways on the production's
// own data at the design's 800x600 and at 1440x1080 (the picture of a
// 1920x1080 screen), must give the same picture within rounding and
// resampling (PSNR of at least 38 dB over the whole frame).
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
void Shoot(const testsupport::TempDir& dir, const std::string& size, bool reference) {
  std::vector<std::string> args = {
      VELMORA_PATH, "--data",     VELMORA_DATA_DIR, "--offscreen",
      "--size",     size,         "--fps",          std::to_string(scenemoments::kFps),
      "--until",    kTimes.back()};
  for (const std::string& t : kTimes) {
    args.push_back("--shot");
    args.push_back(t + ":" + dir.File(t + ".png"));
  }
  const testsupport::ProgramRun run = testsupport::RunProgram(
      args, {std::string("VELMORA_REFERENCE_DRAWING=") + (reference ? "1" : "0")}, {}, 900);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
}

class ReferenceDrawingTest : public testing::TestWithParam<const char*> {};

TEST_P(ReferenceDrawingTest, EveryScenePicturesMatchTheStraightforwardDrawing) {
  const std::string size = GetParam();
  testsupport::TempDir fast;
  testsupport::TempDir reference;
  ASSERT_NO_FATAL_FAILURE(Shoot(fast, size, false));
  ASSERT_NO_FATAL_FAILURE(Shoot(reference, size, true));
  double lowest = INFINITY;
  for (const std::string& t : kTimes) {
    Picture a;
    Picture b;
    ASSERT_TRUE(testsupport::ReadPNG(fast.File(t + ".png"), &a)) << t;
    ASSERT_TRUE(testsupport::ReadPNG(reference.File(t + ".png"), &b)) << t;
    ASSERT_EQ(size, std::to_string(a.width) + "x" + std::to_string(a.height));
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    const double psnr = testsupport::Psnr(a, b);
    EXPECT_GE(psnr, 38.0) << "at " << t << " s, " << size;
    lowest = std::min(lowest, psnr);
    std::printf("%s %7s s: %s dB\n", size.c_str(), t.c_str(),
                std::isinf(psnr) ? "equal" : std::to_string(psnr).c_str());
  }
  std::printf("%s: lowest PSNR %.1f dB\n", size.c_str(), lowest);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReferenceDrawingTest, testing::Values("800x600", "1440x1080"),
                         [](const testing::TestParamInfo<const char*>& param) {
                           std::string name = param.param;
                           name[name.find('x')] = '_';
                           return name;
                         });

}  // namespace
