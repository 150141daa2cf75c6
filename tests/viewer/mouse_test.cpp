#include "app/osd/mouse.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(state_.Opacity(5.0, false), 0.0f);
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

}  // namespace
