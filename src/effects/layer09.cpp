#include "effects/layer09.h"

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer09::Init() {
  // The model is loaded before the picture.
  Result r = model.Load3DS(show::models::kIgra, &texLib, false);
  if (r.code != 0) return Result(1, "CLayer09::Init() : " + r.message);
  r = picture.Load(show::pictures::kPoz5, &texLib);
  if (r.code != 0) return Result(1, "CLayer09::Init() : " + r.message);
  return Result(0, "CLayer09::Init() : ok!");
}

void CLayer09::Restart() {}

void CLayer09::Render(float t) {
  BeginPictureBand();  // only the band between the letterbox bars is seen
  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  SetOrtho2D(false);
  picture.Draw(0.0f, show::kBandTop, 640.0f, show::kBandHeight, kWhite);
  // Looking along +z from behind the origin: +x shows on the viewer's left.
  SetPerspective(CVec3(0.0f, 0.0f, -100.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f),
                 60.0f, 250.0f);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(50.0f, 0.0f, 60.0f);
  glRotatef(60.0f * t, 0.0f, 1.0f, 0.3f);  // one turn in 6 seconds
  glScalef(0.25f, 0.25f, 0.25f);
  model.Render();
  glPopMatrix();
  EndPictureBand();
}

Result CLayer09::Done() { return Result(0, "CLayer09::Done() : ok!"); }
