#include "shell/demo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/failure_note.h"
#include "platform/files.h"
#include "platform/png.h"
#include "platform/signals.h"
#include "platform/sound.h"
#include "platform/versions.h"
#include "platform/window.h"
#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "render/viewport.h"
#include "shell/build_info.h"
#include "shell/exporter.h"
#include "shell/globals.h"
#include "shell/log.h"
#include "shell/options.h"
#include "timeline/seek.h"
#include "timeline/show.h"

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

// Where the picture goes in the drawable, followed every frame (a window can
// be resized or go full screen at any time).
int drawableWidth = 0;
int drawableHeight = 0;
PictureRect picture;
int fontHeight = 0;

// The player's transport.
bool paused = false;
bool muted = false;
int volumeSteps = 10;  // tenths of full volume
// A seek asked for during a frame is carried out at the start of the next
// one.
int64_t pendingSeekFrame = -1;
// Frame rate at which a seek replays what the layers carry from frame to
// frame: the virtual clock's, or a display's usual rate in the live show.
int seekFps = 60;
// The run's own clock for --until, --shot and --key: it starts at --start and
// moves on with every frame, paused or not.
double runClockOrigin = 0.0;

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

// The run time of the frame about to be drawn (or just drawn): --start plus
// exactly k / N after k frames on the virtual clock, plus the real seconds
// since the show began otherwise.
double RunTime() {
  if (platform::IsVirtualClock()) {
    return options.start +
           static_cast<double>(platform::PresentedFrames()) / platform::VirtualFramesPerSecond();
  }
  return options.start + platform::MonotonicSeconds() - runClockOrigin;
}

// Drawn frames per exported frame: the sub-frames a motion-blurred export
// averages, on a virtual clock running that many times faster.
int SubframesPerFrame() { return options.motionBlur; }

// True when the frame about to be drawn (virtual clock: the k-th presented
// since the start) ends the run by --until: the first whole exported frame at
// or past that run time.
bool UntilReached(int64_t k, double frameTime) {
  if (options.until < 0.0) return false;
  if (!platform::IsVirtualClock()) return frameTime >= options.until;
  const int n = SubframesPerFrame();
  return (k + 1) % n == 0 &&
         options.start + static_cast<double>(k / n) / options.fps >= options.until;
}

