#include "render/glhelpers.h"

#include <initializer_list>

void SetPerspective(CVec3 eye, CVec3 centre, CVec3 up, float fov, float zFar) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fov, kAspect, 0.1, zFar);
  gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
}

void SetOrtho2D(bool smoothLines) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 640, 480, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  for (GLenum unit : {GL_TEXTURE0_ARB, GL_TEXTURE1_ARB}) {
    SelectTextureUnit(unit);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  if (smoothLines) {
    glEnable(GL_LINE_SMOOTH);
  } else {
    glDisable(GL_LINE_SMOOTH);
  }
}

void PlainFragmentState() {
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_FOG);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void SetBlend(GLenum source, GLenum destination) {
  glEnable(GL_BLEND);
  glBlendFunc(source, destination);
}

namespace {
// Clears the whole drawable even while the picture band's scissor is on: the
// software renderer clears whole tiles almost for free, but a scissored clear
// becomes a quad shaded over every pixel of the band. What the clear reaches
// beyond the band lies under the letterbox bars, painted black afterwards.
void ClearWhole(GLbitfield buffers) {
  const bool scissored = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
  if (scissored) glDisable(GL_SCISSOR_TEST);
  glClear(buffers);
  if (scissored) glEnable(GL_SCISSOR_TEST);
}
}  // namespace

void ClearDepthBuffer() { ClearWhole(GL_DEPTH_BUFFER_BIT); }

void ClearColorBuffer() { ClearWhole(GL_COLOR_BUFFER_BIT); }

void BindTextureSampling(GLuint* id, GLint filter, GLint wrap) {
  if (*id == 0) glGenTextures(1, id);
  glBindTexture(GL_TEXTURE_2D, *id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

void DrawLine2D(const float p1[2], const float p2[2], const float colour[4]) {
  glColor4fv(colour);
  glBegin(GL_LINES);
  glVertex2fv(p1);
  glVertex2fv(p2);
  glEnd();
}

void DrawRect2D(float x1, float y1, float x2, float y2, const float colour[4]) {
  glColor4fv(colour);
  glBegin(GL_QUADS);
  glVertex2f(x1, y1);
  glVertex2f(x2, y1);
  glVertex2f(x2, y2);
  glVertex2f(x1, y2);
  glEnd();
}

float Lerp(float a, float b, float t) { return (1.0f - t) * a + t * b; }

bool InTimeWindow(float t, float from, float to) { return from < t && t <= to; }
