#include "app/pacing/pacing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/pacing/scale.h"

namespace {

TEST(FrameInterval, FromTheModesRateWithSixtyHertzWhenUnknown) {
  EXPECT_DOUBLE_EQ(FrameInterval(144), 1.0 / 144);
  // SDL's "unspecified" (0) and nonsense from a driver.
  for (int hz : {60, 0, -5, 100000}) EXPECT_DOUBLE_EQ(FrameInterval(hz), 1.0 / 60) << hz;
}

// A swap that returns at once and 2 ms of drawing: every frame starts one
// refresh interval after the one before.
TEST(FramePacer, AnUnpacedSwapWaitsForEachRefresh) {
  const double interval = FrameInterval(60);
  FramePacer pacer(interval);
  double start = 0.0;
  for (int k = 0; k < 100; ++k) {
    const double presented = start + 0.002;
    const double next = presented + pacer.AfterPresent(presented);
    if (k > 0) {
      EXPECT_NEAR(next - start, interval, 1e-9) << "frame " << k;
    }
    start = next;
  }
}

// A swap that waits for the display (its refreshes 0.2% faster or slower
// than our clock, 2 ms of drawing): the pacer adds no wait beyond the first
// frame's, and no refresh goes by without a new frame, however long it runs.
TEST(FramePacer, APacedSwapIsLeftAlone) {
  for (double drift : {0.998, 1.002}) {
    const double refresh = FrameInterval(60) * drift;
    FramePacer pacer(FrameInterval(60));
    double start = 0.0;
    long previousRefresh = 0;
    for (int k = 0; k < 2000; ++k) {
      const long shown = static_cast<long>(std::ceil((start + 0.002) / refresh));
      const double wait = pacer.AfterPresent(shown * refresh);
      if (k > 1) {
        ASSERT_EQ(wait, 0.0) << "frame " << k << ", drift " << drift;
        ASSERT_EQ(shown, previousRefresh + 1) << "frame " << k << ", drift " << drift;
      }
      previousRefresh = shown;
      start = shown * refresh + wait;
    }
  }
}

// After a stall the frames go on one interval apart from the late one, with
// no burst to make up for the lost time.
TEST(FramePacer, AStallIsNotMadeUpFor) {
  const double interval = FrameInterval(60);
  FramePacer pacer(interval);
  double start = 0.0;
  for (int k = 0; k < 10; ++k) start += 0.001 + pacer.AfterPresent(start + 0.001);
  const double late = start + 0.5;  // this frame took half a second
  EXPECT_EQ(pacer.AfterPresent(late), 0.0);
  start = late;
  for (int k = 0; k < 5; ++k) {
    const double wait = pacer.AfterPresent(start + 0.001);
    EXPECT_NEAR(wait, interval - 0.001, 1e-9) << "frame " << k << " after the stall";
    start += 0.001 + wait;
  }
}

const double kInterval = FrameInterval(60);
constexpr int kN = ScaleController::kMissesToStepDown;
constexpr int kHold = 120;  // 2 s at 60 Hz
constexpr int kAny = -1;
const double kFloor4k = 800.0 / 2880, kFloor1080 = 800.0 / 1440;

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

// A row of a script: `frames` frames costing `cost` intervals of drawing at
// full size and `present` intervals of presenting; then how often the scale
// changed over them and where it stands (kAny: not checked).
struct Step {
  int frames;
  double cost, present;
  int changes;
  double scale;
};
void Script(ScaleController* controller, std::initializer_list<Step> script) {
  int row = 0;
  for (const Step& s : script) {
    SCOPED_TRACE(testing::Message() << "row " << row++);
    const int changes = Play(controller, s.frames, s.cost * kInterval, s.present * kInterval);
    EXPECT_TRUE(s.changes == kAny || changes == s.changes) << changes << " changes";
    EXPECT_TRUE(s.scale == kAny || std::abs(controller->scale() - s.scale) < 1e-12)
        << "scale " << controller->scale();
  }
}

// The steps of every picture size go from 1 down, each smaller than the one
// before, to a last whose picture is 800x600 exactly; a picture of 800x600
// or less is never drawn smaller.
TEST(ScaleSteps, FromFullSizeDownToThe800x600Floor) {
  const struct {
    int w, h;
  } pictures[] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 960},  {1440, 1080},
                  {1366, 1024}, {1600, 1200}, {2880, 2160}, {5760, 4320}, {1000, 750}};
  const auto size = [](int w, int h, double scale) {
    int sw = 0, sh = 0;
    ScaledPictureSize(w, h, scale, &sw, &sh);
    return std::make_pair(sw, sh);
  };
  for (const auto& p : pictures) {
    SCOPED_TRACE(testing::Message() << p.w << "x" << p.h);
    const ScaleController controller = Adaptive(p.w, p.h);
    ASSERT_GE(controller.stepCount(), 1);
    EXPECT_EQ(controller.step(0), 1.0);
    for (int i = 1; i < controller.stepCount(); ++i)
      EXPECT_LT(controller.step(i), controller.step(i - 1));
    EXPECT_EQ(size(p.w, p.h, controller.step(controller.stepCount() - 1)),
              p.w <= 800 ? std::make_pair(p.w, p.h) : std::make_pair(800, 600));
    EXPECT_TRUE(p.w > 800 || controller.stepCount() == 1);
  }
  // A 4K screen's picture steps far enough to keep up, a 1080p one less far.
  EXPECT_EQ(Adaptive(1440, 1080).stepCount(), 5);  // 1, .85, .7, .6, 800/1440
  EXPECT_NEAR(Adaptive(2880, 2160).step(Adaptive(2880, 2160).stepCount() - 1), kFloor4k, 1e-12);
  // Sizes in between: the sides times the scale; asked below the floor, 800x600.
  EXPECT_EQ(size(1440, 1080, 0.7), std::make_pair(1008, 756));
  EXPECT_EQ(size(1440, 1080, 0.3), std::make_pair(800, 600));
}

