// The show's look held against stored pictures that do not move with the
// code: every scene at the moments of scene_moments.h, drawn offscreen at
// 800x600 and at 1440x1080, scaled to the stored 200x150 by one box filter and
// compared over the band between the letterbox bars with the pictures in
// tests/reference/pictures. The stored pictures change only when the look is
// meant to change: `scripts/reference-pictures --update` runs this test with
// VELMORA_UPDATE_REFERENCE_PICTURES=1, which writes them from the 800x600 run
// before comparing.
//
// One run per size reaches all moments (800x600 in the default suite,
// 1440x1080 under the `show` label): keys seek (5 s steps, scene starts)
// and frames play on from there, planned for the least drawing; a seek
// lands on exactly the frame a straight run draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "production/scene_moments.h"
#include "support/picture_scale.h"
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "timeline/seek.h"
#include "timeline/show/show.h"

namespace {

using scenemoments::kFps;
using testsupport::Picture;

constexpr int kStoredWidth = 200;
constexpr int kStoredHeight = 150;
// The band between the letterbox bars (rows 80 to 400 of 480) in stored rows;
// the bars are black in every picture and would only dilute the figure.
constexpr int kBandTop = 25;
constexpr int kBandBottom = 125;
// Runs are deterministic (a second run gives the same pictures bit for bit);
// the two sizes, scaled down, differ by edges and texture filtering: 39.6 dB
// at the lowest (the tunnel), 45 to 61 dB elsewhere. The fast and the
// straightforward drawing differ by 47.9 dB at the lowest. Particles that
// never fade out fully (alpha ending at 0.1) give 34.7 dB, the tumbling object
// 10 units off 24.9 dB: the bound lies between.
constexpr double kLeastPsnr = 37.0;

const char kStoredDir[] = VELMORA_SOURCE_DIR "/tests/reference/pictures";
const char kFailureDir[] = VELMORA_FAILURE_DIR;

struct Size {
  int width;
  int height;
  std::string Name() const { return std::to_string(width) + "x" + std::to_string(height); }
};

struct Moment {
  int64_t frame = 0;  // the frame a run at kFps shoots
  int scene = 0;      // the scene drawn in it
  std::string name;   // "sceneSS-TTT.TT": scene and demo time
};

std::vector<Scene> ShowScenes() {
  std::vector<Scene> scenes;
  for (const show::SceneRow& row : show::kScenes) scenes.push_back({row.endTime, {}});
  return scenes;
}

std::string Seconds(int64_t frame) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", static_cast<double>(frame) / kFps);
  return text;
}

