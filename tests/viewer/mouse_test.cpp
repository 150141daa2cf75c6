#include "app/osd/mouse.h"

#include <gtest/gtest.h>

#include "app/osd/state.h"

namespace {

platform::Event Mouse(platform::EventType type, int x, int y, int clicks = 1) {
  platform::Event event;
  event.type = type;
  event.x = x;
  event.y = y;
  event.clicks = clicks;
  return event;
}

// A 1920x1080 drawable with the 1440x1080 picture in its middle (x = 240).
class OsdMouseTest : public ::testing::Test {
 protected:
  const osd::BarLayout bar_ = osd::LayoutBar(1440, 1080);
  const osd::PicturePlace place_{240, 0, 1080, 1080};
  const double seconds_per_pixel_ = show::kEnd / (bar_.trackRight - bar_.trackLeft);
  osd::State state_;

  osd::MouseRequest Take(const platform::Event& event, double now = 5.0) {
    return osd::TakeMouseEvent(event, bar_, place_, now, &state_);
  }
  int WindowX(double demoTime) const { return 240 + bar_.XAt(demoTime); }
};

// A press on the bar seeks nothing until the release; the target is where the
// pointer was let go, also when it left the bar meanwhile; a click is a press
// and release in one place. A release without a press seeks nothing.
TEST_F(OsdMouseTest, PressOnTheBarSeeksWhereItIsReleased) {
  const int y = bar_.trackTop + 1;
  EXPECT_FALSE(Take(Mouse(platform::EventType::MouseUp, WindowX(50.0), y)).seek);

  EXPECT_FALSE(Take(Mouse(platform::EventType::MouseDown, WindowX(50.0), y)).seek);
  EXPECT_TRUE(state_.Dragging());
  EXPECT_NEAR(state_.DragTarget(), 50.0, seconds_per_pixel_);
  EXPECT_FALSE(Take(Mouse(platform::EventType::MouseMove, WindowX(120.0), 300)).seek);
  EXPECT_NEAR(state_.DragTarget(), 120.0, seconds_per_pixel_);
  osd::MouseRequest request = Take(Mouse(platform::EventType::MouseUp, WindowX(130.0), 10));
  EXPECT_TRUE(request.seek);
  EXPECT_NEAR(request.target, 130.0, seconds_per_pixel_);
  EXPECT_FALSE(state_.Dragging());

  request = Take(Mouse(platform::EventType::MouseDown, WindowX(show::SceneStart(3)), 1079));
  EXPECT_FALSE(request.seek);
  request = Take(Mouse(platform::EventType::MouseUp, WindowX(show::SceneStart(3)), 1079));
  EXPECT_TRUE(request.seek);
  EXPECT_NEAR(request.target, show::SceneStart(3), seconds_per_pixel_);
  // Past the track's end: the show's end.
  Take(Mouse(platform::EventType::MouseDown, 240 + bar_.trackRight + 2, y));
  EXPECT_DOUBLE_EQ(Take(Mouse(platform::EventType::MouseUp, 1919, y)).target, show::kEnd);
}

// Presses off the bar (above it, or in the black beside the picture) start no
// drag; a double click there switches full screen, on the bar it does not.
TEST_F(OsdMouseTest, DoubleClickOffTheBarSwitchesFullScreen) {
  EXPECT_FALSE(Take(Mouse(platform::EventType::MouseDown, 900, 300)).toggleFullscreen);
  EXPECT_FALSE(state_.Dragging());
  EXPECT_TRUE(Take(Mouse(platform::EventType::MouseDown, 900, 300, 2)).toggleFullscreen);
  EXPECT_TRUE(Take(Mouse(platform::EventType::MouseDown, 100, bar_.trackTop, 2)).toggleFullscreen);
  EXPECT_FALSE(state_.Dragging());
  EXPECT_FALSE(Take(Mouse(platform::EventType::MouseDown, WindowX(10.0), bar_.trackTop, 2))
                   .toggleFullscreen);
  EXPECT_TRUE(state_.Dragging());
}

// Moving shows the bar and the cursor; the wheel changes the volume a step
// at a time whatever its distance, and shows it.
TEST_F(OsdMouseTest, MovingShowsAndTheWheelStepsTheVolume) {
  Take(Mouse(platform::EventType::MouseMove, 10, 10), 5.0);
  EXPECT_EQ(state_.Opacity(6.0, false), 1.0f);
  EXPECT_TRUE(state_.CursorVisible(6.0));
  EXPECT_EQ(state_.VolumeOpacity(6.0), 0.0f);

  platform::Event wheel;
  wheel.type = platform::EventType::MouseWheel;
  wheel.wheel = 3;
  EXPECT_EQ(Take(wheel, 20.0).volumeSteps, 1);
  EXPECT_EQ(state_.VolumeOpacity(20.5), 1.0f);
  wheel.wheel = -1;
  EXPECT_EQ(Take(wheel, 20.0).volumeSteps, -1);
  wheel.wheel = 0;
  EXPECT_EQ(Take(wheel, 40.0).volumeSteps, 0);
  EXPECT_EQ(state_.Opacity(40.0, false), 0.0f);
}

// Hidden until the first input; then full for 2 s, fading out over the next
// half second; a pause keeps it. The volume fades by its own time and never
// shows before a change of volume.
TEST(OsdStateTest, ShowsForTwoSecondsThenFadesAndStaysWhilePaused) {
  osd::State state;
  EXPECT_EQ(state.Opacity(0.0, false), 0.0f);
  EXPECT_EQ(state.Opacity(100.0, false), 0.0f);
  EXPECT_EQ(state.VolumeOpacity(100.0), 0.0f);
  EXPECT_FALSE(state.CursorVisible(100.0));

  state.Touch(10.0);
  EXPECT_EQ(state.Opacity(10.0, false), 1.0f);
  EXPECT_EQ(state.Opacity(12.0, false), 1.0f);
  EXPECT_NEAR(state.Opacity(12.25, false), 0.5f, 1e-6);
  EXPECT_EQ(state.Opacity(12.5, false), 0.0f);
  EXPECT_EQ(state.Opacity(40.0, false), 0.0f);
  EXPECT_EQ(state.Opacity(40.0, true), 1.0f);
  EXPECT_EQ(state.VolumeOpacity(10.5), 0.0f);
  EXPECT_FALSE(state.CursorVisible(10.5));

  state.VolumeChanged(20.0);
  state.Touch(21.0);
  EXPECT_EQ(state.VolumeOpacity(21.5), 1.0f);
  EXPECT_NEAR(state.VolumeOpacity(22.25), 0.5f, 1e-6);
  EXPECT_EQ(state.VolumeOpacity(22.5), 0.0f);
  EXPECT_EQ(state.Opacity(22.5, false), 1.0f);  // the later key keeps the bar
  EXPECT_EQ(state.VolumeOpacity(22.5), 0.0f);

  state.MouseMoved(30.0);
  EXPECT_TRUE(state.CursorVisible(31.9));
  EXPECT_FALSE(state.CursorVisible(32.0));
  EXPECT_EQ(state.Opacity(31.9, false), 1.0f);
}

// A drag keeps the bar up however long it lasts, follows the mouse and
// hands its last target over once, at the release.
TEST(OsdStateTest, DragFollowsTheMouseAndEndsOnce) {
  osd::State state;
  double target = -1.0;
  EXPECT_FALSE(state.EndDrag(&target));
  state.DragTo(50.0);
  EXPECT_FALSE(state.Dragging());
  state.BeginDrag(12.0);
  state.DragTo(30.0);
  state.DragTo(31.5);
  EXPECT_TRUE(state.Dragging());
  EXPECT_DOUBLE_EQ(state.DragTarget(), 31.5);
  EXPECT_EQ(state.Opacity(500.0, false), 1.0f);
  ASSERT_TRUE(state.EndDrag(&target));
  EXPECT_DOUBLE_EQ(target, 31.5);
  EXPECT_FALSE(state.EndDrag(&target));
  EXPECT_EQ(state.Opacity(500.0, false), 0.0f);
}

}  // namespace
