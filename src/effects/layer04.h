// A letterboxed backdrop, a keyframed tunnel played in a loop through its
// first camera on the layer's own clock, a model spinning in front of it, two
// additive copies of a texture, a band of dark translucent bars near the
// bottom edge and an additive title.
#pragma once
#include "model/animmodel.h"
#include "model/staticmodel.h"
#include "render/image2d.h"
#include "shell/base/loopingclock.h"
#include "timeline/layer.h"

class CLayer04 final : public CLayer {
 public:
  Result Init() override;
  // Restarts the layer clock, so the tunnel starts from frame 0.
  void Restart() override;
  void Render(float t) override;
  // The layer clock's loop, without drawing.
  void Advance(float t) override;
  Result Done() override;

  CLoopingClock clock{3.0};  // the layer clock: three keyframe frames a second
  CAnimModel tunnel;         // "tunel_0.3ds", through camera 0
  CStaticModel model;        // "strom.3ds"
  CImage2D overlay;          // "treetex.jpg", drawn twice additively
  CImage2D backdrop;         // "bw06.jpg", the letterboxed background
  CImage2D title;            // "vtt.jpg", additive, lower right quarter
};
