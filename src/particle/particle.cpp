#include "particle/particle.h"

#include <algorithm>
#include <cmath>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/base/glapi.h"
#include "texture/texlib.h"

namespace {

uint32_t g_randomState = 1;

// The whole-number part of a spread, as the modulus of its random offset.
// Spreads below 1 in magnitude (and NaN) have no random part: 0 here. Huge
// spreads are capped; a draw never exceeds 32767, so any modulus above that
// gives the same offsets.
int SpreadModulus(float spread) {
  if (!(std::fabs(spread) >= 1.0f)) return 0;
  if (spread > 32768.0f) return 32768;
  if (spread < -32768.0f) return -32768;
  return static_cast<int>(spread);  // truncated towards zero
}

// One component: base + (r mod n) + spread / 2, with a fresh draw r. The draw
// is taken even when the spread has no random part, so that every emission
// uses the same number of draws whatever its spreads.
float JitterComponent(float base, float spread, int n) {
  const int r = ParticleRandom();
  const int offset = n != 0 ? r % n : 0;
  return base + static_cast<float>(offset) + spread * 0.5f;
}

// The components take their draws in the order z, y, x.
CVec3 Jitter(const CVec3& base, float spread) {
  const int n = SpreadModulus(spread);
  CVec3 v;
  v.z = JitterComponent(base.z, spread, n);
  v.y = JitterComponent(base.y, spread, n);
  v.x = JitterComponent(base.x, spread, n);
  return v;
}

}  // namespace

int ParticleRandom() {
  g_randomState = g_randomState * 214013u + 2531011u;
  return static_cast<int>((g_randomState >> 16) & 0x7FFFu);
}

void ParticleRandomSeed(uint32_t seed) { g_randomState = seed; }

uint32_t ParticleRandomState() { return g_randomState; }

void CHermite::Evaluate(float u) {
  const float u2 = u * u;
  const float u3 = u2 * u;
  const float h00 = 2.0f * u3 - 3.0f * u2 + 1.0f;
  const float h10 = u3 - 2.0f * u2 + u;
  const float h01 = -2.0f * u3 + 3.0f * u2;
  const float h11 = u3 - u2;
  point[0] = h00 * p0.x + h10 * t0.x + h01 * p1.x + h11 * t1.x;
  point[1] = h00 * p0.y + h10 * t0.y + h01 * p1.y + h11 * t1.y;
  point[2] = h00 * p0.z + h10 * t0.z + h01 * p1.z + h11 * t1.z;
}

CParticle::CParticle() { clock.Reset(); }

Result CParticle::Create(const ParticleDesc& newDesc, const std::string& textureFile,
                         CTexLib* pTexLib) {
  desc = newDesc;
  // A second creation starts a new swarm instead of growing the old one.
  particles.clear();
  if (pTexLib == nullptr) return Result(1, "CParticle::Create() : no texture library!");
  const Result added = pTexLib->Add(textureFile, &id);
  if (added.code != 0) return Result(1, "CParticle::Create() : " + added.message);
  levels_.Make(id);
  particles.reserve(desc.count);
  for (uint32_t i = 0; i < desc.count; ++i) {
    particles.push_back(Particle());
    Emit(i, 0.0f);
  }
  return Result(0, "CParticle::Create() : ok!");
}

void CParticle::Emit(uint32_t index, float birthTime) {
  if (index >= particles.size()) return;
  Particle& p = particles[index];
  p.startPoint = desc.origin;
  p.startTangent = Jitter(desc.startTangentBase, desc.startTangentSpread);
  p.endPoint = Jitter(desc.endPointBase, desc.endPointSpread);
  p.endTangent = Jitter(desc.endTangentBase, desc.endTangentSpread);
  const int r = ParticleRandom();
  p.rate = static_cast<float>(r % 10 + 1) * desc.speed * 0.01f;
  p.birth = birthTime;
}

