#include "render/renderpath.h"

#include <cmath>

#include "shell/base/glapi.h"
#include "timeline/show/show.h"

namespace {
bool g_reference = false;
}  // namespace

bool ReferenceDrawing() { return g_reference; }

void SetReferenceDrawing(bool on) { g_reference = on; }

void BeginPictureBand() {
  if (g_reference) return;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  // Window rows count from the bottom of the viewport, overlay y from its top.
  const double rows = viewport[3] / 480.0;
  const int low = int(std::floor(viewport[1] + (480.0 - show::kBandBottom) * rows)) - 1;
  const int high = int(std::ceil(viewport[1] + (480.0 - show::kBandTop) * rows)) + 1;
  glScissor(viewport[0], low, viewport[2], high - low);
  glEnable(GL_SCISSOR_TEST);
}

void EndPictureBand() {
  if (g_reference) return;
  glDisable(GL_SCISSOR_TEST);
}

void BeginBehind() {
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_FALSE);
  glDepthRange(1.0, 1.0);
}

void EndBehind() {
  glDepthRange(0.0, 1.0);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  glDisable(GL_DEPTH_TEST);
}
