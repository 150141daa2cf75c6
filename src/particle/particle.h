// The particle swarm: textured squares that each fly along their own cubic
// Hermite curve from one common origin towards a common end region, fading
// out on the way, and start again from the origin when their flight is over.
// Curves and speeds are drawn at random on every (re)birth.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "render/miplevels.h"
#include "shell/base/result.h"
#include "shell/base/timer.h"
#include "shell/base/vec3.h"
#include "texture/tex.h"

class CTexLib;

// The swarm's random numbers: the classic C library linear congruential
// generator, one per process, starting at state 1 so that every run looks the
// same. Each draw sets state = state * 214013 + 2531011 (mod 2^32) and returns
// bits 16 to 30 of the new state, 0..32767.
int ParticleRandom();
// Puts the generator back to `seed` (the state starts at 1 on its own; a seek
// puts back a state it saved).
void ParticleRandomSeed(uint32_t seed);
// The generator's current state, to be put back later with ParticleRandomSeed.
uint32_t ParticleRandomState();

// The set-up an effect fills and hands to CParticle::Create.
struct ParticleDesc {
  uint32_t count = 0;             // number of particles
  CVec3 endPointBase;             // base of every curve's end point
  float endPointSpread = 0.0f;    // random spread of the end point
  CVec3 endTangentBase;           // base of the tangent at the end point
  float endTangentSpread = 0.0f;  // random spread of the end tangent
  float speed = 0.0f;             // scale of the life rate
  CVec3 origin;                   // start point of every curve
  CVec3 startTangentBase;         // base of the tangent at the start point
  float startTangentSpread = 0.0f;
};

// One particle: its curve, when its current flight began and how fast it goes.
struct Particle {
  CVec3 startPoint;
  CVec3 endPoint;
  CVec3 endTangent;
  CVec3 startTangent;
  float birth = 0.0f;  // particle-clock seconds at which the flight began
  float rate = 0.0f;   // fraction of the flight covered per second
};

// A cubic Hermite segment from p0 to p1 with tangents t0 and t1.
class CHermite {
 public:
  CHermite(const CVec3& newP0, const CVec3& newP1, const CVec3& newT0, const CVec3& newT1)
      : p0(newP0), p1(newP1), t0(newT0), t1(newT1) {}

  // Evaluates the curve at u (0 at p0, 1 at p1; other values extrapolate)
  // into `point`.
  void Evaluate(float u);

  CVec3 p0;
  CVec3 p1;
  CVec3 t0;
  CVec3 t1;
  float point[3] = {0.0f, 0.0f, 0.0f};  // the point last evaluated
};

class CParticle {
 public:
  CParticle();

  // Takes the set-up, gets the sprite texture and launches `count` particles
  // with birth 0. A texture that cannot be loaded leaves the swarm empty.
  Result Create(const ParticleDesc& newDesc, const std::string& textureFile, CTexLib* pTexLib);
  // Ages the swarm by the particle clock, relaunches every particle whose
  // flight is over, and draws each as a 2 * halfSize square in the x-y plane
  // of the current model-view coordinates: additive, depth-tested, no depth
  // writes. Leaves blending off, culling on, texturing on for unit 0.
  void Draw(float halfSize);
  // What Draw does to the swarm, without drawing: relaunches every particle
  // whose flight is over by the particle clock.
  void Update();
  // (Re)starts particle `index` at particle-clock time birthTime; ten draws
  // of the random generator. An index past the end is ignored.
  void Emit(uint32_t index, float birthTime);

  std::vector<Particle> particles;
  uint32_t id = kNoTexture;  // sprite texture, owned by the library
  CTimer clock;              // the particle clock
  ParticleDesc desc;

 private:
  CMipLevels levels_;  // the sprite's levels for the fast drawing
};
