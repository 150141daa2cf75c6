#include "shell/demo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cli/options.h"
#include "app/export/chapters.h"
#include "app/export/exporter.h"
#include "app/export/framing.h"
#include "app/osd/display.h"
#include "app/osd/mouse.h"
#include "app/osd/state.h"
#include "app/pacing/pacing.h"
#include "app/pacing/scale.h"
#include "app/settings/settings.h"
#include "app/transport/transport.h"
#include "platform/claim.h"
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
#include "render/scaledpicture.h"
#include "render/viewport.h"
#include "shell/build_info.h"
#include "shell/log.h"
#include "shell/objects/frame.h"
#include "shell/objects/globals.h"
#include "timeline/seek.h"
#include "timeline/show/show.h"

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
// The live show's internal scale: the frame is drawn into `drawnPicture`,
// which is `picture` itself at full size, else a smaller rectangle in the
// drawable's lower-left corner that is then stretched over `picture`.
ScaleController pictureScale;
CScaledPicture scaledPicture;
PictureRect drawnPicture;
bool reportScale = false;  // VELMORA_SCALE_REPORT: each change on stderr
// While the picture is drawn smaller, the clear after each swap covers only
// the corner it is drawn in (what the texture can hold), not the whole
// drawable: the stretched picture and the black around it cover the rest.
bool clearedCorner = false;
int scaleScene = -1;       // the scene the scale's measures are of (-1: none yet)
int reportedFrames = 0;    // frames presented, for the report at the end
double reportStart = 0.0;  // when the first of them began

// This frame's picture is drawn smaller than its place and stretched over it.
bool DrawnSmaller() {
  return drawnPicture.width != picture.width || drawnPicture.height != picture.height;
}

// Pause, seeks, mute and volume.
Transport transport;
// Paces the live show's frames to the display where the swap does not.
FramePacer pacer(FrameInterval(60));
// Something happened since the last frame that may change the picture (an
// event, a key, a resize): a paused live show draws only then.
bool pictureStale = true;
// The run's own clock for --until, --shot and --key: it starts at --start and
// moves on with every frame, paused or not.
double runClockOrigin = 0.0;

// The on-screen display: shown in the live show and offscreen runs, in an
// export only with --osd.
osd::State osdState;
osd::Display osdDisplay;
bool showOsd = true;
bool cursorShown = true;
bool volumeDrawn = false;  // the last frame showed the volume (it may be fading)

// What the viewer's runs remember (a run with a window on a screen, unless
// --no-config): read before the window opens, written when the run ends.
settings::Settings remembered;
std::string settingsPath;       // empty: nothing is read or written
bool fullscreenChosen = false;  // switched with F11, Alt+Enter or a double click

// Exit statuses besides 0, 1 (the set-up failed) and 2 (bad command line).
constexpr int kRefused = 2;      // an existing file or folder that is not ours to replace
constexpr int kWriteFailed = 3;  // a shot or an export could not be written

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

// Window or full screen, as F11, Alt+Enter and a double click ask.
void ToggleFullscreen() {
  if (glWindow.offscreen) return;
  const bool wanted = !platform::IsFullscreen();
  if (platform::SetFullscreen(wanted)) {
    glWindow.fullscreen = wanted;
    fullscreenChosen = true;
  } else {
    std::fprintf(stderr, "velmora: the display refused to switch %s full screen\n",
                 wanted ? "to" : "out of");
  }
}

// A transport key shows the on-screen display (the keys themselves are
// polled by the frame); the mouse shows it too and may seek, switch full
// screen or change the volume.
void ShowOnScreenDisplay(const platform::Event& event) {
  const double now = RunTime();
  if (event.type == platform::EventType::KeyDown) {
    switch (event.key) {
      case platform::Key::Space:
      case platform::Key::Left:
      case platform::Key::Right:
      case platform::Key::PageUp:
      case platform::Key::PageDown:
      case platform::Key::Home:
        osdState.Touch(now);
        break;
      case platform::Key::M:
      case platform::Key::Up:
      case platform::Key::Down:
        osdState.VolumeChanged(now);
        break;
      default:
        break;
    }
    return;
  }
  // The layout of the picture as it is now (no glyphs are made here).
  osdDisplay.Follow(picture.width, picture.height, nullptr);
  const osd::PicturePlace place{picture.x, picture.y, picture.height, drawableHeight};
  const osd::MouseRequest request =
      osd::TakeMouseEvent(event, osdDisplay.Layout(), place, now, &osdState);
  if (request.seek) transport.RequestSeek(std::llround(request.target * transport.fps));
  if (request.toggleFullscreen) ToggleFullscreen();
  if (request.volumeSteps != 0) {
    transport.volumeSteps = std::clamp(transport.volumeSteps + request.volumeSteps, 0, 10);
    platform::SoundSetVolume(static_cast<float>(transport.volumeSteps) / 10.0f);
  }
}

