#include "effects/layer08.h"

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "render/screencopies.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer08::Init() {
  Result r = scene.Load3DS(show::models::kAnim05, &texLib);
  if (r.code != 0) return Result(1, "CLayer08::Init() : " + r.message);
  r = scene.SetCamera(0);
  if (r.code != 0) return Result(1, "CLayer08::Init() : " + r.message);
  capture.Create(512, 256);
  copies.Create(512, 256);
  return Result(0, "CLayer08::Init() : ok!");
}

void CLayer08::Restart() { clock.Restart(); }

void CLayer08::Advance(float /*t*/) { clock.Tick(scene.GetFrames()); }

void CLayer08::Render(float /*t*/) {
  const float f = clock.Frame();

  capture.BeginCapture();
  scene.Render(f);
  capture.EndCapture();
  // Ten copies 7.5 units further out each, alpha falling from 0.25.
  float margin[10];
  float alpha[10];
  float m = 10.0f;
  for (int i = 0; i < 10; ++i) {
    margin[i] = m;
    alpha[i] = Lerp(0.25f, 0.05f, 0.1f * static_cast<float>(i));
    m = m + 7.5f;
  }
  copies.Sum(capture, margin, alpha, 10);

  BeginPictureBand();
  ClearDepthBuffer();
  ClearColorBuffer();
  scene.Render(f);

  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  copies.Draw();
  EndPictureBand();

  // The frame past the scene's end has been drawn; the next starts it again.
  clock.Wrap(f, scene.GetFrames());
}

Result CLayer08::Done() { return Result(0, "CLayer08::Done() : ok!"); }
