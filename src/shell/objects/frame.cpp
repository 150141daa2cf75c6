#include "shell/objects/frame.h"

#include "render/glhelpers.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

float DrawShowPicture(float t) {
  static const float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  glWindow.clearColor[0] = glWindow.clearColor[1] = glWindow.clearColor[2] = 1.0f;
  glWindow.clearColor[3] = 0.0f;
  const float eff = scenePlayer.Update(t);

  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  DrawRect2D(0, 0, 640, show::kBandTop, kBlack);
  DrawRect2D(0, show::kBandBottom, 640, 480, kBlack);
  return eff;
}
