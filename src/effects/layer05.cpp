#include "effects/layer05.h"

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

Result CLayer05::Init() {
  ParticleDesc desc;
  desc.count = 150;
  desc.endPointBase = CVec3(25.0f, 0.0f, 0.0f);
  desc.endPointSpread = 1.0f;  // no random part: every flight ends at (25.5, 0.5, 0.5)
  desc.endTangentBase = CVec3(0.0f, 50.0f, 0.0f);
  desc.endTangentSpread = 50.0f;
  desc.speed = 5.0f;  // flights of 2 to 20 seconds
  desc.origin = CVec3(-25.0f, 0.0f, 0.0f);
  desc.startTangentBase = CVec3(10.0f, -40.0f, 0.0f);
  desc.startTangentSpread = 50.0f;

  Result r = swarm.Create(desc, show::pictures::kEnvmap0, &texLib);
  if (r.code != 0) return Result(1, "CLayer05::Init() : " + r.message);
  r = picture.Load(show::pictures::kPoz2, &texLib);
  if (r.code != 0) return Result(1, "CLayer05::Init() : " + r.message);
  // Nothing draws random numbers after this until the scene plays, so this
  // is the state a straight run begins the scene with.
  startParticles_ = swarm.particles;
  startRandom_ = ParticleRandomState();
  return Result(0, "CLayer05::Init() : ok!");
}

void CLayer05::Restart() { swarm.clock.Reset(); }

void CLayer05::Render(float /*t*/) {
  BeginPictureBand();  // only the band between the letterbox bars is seen
  static const float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  SetOrtho2D(false);
  picture.Draw(0.0f, show::kBandTop, 640.0f, show::kBandHeight, kWhite);
  SetPerspective(CVec3(0.0f, 0.0f, 50.0f), CVec3(0.0f, 0.0f, 0.0f), CVec3(0.0f, 1.0f, 0.0f), 60.0f,
                 200.0f);
  // Nothing in this scene writes depth, so every sprite passes the depth
  // test: the fast drawing leaves the test, and its read of the depth under
  // every sprite pixel, out.
  if (!ReferenceDrawing()) glDisable(GL_DEPTH_TEST);
  glPushMatrix();
  swarm.Draw(5.0f);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);  // as SetPerspective left it
  EndPictureBand();
}

void CLayer05::Rewind() {
  swarm.particles = startParticles_;
  ParticleRandomSeed(startRandom_);
  Restart();
}

void CLayer05::Advance(float /*t*/) { swarm.Update(); }

Result CLayer05::Done() { return Result(0, "CLayer05::Done() : ok!"); }
