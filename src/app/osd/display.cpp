#include "app/osd/display.h"

#include <cstdio>

#include "render/glhelpers.h"
#include "shell/base/glapi.h"

namespace osd {
namespace {

void Rect(int x, int y, int width, int height, float r, float g, float b, float a) {
  const float colour[4] = {r, g, b, a};
  DrawRect2D(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + width),
             static_cast<float>(y + height), colour);
}

}  // namespace

void Display::Follow(int width, int height, void* deviceContext) {
  if (width != layout_.pictureWidth || height != layout_.pictureHeight) {
    layout_ = LayoutBar(width, height);
  }
  if (layout_.textHeight != fontHeight_) {
    font_.Create(deviceContext, "Tahoma", layout_.textHeight, 700);
    fontHeight_ = layout_.textHeight;
  }
}

void Display::Draw(const State& state, double now, const ShowStatus& status, int x, int y,
                   int width, int height, void* deviceContext) {
  const float opacity = state.Opacity(now, status.paused);
  if (opacity <= 0.0f || width <= 0 || height <= 0) return;
  Follow(width, height, deviceContext);

  // Everything this changes comes back at the end: the layers of the next
  // frame rely on the state the frames before left.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  SetOrtho2D(false);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glViewport(x, y, width, height);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_FOG);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  DrawBar(state, now, status, opacity);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void Display::DrawBar(const State& state, double now, const ShowStatus& status, float o) {
  const BarLayout& b = layout_;
  Rect(0, b.panelTop, b.pictureWidth, b.pictureHeight - b.panelTop, 0.0f, 0.0f, 0.0f, 0.7f * o);

  // The track, the part already played, a tick at every scene's start, and
  // the knob at the time shown (the drag's target while dragging).
  const double shown = state.Dragging() ? state.DragTarget() : status.demoTime;
  const int at = b.XAt(shown);
  Rect(b.trackLeft, b.trackTop, b.trackRight - b.trackLeft, b.trackHeight, 0.45f, 0.45f, 0.45f,
       0.9f * o);
  Rect(b.trackLeft, b.trackTop, at - b.trackLeft, b.trackHeight, 1.0f, 1.0f, 1.0f, o);
  for (const Tick& tick : b.ticks) {
    Rect(tick.x, b.tickTop, b.tickWidth, b.tickHeight, 1.0f, 0.78f, 0.3f, o);
  }
  Rect(at - b.knobWidth / 2, b.knobTop, b.knobWidth, b.knobHeight, 1.0f, 1.0f, 1.0f, o);

  // The text row: [pause sign] elapsed / total, scene n/N and its name, and
  // the volume at the right end.
  int textX = b.trackLeft;
  if (status.paused) {
    const int top = b.textBaseline - b.textHeight + b.textHeight / 6;
    const int h = b.textBaseline - top;
    Rect(textX, top, b.pauseBarWidth, h, 1.0f, 1.0f, 1.0f, o);
    Rect(textX + 2 * b.pauseBarWidth, top, b.pauseBarWidth, h, 1.0f, 1.0f, 1.0f, o);
    textX += 3 * b.pauseBarWidth + b.margin;
  }
  char elapsed[16];
  char total[16];
  FormatTime(shown, elapsed, sizeof(elapsed));
  FormatTime(show::kEnd, total, sizeof(total));
  const int scene = state.Dragging() ? SceneAt(shown) : status.scene;
  const int sceneIndex = scene < 0 ? 0
                         : scene >= static_cast<int>(kSceneCount)
                             ? static_cast<int>(kSceneCount) - 1
                             : scene;
  char line[96];
  std::snprintf(line, sizeof(line), "%s / %s    %d/%d  %s", elapsed, total, sceneIndex + 1,
                static_cast<int>(kSceneCount), show::kScenes[sceneIndex].name);
  font_.color[0] = font_.color[1] = font_.color[2] = 1.0f;
  font_.color[3] = o;
  font_.Print(static_cast<float>(textX), static_cast<float>(b.textBaseline), "%s", line);

  const float volume = state.VolumeOpacity(now);
  if (volume > 0.0f) {
    char text[24];
    if (status.muted) {
      std::snprintf(text, sizeof(text), "muted");
    } else {
      std::snprintf(text, sizeof(text), "volume %d%%", status.volumeSteps * 10);
    }
    font_.color[3] = volume < o ? volume : o;
    const float w = font_.Width(text);
    font_.Print(static_cast<float>(b.trackRight) - w, static_cast<float>(b.textBaseline), "%s",
                text);
  }
}

}  // namespace osd
