// OpenGL and GLU for every module that draws, plus the one extension entry
// point the program uses: glActiveTextureARB, fetched once at start-up.
#pragma once
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

// The system headers declare a function of this name; the program's own entry
// point is a process-wide pointer, so it lives under another symbol.
#define glActiveTextureARB velmoraActiveTextureARB
extern PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;

// Selects a texture unit through the fetched entry point. Without one (the
// look-up has not run or found nothing) the call is skipped: only unit 0 exists
// then, and it is always the active one.
inline void SelectTextureUnit(GLenum unit) {
  if (glActiveTextureARB != nullptr) glActiveTextureARB(unit);
}

// Degrees to radians as a single-precision float: 3.14159274 * (1 / 180),
// that is 0.017453293.
extern const float kDegToRad;

// Fetches glActiveTextureARB when the driver offers GL_ARB_multitexture (with
// the core glActiveTexture as fallback for the same entry). Needs a current
// context. Returns false and leaves the pointer null when there is none.
bool LookupMultitexture();
