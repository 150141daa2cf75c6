#include "effects/layer01.h"

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "render/screencopies.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer01::Init() {
  Result step = scene.Load3DS(show::models::kAnim02, &texLib);
  if (step.code != 0) return Result(1, "CLayer01::Init() : " + step.message);
  step = scene.SetCamera(0);
  if (step.code != 0) return Result(1, "CLayer01::Init() : " + step.message);
  glow.Create(512, 256);
  copies.Create(512, 256);
  return Result(0, "CLayer01::Init() : ok!");
}

void CLayer01::Restart() { clock.Restart(); }

void CLayer01::Advance(float /*t*/) { clock.Tick(scene.GetFrames()); }

void CLayer01::Render(float /*t*/) {
  glWindow.clearColor[0] = 0.0f;
  glWindow.clearColor[1] = 0.0f;
  glWindow.clearColor[2] = 0.0f;
  glWindow.clearColor[3] = 1.0f;

  // Past the last frame: this frame is still drawn at f, the next one starts
  // again near frame 0.
  const float f = clock.Frame();
  clock.Wrap(f, scene.GetFrames());

  // Small pass into the lower-left corner, copied into the glow texture.
  glow.BeginCapture();
  scene.Render(f);
  glow.EndCapture();
  // Ten copies, 10 to 100 units beyond every edge, alpha 0.33 down to 0.123.
  float margin[10];
  float alpha[10];
  for (int i = 0; i < 10; ++i) {
    margin[i] = 10.0f * float(i + 1);
    alpha[i] = Lerp(0.33f, 0.1f, 0.1f * float(i));
  }
  copies.Sum(glow, margin, alpha, 10);

  BeginPictureBand();
  ClearDepthBuffer();
  ClearColorBuffer();
  scene.Render(f);

  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  copies.Draw();
  EndPictureBand();
}

Result CLayer01::Done() { return Result(0, "CLayer01::Done() : ok!"); }
