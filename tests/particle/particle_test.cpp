// The particle swarm: its generator, how one emission spends its draws, the
// life cycle on the particle clock and the drawn picture.
#include "particle/particle.h"

#include <gtest/gtest.h>

#include <cmath>

#include "content/jpeg_writer.h"
#include "platform/clock.h"
#include "render/glhelpers.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"

namespace {

// The generator's first twenty-one values from state 1.
const int kSeq[21] = {41,    18467, 6334,  26500, 19169, 15724, 11478, 29358, 26962, 24464, 5705,
                      28145, 23281, 16827, 9961,  491,   2995,  11942, 4827,  5436,  32391};

ParticleDesc SceneDesc(uint32_t count, float spread = 50) {  // the particle scene's swarm
  ParticleDesc d;
  d.count = count;
  d.endPointBase = CVec3(25, 0, 0);
  d.endPointSpread = 1;
  d.endTangentBase = CVec3(0, 50, 0);
  d.endTangentSpread = spread;
  d.speed = 5;
  d.origin = CVec3(-25, 0, 0);
  d.startTangentBase = CVec3(10, -40, 0);
  d.startTangentSpread = spread;
  return d;
}

void ExpectVec(const CVec3& v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
}

class ParticleTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    glViewport(0, 0, 800, 600);
    std::vector<uint8_t> red(16 * 16 * 3, 0), jpeg;
    for (size_t i = 0; i < red.size(); i += 3) red[i] = 255;
    std::string error;
    ASSERT_TRUE(content::EncodeJpeg(16, 16, 3, red.data(), 100, {}, &jpeg, &error)) << error;
    dir_.Write("textures/sprite.jpg", std::string(jpeg.begin(), jpeg.end()));
    lib_.SetPath("textures\\");
    platform::StartVirtualClock(4);  // frames of exactly 0.25 s
    ParticleRandomSeed(1);
  }
  void TearDown() override {
    glDisable(GL_TEXTURE_2D);
    platform::StartRealClock();
  }
  static void Advance(int frames) {
    while (frames-- > 0) platform::AdvanceVirtualFrame();
  }
  testsupport::TempDir dir_;
  testsupport::ScopedChdir here_{dir_.path()};
  CTexLib lib_;
};

TEST(ParticleRandomTest, ClassicGeneratorFromStateOne) {
  srand(12345);  // the C library's generator plays no part
  ParticleRandomSeed(1);
  for (int expected : kSeq) EXPECT_EQ(ParticleRandom(), expected);
}

// Ten draws per emission: start tangent, end point, end tangent (each z, y,
// x), then the rate; base + (r mod n) + spread / 2 per component.
TEST_F(ParticleTest, EmissionSpendsTenDrawsInItsOrder) {
  CParticle swarm;
  const Result r = swarm.Create(SceneDesc(2), "sprite.jpg", &lib_);
  EXPECT_EQ(r.message, "CParticle::Create() : ok!");
  ASSERT_EQ(swarm.particles.size(), 2u);
  EXPECT_EQ(ParticleRandom(), kSeq[20]);
  const Particle& a = swarm.particles[0];  // draws 41 .. 24464
  ExpectVec(a.startPoint, -25, 0, 0);
  ExpectVec(a.startTangent, 10 + 34 + 25, -40 + 17 + 25, 0 + 41 + 25);
  ExpectVec(a.endPoint, 25.5f, 0.5f, 0.5f);  // spread 1: no random part
  ExpectVec(a.endTangent, 0 + 12 + 25, 50 + 8 + 25, 0 + 28 + 25);
  EXPECT_FLOAT_EQ(a.rate, 0.25f);          // (24464 mod 10 + 1) * 5 * 0.01
  const Particle& b = swarm.particles[1];  // draws 5705 .. 5436
  ExpectVec(b.startTangent, 10 + 31 + 25, -40 + 45 + 25, 0 + 5 + 25);
  ExpectVec(b.endTangent, 0 + 27 + 25, 50 + 42 + 25, 0 + 45 + 25);
  EXPECT_FLOAT_EQ(b.rate, 0.35f);
}

// Below 1 the modulus would be 0: only half the spread is added, and the
// emission still takes its ten draws.
TEST_F(ParticleTest, SpreadsBelowOneHaveNoRandomPart) {
  for (float spread : {0.5f, 0.0f, -0.75f}) {
    ParticleRandomSeed(1);
    CParticle small;
    ASSERT_EQ(small.Create(SceneDesc(1, spread), "sprite.jpg", &lib_).code, 0);
    ExpectVec(small.particles[0].startTangent, 10 + spread / 2, -40 + spread / 2, spread / 2);
    EXPECT_EQ(ParticleRandom(), kSeq[10]) << spread;
  }
}

