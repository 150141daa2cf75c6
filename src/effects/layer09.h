// A model turning slowly in front of an opaque letterboxed picture, seen
// from behind the origin.
#pragma once
#include "model/staticmodel.h"
#include "render/image2d.h"
#include "timeline/layer.h"

class CLayer09 final : public CLayer {
 public:
  Result Init() override;
  // No clock of its own: the turn follows the scene time.
  void Restart() override;
  void Render(float t) override;
  Result Done() override;

  CImage2D picture;    // "poz5.jpg"
  CStaticModel model;  // "igra.3ds"
};