// Off stays at 1 and a fixed fraction stays where it was put (as far as the
// floor allows), whatever the frames cost.
TEST(ScaleController, OffAndFixedDoNotAdapt) {
  ScaleController off(ScaleController::Mode::Off, 1.0, kInterval);
  off.FollowPicture(2880, 2160);
  Script(&off, {{200, 4, 0, 0, 1.0}});

  ScaleController fixed(ScaleController::Mode::Fixed, 0.5, kInterval);
  fixed.FollowPicture(2880, 2160);
  EXPECT_EQ(fixed.scale(), 0.5);
  Script(&fixed, {{200, 4, 0, 0, 0.5}, {1000, 0.1, 0, 0, 0.5}});
  fixed.FollowPicture(1440, 1080);
  EXPECT_NEAR(fixed.scale(), kFloor1080, 1e-12);
  fixed.FollowPicture(800, 600);
  EXPECT_EQ(fixed.scale(), 1.0);
}

// The scale goes down only after a run of missed intervals: a single late
// frame, or late frames broken by one on time, change nothing. Then it goes
// down far enough at once (to a step where the frames fit), and never below
// the floor however slow the machine.
TEST(ScaleController, StepsDownAfterARunOfMissedIntervalsToAStepThatFits) {
  ScaleController controller = Adaptive(2880, 2160);
  for (int round = 0; round < 3; ++round)
    Script(&controller, {{kN - 1, 1.3, 0, 0, 1.0}, {1, 0.5, 0, 0, 1.0}});
  // Slightly over the interval is the clock's jitter, not a miss. Then 1.2
  // intervals: one step (0.85, where 0.87 of an interval is drawn) would not
  // fit the target, so two.
  Script(&controller, {{100, 1.05, 0, 0, 1.0}, {kN, 1.2, 0, 1, 0.7}});
  // Four intervals' drawing at full size needs half the area: straight to
  // 0.42. Hopelessly slow (and much heavier right after the step: the frames
  // back at full size show that the step had helped): down to the floor and
  // no further; a 1080p picture stops at its own floor, the show's own size
  // never scales.
  ScaleController slow = Adaptive(2880, 2160), small = Adaptive(1440, 1080),
                  design = Adaptive(800, 600);
  Script(&slow, {{kN, 4.0, 0, 1, 0.42}, {50 * kN, 100.0, 0, kAny, kFloor4k}});
  Script(&small, {{50 * kN, 100.0, 0, kAny, kFloor1080}});
  Script(&design, {{50 * kN, 100.0, 0, 0, 1.0}});
}

// Back up one step at a time, each after 2 s in a row with room for the
// next step's area; costs between "room" and "missed" hold the scale for
// good (no see-saw around a threshold).
TEST(ScaleController, StepsUpOnlyAfterSustainedRoom) {
  ScaleController controller = Adaptive(2880, 2160);
  Script(&controller, {
                          {kN, 4.0, 0, 1, 0.42},
                          // At full size 1.4 intervals, at 0.42 0.25 of one: 0.5
                          // would take 0.35, room enough. One step after exactly
                          // the hold, not before.
                          {kHold - 1, 1.4, 0, 0, 0.42},
                          {1, 1.4, 0, 1, 0.5},
                          // A frame without room starts the hold again.
                          {kHold - 1, 1.4, 0, 0, 0.5},
                          {1, 4.0 * 0.95, 0, 0, 0.5},
                          {kHold - 1, 1.4, 0, 0, 0.5},
                          {1, 1.4, 0, 1, 0.6},
                          // At 0.6, 0.7 would draw 0.686 of an interval: room,
                          // just. At 0.7, 0.85 would draw 1.01: no room, yet 0.69
                          // misses nothing. The scale stays there for a minute.
                          {3600, 1.4, 0, 1, 0.7},
                          // A lighter scene: back to full size, step by step.
                          {kHold - 1, 0.5, 0, 0, 0.7},
                          {1, 0.5, 0, 1, 0.85},
                          {4 * kHold, 0.5, 0, 1, 1.0},
                      });
}

