// What the mouse asks of the show: a press on the seek bar starts a drag
// whose target follows the pointer and is sought on release (a click is a
// drag that did not move); a double click elsewhere on the picture switches
// full screen; the wheel changes the volume; any movement shows the bar and
// the cursor.
#pragma once

#include "app/osd/layout.h"
#include "app/osd/state.h"
#include "platform/window.h"

namespace osd {

struct MouseRequest {
  bool seek = false;  // seek to `target` (demo time)
  double target = 0.0;
  bool toggleFullscreen = false;
  int volumeSteps = 0;  // up (positive) or down
};

// Where the picture lies in the drawable (GL window coordinates), for
// turning the pointer's pixel into the picture's.
struct PicturePlace {
  int x = 0;
  int y = 0;
  int height = 0;
  int drawableHeight = 0;
};

// Takes one mouse event at run time `now`; other events ask nothing.
MouseRequest TakeMouseEvent(const platform::Event& event, const BarLayout& bar,
                            const PicturePlace& place, double now, State* state);

}  // namespace osd
