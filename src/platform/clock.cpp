#include "platform/clock.h"

#include <time.h>

namespace platform {
namespace {

enum class Mode { NotStarted, Real, Virtual };
Mode g_mode = Mode::NotStarted;
int64_t g_realStartNs = 0;
int g_fps = 60;
int64_t g_frame = 0;      // virtual: the frame the counter shows
int64_t g_presented = 0;  // virtual: frames presented, paused or not
bool g_paused = false;
int64_t g_pausedAt = 0;    // real: the reading frozen by the pause
int64_t g_realOffset = 0;  // real: added to the monotonic reading (pauses, seeks)

int64_t MonotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

int64_t RealReading() {
  // 3.6 ticks per nanosecond.
  return (MonotonicNs() - g_realStartNs) * 36 / 10 + g_realOffset;
}

}  // namespace

int64_t PerfCounter() {
  switch (g_mode) {
    case Mode::Real:
      return g_paused ? g_pausedAt : RealReading();
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
  g_realOffset = 0;
  g_paused = false;
}

void StartVirtualClock(int framesPerSecond) {
  g_mode = Mode::Virtual;
  g_fps = framesPerSecond > 0 ? framesPerSecond : 60;
  g_frame = 0;
  g_presented = 0;
  g_paused = false;
}

bool IsVirtualClock() { return g_mode == Mode::Virtual; }
int VirtualFramesPerSecond() { return g_fps; }

void AdvanceVirtualFrame() {
  if (g_mode != Mode::Virtual) return;
  ++g_presented;
  if (!g_paused) ++g_frame;
}

int64_t VirtualFrame() { return g_frame; }
int64_t PresentedFrames() { return g_presented; }

void SetClockPaused(bool paused) {
  if (paused == g_paused) return;
  if (g_mode == Mode::Real) {
    if (paused) {
      g_pausedAt = RealReading();
    } else {
      // Resume from the frozen reading: the paused span is cut out.
      g_realOffset += g_pausedAt - RealReading();
    }
  }
  g_paused = paused;
}

bool ClockPaused() { return g_paused; }

void SetPerfCounter(int64_t ticks) {
  switch (g_mode) {
    case Mode::Real:
      if (g_paused) {
        g_pausedAt = ticks;
      } else {
        g_realOffset += ticks - RealReading();
      }
      break;
    case Mode::Virtual: {
      // The nearest frame at or after the reading.
      int64_t frame =
          static_cast<int64_t>((static_cast<long double>(ticks) * g_fps) / kPerfFrequency);
      while (VirtualCounterAt(frame) < ticks) ++frame;
      while (frame > 0 && VirtualCounterAt(frame - 1) >= ticks) --frame;
      g_frame = frame;
      break;
    }
    case Mode::NotStarted:
      break;
  }
}

int64_t VirtualCounterAt(int64_t frame) { return TicksAtFrame(frame, g_fps); }

int64_t TicksAtFrame(int64_t frame, int fps) {
  const int64_t perFrame = kPerfFrequency / fps;
  if (perFrame * fps == kPerfFrequency) return frame * perFrame;
  // Rates that do not divide the frequency: the nearest tick.
  return static_cast<int64_t>((static_cast<long double>(frame) * kPerfFrequency) / fps + 0.5L);
}

double MonotonicSeconds() { return static_cast<double>(MonotonicNs()) * 1e-9; }

}  // namespace platform