namespace {

void DrawSquare(float x, float y, float z, float h) {
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex3f(x - h, y - h, z);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3f(x + h, y - h, z);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3f(x + h, y + h, z);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3f(x - h, y + h, z);
  glEnd();
}

// The part of the square whose samples of `level` can be lit: the square
// cut down to the level's extents, with its corners cut along its reach.
void DrawLitPart(const CMipLevels& levels, int level, float x, float y, float z, float h) {
  const float eU = levels.extentU[level];
  const float eV = levels.extentV[level];
  const float r = levels.reach[level];
  if (eU <= 0.0f || eV <= 0.0f) return;  // a black level adds nothing
  const float a = std::min(eV, r - eU);
  const float b = std::min(eU, r - eV);
  const float corners[8][2] = {{eU, -a}, {eU, a},   {b, eV},   {-b, eV},
                               {-eU, a}, {-eU, -a}, {-b, -eV}, {b, -eV}};
  glBegin(GL_POLYGON);
  for (const auto& c : corners) {
    glTexCoord2f(0.5f + c[0], 0.5f + c[1]);
    glVertex3f(x + 2.0f * h * c[0], y + 2.0f * h * c[1], z);
  }
  glEnd();
}

}  // namespace

void CParticle::Draw(float halfSize) {
  SelectTextureUnit(GL_TEXTURE0_ARB);
  // Without a sprite (a failed Create) there is nothing to bind; binding the
  // "none" value would make a stray texture object of that name.
  const GLuint sprite = id != kNoTexture ? id : 0;
  GLuint bound = sprite;
  glBindTexture(GL_TEXTURE_2D, bound);
  glDisable(GL_CULL_FACE);
  glDepthMask(GL_FALSE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glEnable(GL_TEXTURE_2D);

  // The fast drawing gives a sprite whose mipmap level is certain that
  // level's own texture and draws only its lit part: the same texels with the
  // same weights, for less work per pixel and fewer pixels.
  const bool byLevel = !ReferenceDrawing() && levels_.count > 0;
  ScreenTransform to;
  if (byLevel) to.Read();

  const float now = static_cast<float>(clock.GetTime());
  const float h = halfSize;
  const uint32_t count = static_cast<uint32_t>(particles.size());
  for (uint32_t i = 0; i < count; ++i) {
    float life = (now - particles[i].birth) * particles[i].rate;
    if (life > 1.0f) {
      Emit(i, now);
      life = (now - particles[i].birth) * particles[i].rate;
    }
    const Particle& p = particles[i];
    CHermite curve(p.startPoint, p.endPoint, p.startTangent, p.endTangent);
    curve.Evaluate(life);
    const float x = curve.point[0];
    const float y = curve.point[1];
    const float z = curve.point[2];
    glColor4f(1.0f, 1.0f, 1.0f, Lerp(1.0f, 0.0f, life));
    int level = -1;
    if (byLevel) {
      const float corner[3] = {x - h, y - h, z};
      const float edgeS[3] = {2.0f * h, 0.0f, 0.0f};
      const float edgeT[3] = {0.0f, 2.0f * h, 0.0f};
      level = levels_.LevelFor(to, corner, edgeS, edgeT);
    }
    const GLuint wanted = level >= 0 ? levels_.ids[level] : sprite;
    if (wanted != bound) {
      glBindTexture(GL_TEXTURE_2D, wanted);
      bound = wanted;
    }
    if (level >= 0) {
      DrawLitPart(levels_, level, x, y, z, h);
    } else {
      DrawSquare(x, y, z, h);
    }
  }

  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
}

void CParticle::Update() {
  // The same relaunch rule as Draw, in the same order, so that a swarm moved
  // on here is the swarm Draw would have left.
  const float now = static_cast<float>(clock.GetTime());
  const uint32_t count = static_cast<uint32_t>(particles.size());
  for (uint32_t i = 0; i < count; ++i) {
    if ((now - particles[i].birth) * particles[i].rate > 1.0f) Emit(i, now);
  }
}
