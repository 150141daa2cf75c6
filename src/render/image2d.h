// A picture drawn flat on the 2D overlay: one textured quad in the 640 x 480
// space of SetOrtho2D. The texture belongs to the texture library.
#pragma once
#include <cstdint>
#include <string>

#include "render/miplevels.h"
#include "shell/base/result.h"
#include "texture/tex.h"

class CTexLib;

class CImage2D {
 public:
  // Gets the texture for fileName from the library and takes its size.
  Result Load(const std::string& fileName, CTexLib* pTexLib);
  // Draws the picture with its upper-left corner at (x, y), w by h units,
  // tinted by colour; the top row of the picture lies on the upper edge.
  // Blend and depth state are the caller's. Draws nothing without a texture.
  // The fast drawing samples the one mipmap level the quad shows, where that
  // is certain, from the level's own texture (CMipLevels).
  void Draw(float x, float y, float w, float h, const float colour[4]) const;

  float width = 0.0f;
  float height = 0.0f;
  uint32_t id = kNoTexture;

 private:
  CMipLevels levels_;
};

// An opaque backdrop (a picture without alpha) drawn in white over the
// overlay from (0, 80), 640 x 400 units (its lowest part lies under the lower
// bar), after SetOrtho2D with source-alpha blending. Behind, it lands only
// where nothing has written depth since the clear (BeginBehind): drawn after
// an opaque scene, it shows just where the scene leaves gaps, as it would
// drawn first, but only those pixels are shaded.
void DrawBackdrop(const CImage2D& picture, bool behind);
