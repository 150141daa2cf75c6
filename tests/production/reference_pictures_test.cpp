// The show's look held against stored pictures that do not move with the
// code: every scene at the moments below, drawn offscreen at
// 800x600 and at 1440x1080, scaled to the stored 200x150 by one box filter and
// compared over the band between the letterbox bars with the pictures in
// tests/reference/pictures. The stored pictures change only when the look is
// meant to change: `scripts/reference-pictures --update` runs this test with
// VELMORA_UPDATE_REFERENCE_PICTURES=1, which writes them from the 800x600 run
// before comparing.
//
// One run per size reaches all moments (800x600 in the default suite,
// 1440x1080 under the `show` label): keys seek (5 s steps, scene starts)
// towards each moment and frames play on from there; a seek lands on exactly
// the frame a straight run draws.
//
// The same runs compare the fast drawing with the straightforward one
// (VELMORA_REFERENCE_DRAWING=1, label `show`): at both sizes every moment
// drawn both ways must give the same picture within rounding and resampling,
// a PSNR of at least 38 dB over the whole frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/picture_scale.h"
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "timeline/seek.h"
#include "timeline/show/show.h"

namespace {

using testsupport::Picture;

// Frames a second of the runs that shoot the moments: the scene clocks start
// on this rate's frames, so pictures are of runs at this rate.
constexpr int kFps = 4;

// The moments at which the tests look at every scene of the production: three
// per scene, just after it starts, inside, and near its end (the echo scenes
// also at their strongest and weakest pulse). Runs at kFps frames a second take
// the first frame at or after each, a frame of the scene named beside it.
const std::vector<std::string> kTimes = {
    "0.5",   "6.2",   "12",      // glow opening
    "13",    "17",    "23.5",    // logo
    "25",    "33",    "40.5",    // flying object
    "42",    "60",    "81",      // tunnel
    "83",    "88",    "94",      // crabs
    "95",    "100",   "105.4",   // particles
    "106",   "110.2", "116",     // wide-angle echo
    "118",   "126",   "134.5",   // tumbling object
    "135",   "137.2", "140.2",   // echo again
    "141",   "150",   "157.75",  // game piece
    "158.5", "170",   "181",     // stepped glow
    "182",   "188",   "193.5",   // closing picture
};

constexpr int kStoredWidth = 200;
constexpr int kStoredHeight = 150;
// Pictures are compared over the band between the letterbox bars (BandPsnr);
// the bars are black in every picture and would only dilute the figure.
// Runs are deterministic (a second run gives the same pictures bit for bit);
// the two sizes, scaled down, differ by edges and texture filtering: 39.6 dB
// at the lowest (the tunnel), 45 to 61 dB elsewhere. The fast and the
// straightforward drawing differ by 47.9 dB at the lowest. Particles that
// never fade out fully (alpha ending at 0.1) give 34.7 dB, the tumbling object
// 10 units off 24.9 dB: the bound lies between.
constexpr double kLeastPsnr = 37.0;

const std::string kStoredDir = VELMORA_SOURCE_DIR "/tests/reference/pictures/";

struct Moment {
  int64_t frame = 0;  // the frame a run at kFps shoots
  int scene = 0;      // the scene drawn in it
  std::string name;   // "sceneSS-TTT.TT": scene and demo time
};

std::string Seconds(int64_t frame) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(frame) / kFps);
  return text;
}

std::vector<Moment> Moments(const std::vector<Scene>& scenes) {
  std::vector<Moment> moments;
  for (const std::string& time : kTimes) {
    Moment m;
    m.frame = FirstFrameAtOrAfter(std::stod(time), kFps);
    m.scene = LocateFrame(scenes, m.frame, kFps).index;
    char name[64];
    std::snprintf(name, sizeof name, "scene%02d-%s", m.scene, Seconds(m.frame).c_str());
    m.name = name;
    moments.push_back(m);
  }
  return moments;
}

