// The entry point's work: ask, open the window, set up, pump events and draw
// frames until the show ends, shut down.
#pragma once
#include <vector>

#include "timeline/sceneplayer.h"

// Appends the show's scenes to the player's list during the set-up.
using TimelineFiller = void (*)(std::vector<Scene>* sceneData);

// Runs the whole program and returns its exit status: 0 after a normal end,
// the window's failure code when no window could be made, 1 when the set-up
// failed, 2 for a bad command line or an existing output that may not be
// replaced, 3 when a shot or an export could not be written, 130 after SIGINT
// or SIGTERM.
int RunDemo(int argc, const char* const* argv, TimelineFiller fillTimeline);
