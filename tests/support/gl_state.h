// One-line reads of OpenGL state and of window pixels for the drawing tests.
#pragma once
#include <cstdint>
#include <vector>

#include "shell/base/glapi.h"
#include "support/gl_context.h"

namespace testsupport {

// An integer state (the first value of a state that has several).
inline GLint GetInteger(GLenum what) {
  GLint values[4] = {0, 0, 0, 0};
  glGetIntegerv(what, values);
  return values[0];
}

// The pixel at window coordinates from the top-left corner, as {r, g, b}.
inline std::vector<int> PixelRgb(int x, int yFromTop) {
  uint8_t rgb[3];
  PixelAt(x, yFromTop, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

}  // namespace testsupport
