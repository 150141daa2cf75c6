// A keyframed scene played in a loop through its first camera on the layer's
// own clock, with an object tumbling through the picture in front of it on a
// three-axis sine path that follows the scene time.
#pragma once
#include "model/animmodel.h"
#include "model/staticmodel.h"
#include "shell/base/loopingclock.h"
#include "timeline/layer.h"

class CLayer02 final : public CLayer {
 public:
  Result Init() override;
  // Restarts the layer clock, so the animation starts from frame 0.
  void Restart() override;
  void Render(float t) override;
  // The layer clock's loop, without drawing.
  void Advance(float t) override;
  Result Done() override;

  CLoopingClock clock{10.0};  // the layer clock: ten keyframe frames a second
  CAnimModel scene;           // "anim_03.3ds", through camera 0
  CStaticModel object;        // "object_01.3ds"
};
