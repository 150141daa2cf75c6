// The closing picture, in a frame narrower than the screen, on black.
#pragma once
#include "render/image2d.h"
#include "timeline/layer.h"

class CLayer10 final : public CLayer {
 public:
  // Succeeds whether or not the picture could be loaded.
  Result Init() override;
  void Restart() override;
  // Sets the window's clear colour to opaque black (it shows from the next
  // frame on) and draws the picture; the scene time is not used.
  void Render(float t) override;
  Result Done() override;

  CImage2D picture;  // "end.jpg"
};
