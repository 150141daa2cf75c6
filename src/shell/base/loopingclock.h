// The clock of a keyframed scene played in a loop: keyframe frames at a fixed
// rate of a stopwatch, started again once a frame past the scene's last one
// has been drawn. A layer's drawing and its frame-by-frame replay during a
// seek step it through the same code, so the two cannot drift apart.
#pragma once
#include <cstdint>

#include "shell/base/timer.h"

class CLoopingClock {
 public:
  explicit CLoopingClock(double framesPerSecond) : rate(framesPerSecond) {}

  // From keyframe frame 0 now.
  void Restart() { timer.Reset(); }
  // The keyframe frame of this moment.
  float Frame() { return static_cast<float>(timer.GetTime() * rate); }
  // Once `frame` (the one just drawn, or about to be) lies past the scene's
  // `lastFrame`, the loop starts again: the next frame reads near frame 0.
  void Wrap(float frame, uint32_t lastFrame) {
    if (static_cast<float>(lastFrame) < frame) timer.Reset();
  }
  // One frame of the loop without drawing: what a frame's Frame and Wrap do.
  void Tick(uint32_t lastFrame) { Wrap(Frame(), lastFrame); }

  double rate;  // keyframe frames per second
  // Counts from construction until the first Restart.
  CTimer timer;
};
