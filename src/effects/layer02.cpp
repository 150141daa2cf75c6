#include "effects/layer02.h"

#include <cmath>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer02::Init() {
  Result step = scene.Load3DS(show::models::kAnim03, &texLib);
  if (step.code != 0) return Result(1, "CLayer02::Init() : " + step.message);
  step = scene.SetCamera(0);
  if (step.code != 0) return Result(1, "CLayer02::Init() : " + step.message);
  step = object.Load3DS(show::models::kObject01, &texLib, false);
  if (step.code != 0) return Result(1, "CLayer02::Init() : " + step.message);
  return Result(0, "CLayer02::Init() : ok!");
}

void CLayer02::Restart() { clock.Restart(); }

void CLayer02::Advance(float /*t*/) { clock.Tick(scene.GetFrames()); }

void CLayer02::Render(float t) {
  BeginPictureBand();  // only the band between the letterbox bars is seen
  const float f = clock.Frame();
  scene.Render(f);
  // Checked after drawing: one frame past the last keyframe is drawn before
  // the loop closes.
  clock.Wrap(f, scene.GetFrames());

  ClearDepthBuffer();
  SetPerspective(CVec3(0.0f, 0.0f, 250.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f), 60.0f,
                 500.0f);
  // The translation happens in the turning frame: a Lissajous path with
  // periods of 2.25 s, 4.5 s and 9 s around the origin.
  glRotatef(30.0f * t, 0.6f, 1.0f, 0.33f);
  glRotatef(50.0f * t, 0.7f, 0.2f, 0.9f);
  glTranslatef(80.0f * std::cos(160.0f * t * kDegToRad), 50.0f * std::sin(80.0f * t * kDegToRad),
               75.0f * std::sin(40.0f * t * kDegToRad));
  object.Render();
  EndPictureBand();
}

Result CLayer02::Done() { return Result(0, "CLayer02::Done() : ok!"); }
