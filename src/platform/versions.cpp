#include "platform/versions.h"

#include <GL/gl.h>
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "platform/window.h"

#define VELMORA_STRINGIFY_(x) #x
#define VELMORA_STRINGIFY(x) VELMORA_STRINGIFY_(x)

namespace platform {
namespace {

std::string SdlVersionText(const SDL_version& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch);
}

std::string GLText(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text != nullptr ? reinterpret_cast<const char*>(text) : "unknown";
}

}  // namespace

std::vector<std::string> LibraryVersionLines() {
  std::vector<std::string> lines;
  SDL_version compiled;
  SDL_VERSION(&compiled);
  SDL_version linked;
  SDL_GetVersion(&linked);
  lines.push_back("SDL " + SdlVersionText(linked) + " (compiled against " +
                  SdlVersionText(compiled) + ")");

  const char* openmpt = openmpt_get_string("library_version");
  lines.push_back(std::string("libopenmpt ") + (openmpt != nullptr ? openmpt : "unknown"));
  if (openmpt != nullptr) openmpt_free_string(openmpt);

#ifdef LIBJPEG_TURBO_VERSION
  lines.push_back("libjpeg-turbo " VELMORA_STRINGIFY(LIBJPEG_TURBO_VERSION) " (JPEG library " +
                  std::to_string(JPEG_LIB_VERSION) + ")");
#else
  lines.push_back("libjpeg " + std::to_string(JPEG_LIB_VERSION));
#endif
  return lines;
}

std::string GLRendererLine() {
  std::string reason;
  if (!OpenWindow("velmora --version", 64, 64, 32, 16, false, DisplayKind::Offscreen, &reason) ||
      !CreateGLContext(&reason) || !MakeContextCurrent(&reason)) {
    DestroyGLContext();
    CloseWindow();
    return "GL renderer: none (" + reason + ")";
  }
  const std::string line = "GL renderer: " + GLText(GL_RENDERER) + ", OpenGL " + GLText(GL_VERSION);
  DestroyGLContext();
  CloseWindow();
  return line;
}

}  // namespace platform
