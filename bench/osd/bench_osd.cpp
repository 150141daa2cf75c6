// Times the on-screen display at full strength (bar, ticks, text, pause
// sign, volume) drawn over a picture (one shaded quad), against the same
// frames without it, on an invisible surface of the given size (default
// 1440x1080, a 1920x1080 screen's picture). Each frame ends with glFinish so
// that the software renderer's work is counted in its frame.
//
// Frames with and without the display alternate, and the figure is the
// median of the pairs' differences: on a shared machine the load drifts
// within a run, and a difference of totals taken a second apart measures
// the drift more than the display. Also reported: the fragments the display
// shades (an occlusion query: what the renderer's threads blend), the time
// its calls take on the calling thread (validation and binning, before the
// threads draw), and the heap allocations made while drawing it (there
// should be none).
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/osd/display.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "shell/base/glapi.h"

namespace {
std::atomic<long> g_allocations{0};

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

double ProcessSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A picture under the display, as the show always draws one: without any
// drawing the software renderer skips its per-tile work and the frame costs
// nothing to compare with.
void DrawPicture() {
  glClearColor(0.3f, 0.2f, 0.1f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
  LookupGLExtensions();
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

  // The fragments one frame of the display shades.
  auto genQueries =
      reinterpret_cast<PFNGLGENQUERIESPROC>(platform::GetGLProcAddress("glGenQueries"));
  auto beginQuery =
      reinterpret_cast<PFNGLBEGINQUERYPROC>(platform::GetGLProcAddress("glBeginQuery"));
  auto endQuery = reinterpret_cast<PFNGLENDQUERYPROC>(platform::GetGLProcAddress("glEndQuery"));
  auto queryResult = reinterpret_cast<PFNGLGETQUERYOBJECTUIVPROC>(
      platform::GetGLProcAddress("glGetQueryObjectuiv"));
  if (genQueries != nullptr && beginQuery != nullptr && endQuery != nullptr &&
      queryResult != nullptr) {
    GLuint query = 0;
    genQueries(1, &query);
    DrawPicture();
    beginQuery(GL_SAMPLES_PASSED, query);
    display.Draw(state, 1.0, status, 0, 0, width, height, &context);
    endQuery(GL_SAMPLES_PASSED);
    GLuint fragments = 0;
    queryResult(query, GL_QUERY_RESULT, &fragments);
    std::printf("%dx%d: the display shades %u fragments a frame (%.1f%% of the picture)\n", width,
                height, fragments, 100.0 * fragments / (static_cast<double>(width) * height));
  }

  const int pairs = 300;
  // One frame: its wall time, the CPU time of all the process's threads
  // (the renderer's work however the machine schedules it) and the time of
  // the display's calls on this thread.
  struct Times {
    double wall = 0, cpu = 0, calls = 0;
  };
  auto frame = [&](bool withOsd) {
    Times times;
    const double wall0 = platform::MonotonicSeconds();
    const double cpu0 = ProcessSeconds();
    DrawPicture();
    if (withOsd) {
      const double calls0 = ThreadSeconds();
      display.Draw(state, 1.0, status, 0, 0, width, height, &context);
      times.calls = ThreadSeconds() - calls0;
    }
    glFinish();
    times.wall = platform::MonotonicSeconds() - wall0;
    times.cpu = ProcessSeconds() - cpu0;
    return times;
  };
  for (int i = 0; i < 30; ++i) frame(true);  // warm-up: shaders and glyph caches
  for (int round = 0; round < 3; ++round) {
    std::vector<double> without, with, difference, cpuDifference, calls;
    for (std::vector<double>* v : {&without, &with, &difference, &cpuDifference, &calls}) {
      v->reserve(pairs);
    }
    const long before = g_allocations.load();
    for (int i = 0; i < pairs; ++i) {
      const Times plain = frame(false);
      const Times shown = frame(true);
      without.push_back(plain.wall);
      with.push_back(shown.wall);
      difference.push_back(shown.wall - plain.wall);
      cpuDifference.push_back(shown.cpu - plain.cpu);
      calls.push_back(shown.calls);
    }
    const long allocations = g_allocations.load() - before;  // the vectors hold their room
    std::printf(
        "%dx%d round %d: frame without %.3f ms, with %.3f ms: display %.3f ms wall, %.3f ms cpu "
        "(medians of %d pairs), its calls %.3f ms on the calling thread; %ld allocations\n",
        width, height, round, Median(without) * 1e3, Median(with) * 1e3, Median(difference) * 1e3,
        Median(cpuDifference) * 1e3, pairs, Median(calls) * 1e3, allocations);
  }
  platform::DestroyGLContext();
  platform::CloseWindow();
  return 0;
}
