// OpenGL and GLU for every module that draws, plus the extension entry points
// the program uses, fetched once at start-up: glActiveTextureARB, the
// framebuffer-object calls with which captures draw straight into their
// textures and the buffer-object calls with which exports read pixels back,
// where the driver has them.
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

// The framebuffer-object calls (GL_ARB_framebuffer_object, core since
// OpenGL 3.0), all found or all null.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;

  bool Available() const { return genFramebuffers != nullptr; }
};
extern FramebufferCalls glFramebuffers;

// The buffer-object calls that read pixels back through pixel buffer objects
// (GL_ARB_pixel_buffer_object), all found or all null.
struct BufferCalls {
  PFNGLGENBUFFERSPROC genBuffers = nullptr;
  PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
  PFNGLBINDBUFFERPROC bindBuffer = nullptr;
  PFNGLBUFFERDATAPROC bufferData = nullptr;
  PFNGLMAPBUFFERPROC mapBuffer = nullptr;
  PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;

  bool Available() const { return genBuffers != nullptr; }
};
extern BufferCalls glBuffers;

// Fetches glActiveTextureARB when the driver offers GL_ARB_multitexture (with
// the core glActiveTexture as fallback for the same entry), the
// framebuffer-object calls when it offers GL_ARB_framebuffer_object and the
// buffer-object calls when it offers GL_ARB_pixel_buffer_object. Needs a
// current context. Returns false and leaves glActiveTextureARB null when
// there is no multitexturing.
bool LookupGLExtensions();
