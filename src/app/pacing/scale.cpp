#include "app/pacing/scale.h"

#include <algorithm>
#include <cmath>

namespace {

// The picture the show is composed for: never drawn smaller.
constexpr int kLeastWidth = 800;
constexpr int kLeastHeight = 600;

// The scales below 1 the live show steps through, down to what a 7680x4320
// screen's picture allows.
constexpr double kSteps[] = {0.85, 0.7, 0.6, 0.5, 0.42, 0.35, 0.3, 0.25, 0.2, 0.15};
// A floor this close under a step takes that step's place.
constexpr double kLeastStep = 0.02;

// A frame misses the display's interval when it takes longer than this many
// intervals (the rest is the clock's and the scheduler's jitter).
constexpr double kMissFactor = 1.1;
// After misses, the step chosen is one where the quickest missed frame would
// take this part of the interval.
constexpr double kDownTarget = 0.85;
// A step up needs the frames' drawing, scaled to its area, to fit in this
// part of the interval (the rest is left for presenting the frame).
constexpr double kRoomFactor = 0.7;
constexpr double kHoldSeconds = 2.0;
constexpr int kMostBackoff = 16;
// A step down this soon after a step up means the step up was one too many.
constexpr double kTrialSeconds = 5.0;
// A step down after which the frames are not at least this much quicker is
// taken back (the frame's time is spent where the scale does not reach:
// presenting, the stretch), and no step goes below it for a while.
constexpr double kLeastGain = 0.9;
constexpr double kNoGainSeconds = 30.0;
// Frames not counted after a new scene or a seek: the driver compiles code
// for the states it meets first, and those frames are slow.
constexpr int kSettleFrames = 10;

int Frames(double seconds, double interval) {
  return std::max(1, static_cast<int>(std::lround(seconds / interval)));
}

}  // namespace

double ScaleFloor(int pictureWidth, int pictureHeight) {
  if (pictureWidth <= kLeastWidth || pictureHeight <= kLeastHeight) return 1.0;
  return std::max(static_cast<double>(kLeastWidth) / pictureWidth,
                  static_cast<double>(kLeastHeight) / pictureHeight);
}

void ScaledPictureSize(int pictureWidth, int pictureHeight, double scale, int* width, int* height) {
  if (scale >= 1.0) {
    *width = pictureWidth;
    *height = pictureHeight;
    return;
  }
  const int w = static_cast<int>(std::lround(pictureWidth * scale));
  const int h = static_cast<int>(std::lround(pictureHeight * scale));
  *width = std::min(pictureWidth, std::max(kLeastWidth, w));
  *height = std::min(pictureHeight, std::max(kLeastHeight, h));
}

ScaleController::ScaleController(Mode mode, double fixed, double interval)
    : mode_(mode), fixed_(fixed), interval_(interval) {}

void ScaleController::FollowPicture(int pictureWidth, int pictureHeight) {
  const double floor = ScaleFloor(pictureWidth, pictureHeight);
  const double now = scale();
  count_ = 1;
  steps_[0] = 1.0;
  if (mode_ == Mode::Fixed) {
    // One scale: the chosen one, as far as the floor allows.
    steps_[0] = std::clamp(fixed_, floor, 1.0);
  } else if (mode_ == Mode::Auto) {
    for (double s : kSteps) {
      if (s < floor) break;
      steps_[count_++] = s;
    }
    // The last step is the floor itself, in place of a step just above it.
    if (floor < 1.0) {
      if (count_ > 1 && steps_[count_ - 1] - floor <= kLeastStep) --count_;
      steps_[count_++] = floor;
    }
  }
  // The largest step at or under the scale so far.
  step_ = count_ - 1;
  for (int i = 0; i < count_; ++i) {
    if (steps_[i] <= now + 1e-9) {
      step_ = i;
      break;
    }
  }
  Forget();
}

void ScaleController::SceneChanged() {
  Forget();
  settling_ = kSettleFrames;
}

void ScaleController::Forget() {
  misses_ = 0;
  roomy_ = 0;
  backoff_ = 1;
  sinceStepUp_ = -1;
  downFrom_ = -1;
  afterUndo_ = -1;
  lowest_ = count_ - 1;
  lowestFrames_ = 0;
}

int ScaleController::HoldFrames() const { return Frames(kHoldSeconds, interval_) * backoff_; }

bool ScaleController::AfterFrame(double drawn, double presented) {
  if (mode_ != Mode::Auto) return false;
  if (settling_ > 0) {
    --settling_;
    return false;
  }
  if (sinceStepUp_ >= 0 && ++sinceStepUp_ > Frames(kTrialSeconds, interval_)) {
    // The last step up has held: the next one needs no longer wait.
    sinceStepUp_ = -1;
    backoff_ = 1;
  }
  if (lowestFrames_ > 0 && --lowestFrames_ == 0) lowest_ = count_ - 1;
  if (downFrom_ >= 0) {
    // The frames after a step down show whether it made them quicker.
    quickestAfter_ = afterDown_ == 0 ? presented : std::min(quickestAfter_, presented);
    if (++afterDown_ == kMissesToStepDown) {
      const int from = downFrom_;
      downFrom_ = -1;
      if (quickestAfter_ > kMissFactor * interval_ &&
          quickestAfter_ > kLeastGain * costBeforeDown_) {
        // Every frame still missed, and hardly quicker: back up, and on
        // trial again, since a scene that grew heavier at the same moment
        // looks the same.
        step_ = from;
        lowest_ = from;
        lowestFrames_ = Frames(kNoGainSeconds, interval_);
        afterUndo_ = 0;
        misses_ = 0;
        roomy_ = 0;
        return true;
      }
    }
  } else if (afterUndo_ >= 0) {
    // Back at the larger picture, the frames are much slower than they
    // were at the smaller one: the smaller one did help, the scene grew
    // heavier. Steps down are free again.
    quickestUndone_ = afterUndo_ == 0 ? presented : std::min(quickestUndone_, presented);
    if (++afterUndo_ == kMissesToStepDown) {
      afterUndo_ = -1;
      if (quickestUndone_ * kLeastGain > quickestAfter_) {
        lowest_ = count_ - 1;
        lowestFrames_ = 0;
      }
    }
  }
  const double s = scale();

  if (presented > kMissFactor * interval_) {
    roomy_ = 0;
    quickestMiss_ = misses_ == 0 ? presented : std::min(quickestMiss_, presented);
    if (++misses_ < kMissesToStepDown || step_ >= lowest_) return false;
    // The largest step at which the quickest of the missed frames, its cost
    // taken as growing with the drawn area, would have fitted.
    int next = step_ + 1;
    while (next < lowest_) {
      const double r = steps_[next] / s;
      if (quickestMiss_ * r * r <= kDownTarget * interval_) break;
      ++next;
    }
    downFrom_ = step_;
    costBeforeDown_ = quickestMiss_;
    afterDown_ = 0;
    step_ = next;
    misses_ = 0;
    if (sinceStepUp_ >= 0) {
      backoff_ = std::min(kMostBackoff, backoff_ * 2);
      sinceStepUp_ = -1;
    }
    return true;
  }
  misses_ = 0;

  if (step_ == 0) return false;
  const double r = steps_[step_ - 1] / s;
  if (drawn * r * r > kRoomFactor * interval_) {
    roomy_ = 0;
    return false;
  }
  if (++roomy_ < HoldFrames()) return false;
  --step_;
  roomy_ = 0;
  sinceStepUp_ = 0;
  return true;
}
