// A working folder for one layer test: scenes\ and textures\ beside each
// other, the production's texture library pointed at it and emptied, scene
// and picture fixtures, and reading back what a layer drew.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>

#include "content/scene_builder.h"
#include "support/temp_dir.h"

namespace fx {

using content::SceneVec3;

// Needs the GL context (EnsureGLContext) to be open.
class Stage {
 public:
  Stage();
  ~Stage();
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

  // An 8 x 8 picture of one colour in textures/.
  void Picture(const std::string& name, uint8_t r, uint8_t g, uint8_t b) const;
  // A 16 x 16 picture whose left half is (r0, g0, b0) and right half (r1, g1, b1).
  void SplitPicture(const std::string& name, const uint8_t left[3], const uint8_t right[3]) const;
  void Scene(const std::string& name, const content::SceneBuilder& scene) const;
  // A box drawn as modelled, textured with `texture` (or black, untextured,
  // when it is ""). Inward boxes are seen from inside.
  void StaticBox(const std::string& name, SceneVec3 centre, SceneVec3 size,
                 const std::string& texture, bool inward = false) const;
  // A keyframed scene of `frames` frames: a camera at (0, -300, 0) looking at
  // the origin (+Z up, so x is across and z up the picture) and a textured
  // box that moves from `from` at frame 0 to `to` at the last frame.
  void MovingBox(const std::string& name, int frames, SceneVec3 size, SceneVec3 from,
                 SceneVec3 to, const std::string& texture, bool camera = true) const;
  void Remove(const std::string& relative) const;

  testsupport::TempDir dir;

 private:
  testsupport::ScopedChdir here_{dir.path()};
};

struct Rgb {
  int r, g, b;
};
// The colour at a point of the 640 x 480 overlay.
Rgb At(float x, float y);
// Every channel within `tolerance` of (r, g, b).
bool Near(Rgb c, int r, int g, int b, int tolerance = 12);
// Clears colour and depth as the frame driver does before a layer draws.
void ClearFrame(float r, float g, float b);
// The shell's clear colour, as the frame driver sets it each frame.
void ResetClearColour();
// glWindow.clearColor is exactly (r, g, b, a).
bool ClearColourIs(float r, float g, float b, float a);
// Moves the virtual clock on by `steps` frames.
void Advance(int steps);
// With VELMORA_FX_SHOTS set to a folder, the frame goes there as name.png.
void Shot(const std::string& name);

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

}  // namespace fx
