// Draws the on-screen display over the finished picture: a dimmed panel in
// the bottom band with the seek bar (a tick at every scene's start, the
// played part, the knob), the elapsed and total time, the current scene's
// number and name, the pause sign and the volume. It draws with the show's
// own means (untextured quads and the bitmap font) in the picture's pixels,
// and leaves every piece of GL state as it found it, so that the frames
// after it draw exactly as they would have without it.
#pragma once

#include "app/osd/layout.h"
#include "app/osd/state.h"
#include "shell/objects/font.h"

namespace osd {

// What the show is doing in the frame being drawn.
struct ShowStatus {
  double demoTime = 0.0;
  int scene = 0;  // the player's current scene
  bool paused = false;
  bool muted = false;
  int volumeSteps = 10;  // tenths of full volume
};

class Display {
 public:
  // Draws for `now` on the run clock into the picture at (x, y) (GL window
  // coordinates) of width x height pixels; nothing when the bar has faded.
  // `deviceContext` is what the font needs to make its glyphs (made again
  // whenever the picture's height changes). Allocates nothing unless the
  // picture changed size.
  void Draw(const State& state, double now, const ShowStatus& status, int x, int y, int width,
            int height, void* deviceContext);

  const BarLayout& Layout() const { return layout_; }
  // Lays the bar out for a picture of this size (Draw does it too).
  void Follow(int width, int height, void* deviceContext);

 private:
  void DrawBar(const State& state, double now, const ShowStatus& status, float opacity);
  BarLayout layout_;
  CFont font_;
  int fontHeight_ = 0;
};

}  // namespace osd
