#include "shell/demo.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/png.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "render/glhelpers.h"
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
std::vector<uint8_t> shotPixels;
int exitStatus = 0;

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

// Saves the frame for every due shot; the frame is read before it is presented.
void TakeDueShots(double frameTime) {
  for (size_t i = 0; i < options.shots.size(); ++i) {
    if (shotTaken[i] || frameTime < options.shots[i].time) continue;
    shotTaken[i] = true;
    int width = 0, height = 0;
    platform::DrawableSize(&width, &height);
    const size_t row = static_cast<size_t>(width) * 3;
    shotPixels.resize(row * static_cast<size_t>(height) * 2);
    uint8_t* bottomFirst = shotPixels.data();
    uint8_t* topFirst = shotPixels.data() + row * static_cast<size_t>(height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (int r = 0; r < height; ++r) {
      std::copy(bottomFirst + row * static_cast<size_t>(r),
                bottomFirst + row * static_cast<size_t>(r + 1),
                topFirst + row * static_cast<size_t>(height - 1 - r));
    }
    std::string reason;
    if (!platform::WritePNG(options.shots[i].file, width, height, topFirst, &reason)) {
      std::fprintf(stderr, "velmora: cannot save the shot at %.3f s: %s\n",
                   options.shots[i].time, reason.c_str());
      exitStatus = 1;
      bQuit = true;
    }
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
  const std::string dataDir = options.dataDir.empty() ? platform::ProgramFolder() : options.dataDir;
  if (!platform::ChangeDirectory(dataDir, &error)) {
    std::fprintf(stderr, "velmora: cannot use the data folder %s: %s\n", dataDir.c_str(),
                 error.c_str());
    return 2;
  }
  shotTaken.assign(options.shots.size(), false);
  keyPosted.assign(options.keys.size(), false);

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

  const int created =
      glWindow.Create("v e l m o r a . t a r s k", 800, 600, 32, 16, WndProc, fullscreen);
  if (created != 0) return created;

  const Result setup = InitDemo(fillTimeline);
  if (setup.code != 0) {
    // Layers after the failed one were never initialised: nothing can be drawn.
    DoneDemo();
    glWindow.Destroy();
    return 1;
  }

  while (!bQuit) {
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
  return exitStatus;
}
