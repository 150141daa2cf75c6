#include "shell/demo.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/png.h"
#include "platform/signals.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "render/glhelpers.h"
#include "shell/exporter.h"
#include "shell/globals.h"
#include "shell/log.h"
#include "shell/options.h"

namespace {

// State of the shell.
bool bQuit = false;
bool bConsole = true;
int frameCount = 0;
int fps = 0;

// Unattended-run bookkeeping: what the command line asked for.
Options options;
std::vector<bool> shotTaken;
std::vector<bool> keyPosted;
std::vector<uint8_t> framePixels;  // read-back buffer: bottom-first rows, then top-first
int frameWidth = 0;
int frameHeight = 0;
int exitStatus = 0;
Exporter exporter;
bool exporting = false;

// Exit statuses besides 0, 1 (the set-up failed) and 2 (bad command line).
constexpr int kRefused = 2;      // an existing file or folder that is not ours to replace
constexpr int kWriteFailed = 3;  // a shot or an export could not be written

constexpr float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};

void WndProc(const platform::Event& event) {
  switch (event.type) {
    case platform::EventType::CloseRequest:
      platform::PostQuit();
      break;
    case platform::EventType::KeyDown:
      if (event.key == platform::Key::Escape) bQuit = true;
      break;
    default:
      break;
  }
}

// The demo time of the frame about to be drawn (or just drawn): exact k / N on
// the virtual clock, the demo clock's reading otherwise.
double FrameTime(float t) {
  if (platform::IsVirtualClock()) {
    return static_cast<double>(platform::VirtualFrame()) / platform::VirtualFramesPerSecond();
  }
  return static_cast<double>(t);
}

// Drawn frames per exported frame: the sub-frames a motion-blurred export
// averages, on a virtual clock running that many times faster.
int SubframesPerFrame() { return options.motionBlur; }

// True when the frame about to be drawn (virtual clock: frame `k`) ends the
// run by --until: the first whole exported frame at or past that time.
bool UntilReached(int64_t k, double frameTime) {
  if (options.until < 0.0) return false;
  if (!platform::IsVirtualClock()) return frameTime >= options.until;
  const int n = SubframesPerFrame();
  return (k + 1) % n == 0 && static_cast<double>(k / n) / options.fps >= options.until;
}

// Posts the key presses that are due by the frame about to be drawn, so that
// the loop takes them exactly like presses from the keyboard. True if any.
bool PostDueKeys() {
  const double now = platform::IsVirtualClock() ? FrameTime(0.0f) : demoTimer.GetTime();
  bool posted = false;
  for (size_t i = 0; i < options.keys.size(); ++i) {
    if (!keyPosted[i] && now >= options.keys[i].time) {
      platform::PostKeyDown(options.keys[i].key);
      keyPosted[i] = true;
      posted = true;
    }
  }
  return posted;
}

// Reads the frame about to be presented: rows top first, RGB. Uses the
// buffer made at start, so nothing is allocated per frame.
const uint8_t* ReadFrame() {
  const size_t row = static_cast<size_t>(frameWidth) * 3;
  uint8_t* bottomFirst = framePixels.data();
  uint8_t* topFirst = framePixels.data() + row * static_cast<size_t>(frameHeight);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, frameWidth, frameHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  for (int r = 0; r < frameHeight; ++r) {
    std::copy(bottomFirst + row * static_cast<size_t>(r),
              bottomFirst + row * static_cast<size_t>(r + 1),
              topFirst + row * static_cast<size_t>(frameHeight - 1 - r));
  }
  return topFirst;
}

// Saves the frame for every due shot.
void TakeDueShots(double frameTime) {
  for (size_t i = 0; i < options.shots.size(); ++i) {
    if (shotTaken[i] || frameTime < options.shots[i].time) continue;
    shotTaken[i] = true;
    std::string reason;
    if (!platform::WritePNG(options.shots[i].file, frameWidth, frameHeight, ReadFrame(), &reason)) {
      std::fprintf(stderr, "velmora: cannot save the shot at %.3f s: %s\n", options.shots[i].time,
                   reason.c_str());
      exitStatus = kWriteFailed;
      bQuit = true;
    }
  }
}

void ExportFrame() {
  std::string reason;
  if (!exporter.CaptureFrame(&reason)) {
    std::fprintf(stderr, "\nvelmora: export failed: %s\n", reason.c_str());
    exitStatus = kWriteFailed;
    bQuit = true;
  }
}

