#include "effects/layer06.h"

#include <cmath>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "render/screencopies.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

namespace {

const CVec3 kFrontEye(0.0f, 0.0f, 350.0f);
const CVec3 kOrigin(0.0f, 0.0f, 0.0f);
const CVec3 kUp(0.0f, 1.0f, 0.0f);

// The object's tumble, the same in the capture and the full-size pass.
void Tumble(float t) {
  glRotatef(100.0f * t, 0.2f, -1.0f, 0.7f);
  glRotatef(50.0f * t, 1.0f, 0.6f, 0.35f);
  glScalef(0.5f, 0.5f, 0.5f);
}

}  // namespace

Result CLayer06::Init() {
  Result r = object.Load3DS(show::models::kObject04, &texLib, false);
  if (r.code != 0) return Result(1, "CLayer06::Init() : " + r.message);
  r = cone.Load3DS(show::models::kCone, &texLib, false);
  if (r.code != 0) return Result(1, "CLayer06::Init() : " + r.message);
  capture.Create(512, 256);
  copies.Create(512, 256);
  return Result(0, "CLayer06::Init() : ok!");
}

void CLayer06::Restart() {}

void CLayer06::Render(float t) {
  // The small pass: the object alone into the lower-left corner. Nothing is
  // cleared first, so the capture also holds what the frame had there.
  capture.BeginCapture();
  SetPerspective(kFrontEye, kOrigin, kUp, 60.0f, 500.0f);
  glPushMatrix();
  glLoadIdentity();
  Tumble(t);
  object.Render();
  glPopMatrix();
  capture.EndCapture();
  // Ten copies of the capture, g units further out each, with alphas from
  // a0 towards 0.1; both pulse with |sin(20 t)|.
  const float s = std::sin(20.0f * t * kDegToRad);
  const float g = std::fabs(50.0f * s);
  const float a0 = std::fabs(0.125f * s);
  float margin[10];
  float alpha[10];
  float m = 10.0f;
  for (int i = 0; i < 10; ++i) {
    margin[i] = m;
    alpha[i] = Lerp(a0, 0.1f, 0.1f * static_cast<float>(i));
    m = m + g;
  }
  copies.Sum(capture, margin, alpha, 10);

  BeginPictureBand();
  ClearColorBuffer();
  ClearDepthBuffer();

  // The cone from its own origin through a 160-degree lens.
  SetPerspective(kOrigin, CVec3(0.0f, 0.0f, 1.0f), kUp, 160.0f, 500.0f);
  glPushMatrix();
  glLoadIdentity();
  glRotatef(20.0f * t, -0.2f, 1.0f, -0.7f);
  glRotatef(15.0f * t, -1.0f, 0.6f, 0.35f);
  glScalef(0.5f, 0.5f, 0.5f);
  cone.Render();
  glPopMatrix();

  // The object always in front of the cone.
  ClearDepthBuffer();
  SetPerspective(kFrontEye, kOrigin, kUp, 60.0f, 500.0f);
  glPushMatrix();
  glLoadIdentity();
  Tumble(t);
  object.Render();
  glPopMatrix();

  SetOrtho2D(false);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  copies.Draw();
  EndPictureBand();
}

Result CLayer06::Done() { return Result(0, "CLayer06::Done() : ok!"); }