// One offscreen run at `size`, console hidden (F1 at the start), that shoots
// every moment into `dir`: from each shot to the next moment, the further of
// the seeks that do not pass it (Page Down to the next scene's first frame,
// Right by five seconds) while one does, then frame by frame. A key pressed
// in a frame moves the frame after it.
void Shoot(const std::vector<Scene>& scenes, const std::vector<Moment>& moments,
           const std::string& size, const testsupport::TempDir& dir, bool straightforward = false) {
  std::vector<std::string> args = {
      VELMORA_PATH, "--data", VELMORA_DATA_DIR, "--offscreen", "--fps", std::to_string(kFps),
      "--size",     size,     "--key",          "0:F1"};
  int64_t runFrame = 0;
  int64_t at = 0;  // the demo frame drawn in run frame `runFrame`
  for (const Moment& m : moments) {
    for (; at != m.frame; ++runFrame) {
      // The scene current once frame `at` is drawn, and the next one's start.
      const int scene = LocateFrame(scenes, at + 1, kFps).index;
      const int64_t pageDown = scene + 1 < static_cast<int>(scenes.size())
                                   ? SceneFirstFrame(scenes, scene + 1, kFps)
                                   : m.frame + 1;
      // Right's landing, or without it the next frame.
      const int64_t right = at + 5 * kFps <= m.frame ? at + 5 * kFps : at + 1;
      const bool page = pageDown <= m.frame && pageDown > right;
      if (page || right > at + 1) {
        args.insert(args.end(), {"--key", Seconds(runFrame) + (page ? ":PageDown" : ":Right")});
      }
      at = page ? pageDown : right;
    }
    args.insert(args.end(), {"--shot", Seconds(runFrame) + ":" + dir.File(m.name + ".png")});
  }
  args.insert(args.end(), {"--until", Seconds(runFrame)});
  std::printf("one run of %" PRId64 " frames for %zu moments\n", runFrame + 1, moments.size());
  std::fflush(stdout);  // the run would print it again
  const testsupport::ProgramRun run = testsupport::RunProgram(
      args, {std::string("VELMORA_REFERENCE_DRAWING=") + (straightforward ? "1" : "0")}, {}, 600);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
}

// The scenes of the show's table, as the timeline places them.
std::vector<Scene> TableScenes() {
  std::vector<Scene> scenes;
  for (const show::SceneRow& row : show::kScenes) scenes.push_back({row.endTime, {}});
  return scenes;
}

