// A picture as the backdrop of the letterboxed band and, in front of it, five
// nested copies of one model, from small to large, each turning on its own
// slightly shifted path. Everything follows the scene time.
#pragma once
#include "model/staticmodel.h"
#include "render/image2d.h"
#include "timeline/layer.h"

class CLayer03 final : public CLayer {
 public:
  Result Init() override;
  void Restart() override;
  void Render(float t) override;
  Result Done() override;

  CStaticModel crab;  // "krab.3ds"
  CImage2D backdrop;  // "kable.jpg"
};
