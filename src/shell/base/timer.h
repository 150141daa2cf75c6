// A stopwatch over the process-wide performance counter.
#pragma once
#include <cstdint>

class CTimer {
 public:
  CTimer();
  void Reset();
  // Seconds since the last reset.
  double GetTime();

  int64_t frequency = 1;
  double secondsPerTick = 1.0;
  int64_t start = 0;
  int64_t now = 0;
};
