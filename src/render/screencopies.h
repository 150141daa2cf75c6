// Stacked copies of a frame-buffer copy: the glow and echo overlays. Copy i
// covers the 2D overlay from (-margin[i], -margin[i]) to (640 + margin[i],
// 480 + margin[i]) in colour (1, 1, 1, alpha[i]), blended with source alpha
// over the frame, in order from the first to the last.
#pragma once
#include "render/rendertexture.h"

// The most copies one call takes.
constexpr int kMaxScreenCopies = 16;

// Draws the copies after SetOrtho2D and SetBlend. The straightforward drawing
// is one textured quad per copy (CRenderTexture::Bind, DrawScreenQuad per
// copy, CRenderTexture::Unbind). The fast drawing gives the same sum within
// rounding: copies whose alpha rounds to nothing are left out, and the rest
// are folded, as many per pass as there are texture units, into single quads
// whose texture units each interpolate one copy over the sum of the earlier
// ones (texture-environment combine), blended once onto the frame as a
// premultiplied colour. Either way the state afterwards is that of the
// straightforward drawing: unit 0 active with texturing off, blend factors
// source alpha and one minus source alpha, the last copy's colour current.
void DrawScreenCopies(CRenderTexture& texture, const float margin[], const float alpha[],
                      int count);

// How many copies one folded pass draws here: the texture units available
// (at most 8), or 0 when there is no second unit to fold with.
int ScreenCopiesPerPass();

// The copies summed at the resolution they carry. The copies are stretched
// from a small capture, so their sum holds no detail finer than the capture:
// the fast drawing adds them up once in a texture of the capture's size (drawn
// in the drawable's lower-left corner, like a capture, and copied from there)
// and lays that sum over the picture with a single textured quad, so that the
// full-size picture costs one texture fetch a pixel instead of one a copy.
// The straightforward drawing keeps DrawScreenCopies' one quad per copy.
// Every copy must reach at least to the overlay's edges (margins of 0 or
// more): the sum then covers the whole picture evenly.
class CScreenCopySum {
 public:
  // Makes the sum's texture, of the capture's size (sides as for
  // CRenderTexture).
  void Create(unsigned int width, unsigned int height);

  // Sums the copies of `capture`. Call it after the capture is taken and
  // before the frame's picture is drawn: it draws over the drawable's
  // lower-left corner, like a capture. Every GL state it changes is restored.
  // Keeps the copies for Draw, which draws the straightforward way from them.
  void Sum(CRenderTexture& capture, const float margin[], const float alpha[], int count);

  // Lays the copies over the frame, after SetOrtho2D and SetBlend, leaving
  // the state DrawScreenCopies leaves.
  void Draw();

  // The part of the frame the copies cover together: 1 - product(1 - alpha).
  float Coverage() const { return coverage_; }
  const CRenderTexture& Texture() const { return sum_; }

 private:
  CRenderTexture sum_;
  CRenderTexture* capture_ = nullptr;
  float margin_[kMaxScreenCopies] = {};
  float alpha_[kMaxScreenCopies] = {};
  int count_ = 0;
  bool summed_ = false;  // this frame's sum is in the texture
  float coverage_ = 0.0f;
};