void WndProc(const platform::Event& event) {
  switch (event.type) {
    case platform::EventType::CloseRequest:
      platform::PostQuit();
      break;
    case platform::EventType::KeyDown:
      if (event.key == platform::Key::Escape) bQuit = true;
      ShowOnScreenDisplay(event);
      break;
    case platform::EventType::MouseMove:
    case platform::EventType::MouseDown:
    case platform::EventType::MouseUp:
    case platform::EventType::MouseWheel:
      if (!glWindow.offscreen) ShowOnScreenDisplay(event);
      break;
    default:
      break;
  }
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
    // A file that appeared since the start is kept unless --overwrite.
    if (!platform::WritePNG(options.shots[i].file, frameWidth, frameHeight, ReadFrame(),
                            options.overwrite, &reason)) {
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
    if (!platform::Interrupted()) {
      std::fprintf(stderr, "\nvelmora: export failed: %s\n", reason.c_str());
    }
    exitStatus = kWriteFailed;
    bQuit = true;
  }
}

// The index of the frame with which an unattended run ends: the first past
// the end of the show, or the first at or past --until. Demo time is worked
// out exactly as the demo clock will read it.
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
  bool clearAll = false;
  if (w != drawableWidth || h != drawableHeight) {
    drawableWidth = w;
    drawableHeight = h;
    picture = FitPicture(w, h);
    clearAll = true;  // a new drawable holds nothing defined
    // The texture holds the largest picture drawn smaller than full size.
    pictureScale.FollowPicture(picture.width, picture.height);
    const int below = pictureScale.step(0) < 1.0 ? 0 : 1;
    if (below < pictureScale.stepCount()) {
      int sw = 0, sh = 0;
      ScaledPictureSize(picture.width, picture.height, pictureScale.step(below), &sw, &sh);
      scaledPicture.Reserve(sw, sh);
    }
  }
  drawnPicture = picture;
  if (pictureScale.scale() < 1.0) {
    int sw = 0, sh = 0;
    ScaledPictureSize(picture.width, picture.height, pictureScale.scale(), &sw, &sh);
    // (Full size where no texture could be made for the smaller picture.)
    if ((sw != picture.width || sh != picture.height) && sw <= scaledPicture.width() &&
        sh <= scaledPicture.height()) {
      drawnPicture = scaledPicture.DrawnRect(sw, sh);
    }
  }
  // Only the corner was cleared after the last swap: a picture drawn
  // beyond it (back at full size) needs the whole drawable cleared.
  const bool inCorner = drawnPicture.x + drawnPicture.width <= scaledPicture.width() &&
                        drawnPicture.y + drawnPicture.height <= scaledPicture.height();
  if (clearedCorner && (clearAll || !inCorner)) {
    glWindow.Clear();
    clearedCorner = false;
  }
  const int wantedFont = std::max(1, (picture.height * 10 + 300) / 600);
  if (wantedFont != fontHeight && fontHeight != 0) {
    font.Create(glWindow.drawable, "Tahoma", wantedFont, 700);
    fontHeight = wantedFont;
  }
  UsePictureViewport(drawnPicture);
}

// F11 and Alt+Enter switch between window and full screen.
void PollScreenKeys() {
  const bool f11 = platform::KeyWentDown(platform::Key::F11);
  if (platform::KeyWentDown(platform::Key::AltEnter) || f11) ToggleFullscreen();
}

