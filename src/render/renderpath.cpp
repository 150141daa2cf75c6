#include "render/renderpath.h"

#include <cmath>

#include "shell/base/glapi.h"

namespace {
bool g_reference = false;
}  // namespace

bool ReferenceDrawing() { return g_reference; }

void SetReferenceDrawing(bool on) { g_reference = on; }

void BeginPictureBand() {
  if (g_reference) return;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  // Window rows count from the bottom: overlay y 400 lies a sixth of the
  // viewport above its lower edge, y 80 a sixth below its upper edge.
  const double sixth = viewport[3] / 6.0;
  const int low = int(std::floor(viewport[1] + sixth)) - 1;
  const int high = int(std::ceil(viewport[1] + 5.0 * sixth)) + 1;
  glScissor(viewport[0], low, viewport[2], high - low);
  glEnable(GL_SCISSOR_TEST);
}

void EndPictureBand() {
  if (g_reference) return;
  glDisable(GL_SCISSOR_TEST);
}
