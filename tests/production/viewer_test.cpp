// What the viewer sees beyond the show, on the production itself: the
// on-screen display in offscreen runs and (only when asked) in exports, the
// chapters of exported videos, the filled framing of wide exports, and the
// export's supersampling, which keeps the picture and smooths the models'
// edges. (How motion blur mixes its sub-frames, the same way on every run, is
// the shell's export test's.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "timeline/show/show.h"

namespace {

using testsupport::LoadPNG;
using testsupport::Picture;
using testsupport::ProgramRun;
using testsupport::Psnr;
using testsupport::TempDir;

// 800x600: the picture's bottom band, where the bar lies, starts at row 500.
constexpr int kBand = 500;

// `with` is `without` and a bar in the band: equal above the band, and apart
// in it (by about 15 dB; a bar of 2000 pixels, a fortieth of the band, 150
// levels off the picture would be 20.6 dB).
void ExpectTheBarInTheBandOnly(const Picture& with, const Picture& without) {
  ASSERT_EQ(with.rgb.size(), without.rgb.size());
  EXPECT_EQ(testsupport::Psnr(with, without, 0, kBand), INFINITY);
  const double band = testsupport::Psnr(with, without, kBand, 600);
  std::printf("the bar's band against the picture without it: %.1f dB\n", band);
  EXPECT_LT(band, 25.0);
}

// The mean of the red, green and blue values over [left, right) x [top, bottom).
double MeanBrightness(const Picture& p, int left, int right, int top, int bottom) {
  double sum = 0.0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const uint8_t* q = p.At(x, y);
      sum += (q[0] + q[1] + q[2]) / 3.0;
    }
  }
  return sum / ((right - left) * (bottom - top));
}

class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override { testsupport::CopyShowData(VELMORA_DATA_DIR, data_.path()); }
  ProgramRun Run(std::vector<std::string> args, const char* fps = "5") {
    args.insert(args.begin(), {VELMORA_PATH, "--data", data_.path(), "--fps", fps});
    return testsupport::RunProgram(args, {}, {}, 600);
  }
  std::string Out(const std::string& name) { return out_.File(name); }

  TempDir data_;
  TempDir out_;
};

