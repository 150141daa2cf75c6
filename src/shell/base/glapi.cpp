#include "shell/base/glapi.h"

#include <cstring>

#include "platform/window.h"

PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;
FramebufferCalls glFramebuffers;
BufferCalls glBuffers;

// Worked out in double and stored as the float nearest to it, 0.017453293.
const float kDegToRad = static_cast<float>(3.14159274 * (1.0 / 180.0));

namespace {

template <typename Call>
bool Fetch(const char* name, Call* call) {
  *call = reinterpret_cast<Call>(platform::GetGLProcAddress(name));
  return *call != nullptr;
}

void LookupFramebuffers(const char* extensions) {
  FramebufferCalls calls;
  if (std::strstr(extensions, "GL_ARB_framebuffer_object") == nullptr) return;
  const bool all = Fetch("glGenFramebuffers", &calls.genFramebuffers) &&
                   Fetch("glDeleteFramebuffers", &calls.deleteFramebuffers) &&
                   Fetch("glBindFramebuffer", &calls.bindFramebuffer) &&
                   Fetch("glFramebufferTexture2D", &calls.framebufferTexture2D) &&
                   Fetch("glGenRenderbuffers", &calls.genRenderbuffers) &&
                   Fetch("glDeleteRenderbuffers", &calls.deleteRenderbuffers) &&
                   Fetch("glBindRenderbuffer", &calls.bindRenderbuffer) &&
                   Fetch("glRenderbufferStorage", &calls.renderbufferStorage) &&
                   Fetch("glFramebufferRenderbuffer", &calls.framebufferRenderbuffer) &&
                   Fetch("glCheckFramebufferStatus", &calls.checkFramebufferStatus);
  glFramebuffers = all ? calls : FramebufferCalls();
}

void LookupBuffers(const char* extensions) {
  BufferCalls calls;
  if (std::strstr(extensions, "GL_ARB_pixel_buffer_object") == nullptr) return;
  const bool all =
      Fetch("glGenBuffers", &calls.genBuffers) && Fetch("glDeleteBuffers", &calls.deleteBuffers) &&
      Fetch("glBindBuffer", &calls.bindBuffer) && Fetch("glBufferData", &calls.bufferData) &&
      Fetch("glMapBuffer", &calls.mapBuffer) && Fetch("glUnmapBuffer", &calls.unmapBuffer);
  glBuffers = all ? calls : BufferCalls();
}

}  // namespace

bool LookupGLExtensions() {
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (extensions == nullptr) return false;
  LookupFramebuffers(extensions);
  LookupBuffers(extensions);
  if (std::strstr(extensions, "GL_ARB_multitexture") == nullptr) return false;
  void* entry = platform::GetGLProcAddress("glActiveTextureARB");
  if (entry == nullptr) entry = platform::GetGLProcAddress("glActiveTexture");
  glActiveTextureARB = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(entry);
  return true;
}