// The on-screen display over the frame, after the console, and the mouse
// cursor, shown while the mouse moves.
void DrawOnScreenDisplay(float t) {
  const double now = RunTime();
  volumeDrawn = showOsd && osdState.VolumeOpacity(now) > 0.0f;
  if (showOsd) {
    osd::ShowStatus status;
    status.demoTime = t;
    status.scene = scenePlayer.index;
    status.paused = transport.paused;
    status.muted = transport.muted;
    status.volumeSteps = transport.volumeSteps;
    osdDisplay.Draw(osdState, now, status, picture.x, picture.y, picture.width, picture.height,
                    glWindow.drawable);
  }
  const bool cursor = osdState.CursorVisible(now) || osdState.Dragging();
  if (!glWindow.offscreen && cursor != cursorShown) {
    platform::ShowCursor(cursor);
    cursorShown = cursor;
  }
}

void DrawConsole(float t, float eff) {
  // Dimmed while the on-screen display's bar, which crosses it, is shown.
  const float shade =
      showOsd ? osd::ConsoleShade(osdState.Opacity(RunTime(), transport.paused)) : 1.0f;
  const float panel[4] = {shade, shade, shade, 0.25f};
  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawRect2D(5, 410, 170, 470, panel);
  font.color[0] = font.color[1] = font.color[2] = shade;
  font.color[3] = 1.0f;
  font.Print(10, 420, "// d e b u g  c o n s o l e");
  if (DrawnSmaller()) {
    // The live show drawing its picture smaller says so beside the rate.
    font.Print(10, 440, "%d fps  scale %.2f", fps, pictureScale.scale());
  } else {
    font.Print(10, 440, "%d fps", fps);
  }
  font.Print(10, 450, "time %.1f ", static_cast<double>(t));
  font.Print(10, 460, "eff time %.1f ", static_cast<double>(eff));
}

// Returns the set-up's result; the caller ends the run when it failed.
Result InitDemo(TimelineFiller fillTimeline) {
  LookupGLExtensions();
  texLib.SetPath(show::kTextureFolder);
  FollowDrawable();
  fontHeight = std::max(1, (picture.height * 10 + 300) / 600);
  font.Create(glWindow.drawable, "Tahoma", fontHeight, 700);
  fillTimeline(&scenePlayer.sceneData);
  Result result = scenePlayer.Init(show::kMusicFile, glWindow.window);
  ShowResult(result);
  demoTimer.Reset();
  fpsTimer.Reset();
  if (result.code == 0) scenePlayer.Start();
  return result;
}

// The picture of one frame: the layers of the current scene (which may move
// the player on to the next scene) and the letterbox bands. Returns the demo
// time and the scene time of the frame.
float DrawPicture(float* eff) {
  FollowDrawable();
  const float t = static_cast<float>(demoTimer.GetTime());
  *eff = DrawShowPicture(t);
  return t;
}

// Draws the player's current frame where nobody sees it, presenting
// nothing: only what it leaves behind counts (a seek's set-up frames).
void DrawUnseen() {
  float eff = 0.0f;
  const float t = DrawPicture(&eff);
  if (bConsole) DrawConsole(t, eff);
  glWindow.Clear();
  clearedCorner = false;
}

void DrawFrame() {
  if (transport.SeekPending()) {
    transport.CarryOutSeek(&scenePlayer, demoTimer.start, DrawUnseen);
    // The frame-rate count would take the jump for time spent.
    frameCount = 0;
    fpsTimer.Reset();
    scaleScene = -1;  // and the scale's measures are of another moment
  }
  const double frameStart = platform::MonotonicSeconds();
  if (reportScale && reportedFrames++ == 0) reportStart = frameStart;
  float eff = 0.0f;
  const float t = DrawPicture(&eff);
  // A picture drawn smaller goes over its place before the console and the
  // on-screen display are drawn at full size.
  if (DrawnSmaller()) {
    scaledPicture.Stretch(drawnPicture, picture);
  }
  if (scenePlayer.index != scaleScene) {
    pictureScale.SceneChanged();
    scaleScene = scenePlayer.index;
  }

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
  transport.PollKeys(t, scenePlayer);
  PollScreenKeys();
  DrawOnScreenDisplay(t);

  BlackenOutside(picture, drawableWidth, drawableHeight);
  const double frameTime = RunTime();
  if (!options.shots.empty()) TakeDueShots(frameTime);
  if (exporting) ExportFrame();
  if (UntilReached(platform::PresentedFrames(), frameTime)) bQuit = true;

  const bool scaled = DrawnSmaller();
  if (scaled) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, scaledPicture.width(), scaledPicture.height());
  }
  // (A picture with no smaller step, 800x600 or less, has nothing to adapt.)
  if (pictureScale.mode() != ScaleController::Mode::Auto || pictureScale.stepCount() < 2) {
    glWindow.Swap();
  } else {
    // The drawing's own time, without a wait for the display in the swap.
    glFinish();
    const double drawn = platform::MonotonicSeconds() - frameStart;
    glWindow.Swap();
    const double presented = platform::MonotonicSeconds() - frameStart;
    if (pictureScale.AfterFrame(drawn, presented) && reportScale) {
      int sw = 0, sh = 0;
      ScaledPictureSize(picture.width, picture.height, pictureScale.scale(), &sw, &sh);
      std::fprintf(stderr, "velmora: at %.1f s the picture is drawn at %.2f, %dx%d of %dx%d\n",
                   static_cast<double>(t), pictureScale.scale(), sw, sh, picture.width,
                   picture.height);
    }
  }
  if (scaled) glDisable(GL_SCISSOR_TEST);
  clearedCorner = scaled;
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
  const std::string found = platform::FirstFolderHolding(folders, show::kMusicFile);
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

