// A model tumbling in the left half of the view in front of an opaque
// letterboxed picture.
#pragma once
#include "model/staticmodel.h"
#include "render/image2d.h"
#include "timeline/layer.h"

class CLayer07 final : public CLayer {
 public:
  Result Init() override;
  // No clock of its own: the tumble follows the scene time.
  void Restart() override;
  void Render(float t) override;
  Result Done() override;

  CStaticModel object;  // "object_04.3ds"
  CImage2D picture;     // "poz3.jpg"
};
