#include "app/osd/state.h"

namespace osd {
namespace {

// Full strength for kShownFor seconds after an input, then a linear fade.
float Fade(double age) {
  if (age <= kShownFor) return 1.0f;  // also an input stamped later than now
  if (age >= kShownFor + kFadeFor) return 0.0f;
  return static_cast<float>(1.0 - (age - kShownFor) / kFadeFor);
}

}  // namespace

float State::Opacity(double now, bool paused) const {
  if (paused || dragging_) return 1.0f;
  return Fade(now - lastInput_);
}

float State::VolumeOpacity(double now) const { return Fade(now - lastVolume_); }

}  // namespace osd