// Ends what the set-up began when a run leaves, whichever way: the scene
// player's Done (its result to the result box) and the window.
struct Teardown {
  ~Teardown() {
    DoneDemo();
    glWindow.Destroy();
  }
};

// What the command line asks for, checked before anything is loaded: -1 to
// go on, or the status to end with. Fills `plan` for an export.
int Configure(int argc, const char* const* argv, ExportPlan* plan) {
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

  // What shots to the same files left when killed goes; then refuse to
  // replace what is there before anything is loaded.
  for (const ShotRequest& shot : options.shots) platform::RemoveStaleTemporariesOf(shot.file);
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
  if (!options.exportPath.empty()) {
    plan->path = options.exportPath;
    plan->fps = options.fps;
    plan->musicFile = show::kMusicFile;
    plan->overwrite = options.overwrite;
    plan->supersample = options.supersample;
    plan->motionBlur = options.motionBlur;
    const ExportTarget target = Exporter::CheckTarget(*plan, &error);
    if (target != ExportTarget::Usable) {
      std::fprintf(stderr, "velmora: cannot export to %s: %s\n", plan->path.c_str(), error.c_str());
      return target == ExportTarget::Refused ? kRefused : kWriteFailed;
    }
    // An export shows a clean picture unless asked otherwise.
    bConsole = options.console;
    showOsd = options.osd;
  }
  // Settings belong to a viewer at a screen: unattended runs neither read
  // nor write them. A damaged or foreign file is ignored (and replaced at
  // the end).
  if (!options.offscreen && !options.noConfig) settingsPath = settings::FilePath();
  if (!settingsPath.empty()) {
    std::string warning;
    if (!settings::Load(settingsPath, &remembered, &warning)) {
      std::fprintf(stderr, "%s\n", warning.c_str());
    }
  }
  transport.volumeSteps = remembered.volumeSteps;
  transport.muted = remembered.muted;
  return -1;
}

// Writes what this run leaves for the next: the volume, mute, the window's
// size, place and maximised state, and full screen when the viewer switched.
void RememberSettings() {
  if (settingsPath.empty()) return;
  remembered.volumeSteps = transport.volumeSteps;
  remembered.muted = transport.muted;
  int x = 0, y = 0, w = 0, h = 0;
  bool maximised = false;
  if (platform::WindowState(&x, &y, &w, &h, &maximised) && w >= 640 && h >= 480) {
    remembered.hasWindow = true;
    remembered.x = x;
    remembered.y = y;
    remembered.width = w;
    remembered.height = h;
    remembered.maximised = maximised;
  }
  if (fullscreenChosen) {
    remembered.hasFullscreen = true;
    remembered.fullscreen = glWindow.fullscreen;
  }
  std::string reason;
  if (!settings::Save(settingsPath, remembered, &reason)) {
    std::fprintf(stderr, "velmora: cannot remember the settings in %s: %s\n", settingsPath.c_str(),
                 reason.c_str());
  }
}