// Paused with Space at 20 s, the shot half a second later is the straight
// run's frame at 20 s above the band and carries the bar in it; resumed at
// 21 s, the frame at run time 24 s (demo time 23 s) is, once the bar has
// faded, the straight run's frame everywhere.
TEST_F(ViewerTest, SpaceShowsTheBarInTheBandWhichFadesAway) {
  ProgramRun run = Run({"--offscreen", "--start", "20", "--until", "23", "--shot",
                        "20:" + Out("straight20.png"), "--shot", "23:" + Out("straight23.png")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  run =
      Run({"--offscreen", "--start", "20", "--until", "24", "--key", "20:Space", "--key",
           "21:Space", "--shot", "20.6:" + Out("paused.png"), "--shot", "24:" + Out("faded.png")});
  ASSERT_EQ(run.exitStatus, 0) << run.err;

  const Picture straight20 = LoadPNG(Out("straight20.png"));
  const Picture paused = LoadPNG(Out("paused.png"));
  ExpectTheBarInTheBandOnly(paused, straight20);
  EXPECT_EQ(LoadPNG(Out("faded.png")).rgb, LoadPNG(Out("straight23.png")).rgb);
  // The debug console under the bar's left end is dimmed while the bar
  // shows: its panel below the track (rows 575 to 585, which nothing of the
  // bar covers) reads at most half as bright as in the straight run.
  EXPECT_LT(MeanBrightness(paused, 20, 200, 575, 585) * 2.0,
            MeanBrightness(straight20, 20, 200, 575, 585));
  EXPECT_GT(MeanBrightness(straight20, 20, 200, 575, 585), 30.0);
}

// An export never shows the display unless --osd is given, whatever the keys
// given; with it, a key's bar lies in the band of the frames after the key.
TEST_F(ViewerTest, ExportsShowTheDisplayOnlyWithOsd) {
  ASSERT_EQ(Run({"--export", Out("plain"), "--until", "1.4"}).exitStatus, 0);
  ASSERT_EQ(
      Run({"--export", Out("keys"), "--until", "1.4", "--key", "1:M", "--key", "1:Up"}).exitStatus,
      0);
  ProgramRun run =
      Run({"--export", Out("osd"), "--until", "1.4", "--osd", "--key", "1:M", "--key", "1:Up"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  for (const std::string frame : {"frame_000003.png", "frame_000006.png"}) {
    EXPECT_EQ(LoadPNG(Out("keys/" + frame)).rgb, LoadPNG(Out("plain/" + frame)).rgb) << frame;
  }
  ExpectTheBarInTheBandOnly(LoadPNG(Out("osd/frame_000006.png")),
                            LoadPNG(Out("plain/frame_000006.png")));
  EXPECT_EQ(LoadPNG(Out("osd/frame_000004.png")).rgb, LoadPNG(Out("plain/frame_000004.png")).rgb);
}

// The chapters ffprobe finds in a video: their starts and titles.
std::vector<std::pair<double, std::string>> Chapters(const std::string& video) {
  std::istringstream lines(
      testsupport::Probe(video, "-show_entries chapter=start_time:chapter_tags=title"));
  std::vector<std::pair<double, std::string>> chapters;
  for (std::string start, title; std::getline(lines, start) && std::getline(lines, title);)
    chapters.emplace_back(std::atof(start.c_str()), title);
  return chapters;
}

// An export into the third scene (which starts at 24 s) holds a chapter for
// each of the first three scenes, starting where the show's table starts them
// (within a frame) and named from it; a Matroska export of 13 s the first two.
TEST_F(ViewerTest, VideoExportsCarryAChapterPerScene) {
  const double starts[] = {0.0, 12.3, 24.0};
  for (const auto& [video, until, count] :
       {std::make_tuple("three.mp4", "24.2", 3u), std::make_tuple("thirteen.mkv", "13", 2u)}) {
    const ProgramRun run = Run({"--export", Out(video), "--until", until, "--size", "640x480"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const auto chapters = Chapters(Out(video));
    ASSERT_EQ(chapters.size(), count) << video << run.err;
    for (size_t i = 0; i < chapters.size(); ++i) {
      EXPECT_NEAR(chapters[i].first, starts[i], 0.2) << video << " " << i;
      EXPECT_EQ(chapters[i].second, show::kScenes[i].name) << video << " " << i;
    }
  }
}

// Pixels of column x, rows [top, bottom), brighter than black.
int LitInColumn(const Picture& p, int x, int top, int bottom) {
  int lit = 0;
  for (int y = top; y < bottom; ++y) lit += p.At(x, y)[0] + p.At(x, y)[1] + p.At(x, y)[2] > 30;
  return lit;
}

// A 16:9 export (854x480): boxed by default, the 4:3 picture of a 640x480
// export in the middle 640 columns, not stretched, with black beside it;
// filled, the picture's band reaches both sides and only thin stripes of the
// show's own black bands stay above and below it.
TEST_F(ViewerTest, FillCropsTheBoxedPictureToAWideFrame) {
  ASSERT_EQ(Run({"--export", Out("boxed"), "--size", "854x480", "--until", "1"}).exitStatus, 0);
  ASSERT_EQ(Run({"--export", Out("narrow"), "--size", "640x480", "--until", "1"}).exitStatus, 0);
  ProgramRun run = Run({"--export", Out("filled"), "--size", "854x480", "--until", "1", "--fill"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const Picture boxed = LoadPNG(Out("boxed/frame_000005.png"));
  const Picture filled = LoadPNG(Out("filled/frame_000005.png"));
  ASSERT_EQ(filled.width, 854);
  ASSERT_EQ(filled.height, 480);
  for (int x : {0, 20, 106, 747, 833, 853}) EXPECT_EQ(LitInColumn(boxed, x, 0, 480), 0) << x;
  for (int x : {20, 833}) {
    EXPECT_GT(LitInColumn(filled, x, 40, 440), 300) << x;
    EXPECT_EQ(LitInColumn(filled, x, 0, 20), 0) << x;
    EXPECT_EQ(LitInColumn(filled, x, 460, 480), 0) << x;
  }
  EXPECT_GT(LitInColumn(boxed, 427, 90, 390), 250);
  Picture middle = LoadPNG(Out("narrow/frame_000005.png"));
  for (int y = 0; y < 480; ++y) {
    std::copy(boxed.At(107, y), boxed.At(747, y), middle.rgb.begin() + y * 640 * 3);
  }
  const double psnr = testsupport::BandPsnr(middle, LoadPNG(Out("narrow/frame_000005.png")));
  std::printf("boxed middle against the 640x480 export: %.1f dB\n", psnr);
  EXPECT_GE(psnr, 50.0);
}

using ExportFiltersTest = ViewerTest;

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
  // The nested crab copies, a model with many thin legs over a picture, four
  // scenes skipped with F2 in the first frames: 640x480 at 10 fps up to 1.2 s,
  // frame 12 read back.
  const auto crabs = [&](const std::string& name, const std::vector<std::string>& filter) {
    std::vector<std::string> args = {"--export", Out(name), "--until", "1.2", "--size", "640x480"};
    for (const char* key : {"0.0:F2", "0.1:F2", "0.2:F2", "0.3:F2"})
      args.insert(args.end(), {"--key", key});
    args.insert(args.end(), filter.begin(), filter.end());
    const ProgramRun run = Run(args, "10");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    return LoadPNG(Out(name + "/frame_000012.png"));
  };
  const Picture plain = crabs("plain", {});
  const Picture fine = crabs("fine", {"--supersample", "2"});
  ASSERT_EQ(fine.width, 640);
  ASSERT_EQ(fine.rgb.size(), plain.rgb.size());
  EXPECT_GE(Psnr(plain, fine), 30.0);
  // Measured at 800x600: about 2900 hard steps plain, 900 supersampled.
  EXPECT_LT(HardSteps(fine), HardSteps(plain) / 2);
}

}  // namespace
