// Where the on-screen display's pieces go in a picture of any size, and what
// a point on its seek bar means. Pure arithmetic: no GL, no clock.
//
// The bar lies in the bottom letterbox band of the 4:3 picture (the band the
// show keeps black), so it never covers the show itself. Every length is
// taken from the picture's height (480 units, like the show's own 2D set-up)
// and rounded to whole pixels, with a floor so that thin lines stay visible
// at 640x480 and text stays legible there and at 2160p.
#pragma once
#include <array>
#include <cstddef>

#include "timeline/show/show.h"

namespace osd {

constexpr size_t kSceneCount = show::kScenes.size();

// A tick on the bar: where a scene starts and the scene's name.
struct Tick {
  int x = 0;  // left edge, pixels from the picture's left
  float time = 0.0f;
  const char* label = nullptr;
};

// Pixel coordinates inside the picture, origin at its top-left corner, y down.
struct BarLayout {
  int pictureWidth = 0;
  int pictureHeight = 0;
  int textHeight = 0;
  int textBaseline = 0;
  int trackLeft = 0;  // the track spans [trackLeft, trackRight)
  int trackRight = 0;
  int trackTop = 0;
  int trackHeight = 0;
  int tickTop = 0;
  int tickHeight = 0;
  int tickWidth = 0;
  int knobWidth = 0;
  int knobTop = 0;
  int knobHeight = 0;
  int hitTop = 0;         // clicks from here to the picture's bottom land on the bar
  int pauseBarWidth = 0;  // the pause sign: two bars with a gap of the same width
  int margin = 0;         // the gap between pieces of text
  std::array<Tick, kSceneCount> ticks{};

  // The x of demo time t on the track (clamped to the show).
  int XAt(double t) const;
  // The demo time at picture x on the track (clamped to 0 .. the show's end).
  double TimeAt(double x) const;
  // True when picture point (x, y) is on the bar (the track with its ends,
  // from hitTop down).
  bool Hit(double x, double y) const;
};

BarLayout LayoutBar(int pictureWidth, int pictureHeight);

// The scene a straight run shows at demo time t, from the show's table.
int SceneAt(double t);

// "m:ss.d" (tenths, truncated, so that a time never reads later than it is);
// at most 15 characters with the terminator. Negative times read as 0.
void FormatTime(double seconds, char* out, size_t size);

// Window pixel (x, y) (origin top left, y down, in drawable pixels) to the
// picture's pixel coordinates, given where the picture lies in the drawable
// (GL's window coordinates: origin bottom left).
void WindowToPicture(double x, double y, int drawableHeight, int pictureX, int pictureY,
                     int pictureHeight, double* px, double* py);

}  // namespace osd
