// The particle swarm: its generator, how one emission spends its draws, the
// life cycle on the particle clock and the drawn picture.
#include "particle/particle.h"

#include <cmath>

#include "content/jpeg_writer.h"
#include "effects_a/stage.h"
#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/objects/globals.h"
#include "support/gl_state.h"

namespace {

// The generator's first twenty-one values from state 1 (the classic C library
// generator's, not this C library's): each emission below spends ten.
const int kSeq[21] = {41,    18467, 6334,  26500, 19169, 15724, 11478, 29358, 26962, 24464, 5705,
                      28145, 23281, 16827, 9961,  491,   2995,  11942, 4827,  5436,  32391};

// The particle scene's swarm: end point (25, 0, 0) spread 1, end tangent
// (0, 50, 0), speed 5, origin (-25, 0, 0), start tangent (10, -40, 0).
ParticleDesc SceneDesc(uint32_t count, float spread = 50) {
  return {
      count, CVec3(25, 0, 0), 1, CVec3(0, 50, 0), spread, 5, CVec3(-25, 0, 0), CVec3(10, -40, 0),
      spread};
}

std::vector<float> V(const CVec3& v) { return {v.x, v.y, v.z}; }
using Vs = std::vector<float>;

// A red sprite in the global library; the virtual clock runs at 10 frames a
// second and the generator starts at 1.
class ParticleTest : public fx::LayerTest {
 protected:
  void SetUp() override {
    LayerTest::SetUp();
    stage.Picture("sprite.jpg", fx::kRed);
  }
  CParticle swarm;
};

// Ten draws per emission: start tangent, end point, end tangent (each z, y,
// x), then the rate; base + (r mod n) + spread / 2 per component.
TEST_F(ParticleTest, EmissionSpendsTenDrawsInItsOrder) {
  EXPECT_EQ(swarm.Create(SceneDesc(2), "sprite.jpg", &texLib).code, 0);
  ASSERT_EQ(swarm.particles.size(), 2u);
  EXPECT_EQ(ParticleRandom(), kSeq[20]);
  const Particle& a = swarm.particles[0];  // draws 41 .. 24464
  EXPECT_EQ(V(a.startPoint), (Vs{-25, 0, 0}));
  EXPECT_EQ(V(a.startTangent), (Vs{10 + 34 + 25, -40 + 17 + 25, 0 + 41 + 25}));
  EXPECT_EQ(V(a.endPoint), (Vs{25.5f, 0.5f, 0.5f}));  // spread 1: no random part
  EXPECT_EQ(V(a.endTangent), (Vs{0 + 12 + 25, 50 + 8 + 25, 0 + 28 + 25}));
  EXPECT_FLOAT_EQ(a.rate, 0.25f);          // (24464 mod 10 + 1) * 5 * 0.01
  const Particle& b = swarm.particles[1];  // draws 5705 .. 5436
  EXPECT_EQ(V(b.startTangent), (Vs{10 + 31 + 25, -40 + 45 + 25, 0 + 5 + 25}));
  EXPECT_EQ(V(b.endTangent), (Vs{0 + 27 + 25, 50 + 42 + 25, 0 + 45 + 25}));
  EXPECT_FLOAT_EQ(b.rate, 0.35f);
}

// Below 1 the modulus would be 0: only half the spread is added, and the
// emission still takes its ten draws.
TEST_F(ParticleTest, SpreadsBelowOneHaveNoRandomPart) {
  for (float spread : {0.5f, 0.0f, -0.75f}) {
    ParticleRandomSeed(1);
    ASSERT_EQ(swarm.Create(SceneDesc(1, spread), "sprite.jpg", &texLib).code, 0);
    EXPECT_EQ(V(swarm.particles[0].startTangent),
              (Vs{10 + spread / 2, -40 + spread / 2, spread / 2}));
    EXPECT_EQ(ParticleRandom(), kSeq[10]) << spread;
  }
}

TEST_F(ParticleTest, MissingSpriteOrNoParticlesStillBehave) {
  // (Its message is the layers' init test's, for the swarm's scene.)
  EXPECT_EQ(swarm.Create(SceneDesc(10), "nothere.jpg", &texLib).code, 1);
  EXPECT_TRUE(swarm.particles.empty());
  EXPECT_EQ(ParticleRandom(), kSeq[0]);  // no draw spent
  swarm.Draw(5.0f);
  // Count 0 still sets and restores the drawing state.
  EXPECT_EQ(swarm.Create(SceneDesc(0), "sprite.jpg", &texLib).code, 0);
  SetOrtho2D(false);
  glDisable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glDepthMask(GL_FALSE);
  swarm.Draw(5.0f);
  const auto get = testsupport::GetInteger;
  EXPECT_EQ(get(GL_ACTIVE_TEXTURE), GL_TEXTURE0);
  EXPECT_EQ(uint32_t(get(GL_TEXTURE_BINDING_2D)), swarm.id);
  EXPECT_TRUE(get(GL_BLEND_SRC) == GL_SRC_ALPHA && get(GL_BLEND_DST) == GL_ONE);
  EXPECT_TRUE(get(GL_DEPTH_WRITEMASK) && glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

// Life exactly 1 is drawn once more; the rebirth comes on a later frame, at
// that frame's clock reading, and spends one emission.
TEST_F(ParticleTest, LifeOfExactlyOneIsRebornOnALaterFrame) {
  ASSERT_EQ(swarm.Create(SceneDesc(1), "sprite.jpg", &texLib).code, 0);
  fx::Advance(40);  // 4 s at rate 0.25
  swarm.Draw(5.0f);
  EXPECT_EQ(swarm.particles[0].birth, 0.0f);
  fx::Advance(1);
  swarm.Draw(5.0f);
  EXPECT_FLOAT_EQ(swarm.particles[0].birth, 4.1f);
  EXPECT_FLOAT_EQ(swarm.particles[0].rate, 0.35f);
  EXPECT_EQ(ParticleRandom(), kSeq[20]);
}

// At three sizes of the picture (sprites sampling levels 0 to 3), the fast
// drawing, which gives a sprite whose level is certain that level's own
// texture and draws only its lit part, shows what the mipmapped squares show,
// but for a step of rounding where a polygon and a square are split into
// triangles differently.
TEST_F(ParticleTest, FastDrawingShowsWhatTheMipmappedSquaresShow) {
  std::vector<uint8_t> glow;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const float d = std::hypot((x + 0.5f) / 128 - 0.5f, (y + 0.5f) / 128 - 0.5f);
      // A hard rim: every texel the lit part leaves out shows.
      const float light = d < 0.4f ? 0.3f + std::exp(-d * d * 40) + (x == 64 ? 0.4f : 0.0f) : 0.0f;
      glow.insert(glow.end(), {uint8_t(std::min(255.0f, 255 * light)), uint8_t(180 * light), 0});
    }
  }
  std::string error;
  ASSERT_TRUE(content::WriteJpeg("textures/glow.jpg", 128, 128, 3, glow.data(), 100, {}, &error));
  const auto draw = [this](int side, bool reference) {
    ParticleRandomSeed(1);
    EXPECT_EQ(swarm.Create(SceneDesc(150), "glow.jpg", &texLib).code, 0);
    SetReferenceDrawing(reference);
    fx::Clear(0.0f);
    glViewport(0, 0, side * 4, side * 3);
    SetPerspective(CVec3(0, 0, 50), CVec3(0, 0, 0), CVec3(0, 1, 0), 60, 200);
    swarm.Draw(5.0f);
    SetReferenceDrawing(false);
    return fx::ReadFrame();
  };
  fx::Advance(25);  // flights a eighth to all of the way along
  for (int side : {200, 60, 25}) {
    SCOPED_TRACE(side);
    const fx::Frame squares = draw(side, true);
    const fx::Frame fast = draw(side, false);
    EXPECT_NE(uint32_t(testsupport::GetInteger(GL_TEXTURE_BINDING_2D)),
              swarm.id);  // the last sprite's level texture
    EXPECT_GT(squares.Differences(fx::Frame{std::vector<uint8_t>(800 * 600 * 3, 0)}, 8),
              side * side);
    EXPECT_EQ(fast.Differences(squares, 1), 0);
  }
  glViewport(0, 0, 800, 600);
}

TEST(HermiteTest, EndsAndMiddle) {
  CHermite h(CVec3(-25, 0, 0), CVec3(25, 2, 4), CVec3(8, 16, 0), CVec3(0, 8, 24));
  h.Evaluate(1.0f);
  EXPECT_FLOAT_EQ(h.point[0], 25);
  h.Evaluate(0.5f);  // the midpoint plus (t0 - t1) / 8
  EXPECT_EQ((Vs{h.point[0], h.point[1], h.point[2]}), (Vs{0 + 1, 1 + 1, 2 - 3}));
}

}  // namespace
