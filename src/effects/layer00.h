// The logo scene: a sphere tumbling around the camera, white haze along the
// upper and lower edges of the picture, a rocking object in front, the logo
// sliding in from the right and multiplied onto the picture, and a white fade
// over the first four seconds. Everything follows the scene time.
#pragma once
#include "model/staticmodel.h"
#include "render/image2d.h"
#include "timeline/layer.h"

class CLayer00 final : public CLayer {
 public:
  Result Init() override;
  void Restart() override;
  void Render(float t) override;
  Result Done() override;

  CStaticModel object;  // "object_03.3ds", the second 3D pass
  CStaticModel sphere;  // "nsphere.3ds", drawn around the camera
  CImage2D logo;        // "vt_logo.jpg"
};
