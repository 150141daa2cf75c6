#include "shell/demo.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/png.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "render/glhelpers.h"
#include "render/renderpath.h"
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
volatile sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

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
      exitStatus = 1;
      bQuit = true;
    }
  }
}

void ExportFrame() {
  std::string reason;
  if (!exporter.AddFrame(ReadFrame(), &reason)) {
    std::fprintf(stderr, "\nvelmora: export failed: %s\n", reason.c_str());
    exitStatus = 1;
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
    if (options.until >= 0.0 && static_cast<double>(k) / fpsRate >= options.until) return k;
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
  if (options.until >= 0.0 && frameTime >= options.until) bQuit = true;

  glWindow.Swap();
  platform::AdvanceVirtualFrame();
}

void DoneDemo() { ShowResult(scenePlayer.Done()); }

}  // namespace

int RunDemo(int argc, const char* const* argv, TimelineFiller fillTimeline) {
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
  // For the tests: the straightforward drawing that the fast one must match.
  const char* reference = std::getenv("VELMORA_REFERENCE_DRAWING");
  SetReferenceDrawing(reference != nullptr && *reference != '\0' && *reference != '0');

  if (options.offscreen) {
    platform::StartVirtualClock(options.fps);
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

  const int created = glWindow.Create("v e l m o r a . t a r s k", options.width, options.height,
                                      32, 16, WndProc, fullscreen);
  if (created != 0) return created;
  platform::DrawableSize(&frameWidth, &frameHeight);
  if (!options.shots.empty() || !options.exportPath.empty()) {
    framePixels.resize(static_cast<size_t>(frameWidth) * frameHeight * 3 * 2);
  }

  const Result setup = InitDemo(fillTimeline);
  if (setup.code != 0) {
    // Layers after the failed one were never initialised: nothing can be drawn.
    DoneDemo();
    glWindow.Destroy();
    return 1;
  }

  if (!options.exportPath.empty()) {
    ExportPlan plan;
    plan.path = options.exportPath;
    plan.width = frameWidth;
    plan.height = frameHeight;
    plan.fps = options.fps;
    plan.expectedFrames = LastFrameOfRun() + 1;
    plan.musicFile = "demomusic.xm";
    std::string reason;
    if (!exporter.Begin(plan, &reason)) {
      std::fprintf(stderr, "velmora: cannot export to %s: %s\n", plan.path.c_str(), reason.c_str());
      DoneDemo();
      glWindow.Destroy();
      return 1;
    }
    exporting = true;
  }
  if (options.offscreen) {
    // Ctrl-C ends an unattended run cleanly, removing a partial export.
    signal(SIGINT, OnInterrupt);
    signal(SIGTERM, OnInterrupt);
  }

  while (!bQuit) {
    if (interrupted) break;
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

  DoneDemo();
  glWindow.Destroy();

  if (exporting) {
    std::string reason;
    if (interrupted || exitStatus != 0) {
      exporter.Cancel();
      std::fprintf(stderr, "\nvelmora: export %s; removed the partial output\n",
                   interrupted ? "interrupted" : "failed");
    } else if (!exporter.End(&reason)) {
      std::fprintf(stderr, "\nvelmora: export failed: %s\n", reason.c_str());
      exitStatus = 1;
    }
  }
  if (interrupted) return 130;
  return exitStatus;
}
