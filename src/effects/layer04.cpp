#include "effects/layer04.h"

#include <cmath>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer04::Init() {
  Result step = tunnel.Load3DS(show::models::kTunel0, &texLib);
  if (step.code != 0) return Result(1, "CLayer04::Init() : " + step.message);
  step = tunnel.SetCamera(0);
  if (step.code != 0) return Result(1, "CLayer04::Init() : " + step.message);
  step = model.Load3DS(show::models::kStrom, &texLib, false);
  if (step.code != 0) return Result(1, "CLayer04::Init() : " + step.message);
  step = overlay.Load(show::pictures::kTreetex, &texLib);
  if (step.code != 0) return Result(1, "CLayer04::Init() : " + step.message);
  step = backdrop.Load(show::pictures::kBw06, &texLib);
  if (step.code != 0) return Result(1, "CLayer04::Init() : " + step.message);
  step = title.Load(show::pictures::kVtt, &texLib);
  if (step.code != 0) return Result(1, "CLayer04::Init() : " + step.message);
  return Result(0, "CLayer04::Init() : ok!");
}

void CLayer04::Restart() { clock.Restart(); }

void CLayer04::Advance(float /*t*/) { clock.Tick(tunnel.GetFrames()); }

void CLayer04::Render(float t) {
  BeginPictureBand();  // only the band between the letterbox bars is seen
  glWindow.clearColor[0] = 0.0f;
  glWindow.clearColor[1] = 0.0f;
  glWindow.clearColor[2] = 0.0f;
  glWindow.clearColor[3] = 1.0f;

  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  // The backdrop shows only where the opaque tunnel leaves a gap: the fast
  // drawing draws it behind the tunnel afterwards, so that only those gaps
  // are shaded.
  const bool behind = !ReferenceDrawing();
  // Past the last frame this one is still drawn and the next starts again
  // from the beginning.
  const float f = clock.Frame();
  if (!behind) DrawBackdrop(backdrop, false);
  tunnel.Render(f);
  if (behind) DrawBackdrop(backdrop, true);
  clock.Wrap(f, tunnel.GetFrames());

  // Only depth: the model is drawn over the tunnel.
  ClearDepthBuffer();
  SetPerspective(CVec3(0.0f, 0.0f, 250.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f), 60.0f,
                 500.0f);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(150.0f, -70.0f, 0.0f);
  glRotatef(60.0f, -1.0f, 0.0f, 0.0f);
  glRotatef(30.0f, 0.0f, -1.0f, 0.0f);
  // 70 degrees a second of scene time about the model's own z axis.
  glRotatef(t * 70.0f, 0.0f, 0.0f, 1.0f);
  glScalef(0.75f, 0.75f, 0.75f);
  model.Render();
  glPopMatrix();

  SetOrtho2D(true);
  SetBlend(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  overlay.Draw(420.0f, 60.0f, 220.0f, 340.0f, kWhite);
  overlay.Draw(300.0f, 300.0f, 340.0f, 100.0f, kWhite);

  // Dark translucent bars moving along the bottom of the band.
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  static const float kShade[4] = {0.0f, 0.0f, 0.0f, 0.5f};
  for (int i = 0; i < 15; ++i) {
    const float a = float(i) + t;
    const float y = 380.0f + 20.0f * std::sin(100.0f * a * kDegToRad);
    const float from[2] = {0.0f, y};
    const float to[2] = {640.0f, y};
    DrawLine2D(from, to, kShade);
    const float s = 1.0f + std::sin(30.0f * a * kDegToRad);
    DrawRect2D(320.0f * s, 360.0f, 340.0f * s, 380.0f, kShade);
    const float c = 1.0f + std::cos(20.0f * a * kDegToRad);
    DrawRect2D(320.0f * c, 380.0f, 340.0f * c, 400.0f, kShade);
  }

  SetBlend(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  title.Draw(320.0f, 240.0f, 200.0f, 200.0f, kWhite);
  EndPictureBand();
}

Result CLayer04::Done() { return Result(0, "CLayer04::Done() : ok!"); }