TEST_F(ParticleTest, MissingSpriteOrNoParticlesStillBehave) {
  CParticle missing, empty;
  Result r = missing.Create(SceneDesc(10), "nothere.jpg", &lib_);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.message,
            "CParticle::Create() : CTexLib::Add() : CTex::Load() : can't read image "
            "textures\\nothere.jpg");
  EXPECT_TRUE(missing.particles.empty());
  EXPECT_EQ(ParticleRandom(), kSeq[0]);  // no draw spent
  missing.Draw(5.0f);
  r = empty.Create(SceneDesc(0), "sprite.jpg", &lib_);
  EXPECT_EQ(r.message, "CParticle::Create() : ok!");
  // Count 0 still sets and restores the drawing state.
  SetOrtho2D(false);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glDepthMask(GL_FALSE);
  empty.Draw(5.0f);
  GLint unit = 0, bound = 0, src = 0, dst = 0;
  GLboolean mask = GL_FALSE;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_EQ(unit, GL_TEXTURE0);
  EXPECT_EQ(static_cast<uint32_t>(bound), empty.id);
  EXPECT_EQ(src * 1000 + dst, GL_SRC_ALPHA * 1000 + GL_ONE);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_CULL_FACE) && mask);
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

// Life exactly 1 is drawn once more; the rebirth comes on a later frame, at
// that frame's clock reading, and spends one emission.
TEST_F(ParticleTest, LifeOfExactlyOneIsRebornOnALaterFrame) {
  CParticle swarm;
  ASSERT_EQ(swarm.Create(SceneDesc(1), "sprite.jpg", &lib_).code, 0);
  swarm.clock.Reset();
  Advance(16);  // 4 s at rate 0.25
  swarm.Draw(5.0f);
  EXPECT_EQ(swarm.particles[0].birth, 0.0f);
  Advance(1);
  swarm.Draw(5.0f);
  EXPECT_EQ(swarm.particles[0].birth, 4.25f);
  EXPECT_FLOAT_EQ(swarm.particles[0].rate, 0.35f);
  EXPECT_EQ(ParticleRandom(), kSeq[20]);
}

// Drawn over grey the sprites only add light and write no depth. At clock 0
// the swarm sits on its origin at the left; later it has moved right.
TEST_F(ParticleTest, SwarmIsAdditiveAndMoves) {
  CParticle swarm;
  ASSERT_EQ(swarm.Create(SceneDesc(20), "sprite.jpg", &lib_).code, 0);
  swarm.clock.Reset();
  auto frame = [&](std::vector<uint8_t>* px) {
    glClearColor(0.4f, 0.4f, 0.4f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetPerspective(CVec3(0, 0, 50), CVec3(0, 0, 0), CVec3(0, 1, 0), 60, 200);
    swarm.Draw(5.0f);
    *px = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
    double sumX = 0, lit = 0, darker = 0;
    for (size_t i = 0; i < px->size(); i += 3) {
      darker += (*px)[i + 1] < 99;
      if ((*px)[i] > 150) sumX += (i / 3) % 800, ++lit;
    }
    EXPECT_EQ(darker, 0);
    return sumX / lit;
  };
  std::vector<uint8_t> first, later;
  EXPECT_NEAR(frame(&first), 140, 2);  // (-25, 0, 0) from (0, 0, 50), 60 degrees
  float depth = 0.0f;
  glReadPixels(140, 300, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f);
  Advance(4);
  EXPECT_GT(frame(&later), 150);
}

TEST(HermiteTest, EndsAndMiddle) {
  CHermite h(CVec3(-25, 0, 0), CVec3(25, 2, 4), CVec3(8, 16, 0), CVec3(0, 8, 24));
  h.Evaluate(1.0f);
  EXPECT_FLOAT_EQ(h.point[0], 25);
  h.Evaluate(0.5f);  // the midpoint plus (t0 - t1) / 8
  EXPECT_FLOAT_EQ(h.point[0], 0 + 1);
  EXPECT_FLOAT_EQ(h.point[1], 1 + 1);
  EXPECT_FLOAT_EQ(h.point[2], 2 - 3);
}

}  // namespace
