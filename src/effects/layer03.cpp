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

  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  // The opaque backdrop (a picture without alpha, drawn in white) shows only
  // where the opaque crabs leave it. The fast drawing draws it behind the
  // crabs afterwards, so that only those pixels are shaded.
  const bool behind = !ReferenceDrawing();
  const auto drawBackdrop = [behind, this]() {
    SetOrtho2D(false);
    SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (behind) BeginBehind();
    // Fills the band from y 80 down; its lowest part lies under the lower bar.
    backdrop.Draw(0.0f, show::kBandTop, 640.0f, 400.0f, kWhite);
    if (behind) EndBehind();
  };
  if (!behind) drawBackdrop();
  BeginPictureBand();  // the copies are seen only between the letterbox bars

  // The backdrop was drawn without depth testing, so the depth buffer is
  // still as the frame's clear left it.
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
  if (behind) drawBackdrop();
  EndPictureBand();
}

Result CLayer03::Done() { return Result(0, "CLayer03::Done() : ok!"); }
