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
