// The interface every effect layer implements.
#pragma once
#include "shell/result.h"

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

 protected:
  // Layers are global objects, never deleted through this interface.
  ~CLayer() = default;
};
