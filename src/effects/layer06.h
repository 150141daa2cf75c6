// The wide-angle echo: a tumbling object in front of a 160-degree view of a
// cone seen from its own origin, with ten enlarged faint copies of a capture
// of the object whose spacing and strength pulse with the scene time.
#pragma once
#include "model/staticmodel.h"
#include "render/rendertexture.h"
#include "render/screencopies.h"
#include "timeline/layer.h"

class CLayer06 final : public CLayer {
 public:
  Result Init() override;
  // No clock of its own: everything moves with the scene time.
  void Restart() override;
  void Render(float t) override;
  Result Done() override;

  CStaticModel object;     // "object_04.3ds"
  CStaticModel cone;       // "cone.3ds"
  CRenderTexture capture;  // 512 x 256 image of the object
  CScreenCopySum copies;   // its ten copies, summed at its size
};
