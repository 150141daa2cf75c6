// Frame pacing for the live show where the buffer swap does not wait for the
// display (software rendering, a virtual X server, some drivers): instead of
// drawing as fast as it can, the show waits for the display's next refresh.
#pragma once

// Seconds between two refreshes of a display running at `refreshHz`; a rate
// that is unknown (0) or implausible counts as 60 Hz.
double FrameInterval(int refreshHz);

// Keeps the frames of the live show on the display's refresh instants.
class FramePacer {
 public:
  explicit FramePacer(double interval) : interval_(interval) {}

  // Called after each frame was presented, with the time now (seconds on
  // any steady clock). Returns how long to wait before drawing the next
  // frame: up to the next refresh instant. Nothing when the swap already
  // waited for the display (the frame ends near the instant anyway), and no
  // burst of frames to catch up after a stall: the instants start again from
  // the late frame.
  double AfterPresent(double now);

  double interval() const { return interval_; }

 private:
  double interval_;
  double next_ = -1.0;  // when the frame just presented was meant to start
};
