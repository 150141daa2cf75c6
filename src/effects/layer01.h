// The opening scene: a keyframed scene played in a loop through its first
// camera on the layer's own clock, with a glow made of ten enlarged, fading
// copies of a small rendering of the same frame.
#pragma once
#include "model/animmodel.h"
#include "render/rendertexture.h"
#include "render/screencopies.h"
#include "shell/base/loopingclock.h"
#include "timeline/layer.h"

class CLayer01 final : public CLayer {
 public:
  Result Init() override;
  void Restart() override;
  // The scene time is not used: the layer clock drives the animation.
  void Render(float t) override;
  // The layer clock's loop, without drawing.
  void Advance(float t) override;
  Result Done() override;

  CAnimModel scene;       // "anim_02.3ds", through camera 0
  CRenderTexture glow;    // 512 x 256 copy of the small rendering
  CScreenCopySum copies;  // its ten copies, summed at its size
  // Five keyframe frames per second of real time. Counts from construction:
  // the first scene is never restarted, so the animation starts wherever the
  // clock has got to when the show begins.
  CLoopingClock clock{5.0};
};