// Draws every moment at width x height, compares it with its stored picture
// and, at 800x600 when asked, first writes the stored pictures anew.
void CompareWithStored(int width, int height) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::vector<Scene> scenes = TableScenes();
  const std::vector<Moment> moments = Moments(scenes);
  // Pictures a failure left at this size before.
  const std::string failures = std::string(VELMORA_FAILURE_DIR) + "/" + size + "/";
  std::filesystem::remove_all(failures);

  std::vector<Picture> small;
  {
    testsupport::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(Shoot(scenes, moments, size, dir));
    for (const Moment& m : moments) {
      Picture picture;
      ASSERT_TRUE(testsupport::ReadPNG(dir.File(m.name + ".png"), &picture)) << m.name;
      ASSERT_EQ(picture.width, width) << m.name;
      ASSERT_EQ(picture.height, height) << m.name;
      small.push_back(testsupport::Downscale(picture, kStoredWidth, kStoredHeight));
    }
  }

  const char* update = std::getenv("VELMORA_UPDATE_REFERENCE_PICTURES");
  if (update != nullptr && std::string(update) == "1" && size == "800x600") {
    std::filesystem::create_directories(kStoredDir);
    for (const auto& entry : std::filesystem::directory_iterator(kStoredDir)) {
      if (entry.path().extension() == ".png") std::filesystem::remove(entry.path());
    }
    for (size_t i = 0; i < moments.size(); ++i) {
      std::string reason;
      ASSERT_TRUE(
          testsupport::WritePicture(kStoredDir + moments[i].name + ".png", small[i], &reason))
          << reason;
    }
    std::printf("wrote %zu pictures into %s\n", moments.size(), kStoredDir.c_str());
  }

  double lowest = INFINITY;
  for (size_t i = 0; i < moments.size(); ++i) {
    const Moment& m = moments[i];
    const std::string where = "scene " + std::to_string(m.scene) + " at " + Seconds(m.frame) + " s";
    Picture stored;
    const std::string storedPath = kStoredDir + m.name + ".png";
    if (!testsupport::ReadPNG(storedPath, &stored) || stored.width != kStoredWidth ||
        stored.height != kStoredHeight) {
      ADD_FAILURE() << where << ": no stored " << kStoredWidth << "x" << kStoredHeight
                    << " picture " << storedPath
                    << " (scripts/reference-pictures --update makes them)";
      continue;
    }
    const double psnr = testsupport::BandPsnr(stored, small[i]);
    lowest = std::min(lowest, psnr);
    std::printf("%s: %6.1f dB\n", where.c_str(), psnr);
    if (psnr >= kLeastPsnr) continue;
    std::filesystem::create_directories(failures);
    const std::string pair = failures + m.name + ".png";
    std::string reason;
    const bool written = testsupport::WriteSideBySide(pair, stored, small[i], &reason);
    ADD_FAILURE() << where << " drawn at " << size << " differs from its stored picture: PSNR "
                  << psnr << " dB, less than " << kLeastPsnr
                  << " dB; stored, drawn and difference: "
                  << (written ? pair : "not written (" + reason + ")");
  }
  std::printf("lowest PSNR against the stored pictures at %s: %.1f dB\n", size.c_str(), lowest);
}

// Every moment drawn the fast and the straightforward way at width x height.
void CompareWithStraightforwardDrawing(int width, int height) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::vector<Scene> scenes = TableScenes();
  const std::vector<Moment> moments = Moments(scenes);
  testsupport::TempDir fast, straightforward;
  ASSERT_NO_FATAL_FAILURE(Shoot(scenes, moments, size, fast));
  ASSERT_NO_FATAL_FAILURE(Shoot(scenes, moments, size, straightforward, true));
  double lowest = INFINITY;
  for (const Moment& m : moments) {
    const Picture a = testsupport::LoadPNG(fast.File(m.name + ".png"));
    const Picture b = testsupport::LoadPNG(straightforward.File(m.name + ".png"));
    ASSERT_EQ(std::make_pair(a.width, a.height), std::make_pair(width, height)) << m.name;
    ASSERT_EQ(a.rgb.size(), b.rgb.size()) << m.name;
    const double psnr = testsupport::Psnr(a, b);
    EXPECT_GE(psnr, 38.0) << m.name << " at " << size;
    lowest = std::min(lowest, psnr);
  }
  std::printf("lowest PSNR of the fast against the straightforward drawing at %s: %.1f dB\n",
              size.c_str(), lowest);
}

// The design's size, in the default suite.
TEST(ReferencePicturesTest, EverySceneLooksAsStoredAt800x600) { CompareWithStored(800, 600); }

// The picture of a 1080p screen: twice the pixels' cost, so with the other
// whole-show runs (label `show`).
TEST(ReferencePicturesTest, EverySceneLooksAsStoredAt1440x1080) { CompareWithStored(1440, 1080); }

// Both sizes with the other whole-show runs (label `show`).
TEST(ReferenceDrawingTest, EverySceneMatchesTheStraightforwardDrawingAt800x600) {
  CompareWithStraightforwardDrawing(800, 600);
}
TEST(ReferenceDrawingTest, EverySceneMatchesTheStraightforwardDrawingAt1440x1080) {
  CompareWithStraightforwardDrawing(1440, 1080);
}

}  // namespace
