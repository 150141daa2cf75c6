#include "platform/clock.h"

#include <time.h>

namespace platform {
namespace {

enum class Mode { NotStarted, Real, Virtual };
Mode g_mode = Mode::NotStarted;
int64_t g_realStartNs = 0;
int g_fps = 60;
int64_t g_frame = 0;

int64_t MonotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

}  // namespace

int64_t PerfCounter() {
  switch (g_mode) {
    case Mode::Real:
      // 3.6 ticks per nanosecond.
      return (MonotonicNs() - g_realStartNs) * 36 / 10;
    case Mode::Virtual:
      return VirtualCounterAt(g_frame);
    case Mode::NotStarted:
      break;
  }
  return 0;
}

int64_t PerfFrequency() { return kPerfFrequency; }

void StartRealClock() {
  g_mode = Mode::Real;
  g_realStartNs = MonotonicNs();
}

void StartVirtualClock(int framesPerSecond) {
  g_mode = Mode::Virtual;
  g_fps = framesPerSecond > 0 ? framesPerSecond : 60;
  g_frame = 0;
}

bool IsVirtualClock() { return g_mode == Mode::Virtual; }
int VirtualFramesPerSecond() { return g_fps; }

void AdvanceVirtualFrame() {
  if (g_mode == Mode::Virtual) ++g_frame;
}

int64_t VirtualFrame() { return g_frame; }

int64_t VirtualCounterAt(int64_t frame) {
  const int64_t perFrame = kPerfFrequency / g_fps;
  if (perFrame * g_fps == kPerfFrequency) return frame * perFrame;
  // Rates that do not divide the frequency: the nearest tick.
  return static_cast<int64_t>((static_cast<long double>(frame) * kPerfFrequency) / g_fps + 0.5L);
}

double MonotonicSeconds() { return static_cast<double>(MonotonicNs()) * 1e-9; }

}  // namespace platform
