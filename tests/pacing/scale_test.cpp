#include "app/pacing/scale.h"

#include <gtest/gtest.h>

#include "app/pacing/pacing.h"

namespace {

const double kInterval = FrameInterval(60);

// An adaptive controller for a picture of w x h.
ScaleController Adaptive(int w, int h) {
  ScaleController controller(ScaleController::Mode::Auto, 1.0, kInterval);
  controller.FollowPicture(w, h);
  return controller;
}

// Feeds `frames` frames whose whole cost, at full size, is `fullCost`
// seconds and grows with the drawn area; presenting adds `present`.
// Returns how many times the scale changed.
int Play(ScaleController* controller, int frames, double fullCost, double present = 0.0) {
  int changes = 0;
  for (int k = 0; k < frames; ++k) {
    const double s = controller->scale();
    const double drawn = fullCost * s * s;
    if (controller->AfterFrame(drawn, drawn + present)) ++changes;
  }
  return changes;
}

// The steps of every picture size go from 1 down, each smaller than the one
// before, to a last whose picture is still at least 800x600; a picture of
// 800x600 or less is never drawn smaller.
TEST(ScaleSteps, FromFullSizeDownToThe800x600Floor) {
  const struct {
    int w, h;
  } pictures[] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 960},  {1440, 1080},
                  {1366, 1024}, {1600, 1200}, {2880, 2160}, {5760, 4320}, {1000, 750}};
  for (const auto& p : pictures) {
    const ScaleController controller = Adaptive(p.w, p.h);
    ASSERT_GE(controller.stepCount(), 1);
    EXPECT_EQ(controller.step(0), 1.0) << p.w << "x" << p.h;
    for (int i = 1; i < controller.stepCount(); ++i) {
      EXPECT_LT(controller.step(i), controller.step(i - 1)) << p.w << "x" << p.h;
    }
    int w = 0, h = 0;
    const double last = controller.step(controller.stepCount() - 1);
    ScaledPictureSize(p.w, p.h, last, &w, &h);
    if (p.w <= 800) {
      EXPECT_EQ(controller.stepCount(), 1) << p.w << "x" << p.h;
      EXPECT_EQ(w, p.w);
      EXPECT_EQ(h, p.h);
    } else {
      // The last step reaches the floor: 800x600 exactly.
      EXPECT_EQ(w, 800) << p.w << "x" << p.h;
      EXPECT_EQ(h, 600) << p.w << "x" << p.h;
    }
  }
  // A 4K screen's picture steps far enough to keep up, a 1080p one less far.
  EXPECT_EQ(Adaptive(1440, 1080).stepCount(), 5);  // 1, .85, .7, .6, 800/1440
  EXPECT_NEAR(Adaptive(2880, 2160).step(Adaptive(2880, 2160).stepCount() - 1), 800.0 / 2880, 1e-12);
  // Sizes in between: the sides times the scale.
  int w = 0, h = 0;
  ScaledPictureSize(1440, 1080, 0.7, &w, &h);
  EXPECT_EQ(w, 1008);
  EXPECT_EQ(h, 756);
  // Asked below the floor, the size stays at 800x600.
  ScaledPictureSize(1440, 1080, 0.3, &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
}

// Off stays at 1 and a fixed fraction stays where it was put (as far as the
// floor allows), whatever the frames cost.
TEST(ScaleController, OffAndFixedDoNotAdapt) {
  ScaleController off(ScaleController::Mode::Off, 1.0, kInterval);
  off.FollowPicture(2880, 2160);
  EXPECT_EQ(Play(&off, 200, 4 * kInterval), 0);
  EXPECT_EQ(off.scale(), 1.0);

  ScaleController fixed(ScaleController::Mode::Fixed, 0.5, kInterval);
  fixed.FollowPicture(2880, 2160);
  EXPECT_EQ(fixed.scale(), 0.5);
  EXPECT_EQ(Play(&fixed, 200, 4 * kInterval), 0);
  EXPECT_EQ(Play(&fixed, 1000, 0.1 * kInterval), 0);
  EXPECT_EQ(fixed.scale(), 0.5);
  fixed.FollowPicture(1440, 1080);
  EXPECT_NEAR(fixed.scale(), 800.0 / 1440, 1e-12);
  fixed.FollowPicture(800, 600);
  EXPECT_EQ(fixed.scale(), 1.0);
}

