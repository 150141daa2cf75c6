#include "app/osd/state.h"

#include <gtest/gtest.h>

namespace {

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
