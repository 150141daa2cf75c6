#include "app/pacing/pacing.h"

double FrameInterval(int refreshHz) {
  if (refreshHz < 20 || refreshHz > 1000) refreshHz = 60;
  return 1.0 / refreshHz;
}

double FramePacer::AfterPresent(double now) {
  // The next frame starts an interval after the one just presented was
  // meant to start (the first counts from now).
  next_ = (next_ < 0.0 ? now : next_) + interval_;
  const double wait = next_ - now;
  if (wait <= interval_ / 4) {
    // The swap waited for the display, or the frame came late: follow it.
    // Waiting more would miss the display's next refresh, and a late frame
    // must not be made up for with a burst of quick ones.
    next_ = now;
    return 0.0;
  }
  return wait;
}
