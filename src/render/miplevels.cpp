#include "render/miplevels.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "render/glhelpers.h"
#include "shell/base/glapi.h"

namespace {

// Measures the lit part of one level's w x h RGB texels (rows packed).
void MeasureLight(const std::vector<uint8_t>& texels, int w, int h, float* extentU, float* extentV,
                  float* reach) {
  const float du = 1.0f / float(w);
  const float dv = 1.0f / float(h);
  float maxU = -1.0f;
  float maxV = -1.0f;
  float maxSum = -1.0f;
  bool atEdge = false;
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      const uint8_t* p = &texels[(size_t(j) * w + i) * 3];
      if ((p[0] | p[1] | p[2]) == 0) continue;
      // A lit texel on the outermost ring is sampled across the wrapped
      // edge too.
      if (i == 0 || j == 0 || i == w - 1 || j == h - 1) atEdge = true;
      const float u = std::fabs((float(i) + 0.5f) * du - 0.5f);
      const float v = std::fabs((float(j) + 0.5f) * dv - 0.5f);
      maxU = std::max(maxU, u);
      maxV = std::max(maxV, v);
      maxSum = std::max(maxSum, u + v);
    }
  }
  if (atEdge) {
    *extentU = *extentV = 0.5f;
    *reach = 1.0f;
    return;
  }
  if (maxSum < 0.0f) {  // all black: nothing to draw
    *extentU = *extentV = *reach = 0.0f;
    return;
  }
  // A bilinear sample mixes the texels whose centres lie within one texel
  // of it on each axis.
  *extentU = std::min(0.5f, maxU + du);
  *extentV = std::min(0.5f, maxV + dv);
  *reach = std::min(1.0f, maxSum + du + dv);
}

// Empties the renderer's error flags (a driver keeps at most a few).
void DiscardEarlierErrors() {
  for (int i = 0; i < 8; ++i) {
    if (glGetError() == GL_NO_ERROR) return;
  }
}

// The level of detail at quad point `p` in the two ways renderers work it
// out; false behind the eye or edge-on. a and b are the clip-space changes
// per unit of s and of t.
bool PointLod(const ScreenTransform& to, const float p[3], const float a[4], const float b[4],
              float texW, float texH, float* exact, float* approx) {
  const float* m = to.m;
  float c[4];
  for (int r = 0; r < 4; ++r) c[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
  if (c[3] <= 1e-6f) return false;
  const float halfW = 0.5f * float(to.viewport[2]);
  const float halfH = 0.5f * float(to.viewport[3]);
  const float w2 = c[3] * c[3];
  // The window position's change per unit of s and of t.
  const float xs = halfW * (a[0] * c[3] - c[0] * a[3]) / w2;
  const float ys = halfH * (a[1] * c[3] - c[1] * a[3]) / w2;
  const float xt = halfW * (b[0] * c[3] - c[0] * b[3]) / w2;
  const float yt = halfH * (b[1] * c[3] - c[1] * b[3]) / w2;
  const float det = xs * yt - xt * ys;
  if (!(std::fabs(det) > 1e-12f)) return false;
  // Inverted: texels per pixel step in x and in y.
  const float sx = texW * yt / det;
  const float sy = -texW * xt / det;
  const float tx = -texH * ys / det;
  const float ty = texH * xs / det;
  const float longest = std::max(std::sqrt(sx * sx + tx * tx), std::sqrt(sy * sy + ty * ty));
  const float largest =
      std::max(std::max(std::fabs(sx), std::fabs(tx)), std::max(std::fabs(sy), std::fabs(ty)));
  *exact = std::log2(longest);
  *approx = std::log2(largest);
  return true;
}

}  // namespace

void ScreenTransform::Read() {
  float projection[16];
  float modelView[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  glGetIntegerv(GL_VIEWPORT, viewport);
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += projection[k * 4 + r] * modelView[c * 4 + k];
      m[c * 4 + r] = sum;
    }
  }
}