// A step up that the frames then miss (presenting costs more than the
// drawing showed) goes back down, and the next try waits twice as long, up
// to 32 s; a new picture size starts afresh.
TEST(ScaleController, AFailedStepUpWaitsLongerBeforeTheNext) {
  ScaleController controller = Adaptive(1440, 1080);
  // Drawing 0.9 intervals at full size, presenting half an interval more:
  // at 0.7 the drawing leaves room for 0.85, where the frames then miss.
  const double full = 0.9, present = 0.5;
  Script(&controller, {{kN, full, present, 1, 0.7}});
  const int waits[6] = {kHold, 2 * kHold, 4 * kHold, 8 * kHold, 16 * kHold, 16 * kHold};
  for (int attempt = 0; attempt < 6; ++attempt) {
    SCOPED_TRACE(testing::Message() << "attempt " << attempt);
    // The next step up comes after exactly the wait, and then misses and
    // goes back down.
    Script(&controller, {{waits[attempt] - 1, full, present, 0, 0.7},
                         {1, full, present, 1, 0.85},
                         {kN, full, present, 1, 0.7}});
  }
  // A step up that holds (a lighter scene) lets the next one come without
  // the long wait once it has held for 5 s. Full size then misses again, so
  // soon that the next try would wait twice the hold; a new picture size
  // starts afresh.
  Script(&controller,
         {{16 * kHold, 0.5, 0, 1, 0.85}, {3 * kHold, 0.5, 0, 1, 1.0}, {kN, full, present, 1, 0.7}});
  controller.FollowPicture(1440, 1080);
  Script(&controller, {{kHold, full, present, 1, 0.85}});
}

// Where the frames' time goes to what the scale does not reduce, a step down
// that brings no gain is taken back, and no step goes below full size for
// 30 s however many frames miss; then it may try once more.
TEST(ScaleController, AStepDownThatDoesNotHelpIsTakenBack) {
  ScaleController controller = Adaptive(1440, 1080);
  // 1.5 intervals a frame at any scale (all of it in presenting).
  Script(&controller, {{kN, 0, 1.5, 1, 0.7},
                       {kN, 0, 1.5, 1, 1.0},
                       {1800 - kN, 0, 1.5, 0, 1.0},
                       {2 * kN, 0, 1.5, 2, 1.0}});
  // Another scene may gain from a smaller picture: the limit goes with the
  // scene, and the new scene's first, slow frames are not counted.
  controller.SceneChanged();
  Script(&controller, {{10, 0, 10.0, 0, 1.0}, {kN, 1.5, 0, 1, 0.7}});
  // A step that helps, if not enough, is kept and followed by the next;
  // one that helps only a little is kept when the frames no longer miss.
  ScaleController helped = Adaptive(1440, 1080);
  Script(&helped, {{kN, 0.6, 0.9, 1, 0.7}, {10 * kN, 0.6, 0.9, 1, kFloor1080}});
}

// A resize keeps the scale where the new picture allows it: a window at or
// below 800x600 draws at full size, a larger one again starts at the largest
// step not above the scale it had.
TEST(ScaleController, FollowsTheWindowsSize) {
  ScaleController controller = Adaptive(2880, 2160);
  Play(&controller, kN, 2.0 * kInterval);
  const double before = controller.scale();
  ASSERT_LT(before, 1.0);
  controller.FollowPicture(800, 600);
  Script(&controller, {{0, 0, 0, 0, 1.0}, {100, 3.0, 0, 0, 1.0}});
  controller.FollowPicture(2880, 2160);
  Script(&controller, {{0, 0, 0, 0, 1.0}, {kN, 2.0, 0, 1, before}});
  controller.FollowPicture(1440, 1080);
  EXPECT_EQ(controller.scale(), before);
  controller.FollowPicture(1000, 750);
  EXPECT_NEAR(controller.scale(), 0.8, 1e-12);  // its floor, 800x600
}

}  // namespace