// The index of the frame with which an unattended run ends: the first past
// the end of the show, or the first at or past --until. Demo time is worked
// out exactly as the demo clock will read it.
int64_t LastFrameOfRun() {
  const double secondsPerTick = 1.0 / static_cast<double>(platform::PerfFrequency());
  const int fpsRate = platform::VirtualFramesPerSecond();
  for (int64_t k = 0;; ++k) {
    const float t =
        static_cast<float>(static_cast<double>(platform::VirtualCounterAt(k)) * secondsPerTick);
    if (t > 193.9f) return k;
    if (UntilReached(k, static_cast<double>(k) / fpsRate)) return k;
  }
}

void DrawConsole(float t, float eff) {
  static const float panel[4] = {1.0f, 1.0f, 1.0f, 0.25f};
  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawRect2D(5, 410, 170, 470, panel);
  font.color[0] = font.color[1] = font.color[2] = font.color[3] = 1.0f;
  font.Print(10, 420, "// d e b u g  c o n s o l e");
  font.Print(10, 440, "%d fps", fps);
  font.Print(10, 450, "time %.1f ", static_cast<double>(t));
  font.Print(10, 460, "eff time %.1f ", static_cast<double>(eff));
}

// Returns the set-up's result; the caller ends the run when it failed.
Result InitDemo(TimelineFiller fillTimeline) {
  LookupMultitexture();
  texLib.SetPath("textures\\");
  font.Create(glWindow.hdc, "Tahoma", 10, 700);
  fillTimeline(&scenePlayer.sceneData);
  Result result = scenePlayer.Init("demomusic.xm", glWindow.hwnd);
  ShowResult(result);
  demoTimer.Reset();
  fpsTimer.Reset();
  if (result.code == 0) scenePlayer.Start();
  return result;
}

void DrawFrame() {
  glWindow.clearColor[0] = glWindow.clearColor[1] = glWindow.clearColor[2] = 1.0f;
  glWindow.clearColor[3] = 0.0f;
  const float t = static_cast<float>(demoTimer.GetTime());
  const float eff = scenePlayer.Update(t);

  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawRect2D(0, 0, 640, 80, kBlack);
  DrawRect2D(0, 400, 640, 480, kBlack);

  if (t > 193.9f) {
    scenePlayer.Done();
    bQuit = true;
  }

  // The raw count of the interval that has just passed one second: at a
  // steady N frames a second that interval is N + 1 frames long (the frame at
  // exactly 1 s does not end it), so the console reads N + 1.
  ++frameCount;
  if (fpsTimer.GetTime() > 1.0) {
    fps = frameCount;
    frameCount = 0;
    fpsTimer.Reset();
  }

  // The console is drawn after the bands, so that it stays visible on them.
  if (bConsole) DrawConsole(t, eff);

  if (platform::KeyWentDown(platform::Key::F1)) bConsole = !bConsole;
  if (platform::KeyWentDown(platform::Key::F2)) {
    WriteLog("index = %d time %.2f eff  %.2f \n", scenePlayer.index, static_cast<double>(t),
             static_cast<double>(eff));
    scenePlayer.SkipScene();
  }

  const double frameTime = FrameTime(t);
  if (!options.shots.empty()) TakeDueShots(frameTime);
  if (exporting) ExportFrame();
  if (UntilReached(platform::VirtualFrame(), frameTime)) bQuit = true;

  glWindow.Swap();
  platform::AdvanceVirtualFrame();
}

void DoneDemo() { ShowResult(scenePlayer.Done()); }

}  // namespace