// Posts the key presses that are due by the frame about to be drawn, so that
// the loop takes them exactly like presses from the keyboard. True if any.
bool PostDueKeys() {
  const double now = RunTime();
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
    // A window may have changed size since the start: a shot is of the
    // drawable as it is now (an export's surface never changes).
    if (!exporting && (frameWidth != drawableWidth || frameHeight != drawableHeight)) {
      frameWidth = drawableWidth;
      frameHeight = drawableHeight;
      framePixels.resize(static_cast<size_t>(frameWidth) * frameHeight * 3 * 2);
    }
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
// The first frame of a run at `rate` frames a second whose demo time is past the
// end of the show.
int64_t ShowEndFrame(int rate) {
  int64_t k = 0;
  while (FrameDemoTime(k, rate) <= show::kEnd) ++k;
  return k;
}

int64_t LastFrameOfRun() {
  const int fpsRate = platform::VirtualFramesPerSecond();
  const int64_t end = ShowEndFrame(fpsRate);
  for (int64_t k = 0; k < end; ++k) {
    if (UntilReached(k, static_cast<double>(k) / fpsRate)) return k;
  }
  return end;
}

// Follows the drawable's size: the picture's place in it and the console's
// glyphs, which are bitmaps of a fixed pixel size and so are made again for
// the picture's height (10 pixels at 600). Nothing is allocated unless the
// size changed.
void FollowDrawable() {
  int w = 0;
  int h = 0;
  platform::DrawableSize(&w, &h);
  if (w != drawableWidth || h != drawableHeight) {
    drawableWidth = w;
    drawableHeight = h;
    picture = FitPicture(w, h);
  }
  const int wantedFont = std::max(1, (picture.height * 10 + 300) / 600);
  if (wantedFont != fontHeight && fontHeight != 0) {
    font.Create(glWindow.hdc, "Tahoma", wantedFont, 700);
    fontHeight = wantedFont;
  }
  UsePictureViewport(picture);
}

// The transport keys, polled once a frame like F1 and F2.
void PollTransport(float t) {
  const int scenes = static_cast<int>(scenePlayer.sceneData.size());
  if (platform::KeyWentDown(platform::Key::Space)) {
    paused = !paused;
    platform::SetClockPaused(paused);
    platform::SoundSetPaused(paused);
  }
  // Five seconds from the frame nearest to now, counted in whole frames so
  // that a seek from a frame lands exactly on a frame.
  const int64_t now = std::llround(static_cast<double>(t) * seekFps);
  if (platform::KeyWentDown(platform::Key::Left)) {
    pendingSeekFrame = std::max<int64_t>(0, now - 5 * seekFps);
  }
  if (platform::KeyWentDown(platform::Key::Right)) pendingSeekFrame = now + 5 * seekFps;
  if (platform::KeyWentDown(platform::Key::PageUp)) {
    const int previous = std::max(0, scenePlayer.index - 1);
    pendingSeekFrame = SceneFirstFrame(scenePlayer.sceneData, previous, seekFps);
  }
  if (platform::KeyWentDown(platform::Key::PageDown) && scenePlayer.index + 1 < scenes) {
    pendingSeekFrame = SceneFirstFrame(scenePlayer.sceneData, scenePlayer.index + 1, seekFps);
  }
  if (platform::KeyWentDown(platform::Key::Home)) pendingSeekFrame = 0;
  if (platform::KeyWentDown(platform::Key::M)) {
    muted = !muted;
    platform::SoundSetMuted(muted);
  }
  const bool up = platform::KeyWentDown(platform::Key::Up);
  const bool down = platform::KeyWentDown(platform::Key::Down);
  if (up || down) {
    volumeSteps = std::clamp(volumeSteps + (up ? 1 : 0) - (down ? 1 : 0), 0, 10);
    platform::SoundSetVolume(static_cast<float>(volumeSteps) / 10.0f);
  }
  const bool f11 = platform::KeyWentDown(platform::Key::F11);
  if ((platform::KeyWentDown(platform::Key::AltEnter) || f11) && !glWindow.offscreen) {
    const bool wanted = !platform::IsFullscreen();
    if (platform::SetFullscreen(wanted)) {
      glWindow.fullscreen = wanted;
    } else {
      std::fprintf(stderr, "velmora: the display refused to switch %s full screen\n",
                   wanted ? "to" : "out of");
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

// The GL state as the set-up leaves it for the first frame, kept on the
// attribute stacks so that a seek can start again from it.
void SaveSetupState() {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
}

// The window's clear colour after the set-up. The first frame starts from
// buffers cleared with it (a layer's capture pass draws over them), so a seek
// clears with it again rather than start from the last frame's buffers.
float setupClearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};

void RestoreSetupState() {
  glPopClientAttrib();
  glPopAttrib();
  SaveSetupState();
  std::copy(setupClearColor, setupClearColor + 4, glWindow.clearColor);
  glWindow.Clear();
}

// Returns the set-up's result; the caller ends the run when it failed.
Result InitDemo(TimelineFiller fillTimeline) {
  LookupMultitexture();
  texLib.SetPath("textures\\");
  FollowDrawable();
  fontHeight = std::max(1, (picture.height * 10 + 300) / 600);
  font.Create(glWindow.hdc, "Tahoma", fontHeight, 700);
  fillTimeline(&scenePlayer.sceneData);
  Result result = scenePlayer.Init(show::kMusicFile, glWindow.hwnd);
  ShowResult(result);
  demoTimer.Reset();
  fpsTimer.Reset();
  if (result.code == 0) scenePlayer.Start();
  std::copy(glWindow.clearColor, glWindow.clearColor + 4, setupClearColor);
  glWindow.Clear();
  SaveSetupState();
  return result;
}

// The picture of one frame: the layers of the current scene (which may move
// the player on to the next scene) and the letterbox bands. Returns the demo
// time and the scene time of the frame.
float DrawPicture(float* eff) {
  FollowDrawable();
  glWindow.clearColor[0] = glWindow.clearColor[1] = glWindow.clearColor[2] = 1.0f;
  glWindow.clearColor[3] = 0.0f;
  const float t = static_cast<float>(demoTimer.GetTime());
  *eff = scenePlayer.Update(t);

  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawRect2D(0, 0, 640, 80, kBlack);
  DrawRect2D(0, 400, 640, 480, kBlack);
  return t;
}

// Draws frame `frame` of a straight run where nobody sees it, presenting
// nothing: only what it leaves behind counts.
void DrawUnseen(int64_t frame) {
  scenePlayer.SeekToFrame(frame, seekFps, demoTimer.start);
  float eff = 0.0f;
  const float t = DrawPicture(&eff);
  if (bConsole) DrawConsole(t, eff);
  glWindow.Clear();
}

// Carries out a seek asked for in the previous frame, so that the next frame
// is the one a straight run draws at the target (a seek past the end lands on
// the frame that ends the show). The layers draw with whatever GL state the
// frames before left them, and the show's scenes leave state to each other
// (lights, texture units): so the state made by the set-up comes back, the
// last frame of every earlier scene is drawn unseen, in order, and then the
// frame before the target, which also leaves the clear colour and the
// buffers the target starts from.
void SeekNow() {
  const int64_t target = std::min(pendingSeekFrame, ShowEndFrame(seekFps));
  pendingSeekFrame = -1;
  RestoreSetupState();
  if (target > 0) {
    const int before = LocateFrame(scenePlayer.sceneData, target - 1, seekFps).index;
    for (int scene = 0; scene < before; ++scene) {
      DrawUnseen(SceneFirstFrame(scenePlayer.sceneData, scene + 1, seekFps) - 1);
    }
    DrawUnseen(target - 1);
  }
  scenePlayer.SeekToFrame(target, seekFps, demoTimer.start);
  // The frame-rate count would take the jump for time spent.
  frameCount = 0;
  fpsTimer.Reset();
}

void DrawFrame() {
  if (pendingSeekFrame >= 0) SeekNow();
  float eff = 0.0f;
  const float t = DrawPicture(&eff);

  if (t > show::kEnd) {
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
  PollTransport(t);

  BlackenOutside(picture, drawableWidth, drawableHeight);
  const double frameTime = RunTime();
  if (!options.shots.empty()) TakeDueShots(frameTime);
  if (exporting) ExportFrame();
  if (UntilReached(platform::PresentedFrames(), frameTime)) bQuit = true;

  glWindow.Swap();
  platform::AdvanceVirtualFrame();
}

void DoneDemo() { ShowResult(scenePlayer.Done()); }

void PrintVersions() {
  std::printf("velmora %s\n", VELMORA_VERSION);
  for (const std::string& line : platform::LibraryVersionLines()) std::printf("%s\n", line.c_str());
  std::printf("lib3ds %s\n", VELMORA_LIB3DS_VERSION);
  std::printf("%s\n", platform::GLRendererLine().c_str());
}

// The data folder: the one --data names, else the first that holds the music
// among the program's own folder and the installed share folder. Empty, after
// saying every place it looked, when there is none.
std::string FindDataFolder() {
  if (!options.dataDir.empty()) return options.dataDir;
  const std::vector<std::string> folders = platform::DataFolderCandidates(
      platform::ProgramFolder(), VELMORA_SHARE_FROM_PROGRAM, VELMORA_INSTALLED_SHARE);
  const std::string found = platform::FirstFolderHolding(folders, "demomusic.xm");
  if (found.empty()) {
    std::string places;
    for (size_t i = 0; i < folders.size(); ++i) {
      places += (i == 0 ? "" : i + 1 == folders.size() ? " and " : ", ") + folders[i];
    }
    const std::string text =
        "velmora: cannot find the production's data (demomusic.xm, scenes/, textures/); looked "
        "in " +
        places + ". Name its folder with --data DIR.";
    if (options.offscreen || !options.exportPath.empty()) {
      std::fprintf(stderr, "%s\n", text.c_str());
    } else {
      platform::ShowErrorBox(text, "velmora");
    }
  }
  return found;
}

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
  if (options.version) {
    PrintVersions();
    return 0;
  }
  // Output paths are taken from where the command was given, not the data folder.
  for (ShotRequest& shot : options.shots) shot.file = std::filesystem::absolute(shot.file).string();
  if (!options.exportPath.empty()) {
    options.exportPath = std::filesystem::absolute(options.exportPath).string();
  }
  const std::string dataDir = FindDataFolder();
  if (dataDir.empty()) return 1;
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
    plan.musicFile = show::kMusicFile;
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
    if (platform::AskYesNo("Fullscreen?", "FullScreen?", &yes)) {
      fullscreen = yes;
    } else if (platform::HasDisplay()) {
      std::fprintf(stderr,
                   "velmora: cannot show the \"Fullscreen?\" question here; playing in a "
                   "window (F11 switches to full screen)\n");
    }
  }

  if (platform::Interrupted()) return platform::kInterruptedStatus;
  // A supersampled export draws at N times its size.
  const int created =
      glWindow.Create("v e l m o r a . t a r s k", options.width * options.supersample,
                      options.height * options.supersample, 32, 16, WndProc, fullscreen);
  if (created != 0) return platform::Interrupted() ? platform::kInterruptedStatus : created;
  if (!options.offscreen) platform::SetVSync(options.vsync);
  platform::DrawableSize(&frameWidth, &frameHeight);
  if (!options.shots.empty()) {
    framePixels.resize(static_cast<size_t>(frameWidth) * frameHeight * 3 * 2);
  }

  platform::ClearFailureNote();
  const Result setup = InitDemo(fillTimeline);
  if (platform::Interrupted()) {
    DoneDemo();
    glWindow.Destroy();
    return platform::kInterruptedStatus;
  }
  if (setup.code != 0) {
    // The message above keeps its fixed text; this says which file and why.
    if (!platform::FailureNote().empty()) {
      std::fprintf(stderr, "velmora: %s\n", platform::FailureNote().c_str());
    }
    // Layers after the failed one were never initialised: nothing can be drawn.
    DoneDemo();
    glWindow.Destroy();
    return 1;
  }
  if (!options.offscreen && !platform::SoundHasDevice()) {
    std::fprintf(stderr, "velmora: no sound device could be opened; the show plays silently\n");
  }
  seekFps = options.offscreen ? options.fps : 60;
  runClockOrigin = platform::MonotonicSeconds();
  if (options.start > 0.0) pendingSeekFrame = FirstFrameAtOrAfter(options.start, seekFps);

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
