#include "effects/layer03.h"

#include <cmath>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer03::Init() {
  Result step = crab.Load3DS(show::models::kKrab, &texLib, false);
  if (step.code != 0) return Result(1, "CLayer03::Init() : " + step.message);
  step = backdrop.Load(show::pictures::kKable, &texLib);
  if (step.code != 0) return Result(1, "CLayer03::Init() : " + step.message);
  return Result(0, "CLayer03::Init() : ok!");
}

// No clock of its own: the scene time drives everything.
void CLayer03::Restart() {}

void CLayer03::Render(float t) {
  glWindow.clearColor[0] = 0.0f;
  glWindow.clearColor[1] = 0.0f;
  glWindow.clearColor[2] = 0.0f;
  glWindow.clearColor[3] = 1.0f;

  // The backdrop shows only where the opaque crabs leave it: the fast
  // drawing draws it behind them afterwards, so that only those pixels are
  // shaded.
  const bool behind = !ReferenceDrawing();
  if (!behind) DrawBackdrop(backdrop, false);
  BeginPictureBand();  // the copies are seen only between the letterbox bars

  // Nothing has written depth yet: the depth buffer is as the frame's clear
  // left it.
  SetPerspective(CVec3(0.0f, 0.0f, 200.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f), 60.0f,
                 700.0f);
  glPushMatrix();
  for (int i = 0; i < 5; ++i) {
    // Copy i runs i seconds ahead of copy 0 on the wobble.
    const float a = float(i) + t;
    glLoadIdentity();
    glRotatef(50.0f * std::sin(60.0f * a * kDegToRad) + 60.0f * t, 0.3f, 1.0f, 0.75f);
    glRotatef(50.0f * std::cos(80.0f * a * kDegToRad) + 80.0f * t, 1.0f, 0.3f, 0.55f);
    const float s = 0.2f * float(i) + 0.25f;
    glScalef(s, s, s);
    crab.Render();
  }
  glPopMatrix();
  if (behind) DrawBackdrop(backdrop, true);
  EndPictureBand();
}

Result CLayer03::Done() { return Result(0, "CLayer03::Done() : ok!"); }