std::vector<Moment> Moments(const std::vector<Scene>& scenes) {
  std::vector<Moment> moments;
  for (const std::string& time : scenemoments::kTimes) {
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

// The keys and shots of one run that draws every moment, and how many frames
// it draws (seen or not).
struct RunPlan {
  std::vector<std::string> args;
  int64_t framesDrawn = 0;
  int64_t cost = 0;  // in tenths of a millisecond at 800x600, roughly
};

// Rough drawing time of one frame of each scene in tenths of a millisecond
// (bench_frames at 800x600); the plan only weighs routes with it.
constexpr std::array<int, 12> kSceneCost = {152, 88, 47, 87, 66, 110, 130, 28, 130, 33, 167, 18};

// Plans the run: from each shot, the cheapest way to the next moment through
// the frames a run can go to from a frame it draws (the next one, or a seek
// by a key pressed in it), by Dijkstra over the show's frames. A seek also
// draws, unseen, the last frame of every earlier scene and the frame before
// its target.
RunPlan PlanRun(const std::vector<Scene>& scenes, const std::vector<Moment>& moments) {
  const int64_t last = moments.back().frame;
  const int sceneCount = static_cast<int>(scenes.size());
  std::vector<int> sceneAfter(static_cast<size_t>(last + 1));  // current once frame d is drawn
  std::vector<int> sceneDrawn(static_cast<size_t>(last + 1));
  for (int64_t d = 0; d <= last; ++d) {
    sceneAfter[static_cast<size_t>(d)] = LocateFrame(scenes, d + 1, kFps).index;
    sceneDrawn[static_cast<size_t>(d)] = LocateFrame(scenes, d, kFps).index;
  }
  std::vector<int64_t> sceneFirst;
  for (int i = 0; i < sceneCount; ++i) sceneFirst.push_back(SceneFirstFrame(scenes, i, kFps));
  auto frameCost = [&](int64_t d) {
    return kSceneCost[static_cast<size_t>(sceneDrawn[static_cast<size_t>(d)]) % kSceneCost.size()];
  };
  struct Step {
    int64_t cost = 0;
    int64_t frames = 0;
  };
  // Drawing `target`, reached by a seek or (key null) as the next frame.
  auto reach = [&](int64_t target, const char* key) {
    Step step{frameCost(target), 1};
    if (key != nullptr && target > 0) {
      const int before = sceneDrawn[static_cast<size_t>(target - 1)];
      for (int s = 0; s < before; ++s) step.cost += kSceneCost[static_cast<size_t>(s)];
      step.cost += frameCost(target - 1);
      step.frames += before + 1;
    }
    return step;
  };
  struct Edge {
    int64_t to;
    const char* key;  // null: no key, the next frame
  };
  auto edges = [&](int64_t x) {
    std::vector<Edge> out = {{x + 1, nullptr},
                             {x + 5 * kFps, "Right"},
                             {std::max<int64_t>(0, x - 5 * kFps), "Left"},
                             {0, "Home"}};
    const int index = sceneAfter[static_cast<size_t>(x)];
    if (index + 1 < sceneCount) {
      out.push_back({sceneFirst[static_cast<size_t>(index + 1)], "PageDown"});
    }
    out.push_back({sceneFirst[static_cast<size_t>(std::max(0, index - 1))], "PageUp"});
    return out;
  };

  RunPlan plan;
  int64_t runFrame = 0;  // frames of the run so far: its clock for keys and shots
  int64_t at = 0;        // the demo frame drawn in run frame runFrame
  plan.framesDrawn = 1;
  const int64_t kNone = std::numeric_limits<int64_t>::max();
  for (const Moment& m : moments) {
    std::vector<Step> best(static_cast<size_t>(last + 1), Step{kNone, 0});
    std::vector<int64_t> from(static_cast<size_t>(last + 1), -1);
    std::vector<const char*> via(static_cast<size_t>(last + 1), nullptr);
    std::vector<bool> done(static_cast<size_t>(last + 1), false);
    best[static_cast<size_t>(at)] = Step{};
    for (;;) {
      int64_t x = -1;
      for (int64_t d = 0; d <= last; ++d) {
        if (!done[static_cast<size_t>(d)] && best[static_cast<size_t>(d)].cost != kNone &&
            (x < 0 || best[static_cast<size_t>(d)].cost < best[static_cast<size_t>(x)].cost)) {
          x = d;
        }
      }
      if (x < 0 || x == m.frame) break;
      done[static_cast<size_t>(x)] = true;
      for (const Edge& e : edges(x)) {
        if (e.to > last) continue;
        const Step step = reach(e.to, e.key);
        const Step& here = best[static_cast<size_t>(x)];
        if (here.cost + step.cost < best[static_cast<size_t>(e.to)].cost) {
          best[static_cast<size_t>(e.to)] = Step{here.cost + step.cost, here.frames + step.frames};
          from[static_cast<size_t>(e.to)] = x;
          via[static_cast<size_t>(e.to)] = e.key;
        }
      }
    }
    std::vector<const char*> keys;  // one per frame drawn on the way
    for (int64_t d = m.frame; d != at; d = from[static_cast<size_t>(d)]) {
      keys.push_back(via[static_cast<size_t>(d)]);
    }
    std::reverse(keys.begin(), keys.end());
    for (const char* key : keys) {
      if (key != nullptr) {
        plan.args.insert(plan.args.end(), {"--key", Seconds(runFrame) + ":" + key});
      }
      ++runFrame;
    }
    plan.framesDrawn += best[static_cast<size_t>(m.frame)].frames;
    plan.cost += best[static_cast<size_t>(m.frame)].cost;
    plan.args.insert(plan.args.end(), {"--shot", Seconds(runFrame) + ":" + m.name + ".png"});
    at = m.frame;
  }
  plan.args.insert(plan.args.end(), {"--until", Seconds(runFrame)});
  return plan;
}

// One offscreen run at `size` that shoots every moment into `dir`, console
// hidden (F1 at the start).
void Shoot(const RunPlan& plan, const Size& size, const testsupport::TempDir& dir) {
  std::vector<std::string> args = {
      VELMORA_PATH,         "--data", VELMORA_DATA_DIR, "--offscreen", "--fps",
      std::to_string(kFps), "--size", size.Name(),      "--key",       "0:F1"};
  for (size_t i = 0; i < plan.args.size(); i += 2) {
    args.push_back(plan.args[i]);
    const std::string& value = plan.args[i + 1];
    // Shots go into the run's folder.
    args.push_back(plan.args[i] == "--shot" ? value.substr(0, value.find(':') + 1) +
                                                  dir.File(value.substr(value.find(':') + 1))
                                            : value);
  }
  const testsupport::ProgramRun run = testsupport::RunProgram(args, {}, {}, 600);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
}

bool UpdateAsked() {
  const char* update = std::getenv("VELMORA_UPDATE_REFERENCE_PICTURES");
  return update != nullptr && std::string(update) == "1";
}

// Draws every moment at `size`, compares it with its stored picture and, at
// 800x600 when asked, first writes the stored pictures anew.
void CompareWithStored(const Size& size) {
  const std::vector<Scene> scenes = ShowScenes();
  const std::vector<Moment> moments = Moments(scenes);
  const RunPlan plan = PlanRun(scenes, moments);
  std::printf("one run draws %" PRId64 " frames (about %.1f s at 800x600) for %zu moments\n",
              plan.framesDrawn, plan.cost / 1.0e4, moments.size());
  std::fflush(stdout);  // the run would print it again
  // Pictures a failure left at this size before.
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(kFailureDir, ignored)) {
    const std::string name = entry.path().filename().string();
    const std::string tail = "-" + size.Name() + ".png";
    if (name.size() > tail.size() &&
        name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
      std::filesystem::remove(entry.path(), ignored);
    }
  }

  std::vector<Picture> small;
  {
    testsupport::TempDir dir;
    ASSERT_NO_FATAL_FAILURE(Shoot(plan, size, dir));
    for (const Moment& m : moments) {
      Picture picture;
      ASSERT_TRUE(testsupport::ReadPNG(dir.File(m.name + ".png"), &picture)) << m.name;
      ASSERT_EQ(picture.width, size.width) << m.name;
      ASSERT_EQ(picture.height, size.height) << m.name;
      small.push_back(testsupport::Downscale(picture, kStoredWidth, kStoredHeight));
    }
  }

  if (UpdateAsked() && size.width == 800 && size.height == 600) {
    std::filesystem::create_directories(kStoredDir);
    for (const auto& entry : std::filesystem::directory_iterator(kStoredDir)) {
      if (entry.path().extension() == ".png") std::filesystem::remove(entry.path());
    }
    for (size_t i = 0; i < moments.size(); ++i) {
      std::string reason;
      ASSERT_TRUE(testsupport::WritePicture(
          std::string(kStoredDir) + "/" + moments[i].name + ".png", small[i], &reason))
          << reason;
    }
    std::printf("wrote %zu pictures into %s\n", moments.size(), kStoredDir);
  }

  double lowest = INFINITY;
  for (size_t i = 0; i < moments.size(); ++i) {
    const Moment& m = moments[i];
    Picture stored;
    const std::string storedPath = std::string(kStoredDir) + "/" + m.name + ".png";
    if (!testsupport::ReadPNG(storedPath, &stored) || stored.width != kStoredWidth ||
        stored.height != kStoredHeight) {
      ADD_FAILURE() << "scene " << m.scene << " at " << Seconds(m.frame) << " s: no stored "
                    << kStoredWidth << "x" << kStoredHeight << " picture " << storedPath
                    << " (scripts/reference-pictures --update makes them)";
      continue;
    }
    const double psnr = testsupport::Psnr(stored, small[i], kBandTop, kBandBottom);
    lowest = std::min(lowest, psnr);
    std::printf("scene %2d at %7s s: %6.1f dB\n", m.scene, Seconds(m.frame).c_str(), psnr);
    if (psnr >= kLeastPsnr) continue;
    std::filesystem::create_directories(kFailureDir);
    const std::string pair = std::string(kFailureDir) + "/" + m.name + "-" + size.Name() + ".png";
    std::string reason;
    const bool written = testsupport::WriteSideBySide(pair, stored, small[i], &reason);
    ADD_FAILURE() << "scene " << m.scene << " at " << Seconds(m.frame) << " s drawn at "
                  << size.Name() << " differs from its stored picture: PSNR " << psnr
                  << " dB, less than " << kLeastPsnr << " dB; stored, drawn and difference: "
                  << (written ? pair : "not written (" + reason + ")");
  }
  std::printf("lowest PSNR against the stored pictures at %s: %.1f dB\n", size.Name().c_str(),
              lowest);
}

// The design's size, in the default suite.
TEST(ReferencePicturesTest, EverySceneLooksAsStoredAt800x600) { CompareWithStored({800, 600}); }

// The picture of a 1080p screen: twice the pixels' cost, so with the other
// whole-show runs (label `show`).
TEST(ReferencePicturesTest, EverySceneLooksAsStoredAt1440x1080) { CompareWithStored({1440, 1080}); }

}  // namespace
