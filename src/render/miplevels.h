// A mipmapped texture's levels as plain textures of their own, for the fast
// drawing of flat pictures and screen-facing sprites. The software renderer
// works out a level of detail for every pixel it shades with a mipmapped
// texture; a quad whose level is known beforehand can instead sample that
// level's own texture, bilinearly without mipmaps, which gives the same
// texels and weights for a fraction of the work. Each level also knows how
// far from its centre the texture holds light, so that a sprite can leave out
// the corners a round glow leaves black.
#pragma once
#include <cstdint>

// Where points land: the projection times the model-view matrix (column
// major) and the viewport, as they are current.
struct ScreenTransform {
  float m[16] = {};
  int viewport[4] = {0, 0, 0, 0};
  void Read();
};

class CMipLevels {
 public:
  // More levels than any texture here has (a 32768-texel side has 16).
  static constexpr int kMaxLevels = 16;

  CMipLevels() = default;
  ~CMipLevels();
  CMipLevels(const CMipLevels&) = delete;
  CMipLevels& operator=(const CMipLevels&) = delete;

  // Reads back every level of the 2D texture `source` (RGB, with the wrap
  // modes it has) and makes one texture per level with linear filtering and
  // the same wrap modes. Replaces what an earlier call made. Without
  // mipmaps, or without room for every level, there are no levels.
  void Make(uint32_t source);
  void Release();

  // The level a textured quad samples everywhere through `to` (see
  // QuadMipLevel), limited to the levels there are, or -1 when that is not
  // certain or there are no levels.
  int LevelFor(const ScreenTransform& to, const float origin[3], const float edgeS[3],
               const float edgeT[3]) const;

  int count = 0;
  uint32_t ids[kMaxLevels] = {};
  int widths[kMaxLevels] = {};
  int heights[kMaxLevels] = {};
  // How far bilinear samples of each level can be other than black,
  // with (u, v) the texture coordinates less 0.5: within |u| <= extentU,
  // |v| <= extentV and |u| + |v| <= reach. A level whose samples wrap
  // around to lit texels, or whose light reaches its edges, has extents of
  // 0.5 and a reach of 1: the whole square.
  float extentU[kMaxLevels] = {};
  float extentV[kMaxLevels] = {};
  float reach[kMaxLevels] = {};
};

// The mipmap level that GL_LINEAR_MIPMAP_NEAREST samples at every pixel of
// the flat quad origin + s * edgeS + t * edgeT (s, t from 0 to 1 are its
// texture coordinates) on a texture of texW x texH texels, or -1 when it is
// not one level for certain: the level of detail is worked out at the
// corners, both as the longer texel step of a pixel step and as the longest
// of the four texel-per-pixel derivatives (renderers use either), and all
// eight must give the same level. Also -1 for a quad behind the eye or seen
// edge-on.
int QuadMipLevel(const ScreenTransform& to, const float origin[3], const float edgeS[3],
                 const float edgeT[3], float texW, float texH);

// The mipmap level that GL_LINEAR_MIPMAP_NEAREST with a linear magnification
// filter samples at level of detail `lod` (0 for lod <= 0.5, otherwise the
// nearest whole level, halves going down), or -1 when lod lies within
// `margin` of a half-way point, where renderers may round either way.
int NearestMipLevel(float lod, float margin);
