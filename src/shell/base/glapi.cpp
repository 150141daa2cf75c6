#include "shell/base/glapi.h"

#include <cstring>

#include "platform/window.h"

PFNGLACTIVETEXTUREARBPROC glActiveTextureARB = nullptr;

// Worked out in double and stored as the float nearest to it, 0.017453293.
const float kDegToRad = static_cast<float>(3.14159274 * (1.0 / 180.0));

bool LookupMultitexture() {
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (extensions == nullptr || std::strstr(extensions, "GL_ARB_multitexture") == nullptr) {
    return false;
  }
  void* entry = platform::GetGLProcAddress("glActiveTextureARB");
  if (entry == nullptr) entry = platform::GetGLProcAddress("glActiveTexture");
  glActiveTextureARB = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(entry);
  return true;
}
