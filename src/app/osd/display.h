// Draws the on-screen display over the finished picture, in the bottom band
// (which the show keeps black): the seek bar (a tick at every scene's start,
// the played part, the knob), the elapsed and total time, the current
// scene's number and name, the pause sign and the volume. It draws in the
// picture's pixels with opaque plain and textured quads, all of one kind in
// one batch, and leaves every piece of GL state as it found it, so that the
// frames after it draw exactly as they would have without it. The debug
// console, which the bar's left end crosses, is dimmed while the bar shows
// by drawing it darker (ConsoleShade): a panel blended over it cost more
// than all the rest of the display.
#pragma once

#include "app/osd/glyph_atlas.h"
#include "app/osd/layout.h"
#include "app/osd/state.h"

namespace osd {

// What the show is doing in the frame being drawn.
struct ShowStatus {
  double demoTime = 0.0;
  int scene = 0;  // the player's current scene
  bool paused = false;
  bool muted = false;
  int volumeSteps = 10;  // tenths of full volume
};

// What the debug console's colours are multiplied by while the bar is drawn
// at `opacity` (State::Opacity): 1 when the bar is gone, 0.3 at full
// strength, so that the bar reads over the console.
float ConsoleShade(float opacity);

class Display {
 public:
  // Draws for `now` on the run clock into the picture at (x, y) (GL window
  // coordinates) of width x height pixels; nothing when the bar has faded.
  // The glyphs are made again whenever the picture's height changes; nothing
  // is allocated otherwise. `deviceContext` null: no text (no window).
  void Draw(const State& state, double now, const ShowStatus& status, int x, int y, int width,
            int height, void* deviceContext);

  const BarLayout& Layout() const { return layout_; }
  // Lays the bar out for a picture of this size (Draw does it too; binds
  // the glyphs' texture when they are made again).
  void Follow(int width, int height, void* deviceContext);

 private:
  void DrawBar(const State& state, double now, const ShowStatus& status, float opacity);
  BarLayout layout_;
  GlyphAtlas glyphs_;
  int glyphHeight_ = 0;
  bool haveGlyphs_ = false;
};

}  // namespace osd
