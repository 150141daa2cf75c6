// The process-wide performance counter that every clock of the program reads.
//
// The counter reads 0 until the program starts it, so that clocks constructed
// before the entry point (the global objects) all count from program start.
// Started real, it counts the system's monotonic time. Started virtual (for
// reproducible runs: offscreen shots, tests, video export) it moves only when
// a frame has been presented, by exactly 1/N s per frame.
//
// Both run at one fixed frequency, 3.6e9 ticks per second, chosen so that a
// frame of every common rate (any N dividing 3,600,000,000: 24, 25, 30, 60,
// 120, 144, ...) is a whole number of ticks.
#pragma once
#include <cstdint>

namespace platform {

constexpr int64_t kPerfFrequency = 3600000000LL;

int64_t PerfCounter();
int64_t PerfFrequency();

void StartRealClock();
void StartVirtualClock(int framesPerSecond);
bool IsVirtualClock();
int VirtualFramesPerSecond();
// Virtual clock only: one more frame has been presented. The counter moves
// on with it unless the clock is paused.
void AdvanceVirtualFrame();
// Virtual clock only: the frame the counter shows (k: it reads
// VirtualCounterAt(k)); equal to the frames presented until a pause or a
// SetPerfCounter makes them differ.
int64_t VirtualFrame();
// Virtual clock only: frames presented since the clock started, paused or not.
int64_t PresentedFrames();
// The virtual counter's reading once `frame` frames have been presented.
int64_t VirtualCounterAt(int64_t frame);
// Ticks from the first frame to frame `frame` of a run at `fps` frames per
// second: exact where fps divides the frequency, the nearest tick otherwise.
int64_t TicksAtFrame(int64_t frame, int fps);

// Pause and seek. While paused the counter stands still (every clock of the
// program freezes together) and resumes from the same reading.
void SetClockPaused(bool paused);
bool ClockPaused();
// Moves the counter so that it reads `ticks` now; it runs on from there. On
// the virtual clock `ticks` should be a frame's reading, VirtualCounterAt(k).
void SetPerfCounter(int64_t ticks);

// Real seconds from an arbitrary origin, whatever the counter's mode: for
// progress reports, never for the show's timing.
double MonotonicSeconds();

}  // namespace platform
