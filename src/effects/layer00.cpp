#include "effects/layer00.h"

#include <cmath>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer00::Init() {
  Result step = object.Load3DS(show::models::kObject03, &texLib, false);
  if (step.code != 0) return Result(1, "CLayer00::Init() : " + step.message);
  step = sphere.Load3DS(show::models::kNsphere, &texLib, false);
  if (step.code != 0) return Result(1, "CLayer00::Init() : " + step.message);
  step = logo.Load(show::pictures::kVtLogo, &texLib);
  if (step.code != 0) return Result(1, "CLayer00::Init() : " + step.message);
  return Result(0, "CLayer00::Init() : ok!");
}

// No clock of its own: the scene time drives everything.
void CLayer00::Restart() {}

void CLayer00::Render(float t) {
  BeginPictureBand();  // only the band between the letterbox bars is seen
  // The camera sits inside the sphere, at its origin, looking along +z.
  SetPerspective(CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 0.0f, 1.0f), CVec3(0.0f, 1.0f, 0.0f), 100.0f,
                 400.0f);
  glPushMatrix();
  glLoadIdentity();
  glRotatef(30.0f * t, 1.0f, 0.5f, 0.33f);
  glRotatef(30.0f * t, 0.2f, 0.2f, 0.8f);
  sphere.Render();
  glPopMatrix();

  ClearDepthBuffer();

  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // Lower haze: one-unit strips thickening towards the bottom edge.
  for (int i = 300; i < 400; ++i) {
    const float colour[4] = {1.0f, 1.0f, 1.0f, float(i - 300) * 0.01f};
    DrawRect2D(0.0f, float(i - 1), 640.0f, float(i), colour);
  }
  // Upper haze: thickening towards the top edge.
  for (int i = 80; i < 180; ++i) {
    const float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f - float(i - 80) * 0.01f};
    DrawRect2D(0.0f, float(i - 1), 640.0f, float(i), colour);
  }

  SetPerspective(CVec3(0.0f, 0.0f, 250.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f), 60.0f,
                 500.0f);
  glPushMatrix();
  glLoadIdentity();
  glRotatef(90.0f, -1.0f, 0.0f, 0.0f);
  // Rocks between 35 and 55 degrees every 4.8 seconds.
  const float a = std::sin(75.0f * t * kDegToRad) * 10.0f + 45.0f;
  glRotatef(a, 0.3f, 0.2f, 1.0f);
  glTranslatef(-15.0f, 0.0f, -140.0f);
  object.Render();
  glPopMatrix();

  // The logo multiplies the picture: white leaves it, dark darkens it.
  SetOrtho2D(false);
  SetBlend(GL_ZERO, GL_SRC_COLOR);
  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  // It slides in from the right edge at 80 units a second, then rests in the
  // lower right quarter.
  if (InTimeWindow(t, 2.0f, 6.0f)) {
    logo.Draw(640.0f - (t - 2.0f) * 80.0f, 240.0f, 320.0f, 100.0f, kWhite);
  }
  if (InTimeWindow(t, 6.0f, 60.0f)) logo.Draw(320.0f, 240.0f, 320.0f, 100.0f, kWhite);

  // The band starts white and clears within four seconds.
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  if (InTimeWindow(t, 0.0f, 4.0f)) {
    const float fade[4] = {1.0f, 1.0f, 1.0f, 1.0f - t * 0.25f};
    DrawRect2D(0.0f, show::kBandTop, 640.0f, show::kBandBottom, fade);
  }
  EndPictureBand();
}

Result CLayer00::Done() { return Result(0, "CLayer00::Done() : ok!"); }
