#include "app/osd/display.h"

#include <cstdio>

#include "render/glhelpers.h"
#include "shell/base/glapi.h"

namespace osd {
namespace {

// One quad of a batch (inside glBegin(GL_QUADS)).
void Quad(int x, int y, int width, int height, float r, float g, float b, float a) {
  const float x0 = static_cast<float>(x);
  const float y0 = static_cast<float>(y);
  const float x1 = static_cast<float>(x + width);
  const float y1 = static_cast<float>(y + height);
  glColor4f(r, g, b, a);
  glVertex2f(x0, y0);
  glVertex2f(x1, y0);
  glVertex2f(x1, y1);
  glVertex2f(x0, y1);
}

}  // namespace

float ConsoleShade(float opacity) { return 1.0f - 0.7f * opacity; }

void Display::Follow(int width, int height, void* deviceContext) {
  if (width != layout_.pictureWidth || height != layout_.pictureHeight) {
    layout_ = LayoutBar(width, height);
  }
  if (deviceContext != nullptr && layout_.textHeight != glyphHeight_) {
    haveGlyphs_ = glyphs_.Make(layout_.textHeight);
    glyphHeight_ = layout_.textHeight;
  }
}

void Display::Draw(const State& state, double now, const ShowStatus& status, int x, int y,
                   int width, int height, void* deviceContext) {
  const float opacity = state.Opacity(now, status.paused);
  if (opacity <= 0.0f || width <= 0 || height <= 0) return;

  // Everything this changes comes back at the end: the layers of the next
  // frame rely on the state the frames before left. (Only the groups it
  // touches: saving all of them costs the software renderer more than the
  // drawing.)
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT |
               GL_TRANSFORM_BIT | GL_VIEWPORT_BIT | GL_POLYGON_BIT);
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
  PlainFragmentState();
  SelectTextureUnit(GL_TEXTURE0_ARB);
  Follow(width, height, deviceContext);

  DrawBar(state, now, status, opacity);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

void Display::DrawBar(const State& state, double now, const ShowStatus& status, float o) {
  const BarLayout& b = layout_;
  const double shown = state.Dragging() ? state.DragTarget() : status.demoTime;
  const int at = b.XAt(shown);

  // The text: elapsed / total, scene n/N and its name, and the volume at
  // the right end.
  char elapsed[16];
  char total[16];
  FormatTime(shown, elapsed, sizeof(elapsed));
  FormatTime(show::kEnd, total, sizeof(total));
  const int scene = state.Dragging() ? SceneAt(shown) : status.scene;
  const int last = static_cast<int>(kSceneCount) - 1;
  const int index = scene < 0 ? 0 : scene > last ? last : scene;
  char line[96];
  std::snprintf(line, sizeof(line), "%s / %s    %d/%d  %s", elapsed, total, index + 1, last + 1,
                show::kScenes[static_cast<size_t>(index)].name);
  char volume[24] = "";
  const float volumeOpacity = state.VolumeOpacity(now);
  if (volumeOpacity > 0.0f) {
    if (status.muted) {
      std::snprintf(volume, sizeof(volume), "muted");
    } else {
      std::snprintf(volume, sizeof(volume), "volume %d%%", status.volumeSteps * 10);
    }
  }

  // The software renderer's cost is in the pixels it shades (a few
  // nanoseconds each, blended or not, twice that textured) and in every
  // change of state between batches. So everything is opaque and fades by
  // its colour, which over the black band looks as fading by alpha does;
  // the debug console under the bar's left end is dimmed where it is drawn
  // (ConsoleShade), not by a panel over it; the pieces do not overlap; and
  // there are two batches: the shapes untextured, then the text. (SetOrtho2D
  // has turned blending and texturing off.)
  //
  // The shapes: the track in two parts (the part already played and the
  // rest), a tick at every scene's start, the knob at the time shown (the
  // drag's target while dragging), the pause sign.
  glBegin(GL_QUADS);
  Quad(b.trackLeft, b.trackTop, at - b.trackLeft, b.trackHeight, o, o, o, 1.0f);
  const float grey = 0.405f * o;
  Quad(at, b.trackTop, b.trackRight - at, b.trackHeight, grey, grey, grey, 1.0f);
  for (const Tick& tick : b.ticks) {
    Quad(tick.x, b.tickTop, b.tickWidth, b.tickHeight, o, 0.78f * o, 0.3f * o, 1.0f);
  }
  Quad(at - b.knobWidth / 2, b.knobTop, b.knobWidth, b.knobHeight, o, o, o, 1.0f);
  int textX = b.trackLeft;
  if (status.paused) {
    const int top = b.textBaseline - b.textHeight + b.textHeight / 6;
    const int h = b.textBaseline - top;
    Quad(textX, top, b.pauseBarWidth, h, o, o, o, 1.0f);
    Quad(textX + 2 * b.pauseBarWidth, top, b.pauseBarWidth, h, o, o, o, 1.0f);
    textX += 3 * b.pauseBarWidth + b.margin;
  }
  glEnd();
  if (!haveGlyphs_) return;

  // The text: the glyphs' alpha is all or nothing, so an alpha test cuts
  // them out without blending.
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, glyphs_.Texture());
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glAlphaFunc(GL_GREATER, 0.5f);
  glEnable(GL_ALPHA_TEST);
  glBegin(GL_QUADS);
  glColor4f(o, o, o, 1.0f);
  glyphs_.Quads(static_cast<float>(textX), static_cast<float>(b.textBaseline), line);
  if (volume[0] != '\0') {
    const float v = volumeOpacity < o ? volumeOpacity : o;
    glColor4f(v, v, v, 1.0f);
    glyphs_.Quads(static_cast<float>(b.trackRight) - glyphs_.Width(volume),
                  static_cast<float>(b.textBaseline), volume);
  }
  glEnd();
}

}  // namespace osd
