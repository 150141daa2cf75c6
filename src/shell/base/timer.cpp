#include "shell/base/timer.h"

#include "platform/clock.h"

CTimer::CTimer() { Reset(); }

void CTimer::Reset() {
  frequency = platform::PerfFrequency();
  start = platform::PerfCounter();
  secondsPerTick = 1.0 / static_cast<double>(frequency);
}

double CTimer::GetTime() {
  now = platform::PerfCounter();
  now = now - start;
  return static_cast<double>(now) * secondsPerTick;
}
