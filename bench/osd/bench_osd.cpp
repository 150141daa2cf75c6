// Times the on-screen display at full strength (bar, ticks, text, pause
// sign, volume) drawn over a picture (one shaded quad), against the same
// frames without it, on an invisible surface of the given size (default 1440x1080,
// a 1920x1080 screen's picture). Each frame ends with glFinish so that the
// software renderer's work is counted in its frame. Also counts the heap
// allocations made while drawing it (there should be none).
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "app/osd/display.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "shell/base/glapi.h"

namespace {
std::atomic<long> g_allocations{0};

double ProcessSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}
}  // namespace

void* operator new(size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
  int width = 1440;
  int height = 1080;
  if (argc > 1 && std::sscanf(argv[1], "%dx%d", &width, &height) != 2) {
    std::fprintf(stderr, "usage: bench_osd [WxH]\n");
    return 2;
  }
  std::string reason;
  if (!platform::OpenWindow("bench_osd", width, height, 32, 16, false,
                            platform::DisplayKind::Offscreen, &reason) ||
      !platform::CreateGLContext(&reason) || !platform::MakeContextCurrent(&reason)) {
    std::fprintf(stderr, "bench_osd: no GL context: %s\n", reason.c_str());
    return 1;
  }
  LookupMultitexture();
  osd::Display display;
  osd::State state;
  state.Touch(0.0);
  state.VolumeChanged(0.0);
  osd::ShowStatus status;
  status.demoTime = 95.3;
  status.scene = 5;
  status.paused = true;
  int context = 0;
  display.Follow(width, height, &context);

  const int frames = 300;
  auto run = [&](bool withOsd, double* wall, double* cpu) {
    const double wall0 = platform::MonotonicSeconds();
    const double cpu0 = ProcessSeconds();
    for (int i = 0; i < frames; ++i) {
      glClearColor(0.3f, 0.2f, 0.1f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      // A picture under it, as the show always draws one: without any drawing
      // the software renderer skips its per-tile work and the frame costs
      // nothing to compare with.
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      glOrtho(0, 1, 0, 1, -1, 1);
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      glDisable(GL_BLEND);
      glBegin(GL_QUADS);
      glColor3f(0.2f, 0.3f, 0.4f);
      glVertex2f(0, 0);
      glColor3f(0.6f, 0.3f, 0.1f);
      glVertex2f(1, 0);
      glVertex2f(1, 1);
      glColor3f(0.1f, 0.5f, 0.2f);
      glVertex2f(0, 1);
      glEnd();
      if (withOsd) display.Draw(state, 1.0, status, 0, 0, width, height, &context);
      glFinish();
    }
    *wall = (platform::MonotonicSeconds() - wall0) / frames;
    *cpu = (ProcessSeconds() - cpu0) / frames;
  };
  double wallOsd = 0, cpuOsd = 0;
  run(true, &wallOsd, &cpuOsd);  // warm-up: shaders and glyph caches
  for (int round = 0; round < 3; ++round) {
    double wb, cb, wo, co;
    run(false, &wb, &cb);
    const long before = g_allocations.load();
    run(true, &wo, &co);
    const long allocations = g_allocations.load() - before;
    std::printf(
        "%dx%d round %d: frame without %.3f ms (cpu %.3f), with %.3f ms (cpu %.3f): "
        "display %.3f ms wall, %.3f ms cpu; %ld allocations in %d frames\n",
        width, height, round, wb * 1e3, cb * 1e3, wo * 1e3, co * 1e3, (wo - wb) * 1e3,
        (co - cb) * 1e3, allocations, frames);
  }
  platform::DestroyGLContext();
  platform::CloseWindow();
  return 0;
}
