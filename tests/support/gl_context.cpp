#include "support/gl_context.h"

#include <cstdio>
#include <string>

#include "platform/window.h"
#include "shell/base/glapi.h"

namespace testsupport {

bool EnsureGLContext() {
  static int state = 0;  // 0 not tried, 1 ready, -1 failed
  if (state == 0) {
    std::string reason;
    const bool ok = platform::OpenWindow("velmora test", 800, 600, 32, 16, false,
                                         platform::DisplayKind::Offscreen, &reason) &&
                    platform::CreateGLContext(&reason) && platform::MakeContextCurrent(&reason);
    if (!ok) {
      std::fprintf(stderr, "no offscreen GL context: %s\n", reason.c_str());
      state = -1;
    } else {
      LookupGLExtensions();
      state = 1;
    }
  }
  return state == 1;
}

std::vector<uint8_t> ReadPixelsTopFirst(int x, int y, int width, int height) {
  std::vector<uint8_t> bottomFirst(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  std::vector<uint8_t> topFirst(bottomFirst.size());
  const size_t row = static_cast<size_t>(width) * 3;
  for (int r = 0; r < height; ++r) {
    std::copy(bottomFirst.begin() + static_cast<long>(r * row),
              bottomFirst.begin() + static_cast<long>((r + 1) * row),
              topFirst.begin() + static_cast<long>((height - 1 - r) * row));
  }
  return topFirst;
}

void PixelAt(int x, int yFromTop, uint8_t rgb[3]) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  int width = 0, height = 0;
  platform::DrawableSize(&width, &height);
  if (height == 0) height = viewport[3];
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, height - 1 - yFromTop, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
}

}  // namespace testsupport
