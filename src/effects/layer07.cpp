#include "effects/layer07.h"

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer07::Init() {
  Result r = object.Load3DS(show::models::kObject04, &texLib, false);
  if (r.code != 0) return Result(1, "CLayer07::Init() : " + r.message);
  r = picture.Load(show::pictures::kPoz3, &texLib);
  if (r.code != 0) return Result(1, "CLayer07::Init() : " + r.message);
  return Result(0, "CLayer07::Init() : ok!");
}

void CLayer07::Restart() {}

void CLayer07::Render(float t) {
  BeginPictureBand();  // only the band between the letterbox bars is seen
  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  SetOrtho2D(false);
  picture.Draw(0.0f, show::kBandTop, 640.0f, show::kBandHeight, kWhite);
  SetPerspective(CVec3(0.0f, 0.0f, 350.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f), 60.0f,
                 500.0f);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(-150.0f, -75.0f, 0.0f);
  glRotatef(100.0f * t, 0.2f, -1.0f, 0.7f);
  glRotatef(50.0f * t, 1.0f, 0.6f, 0.35f);
  glRotatef(75.0f * t, 0.5f, 0.33f, 0.5f);
  glScalef(0.5f, 0.5f, 0.5f);
  object.Render();
  glPopMatrix();
  EndPictureBand();
}

Result CLayer07::Done() { return Result(0, "CLayer07::Done() : ok!"); }
