// The live show's internal scale: where a machine cannot draw the picture at
// the screen's size within the display's refresh interval, the show draws it
// smaller and stretches it over the picture's place. The scale steps down
// when frames miss the interval, never making the picture smaller than the
// composed 800x600, and comes back up once there has been room for a while.
// Pure arithmetic on measured frame times: the shell measures and draws.
#pragma once

// The most scales a picture offers (1 and the steps below it to the floor).
constexpr int kMaxScaleSteps = 16;

// The smallest scale that keeps the picture at least 800x600: 1 for a picture
// of that size or smaller.
double ScaleFloor(int pictureWidth, int pictureHeight);

// The size of the picture drawn at `scale`: the picture's sides times the
// scale, rounded, but never below 800x600 (nor above the picture's size).
void ScaledPictureSize(int pictureWidth, int pictureHeight, double scale, int* width, int* height);

// Chooses the scale frame by frame. Off keeps 1; Fixed keeps the chosen
// fraction (limited by the floor); Auto adapts:
// - down after kMissesToStepDown frames in a row took longer than the
//   interval (with a tenth's tolerance), to the largest step at which the
//   quickest of them would have fitted comfortably, at least one step;
// - up one step after the frames' drawing, scaled to the next step's area,
//   fitted in 70% of the interval for a hold of 2 s in a row;
// - a step up followed within 5 s by a step down doubles the next hold (up
//   to 32 s), so that a machine on the edge of a step does not go up and
//   down; a step up that lasts resets it;
// - a step down after which every frame still misses and none is a tenth
//   quicker is taken back, and for 30 s no step goes below the step it came
//   from: where the frame's time goes to what the scale does not reduce
//   (presenting the frame, the stretch itself), a smaller picture only costs
//   sharpness. Unless the frames back at the larger picture are a tenth
//   slower still than at the smaller: then the scene grew heavier, and the
//   smaller picture did help.
class ScaleController {
 public:
  enum class Mode { Off, Fixed, Auto };

  static constexpr int kMissesToStepDown = 6;

  ScaleController() = default;
  ScaleController(Mode mode, double fixed, double interval);

  // The picture's size now (after a resize or a switch to full screen): the
  // steps follow it, the scale is limited to its floor, and what was learnt
  // about the previous size is forgotten.
  void FollowPicture(int pictureWidth, int pictureHeight);

  // The frames to come are unlike the ones before (another scene, a seek):
  // the first few are not counted (the driver meets new states), and what
  // was learnt about the scale's effect is forgotten. The scale stays.
  void SceneChanged();

  // After each frame of the live show, with the seconds from its start to
  // its picture being finished (`drawn`) and to its presentation returning
  // (`presented`, which includes a wait for the display if the swap waits).
  // True when the scale changed for the next frame.
  bool AfterFrame(double drawn, double presented);

  double scale() const { return steps_[step_]; }
  int stepCount() const { return count_; }
  double step(int i) const { return steps_[i]; }
  Mode mode() const { return mode_; }

 private:
  int HoldFrames() const;
  // Drops the counts, trials and limits learnt so far.
  void Forget();

  Mode mode_ = Mode::Off;
  double fixed_ = 1.0;
  double interval_ = 1.0 / 60;
  double steps_[kMaxScaleSteps] = {1.0};
  int count_ = 1;
  int step_ = 0;  // index into steps_: 0 is full size
  int misses_ = 0;
  double quickestMiss_ = 0.0;    // the quickest of the missed frames in a row
  int roomy_ = 0;                // frames in a row with room for the next step up
  int backoff_ = 1;              // the hold before a step up, in holds of 2 s
  int sinceStepUp_ = -1;         // frames since the last step up (-1: none on trial)
  int downFrom_ = -1;            // the step before a step down on trial (-1: none)
  double costBeforeDown_ = 0.0;  // the quickest missed frame before it
  int afterDown_ = 0;            // frames since it
  double quickestAfter_ = 0.0;   // the quickest of them
  int afterUndo_ = -1;           // frames since a step down was taken back (-1: none)
  double quickestUndone_ = 0.0;  // the quickest of them
  int lowest_ = 0;               // no step down goes below this step
  int lowestFrames_ = 0;         // frames until that limit lapses (0: none)
  int settling_ = 0;             // frames not to count
};