// The clock, the question and the window: 0 when the window is open, else
// the status to end with.
int Open() {
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
    // Enter answers as the viewer last chose with F11 (Yes when never).
    bool yes = false;
    const bool enterSaysNo = remembered.hasFullscreen && !remembered.fullscreen;
    if (platform::AskYesNo("Fullscreen?", "FullScreen?", &yes, enterSaysNo)) {
      fullscreen = yes;
    } else if (platform::HasDisplay()) {
      std::fprintf(stderr,
                   "velmora: cannot show the \"Fullscreen?\" question here; playing in a "
                   "window (F11 switches to full screen)\n");
    }
  }

  if (platform::Interrupted()) return platform::kInterruptedStatus;
  // The window opens centred on the screen asked for, else where the viewer
  // left it, at the size asked for, else the one remembered.
  platform::WindowPlacement placement;
  int width = options.width;
  int height = options.height;
  if (options.display >= 0) placement.display = options.display;
  if (remembered.hasWindow && options.display < 0) {
    placement.hasPlace = true;
    placement.x = remembered.x;
    placement.y = remembered.y;
    placement.maximised = remembered.maximised;
  }
  // (Full screen at start tries a display mode of the window's size: the
  // show's own 800x600 unless asked otherwise.)
  if (remembered.hasWindow && !options.sizeGiven && !fullscreen) {
    width = remembered.width;
    height = remembered.height;
  }
  platform::SetWindowPlacement(placement);
  // A filled export draws a taller 4:3 picture and keeps the frame's rows
  // of its middle.
  if (options.fill) height = FilledDrawableHeight(width, height);
  // A supersampled export draws at N times its size.
  const int created = glWindow.Create("v e l m o r a . t a r s k", width * options.supersample,
                                      height * options.supersample, 32, 16, WndProc, fullscreen);
  if (created != 0) return platform::Interrupted() ? platform::kInterruptedStatus : created;
  if (!options.offscreen) platform::SetVSync(options.vsync);
  // Only the live show draws smaller; a run that takes shots does not adapt
  // (a fixed fraction is its own choice), nor does an offscreen run, nor one
  // with --no-vsync, which measures the full-size drawing unless --scale auto
  // is asked for as well.
  ScaleController::Mode mode = ScaleController::Mode::Off;
  const bool adapt = options.vsync || options.scaleGiven;
  if (!options.offscreen && options.scale == Options::Scale::Fixed) {
    mode = ScaleController::Mode::Fixed;
  } else if (!options.offscreen && options.scale == Options::Scale::Auto && options.shots.empty() &&
             adapt) {
    mode = ScaleController::Mode::Auto;
  }
  pictureScale =
      ScaleController(mode, options.scaleFraction, FrameInterval(platform::DisplayRefreshRate()));
  const char* report = std::getenv("VELMORA_SCALE_REPORT");
  reportScale = report != nullptr && *report != '\0' && *report != '0';
  platform::DrawableSize(&frameWidth, &frameHeight);
  if (!options.shots.empty()) {
    framePixels.resize(static_cast<size_t>(frameWidth) * frameHeight * 3 * 2);
  }
  return 0;
}

// The set-up and everything the first frame needs: 0 to play, else the
// status to end with.
int Load(TimelineFiller fillTimeline, ExportPlan* plan) {
  platform::ClearFailureNote();
  const Result setup = InitDemo(fillTimeline);
  if (platform::Interrupted()) return platform::kInterruptedStatus;
  if (setup.code != 0) {
    // The message above keeps its fixed text; this says which file and why.
    if (!platform::FailureNote().empty()) {
      std::fprintf(stderr, "velmora: %s\n", platform::FailureNote().c_str());
    }
    // Layers after the failed one were never initialised: nothing can be drawn.
    return 1;
  }
  if (!options.offscreen && !platform::SoundHasDevice()) {
    std::fprintf(stderr, "velmora: no sound device could be opened; the show plays silently\n");
  }
  platform::SoundSetVolume(static_cast<float>(transport.volumeSteps) / 10.0f);
  platform::SoundSetMuted(transport.muted);
  transport.Begin(options.offscreen ? options.fps : 60);
  pacer = FramePacer(FrameInterval(platform::DisplayRefreshRate()));
  runClockOrigin = platform::MonotonicSeconds();
  if (options.start > 0.0) transport.RequestSeek(FirstFrameAtOrAfter(options.start, transport.fps));

  if (!options.exportPath.empty()) {
    // The whole drawable is read back and filtered down to the export's size.
    plan->width = frameWidth / options.supersample;
    plan->height = options.height;
    plan->cropBottom = (frameHeight / options.supersample - options.height) / 2;
    const int n = SubframesPerFrame();
    plan->expectedFrames = (LastFrameOfRun() + n) / n;
    if (Exporter::IsVideoPath(plan->path)) {
      plan->chapters = ShowChapters(static_cast<double>(plan->expectedFrames) / plan->fps);
    }
    std::string reason;
    if (!exporter.Begin(*plan, &reason)) {
      if (platform::Interrupted()) return platform::kInterruptedStatus;
      std::fprintf(stderr, "velmora: cannot export to %s: %s\n", plan->path.c_str(),
                   reason.c_str());
      return kWriteFailed;
    }
    exporting = true;
  }
  return 0;
}

