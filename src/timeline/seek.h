// Where a straight run of the show stands at a given frame, worked out from
// the scene list alone: which scene is current and in which frame it began.
// A seek uses it to set the player up as if the show had played there.
#pragma once
#include <cstdint>
#include <vector>

#include "timeline/sceneplayer.h"

// Frame k of a run at `fps` frames per second shows demo time k / fps, read as
// the demo clock reads it (whole ticks, then seconds, then a float).
float FrameDemoTime(int64_t frame, int fps);

// The first frame k with k / fps at least `seconds` (the frame a shot at that
// time takes).
int64_t FirstFrameAtOrAfter(double seconds, int fps);

struct ScenePosition {
  int index = 0;  // the scene drawn in the frame
  // The frame at whose end the scene became current (its clocks were reset
  // then); -1 for the first scene, whose clocks count from program start.
  int64_t startFrame = -1;
};

// The scene a straight run draws in `frame`: the player moves on after
// drawing the first frame whose demo time reaches the current scene's end,
// one scene per frame at most, and stays on the last scene.
ScenePosition LocateFrame(const std::vector<Scene>& scenes, int64_t frame, int fps);

// The first frame of a run at `fps` frames a second whose demo time is past
// the end of the show: the frame that ends it.
int64_t ShowEndFrame(int fps);

// The first frame of scene `index` in a straight run (0 for the first scene).
int64_t SceneFirstFrame(const std::vector<Scene>& scenes, int index, int fps);