// The scale goes down only after a run of missed intervals: a single late
// frame, or late frames broken by one on time, change nothing. Then it goes
// down far enough at once (to a step where the frames fit), and never below
// the floor however slow the machine.
TEST(ScaleController, StepsDownAfterARunOfMissedIntervalsToAStepThatFits) {
  ScaleController controller = Adaptive(2880, 2160);
  const int n = ScaleController::kMissesToStepDown;
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(Play(&controller, n - 1, 1.3 * kInterval), 0);
    EXPECT_EQ(Play(&controller, 1, 0.5 * kInterval), 0);
  }
  // Slightly over the interval is the clock's jitter, not a miss.
  EXPECT_EQ(Play(&controller, 100, 1.05 * kInterval), 0);
  EXPECT_EQ(controller.scale(), 1.0);
  // 1.2 intervals: one step (0.85, where 0.87 of an interval is drawn)
  // would not fit the target, so two.
  EXPECT_EQ(Play(&controller, n, 1.2 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 0.7);

  // Four intervals' drawing at full size needs half the area: straight to 0.42.
  ScaleController slow = Adaptive(2880, 2160);
  EXPECT_EQ(Play(&slow, n, 4.0 * kInterval), 1);
  EXPECT_EQ(slow.scale(), 0.42);
  // Hopelessly slow (and much heavier right after the step: the frames back
  // at full size show that the step had helped): down to the floor and no
  // further.
  Play(&slow, 50 * n, 100.0 * kInterval);
  EXPECT_NEAR(slow.scale(), 800.0 / 2880, 1e-12);
  // A 1080p picture with the same machine stops at its own floor.
  ScaleController small = Adaptive(1440, 1080);
  Play(&small, 50 * n, 100.0 * kInterval);
  EXPECT_NEAR(small.scale(), 800.0 / 1440, 1e-12);
  // The show's own size never scales.
  ScaleController design = Adaptive(800, 600);
  EXPECT_EQ(Play(&design, 50 * n, 100.0 * kInterval), 0);
  EXPECT_EQ(design.scale(), 1.0);
}

