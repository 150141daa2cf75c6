// The export's picture filters on the production's own scenes: supersampling
// keeps the picture and smooths the models' edges; motion blur smears the
// particle swarm, the same way on every run.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testsupport::Picture;
using testsupport::TempDir;

class ExportFiltersTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::CopyShowData(VELMORA_DATA_DIR, data_.path()); }

  // Exports 640x480 frames at 10 fps up to 1.2 s into a folder, after
  // skipping `skips` scenes with F2 in the first frames, and reads the last
  // one, frame 12, back.
  Picture Export(const std::string& name, int skips, std::vector<std::string> extra) {
    std::vector<std::string> args = {VELMORA_PATH,    "--data", data_.path(), "--export",
                                     out_.File(name), "--fps",  "10",         "--until",
                                     "1.2",           "--size", "640x480"};
    for (int i = 0; i < skips; ++i) {
      args.push_back("--key");
      args.push_back("0." + std::to_string(i) + ":F2");
    }
    args.insert(args.end(), extra.begin(), extra.end());
    const testsupport::ProgramRun run = testsupport::RunProgram(args, {}, {}, 600);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    return testsupport::LoadPNG(out_.File(name + "/frame_000012.png"));
  }

  TempDir data_;
  TempDir out_;
};

using testsupport::Psnr;

// Steps of more than 60 in brightness between neighbouring pixels inside the
// picture band: the stairs of an aliased edge.
int HardSteps(const Picture& p) {
  auto luma = [&](int x, int y) {
    const uint8_t* c = p.At(x, y);
    return (77 * c[0] + 150 * c[1] + 29 * c[2]) >> 8;
  };
  int steps = 0;
  for (int y = p.height / 6 + 1; y < p.height * 5 / 6 - 1; ++y) {
    for (int x = 1; x < p.width; ++x) {
      steps += std::abs(luma(x, y) - luma(x - 1, y)) > 60;
      steps += std::abs(luma(x, y) - luma(x, y - 1)) > 60;
    }
  }
  return steps;
}

TEST_F(ExportFiltersTest, SupersamplingKeepsThePictureAndSmoothsEdges) {
  // The nested crab copies: a model with many thin legs over a picture.
  const Picture plain = Export("plain", 4, {});
  const Picture fine = Export("fine", 4, {"--supersample", "2"});
  ASSERT_EQ(fine.width, 640);
  ASSERT_EQ(fine.rgb.size(), plain.rgb.size());
  EXPECT_GE(Psnr(plain, fine), 30.0);
  // Measured at 800x600: about 2900 hard steps plain, 900 supersampled.
  EXPECT_LT(HardSteps(fine), HardSteps(plain) / 2);
}

TEST_F(ExportFiltersTest, MotionBlurSmearsTheSwarmTheSameWayEveryRun) {
  const Picture plain = Export("plain", 5, {});
  const Picture blurred = Export("blurred", 5, {"--motion-blur", "4"});
  const Picture again = Export("again", 5, {"--motion-blur", "4"});
  EXPECT_EQ(blurred.rgb, again.rgb);
  ASSERT_EQ(blurred.rgb.size(), plain.rgb.size());
  // Measured: about 31.5 dB apart; the same picture, not the same frame.
  EXPECT_LT(Psnr(plain, blurred), 40.0);
  EXPECT_GT(Psnr(plain, blurred), 20.0);
}

}  // namespace
