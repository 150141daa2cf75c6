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
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // GL's rows come bottom first: swap them end for end.
  const long row = static_cast<long>(width) * 3;
  for (long r = 0; r < height / 2; ++r) {
    std::swap_ranges(pixels.begin() + r * row, pixels.begin() + (r + 1) * row,
                     pixels.end() - (r + 1) * row);
  }
  return pixels;
}

void PixelAt(int x, int yFromTop, uint8_t rgb[3]) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  int width = 0, height = 0;
  platform::DrawableSize(&width, &height);
  const std::vector<uint8_t> pixel =
      ReadPixelsTopFirst(x, (height == 0 ? viewport[3] : height) - 1 - yFromTop, 1, 1);
  std::copy(pixel.begin(), pixel.end(), rgb);
}

}  // namespace testsupport
