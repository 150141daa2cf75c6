#include "render/screencopies.h"

#include <algorithm>

#include "render/glhelpers.h"
#include "render/renderpath.h"
#include "shell/base/glapi.h"

namespace {

constexpr int kMaxUnits = 8;

// An alpha below half of one 8-bit step moves no pixel by a whole step.
bool Visible(float a) { return a * 255.0f >= 0.5f; }

// Texture coordinates of DrawScreenQuad over margin m at the overlay point
// (x, y): s runs 0..1 from left to right, t 1..0 from top to bottom.
void CopyCoords(float m, float x, float y, float* s, float* t) {
  *s = (x + m) / (640.0f + 2.0f * m);
  *t = 1.0f - (y + m) / (480.0f + 2.0f * m);
}

// Unit `unit` interpolates between its copy (weight: the constant alpha) and
// what the units before it made; alpha follows the same rule with the
// texture's alpha of 1, so the pass ends with the premultiplied sum and the
// coverage 1 - product(1 - alpha).
void SetFoldUnit(GLenum unit, GLuint id, float alpha) {
  SelectTextureUnit(unit);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, id);
  const float constant[4] = {0.0f, 0.0f, 0.0f, alpha};
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, constant);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_INTERPOLATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_CONSTANT);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA, GL_PREVIOUS);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_ALPHA, GL_CONSTANT);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_ALPHA, GL_SRC_ALPHA);
}

// Back to what every other drawer expects of a unit: modulate, no texture.
void ResetUnit(GLenum unit) {
  SelectTextureUnit(unit);
  static const float kZero[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, kZero);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glDisable(GL_TEXTURE_2D);
}

// One quad over the whole overlay (a unit beyond each edge, clipped to the
// viewport like the copies themselves) carrying every unit's coordinates.
void DrawFoldedPass(GLuint id, const float* margin, const float* alpha, int count) {
  for (int u = 0; u < count; ++u) SetFoldUnit(GLenum(GL_TEXTURE0_ARB + u), id, alpha[u]);
  static const float kCorners[4][2] = {
      {-1.0f, -1.0f}, {641.0f, -1.0f}, {641.0f, 481.0f}, {-1.0f, 481.0f}};
  // Unit 0 interpolates from the primary colour: nothing yet.
  glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
  glBegin(GL_QUADS);
  for (const auto& corner : kCorners) {
    for (int u = 0; u < count; ++u) {
      float s = 0.0f;
      float t = 0.0f;
      CopyCoords(margin[u], corner[0], corner[1], &s, &t);
      glMultiTexCoord2f(GLenum(GL_TEXTURE0_ARB + u), s, t);
    }
    glVertex2f(corner[0], corner[1]);
  }
  glEnd();
  for (int u = count - 1; u >= 0; --u) ResetUnit(GLenum(GL_TEXTURE0_ARB + u));
}

}  // namespace

int ScreenCopiesPerPass() {
  if (glActiveTextureARB == nullptr) return 0;
  GLint units = 1;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
  return units >= 2 ? std::min(int(units), kMaxUnits) : 0;
}

void DrawScreenCopies(CRenderTexture& texture, const float margin[], const float alpha[],
                      int count) {
  count = std::min(count, kMaxScreenCopies);
  const int perPass = ReferenceDrawing() || texture.id == 0 ? 0 : ScreenCopiesPerPass();
  if (perPass == 0) {
    texture.Bind();
    glPushMatrix();
    for (int i = 0; i < count; ++i) {
      const float colour[4] = {1.0f, 1.0f, 1.0f, alpha[i]};
      DrawScreenQuad(-margin[i], -margin[i], 640.0f + margin[i], 480.0f + margin[i], colour);
    }
    glPopMatrix();
    texture.Unbind();
    return;
  }

  float keptMargin[kMaxScreenCopies];
  float keptAlpha[kMaxScreenCopies];
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    if (!Visible(alpha[i])) continue;
    keptMargin[kept] = margin[i];
    keptAlpha[kept] = alpha[i];
    ++kept;
  }
  // Premultiplied: the pass brings its own sum and lets 1 - coverage of the
  // frame through.
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  for (int first = 0; first < kept; first += perPass) {
    const int n = std::min(perPass, kept - first);
    DrawFoldedPass(texture.id, keptMargin + first, keptAlpha + first, n);
  }
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
  if (count > 0) glColor4f(1.0f, 1.0f, 1.0f, alpha[count - 1]);
}

namespace {
// The part of the overlay that the sum holds: the band between the letterbox
// bars, the only part of the picture that is seen.
constexpr float kBandTop = 80.0f;
constexpr float kBandBottom = 400.0f;
}  // namespace

void CScreenCopySum::Create(unsigned int width, unsigned int height) {
  sum_.Create(width, height);
  if (sum_.id == 0) return;
  // The sum's edges are the band's edges: sampling past them must repeat
  // the edge, not bring in the opposite side.
  glBindTexture(GL_TEXTURE_2D, sum_.id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void CScreenCopySum::Sum(CRenderTexture& capture, const float margin[], const float alpha[],
                         int count) {
  count_ = std::max(0, std::min(count, kMaxScreenCopies));
  capture_ = &capture;
  summed_ = false;
  float keptMargin[kMaxScreenCopies];
  float keptAlpha[kMaxScreenCopies];
  int kept = 0;
  float through = 1.0f;
  for (int i = 0; i < count_; ++i) {
    margin_[i] = margin[i];
    alpha_[i] = alpha[i];
    if (!Visible(alpha[i])) continue;
    keptMargin[kept] = margin[i];
    keptAlpha[kept] = alpha[i];
    through *= 1.0f - alpha[i];
    ++kept;
  }
  coverage_ = 1.0f - through;
  const int perPass = ScreenCopiesPerPass();
  if (ReferenceDrawing() || capture.id == 0 || sum_.id == 0 || perPass == 0 || kept == 0) return;

  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  sum_.BeginCapture();
  SetOrtho2D(false);
  // The band fills the sum's viewport.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 640.0, kBandBottom, kBandTop, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  PlainFragmentState();
  glEnable(GL_BLEND);
  // The first pass covers the whole viewport and replaces what was there;
  // each further one lays its premultiplied sum over the earlier ones.
  glBlendFunc(GL_ONE, GL_ZERO);
  for (int first = 0; first < kept; first += perPass) {
    const int n = std::min(perPass, kept - first);
    DrawFoldedPass(capture.id, keptMargin + first, keptAlpha + first, n);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }
  sum_.EndCapture();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  summed_ = true;
}

void CScreenCopySum::Draw() {
  if (capture_ == nullptr) return;
  if (!summed_) {
    DrawScreenCopies(*capture_, margin_, alpha_, count_);
    return;
  }
  // Used once: a frame whose Sum drew nothing must not show an old sum.
  summed_ = false;
  // The sum is premultiplied; the frame keeps 1 - coverage of itself.
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, sum_.id);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  const float colour[4] = {1.0f, 1.0f, 1.0f, coverage_};
  DrawScreenQuad(0.0f, kBandTop, 640.0f, kBandBottom, colour);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_TEXTURE_2D);
  if (count_ > 0) glColor4f(1.0f, 1.0f, 1.0f, alpha_[count_ - 1]);
}
