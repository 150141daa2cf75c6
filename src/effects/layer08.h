// A keyframed scene played in a loop through its first camera, with a soft
// glow of ten enlarged, fading copies of a capture of it.
#pragma once
#include "model/animmodel.h"
#include "render/rendertexture.h"
#include "render/screencopies.h"
#include "shell/base/loopingclock.h"
#include "timeline/layer.h"

class CLayer08 final : public CLayer {
 public:
  Result Init() override;
  // Restarts the layer clock.
  void Restart() override;
  // Runs on the layer clock; the scene time is not used.
  void Render(float t) override;
  // The layer clock's loop, without drawing.
  void Advance(float t) override;
  Result Done() override;

  CLoopingClock clock{10.0};  // the layer clock, 10 animation frames per second
  CAnimModel scene;           // "anim_05.3ds"
  CRenderTexture capture;     // 512 x 256 image of the scene
  CScreenCopySum copies;      // its ten copies, summed at its size
};