int RunDemo(int argc, const char* const* argv, TimelineFiller fillTimeline) {
  // The entry point does this first; again here for shows with their own.
  platform::CatchInterrupts();
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "velmora: %s\nTry 'velmora --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  // Output paths are taken from where the command was given, not the data folder.
  for (ShotRequest& shot : options.shots) shot.file = std::filesystem::absolute(shot.file).string();
  if (!options.exportPath.empty()) {
    options.exportPath = std::filesystem::absolute(options.exportPath).string();
  }
  const std::string dataDir = options.dataDir.empty() ? platform::ProgramFolder() : options.dataDir;
  if (!platform::ChangeDirectory(dataDir, &error)) {
    std::fprintf(stderr, "velmora: cannot use the data folder %s: %s\n", dataDir.c_str(),
                 error.c_str());
    return 2;
  }
  shotTaken.assign(options.shots.size(), false);
  keyPosted.assign(options.keys.size(), false);

  // Refuse to replace what is there before anything is loaded.
  if (!options.overwrite) {
    for (const ShotRequest& shot : options.shots) {
      std::error_code ignored;
      if (std::filesystem::exists(std::filesystem::symlink_status(shot.file, ignored))) {
        std::fprintf(stderr, "velmora: %s already exists (--overwrite replaces it)\n",
                     shot.file.c_str());
        return kRefused;
      }
    }
  }
  ExportPlan plan;
  if (!options.exportPath.empty()) {
    plan.path = options.exportPath;
    plan.fps = options.fps;
    plan.musicFile = "demomusic.xm";
    plan.overwrite = options.overwrite;
    plan.supersample = options.supersample;
    plan.motionBlur = options.motionBlur;
    const ExportTarget target = Exporter::CheckTarget(plan, &error);
    if (target != ExportTarget::Usable) {
      std::fprintf(stderr, "velmora: cannot export to %s: %s\n", plan.path.c_str(), error.c_str());
      return target == ExportTarget::Refused ? kRefused : kWriteFailed;
    }
    // An export shows a clean picture unless asked otherwise.
    bConsole = options.console;
  }

  if (options.offscreen) {
    platform::StartVirtualClock(options.fps * SubframesPerFrame());
    platform::UseSilentSoundOutput(true);
    platform::EnableMessageBoxes(false);
    glWindow.offscreen = true;
  } else {
    platform::StartRealClock();
  }

  bool fullscreen = options.screen == Options::Screen::Fullscreen;
  if (options.screen == Options::Screen::Ask && !options.offscreen) {
    // Without a box to ask with, the run stays windowed.
    bool yes = false;
    fullscreen = platform::AskYesNo("Fullscreen?", "FullScreen?", &yes) && yes;
  }

  if (platform::Interrupted()) return platform::kInterruptedStatus;
  // A supersampled export draws at N times its size.
  const int created =
      glWindow.Create("v e l m o r a . t a r s k", options.width * options.supersample,
                      options.height * options.supersample, 32, 16, WndProc, fullscreen);
  if (created != 0) return platform::Interrupted() ? platform::kInterruptedStatus : created;
  platform::DrawableSize(&frameWidth, &frameHeight);
  if (!options.shots.empty()) {
    framePixels.resize(static_cast<size_t>(frameWidth) * frameHeight * 3 * 2);
  }

  const Result setup = InitDemo(fillTimeline);
  if (platform::Interrupted()) {
    DoneDemo();
    glWindow.Destroy();
    return platform::kInterruptedStatus;
  }
  if (setup.code != 0) {
    // Layers after the failed one were never initialised: nothing can be drawn.
    DoneDemo();
    glWindow.Destroy();
    return 1;
  }

  if (!options.exportPath.empty()) {
    // The whole drawable is read back and filtered down to the export's size.
    plan.width = frameWidth / options.supersample;
    plan.height = frameHeight / options.supersample;
    const int n = SubframesPerFrame();
    plan.expectedFrames = (LastFrameOfRun() + n) / n;
    std::string reason;
    if (!exporter.Begin(plan, &reason)) {
      const bool stopped = platform::Interrupted();
      if (!stopped) {
        std::fprintf(stderr, "velmora: cannot export to %s: %s\n", plan.path.c_str(),
                     reason.c_str());
      }
      DoneDemo();
      glWindow.Destroy();
      return stopped ? platform::kInterruptedStatus : kWriteFailed;
    }
    exporting = true;
  }

  while (!bQuit) {
    if (platform::Interrupted()) break;
    platform::Event event;
    if (platform::PollEvent(&event)) {
      if (event.type == platform::EventType::Quit) {
        bQuit = true;
        break;
      }
      WndProc(event);
    } else if (!PostDueKeys()) {
      DrawFrame();
    }
  }

  // The export is completed while the GL context still exists: its last
  // frame is still in a pixel buffer.
  if (exporting) {
    std::string reason;
    if (platform::Interrupted() || exitStatus != 0) {
      exporter.Cancel();
    } else if (!exporter.End(&reason)) {
      if (!platform::Interrupted()) {
        std::fprintf(stderr, "\nvelmora: export failed: %s\n", reason.c_str());
      }
      exitStatus = kWriteFailed;
    }
    if (exitStatus != 0 || platform::Interrupted()) {
      std::fprintf(stderr, "\nvelmora: export %s; removed this run's partial output\n",
                   platform::Interrupted() ? "interrupted" : "failed");
    }
  }

  DoneDemo();
  glWindow.Destroy();
  if (platform::Interrupted()) return platform::kInterruptedStatus;
  return exitStatus;
}
