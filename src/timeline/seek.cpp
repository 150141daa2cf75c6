#include "timeline/seek.h"

#include <cmath>

#include "platform/clock.h"
#include "timeline/show/show.h"

float FrameDemoTime(int64_t frame, int fps) {
  const double secondsPerTick = 1.0 / static_cast<double>(platform::PerfFrequency());
  return static_cast<float>(static_cast<double>(platform::TicksAtFrame(frame, fps)) *
                            secondsPerTick);
}

int64_t ShowEndFrame(int fps) {
  int64_t k = 0;
  while (FrameDemoTime(k, fps) <= show::kEnd) ++k;
  return k;
}

int64_t FirstFrameAtOrAfter(double seconds, int fps) {
  if (!(seconds > 0.0)) return 0;
  if (seconds > 1.0e7) seconds = 1.0e7;  // far past any show's end
  // Frame k's time as the run clock counts it, k / fps: start a little early
  // and step, so that rounding in the first guess cannot matter.
  int64_t frame = static_cast<int64_t>(std::floor(seconds * fps)) - 2;
  if (frame < 0) frame = 0;
  while (static_cast<double>(frame) / fps < seconds) ++frame;
  return frame;
}

namespace {

// The end of one frame of a straight run: the player moves on after drawing
// frame k if its demo time has reached the current scene's end.
void StepFrame(const std::vector<Scene>& scenes, int64_t k, int fps, ScenePosition* position) {
  const size_t i = static_cast<size_t>(position->index);
  if (i + 1 < scenes.size() && FrameDemoTime(k, fps) >= scenes[i].endTime) {
    ++position->index;
    position->startFrame = k;
  }
}

// An end time that no frame of any run reaches (never moving on).
bool Unreachable(const Scene& scene) { return !(scene.endTime < 1.0e7f); }

}  // namespace

ScenePosition LocateFrame(const std::vector<Scene>& scenes, int64_t frame, int fps) {
  ScenePosition position;
  for (int64_t k = 0; k < frame; ++k) {
    const size_t i = static_cast<size_t>(position.index);
    if (i + 1 >= scenes.size() || Unreachable(scenes[i])) break;
    StepFrame(scenes, k, fps, &position);
  }
  return position;
}

int64_t SceneFirstFrame(const std::vector<Scene>& scenes, int index, int fps) {
  ScenePosition position;
  for (int64_t k = 0; position.index < index; ++k) {
    const size_t i = static_cast<size_t>(position.index);
    if (i + 1 >= scenes.size() || Unreachable(scenes[i])) break;
    StepFrame(scenes, k, fps, &position);
  }
  return position.startFrame + 1;
}