// Back up one step at a time, each after 2 s in a row with room for the
// next step's area; costs between "room" and "missed" hold the scale for
// good (no see-saw around a threshold).
TEST(ScaleController, StepsUpOnlyAfterSustainedRoom) {
  const int hold = 120;  // 2 s at 60 Hz
  ScaleController controller = Adaptive(2880, 2160);
  Play(&controller, ScaleController::kMissesToStepDown, 4.0 * kInterval);
  ASSERT_EQ(controller.scale(), 0.42);
  // At full size 1.4 intervals, at 0.42 0.25 of one: 0.5 would take 0.35,
  // room enough. One step after exactly the hold, not before.
  EXPECT_EQ(Play(&controller, hold - 1, 1.4 * kInterval), 0);
  EXPECT_EQ(Play(&controller, 1, 1.4 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 0.5);
  // A frame without room starts the hold again.
  EXPECT_EQ(Play(&controller, hold - 1, 1.4 * kInterval), 0);
  EXPECT_EQ(Play(&controller, 1, 4.0 * kInterval * 0.95), 0);
  EXPECT_EQ(Play(&controller, hold - 1, 1.4 * kInterval), 0);
  EXPECT_EQ(Play(&controller, 1, 1.4 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 0.6);
  // At 0.6, 0.7 would draw 0.686 of an interval: room, just. At 0.7, 0.85
  // would draw 1.01: no room, yet 0.69 misses nothing. The scale stays
  // there for a minute.
  EXPECT_EQ(Play(&controller, 3600, 1.4 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 0.7);
  // A lighter scene: back to full size, step by step.
  EXPECT_EQ(Play(&controller, hold - 1, 0.5 * kInterval), 0);
  EXPECT_EQ(Play(&controller, 1, 0.5 * kInterval), 1);
  EXPECT_EQ(Play(&controller, 4 * hold, 0.5 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 1.0);
}

// A step up that the frames then miss (presenting costs more than the
// drawing showed) goes back down, and the next try waits twice as long, up
// to 32 s; a new picture size starts afresh.
TEST(ScaleController, AFailedStepUpWaitsLongerBeforeTheNext) {
  const int hold = 120;
  ScaleController controller = Adaptive(1440, 1080);
  // Drawing 0.9 intervals at full size, presenting half an interval more:
  // at 0.7 the drawing leaves room for 0.85, where the frames then miss.
  const double full = 0.9 * kInterval;
  const double present = 0.5 * kInterval;
  Play(&controller, ScaleController::kMissesToStepDown, full, present);
  const double low = controller.scale();
  ASSERT_EQ(low, 0.7);
  int waited[6] = {};
  for (int attempt = 0; attempt < 6; ++attempt) {
    // Frames until the next step up...
    int frames = 0;
    while (controller.scale() == low && frames < 100 * hold) {
      const double s = controller.scale();
      controller.AfterFrame(full * s * s, full * s * s + present);
      ++frames;
    }
    waited[attempt] = frames;
    ASSERT_EQ(controller.scale(), 0.85) << "attempt " << attempt;
    // ...which then misses and goes back down.
    EXPECT_EQ(Play(&controller, ScaleController::kMissesToStepDown, full, present), 1);
    EXPECT_EQ(controller.scale(), low);
  }
  EXPECT_EQ(waited[0], hold);
  EXPECT_EQ(waited[1], 2 * hold);
  EXPECT_EQ(waited[2], 4 * hold);
  EXPECT_EQ(waited[4], 16 * hold);
  EXPECT_EQ(waited[5], 16 * hold);
  // A step up that holds (a lighter scene) lets the next one come without
  // the long wait once it has held for 5 s.
  EXPECT_EQ(Play(&controller, 16 * hold, 0.5 * kInterval), 1);
  ASSERT_EQ(controller.scale(), 0.85);
  EXPECT_EQ(Play(&controller, 3 * hold, 0.5 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 1.0);
  // Full size then misses again, so soon that the next try would wait
  // twice the hold; a new picture size starts afresh.
  Play(&controller, ScaleController::kMissesToStepDown, full, present);
  ASSERT_EQ(controller.scale(), low);
  controller.FollowPicture(1440, 1080);
  EXPECT_EQ(Play(&controller, hold, full, present), 1);
}

// Where the frames' time goes to what the scale does not reduce, a step down
// that brings no gain is taken back, and no step goes below full size for
// 30 s however many frames miss; then it may try once more.
TEST(ScaleController, AStepDownThatDoesNotHelpIsTakenBack) {
  const int n = ScaleController::kMissesToStepDown;
  ScaleController controller = Adaptive(1440, 1080);
  // 1.5 intervals a frame at any scale (all of it in presenting).
  EXPECT_EQ(Play(&controller, n, 0.0, 1.5 * kInterval), 1);
  EXPECT_LT(controller.scale(), 1.0);
  EXPECT_EQ(Play(&controller, n, 0.0, 1.5 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 1.0);
  EXPECT_EQ(Play(&controller, 1800 - n, 0.0, 1.5 * kInterval), 0);
  EXPECT_EQ(Play(&controller, 2 * n, 0.0, 1.5 * kInterval), 2);
  EXPECT_EQ(controller.scale(), 1.0);
  // Another scene may gain from a smaller picture: the limit goes with the
  // scene, and the new scene's first, slow frames are not counted.
  controller.SceneChanged();
  EXPECT_EQ(Play(&controller, 10, 0.0, 10.0 * kInterval), 0);
  EXPECT_EQ(Play(&controller, n, 1.5 * kInterval), 1);
  EXPECT_EQ(controller.scale(), 0.7);
  // A step that helps, if not enough, is kept and followed by the next;
  // one that helps only a little is kept when the frames no longer miss.
  ScaleController helped = Adaptive(1440, 1080);
  EXPECT_EQ(Play(&helped, n, 0.6 * kInterval, 0.9 * kInterval), 1);
  EXPECT_EQ(helped.scale(), 0.7);
  EXPECT_EQ(Play(&helped, 10 * n, 0.6 * kInterval, 0.9 * kInterval), 1);
  EXPECT_NEAR(helped.scale(), 800.0 / 1440, 1e-12);
}

// A resize keeps the scale where the new picture allows it: a window at or
// below 800x600 draws at full size, a larger one again starts at the largest
// step not above the scale it had.
TEST(ScaleController, FollowsTheWindowsSize) {
  ScaleController controller = Adaptive(2880, 2160);
  Play(&controller, ScaleController::kMissesToStepDown, 2.0 * kInterval);
  const double before = controller.scale();
  ASSERT_LT(before, 1.0);
  controller.FollowPicture(800, 600);
  EXPECT_EQ(controller.scale(), 1.0);
  EXPECT_EQ(Play(&controller, 100, 3.0 * kInterval), 0);
  controller.FollowPicture(2880, 2160);
  EXPECT_EQ(controller.scale(), 1.0);
  Play(&controller, ScaleController::kMissesToStepDown, 2.0 * kInterval);
  EXPECT_EQ(controller.scale(), before);
  controller.FollowPicture(1440, 1080);
  EXPECT_EQ(controller.scale(), before);
  controller.FollowPicture(1000, 750);
  EXPECT_NEAR(controller.scale(), 0.8, 1e-12);  // its floor, 800x600
}

}  // namespace
