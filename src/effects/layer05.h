// The particle scene: a swarm of 150 sprites streaming from left to right
// over an opaque letterboxed picture.
#pragma once
#include <cstdint>
#include <vector>

#include "particle/particle.h"
#include "render/image2d.h"
#include "timeline/layer.h"

class CLayer05 final : public CLayer {
 public:
  Result Init() override;
  // Restarts the particle clock; the particles keep their births.
  void Restart() override;
  // The swarm follows its own clock; t is not used.
  void Render(float t) override;
  Result Done() override;
  // The swarm as the scene first shows it: its state after Init.
  void Rewind() override;
  void Advance(float t) override;

  CParticle swarm;   // sprites "envmap_0.jpg"
  CImage2D picture;  // "poz2.jpg"

 private:
  std::vector<Particle> startParticles_;  // the swarm and the random state
  uint32_t startRandom_ = 1;              // when Init finished
};
