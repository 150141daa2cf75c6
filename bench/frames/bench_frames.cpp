// Frame rate and heap allocations of every scene of the production, drawn
// offscreen (800x600 unless --size says otherwise) on its own data the way
// the program draws a frame: the current scene in the largest 4:3 picture
// that fits, the letterbox bands, black outside the picture, present (which
// completes the frame offscreen) and clear. Each scene is entered as an F2 jump from the
// start of the show would enter it, then warmed up for a few frames; the
// frame rate is taken over the next 180 frames of wall time, the operator new
// calls over 300 frames, put down to our code or to the GL driver (which
// compiles a new shader, with allocations, the first time it meets a state).
//
//   bench_frames [--reference] [--trace] [--data DIR] [--scene K] [--size WxH]
//
// --reference draws with the straightforward drawing instead of the fast one,
// for A/B figures back to back on the same machine; --trace prints the call
// stack of every counted allocation of our own code.
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "render/viewport.h"
#include "shell/objects/frame.h"
#include "shell/objects/globals.h"
#include "timeline/production/production.h"
#include "timeline/show/show.h"

namespace {

bool g_counting = false;
bool g_trace = false;  // print the call stack of every allocation put down to us
long g_ours = 0;       // from the program's own code (or the C++ library it calls)
long g_driver = 0;     // from the GL driver and the libraries below it
const void* g_programBase = nullptr;

bool InCxxLibrary(const Dl_info& info) {
  return info.dli_fname != nullptr && std::strstr(info.dli_fname, "libstdc++") != nullptr;
}

// The allocation belongs to whoever called into the C++ library (a string
// or container operation) or called operator new directly: our program, or
// the driver (code outside the program, JIT-compiled code included).
void Count(const void* caller) {
  void* stack[32];
  const int depth = backtrace(stack, 32);
  int i = 0;
  while (i < depth && stack[i] != caller) ++i;
  bool ours = false;
  for (; i < depth; ++i) {
    Dl_info info{};
    if (dladdr(stack[i], &info) == 0) break;
    if (InCxxLibrary(info)) continue;
    ours = info.dli_fbase == g_programBase;
    break;
  }
  if (!ours) {
    ++g_driver;
    return;
  }
  ++g_ours;
  if (g_trace) {
    std::fprintf(stderr, "allocation:\n");
    backtrace_symbols_fd(stack, depth, 2);
  }
}

void* Allocate(std::size_t size, const void* caller) {
  if (g_counting) {
    g_counting = false;  // the stack walk must not count itself
    Count(caller);
    g_counting = true;
  }
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

// Every allocation of the process goes through these; while counting, each is
// put down to the code that asked for it.
void* operator new(std::size_t size) { return Allocate(size, __builtin_return_address(0)); }
void* operator new[](std::size_t size) { return Allocate(size, __builtin_return_address(0)); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr int kWarmUpFrames = 10;
constexpr int kTimedFrames = 180;
constexpr int kCountedFrames = 300;
int g_width = 800;
int g_height = 600;
PictureRect g_picture;

void DrawFrame() {
  UsePictureViewport(g_picture);
  // Demo time 0: the player never leaves the scene on its own.
  DrawShowPicture(0.0f);
  BlackenOutside(g_picture, g_width, g_height);
  glWindow.Swap();
  platform::AdvanceVirtualFrame();
}

// Processor time of the whole process (every driver thread), in seconds:
// much steadier than wall time on a shared machine.
double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

std::string LayerName(const CLayer* layer) {
  int status = 0;
  char* name = abi::__cxa_demangle(typeid(*layer).name(), nullptr, nullptr, &status);
  std::string result = status == 0 && name != nullptr ? name : typeid(*layer).name();
  std::free(name);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  Dl_info self{};
  if (dladdr(reinterpret_cast<const void*>(&ProcessorSeconds), &self) != 0) {
    g_programBase = self.dli_fbase;
  }
  void* warmUp[4];
  backtrace(warmUp, 4);  // loads what the stack walk needs before counting
  std::string dataDir = VELMORA_DATA_DIR;
  int onlyScene = -1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--reference") == 0) {
      SetReferenceDrawing(true);
    } else if (std::strcmp(argv[i], "--trace") == 0) {
      g_trace = true;
    } else if (std::strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
      dataDir = argv[++i];
    } else if (std::strcmp(argv[i], "--scene") == 0 && i + 1 < argc) {
      onlyScene = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc &&
               std::sscanf(argv[i + 1], "%dx%d", &g_width, &g_height) == 2 && g_width >= 640 &&
               g_height >= 480) {
      ++i;
    } else {
      std::fprintf(stderr,
                   "usage: bench_frames [--reference] [--trace] [--data DIR] [--scene K] "
                   "[--size WxH, at least 640x480]\n");
      return 2;
    }
  }
  std::string reason;
  if (!platform::ChangeDirectory(dataDir, &reason)) {
    std::fprintf(stderr, "bench_frames: %s\n", reason.c_str());
    return 2;
  }
  platform::StartVirtualClock(60);
  platform::UseSilentSoundOutput(true);
  platform::EnableMessageBoxes(false);
  glWindow.offscreen = true;
  if (glWindow.Create("bench", g_width, g_height, 32, 16, nullptr, false) != 0) return 2;
  g_picture = FitPicture(g_width, g_height);
  UsePictureViewport(g_picture);
  LookupGLExtensions();
  texLib.SetPath(show::kTextureFolder);
  FillProductionTimeline(&scenePlayer.sceneData);
  const Result setup = scenePlayer.Init(show::kMusicFile, nullptr);
  if (setup.code != 0) {
    std::fprintf(stderr, "bench_frames: %s\n", setup.message.c_str());
    return 1;
  }
  demoTimer.Reset();
  scenePlayer.Start();

  std::printf("%s drawing, %dx%d offscreen\n", ReferenceDrawing() ? "reference" : "fast", g_width,
              g_height);
  std::printf(
      "| scene (layer) | fps | CPU ms per frame | allocations per frame: ours, driver "
      "|\n|---|---|---|---|\n");
  const int scenes = static_cast<int>(scenePlayer.sceneData.size());
  for (int k = 0; k < scenes; ++k) {
    if (onlyScene >= 0 && k != onlyScene) continue;
    scenePlayer.index = k;
    scenePlayer.timer.Reset();
    for (CLayer* layer : scenePlayer.sceneData[static_cast<size_t>(k)].layerData) layer->Restart();
    for (int i = 0; i < kWarmUpFrames; ++i) DrawFrame();

    g_ours = 0;
    g_driver = 0;
    g_counting = true;
    const auto begin = std::chrono::steady_clock::now();
    const double cpuBegin = ProcessorSeconds();
    for (int i = 0; i < kTimedFrames; ++i) DrawFrame();
    const auto end = std::chrono::steady_clock::now();
    const double cpu = ProcessorSeconds() - cpuBegin;
    for (int i = kTimedFrames; i < kCountedFrames; ++i) DrawFrame();
    g_counting = false;

    const double seconds = std::chrono::duration<double>(end - begin).count();
    std::string layers;
    for (CLayer* layer : scenePlayer.sceneData[static_cast<size_t>(k)].layerData) {
      layers += (layers.empty() ? "" : ", ") + LayerName(layer);
    }
    std::printf("| %d (%s) | %.0f | %.1f | %.2f, %.2f |\n", k, layers.c_str(),
                kTimedFrames / seconds, cpu * 1000.0 / kTimedFrames,
                static_cast<double>(g_ours) / kCountedFrames,
                static_cast<double>(g_driver) / kCountedFrames);
    std::fflush(stdout);
  }
  scenePlayer.Done();
  glWindow.Destroy();
  return 0;
}
