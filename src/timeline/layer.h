// The interface every effect layer implements.
#pragma once
#include "shell/base/result.h"

class CLayer {
 public:
  // Loads the layer's models and pictures; once per appearance in a scene.
  virtual Result Init() = 0;
  // The layer's scene has just become the current one.
  virtual void Restart() = 0;
  // Draws one frame; t is seconds since the scene began.
  virtual void Render(float t) = 0;
  // Once per appearance in a scene, at shutdown; may come twice.
  virtual Result Done() = 0;

  // Seeking, outside the normal frame loop. A seek lands in a scene as if the
  // show had played there: the player sets the process clock to the instant
  // the scene began and calls Rewind, then, frame by frame up to the target,
  // sets the clock to each frame and calls Advance with that frame's scene
  // time instead of Render.
  // Rewind: back to the state the layer has when its scene begins in a
  // straight run (by default what the scene switch does).
  virtual void Rewind() { Restart(); }
  // Advance: whatever Render carries from one frame to the next (a clock that
  // loops, a swarm that ages), without drawing anything. Most layers carry
  // nothing.
  virtual void Advance(float /*t*/) {}

 protected:
  // Layers are global objects, never deleted through this interface.
  ~CLayer() = default;
};
