#include "effects/layer10.h"

#include "render/glhelpers.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer10::Init() {
  // A missing closing picture is not worth stopping the show for.
  picture.Load(show::pictures::kEndJpg, &texLib);
  return Result(0, "CLayer10::Init() : ok!");
}

void CLayer10::Restart() {}

void CLayer10::Render(float /*t*/) {
  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  glWindow.clearColor[0] = 0.0f;
  glWindow.clearColor[1] = 0.0f;
  glWindow.clearColor[2] = 0.0f;
  glWindow.clearColor[3] = 1.0f;
  SetOrtho2D(false);
  if (picture.id != kNoTexture) {
    picture.Draw(64.0f, show::kBandTop, 512.0f, show::kBandHeight, kWhite);
  } else {
    // Without its picture the frame still shows, as a plain white panel.
    DrawRect2D(64.0f, show::kBandTop, 576.0f, show::kBandBottom, kWhite);
  }
}

Result CLayer10::Done() { return Result(0, "CLayer10::Done() : ok!"); }
