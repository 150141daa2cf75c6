// What the on-screen display shows and for how long. Times are the run's
// own clock (seconds; the virtual clock in offscreen runs, so that shots of
// the display are exact), which moves on while the show is paused.
//
// The bar appears on any transport key or mouse movement, stays for 2 s
// after the last one and then fades out over half a second. While the show
// is paused it stays, with the pause sign. The volume ("volume 70%" or
// "muted") is shown with it after M, Up, Down or the wheel. The mouse
// cursor hides 2 s after the mouse last moved.
#pragma once

namespace osd {

constexpr double kShownFor = 2.0;  // seconds at full strength after the last input
constexpr double kFadeFor = 0.5;   // then fading out over this long

class State {
 public:
  // A transport key (or anything else that should show the bar).
  void Touch(double now) { lastInput_ = now; }
  // M, Up, Down or the wheel: shows the bar with the volume.
  void VolumeChanged(double now) {
    lastInput_ = now;
    lastVolume_ = now;
  }
  // The mouse moved: shows the bar and the cursor.
  void MouseMoved(double now) {
    lastInput_ = now;
    lastMouse_ = now;
  }

  // How strongly the bar is drawn now: 1, then fading to 0.
  float Opacity(double now, bool paused) const;
  // How strongly the volume is drawn: by the time of the last change of
  // volume alone (a pause keeps the bar, not the volume).
  float VolumeOpacity(double now) const;
  bool CursorVisible(double now) const { return now - lastMouse_ < kShownFor; }

  // A press on the bar starts a drag; the target follows the mouse until
  // the release, which returns it (the seek is made then).
  void BeginDrag(double target) {
    dragging_ = true;
    dragTarget_ = target;
  }
  void DragTo(double target) {
    if (dragging_) dragTarget_ = target;
  }
  bool EndDrag(double* target) {
    if (!dragging_) return false;
    dragging_ = false;
    *target = dragTarget_;
    return true;
  }
  bool Dragging() const { return dragging_; }
  double DragTarget() const { return dragTarget_; }

 private:
  static constexpr double kNever = -1e30;
  double lastInput_ = kNever;
  double lastVolume_ = kNever;
  double lastMouse_ = kNever;
  bool dragging_ = false;
  double dragTarget_ = 0.0;
};

}  // namespace osd