int QuadMipLevel(const ScreenTransform& to, const float origin[3], const float edgeS[3],
                 const float edgeT[3], float texW, float texH) {
  // Renderers round the level of detail in their own ways near a half-way
  // point: a quad that close is left to the mipmapped texture.
  constexpr float kMargin = 0.05f;
  float a[4];
  float b[4];
  for (int r = 0; r < 4; ++r) {
    a[r] = to.m[r] * edgeS[0] + to.m[4 + r] * edgeS[1] + to.m[8 + r] * edgeS[2];
    b[r] = to.m[r] * edgeT[0] + to.m[4 + r] * edgeT[1] + to.m[8 + r] * edgeT[2];
  }
  int level = -1;
  for (int k = 0; k < 4; ++k) {
    const float s = (k & 1) != 0 ? 1.0f : 0.0f;
    const float t = (k & 2) != 0 ? 1.0f : 0.0f;
    const float p[3] = {origin[0] + s * edgeS[0] + t * edgeT[0],
                        origin[1] + s * edgeS[1] + t * edgeT[1],
                        origin[2] + s * edgeS[2] + t * edgeT[2]};
    float exact = 0.0f;
    float approx = 0.0f;
    if (!PointLod(to, p, a, b, texW, texH, &exact, &approx)) return -1;
    const int one = NearestMipLevel(exact, kMargin);
    if (one < 0 || one != NearestMipLevel(approx, kMargin) || (level >= 0 && one != level)) {
      return -1;
    }
    level = one;
  }
  return level;
}

CMipLevels::~CMipLevels() { Release(); }

void CMipLevels::Release() {
  for (int i = 0; i < count; ++i) {
    GLuint name = ids[i];
    glDeleteTextures(1, &name);
    ids[i] = 0;
  }
  count = 0;
}

void CMipLevels::Make(uint32_t source) {
  Release();
  glPushAttrib(GL_TEXTURE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, source);
  GLint minFilter = 0;
  GLint wrapS = GL_REPEAT;
  GLint wrapT = GL_REPEAT;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  const bool mipmapped = minFilter != GL_NEAREST && minFilter != GL_LINEAR;
  std::vector<uint8_t> texels;
  // Without room for a level (in memory or on the renderer) there are no
  // levels at all: the mipmapped texture is always used then. Errors left by
  // earlier calls must not count as this one's.
  DiscardEarlierErrors();
  bool failed = false;
  for (int level = 0; mipmapped && !failed && level < kMaxLevels; ++level) {
    glBindTexture(GL_TEXTURE_2D, source);
    GLint w = 0;
    GLint h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    if (w <= 0 || h <= 0) break;
    try {
      texels.assign(size_t(w) * size_t(h) * 3, 0);
    } catch (const std::bad_alloc&) {
      failed = true;
      break;
    }
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    GLuint id = 0;
    BindTextureSampling(&id, GL_LINEAR, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    ids[level] = id;
    widths[level] = w;
    heights[level] = h;
    count = level + 1;
    failed = glGetError() != GL_NO_ERROR;
    MeasureLight(texels, w, h, &extentU[level], &extentV[level], &reach[level]);
    if (w == 1 && h == 1) break;
  }
  if (failed) Release();
  glPopClientAttrib();
  glPopAttrib();
}

int CMipLevels::LevelFor(const ScreenTransform& to, const float origin[3], const float edgeS[3],
                         const float edgeT[3]) const {
  if (count == 0) return -1;
  const int level = QuadMipLevel(to, origin, edgeS, edgeT, float(widths[0]), float(heights[0]));
  return std::min(level, count - 1);
}

int NearestMipLevel(float lod, float margin) {
  if (!(lod == lod)) return -1;  // NaN
  if (lod <= 0.5f - margin) return 0;
  const float above = lod - 0.5f;
  const float nearestHalf = std::floor(above + 0.5f);  // distance to k + 0.5
  if (std::fabs(above - nearestHalf) < margin) return -1;
  // Halves go down: lod in (k - 0.5, k + 0.5] is level k.
  return int(std::ceil(lod - 0.5f));
}