// The live show waits for the display's next refresh where the swap did not
// (software rendering, a virtual X server); --no-vsync draws unpaced.
void PaceLiveFrame() {
  if (options.offscreen || !options.vsync) return;
  platform::WaitForEvent(pacer.AfterPresent(platform::MonotonicSeconds()));
}

// True when the live show is paused and nothing has happened since the last
// frame: the picture on the screen is still right, so nothing is drawn
// (unless --until or a shot is due, or the on-screen display is still
// changing by itself: the volume fading out, the cursor due to hide).
bool NothingToDraw() {
  if (!transport.paused || options.offscreen || pictureStale || transport.SeekPending()) {
    return false;
  }
  const double now = RunTime();
  if (volumeDrawn || (showOsd && osdState.VolumeOpacity(now) > 0.0f)) return false;
  if ((osdState.CursorVisible(now) || osdState.Dragging()) != cursorShown) return false;
  if (options.until >= 0.0 && now >= options.until) return false;
  for (size_t i = 0; i < options.shots.size(); ++i) {
    if (!shotTaken[i] && now >= options.shots[i].time) return false;
  }
  return true;
}

// The main loop: a waiting event is handled, else a due key is posted, else
// a frame is drawn, until the run ends. A paused live show sleeps until
// something happens.
void Loop() {
  while (!bQuit) {
    if (platform::Interrupted()) break;
    platform::Event event;
    if (platform::PollEvent(&event)) {
      pictureStale = true;
      if (event.type == platform::EventType::Quit) {
        bQuit = true;
        break;
      }
      WndProc(event);
    } else if (PostDueKeys()) {
      pictureStale = true;
    } else if (NothingToDraw()) {
      // Wakes for input; a quarter of a second bounds the wait for the rest
      // (a signal, the window manager's redraw of an exposed window).
      platform::WaitForEvent(0.25);
      pictureStale = pictureStale || platform::Interrupted();
    } else {
      pictureStale = false;
      DrawFrame();
      PaceLiveFrame();
    }
  }
}

// Completes or abandons the export, while the GL context still exists (its
// last frame is still in a pixel buffer).
void FinishExport() {
  if (!exporting) return;
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

}  // namespace

int RunDemo(int argc, const char* const* argv, TimelineFiller fillTimeline) {
  // The entry point does this first; again here for shows with their own.
  platform::CatchInterrupts();
  ExportPlan plan;
  const int configured = Configure(argc, argv, &plan);
  if (configured >= 0) return configured;
  const int opened = Open();
  if (opened != 0) return opened;
  Teardown teardown;
  const int loaded = Load(fillTimeline, &plan);
  if (loaded != 0) return platform::Interrupted() ? platform::kInterruptedStatus : loaded;
  Loop();
  if (reportScale && reportedFrames > 1) {
    const double seconds = platform::MonotonicSeconds() - reportStart;
    std::fprintf(stderr, "velmora: %d frames in %.1f s, %.1f fps, ending at scale %.2f\n",
                 reportedFrames, seconds, reportedFrames / seconds, pictureScale.scale());
  }
  if (!platform::Interrupted()) RememberSettings();
  FinishExport();
  if (platform::Interrupted()) return platform::kInterruptedStatus;
  return exitStatus;
}
