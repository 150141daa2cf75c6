// Writes an unattended run to disk: either a video file with its soundtrack
// (.mp4 or .mkv, through ffmpeg) or a folder of numbered PNG frames with
// "soundtrack.wav". Nothing of the user's is replaced unless asked, and on
// failure or interruption nothing half-written is left.
//
// The frame loop hands each drawn frame over with CaptureFrame, which reads it
// back through pixel buffer objects into a small ring; a writer thread filters
// the frames (supersampling, motion blur) and feeds ffmpeg or the PNG files,
// so that drawing, read-back and encoding overlap.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/video_encoder.h"

struct ExportPlan {
  std::string path;  // FILE.mp4 / FILE.mkv, or a folder
  int width = 800;   // size of the exported picture
  int height = 600;
  int fps = 60;                // exported frames per second
  int64_t expectedFrames = 0;  // exported frames of the whole run, for progress and sound
  std::string musicFile;       // the module whose sound goes with the pictures
  bool overwrite = false;      // an earlier file or export may be replaced
  int supersample = 1;         // frames are drawn at N times the size and filtered down
  int motionBlur = 1;          // N drawn sub-frames are averaged into one exported frame
  // Rows (at the exported size) of the drawable below the exported frame:
  // --fill draws a 4:3 picture taller than the frame and keeps its middle.
  int cropBottom = 0;
  std::vector<platform::VideoChapter> chapters;  // of a video file
};

// What a look at the target before the run found.
enum class ExportTarget {
  Usable,      // nothing there, or what may be replaced
  Refused,     // it holds something of the user's (exit status 2)
  Unwritable,  // it cannot be written (exit status 3)
};

// Frame filters of the writer, exposed for tests. `sum` holds width x height
// RGB totals. AddToSum adds one drawn frame of (factor*width) x (factor*height)
// pixels, four bytes each (B, G, R, X), rows bottom first, box-summing every
// factor x factor block into one pixel and turning the rows top first.
void AddToSum(const uint8_t* bgrx, int factor, int width, int height, uint32_t* sum);
// The same frame unfiltered, straight into `rgb` (rows top first): what
// AddToSum and TakeMean give with factor and count 1, in one pass.
void ToRgb(const uint8_t* bgrx, int width, int height, uint8_t* rgb);
// Writes the rounded mean of `sum` over `count` values per pixel into `rgb`
// (rows top first) and clears `sum`.
void TakeMean(uint32_t* sum, uint32_t count, int width, int height, uint8_t* rgb);

class Exporter {
 public:
  Exporter() = default;
  ~Exporter();
  Exporter(const Exporter&) = delete;
  Exporter& operator=(const Exporter&) = delete;

  static bool IsVideoPath(const std::string& path);
  // Looks at the target without changing anything; `reason` says why it is
  // refused or unwritable.
  static ExportTarget CheckTarget(const ExportPlan& plan, std::string* reason);

  // Renders the soundtrack (video), prepares the folder or starts ffmpeg,
  // and makes the read-back buffers; needs the GL context.
  bool Begin(const ExportPlan& plan, std::string* reason);
  // Reads back the frame just drawn (before it is presented). Needs the GL
  // context; allocates nothing.
  bool CaptureFrame(std::string* reason);
  // Hands over the last frames, completes the output and puts it in place.
  // False (and this run's output removed) when that failed or was interrupted.
  // Needs the GL context.
  bool End(std::string* reason);
  // Removes whatever this run wrote; never touches what was there before.
  void Cancel();

 private:
  struct Slot {
    std::vector<uint8_t> pixels;  // one drawn frame as read back
    bool full = false;
  };

  void StartWriter();
  void StopWriter();
  void WriterLoop();
  bool WriteOut(const uint8_t* rgb, std::string* reason);
  bool Hand(const uint8_t* pixels, std::string* reason);
  void ReleaseGL();
  void ReportProgress();
  void ReportEnd();

  ExportPlan plan_;
  bool video_ = false;
  bool active_ = false;
  bool createdFolder_ = false;
  std::string partialPath_;  // the video's temporary name beside its target
  std::string audioPath_;
  platform::VideoEncoder encoder_;

  // Read-back.
  int drawnWidth_ = 0;
  int drawnHeight_ = 0;
  size_t drawnBytes_ = 0;
  unsigned int pbo_[2] = {0, 0};
  int pboNext_ = 0;
  bool pboPending_ = false;      // the other buffer holds a frame not yet handed over
  std::vector<uint8_t> direct_;  // used instead when there are no pixel buffer objects

  // The ring between the frame loop and the writer.
  std::vector<Slot> slots_;
  size_t handIndex_ = 0;
  size_t takeIndex_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ending_ = false;
  bool stopping_ = false;
  bool writerFailed_ = false;
  std::string writerReason_;
  std::thread writer_;

  // The writer's own state.
  std::vector<uint32_t> sum_;
  std::vector<uint8_t> picture_;
  int subframes_ = 0;
  int64_t framesWritten_ = 0;
  std::string framePath_;  // reused for every frame's file name

  // Progress and the time of each stage.
  int64_t framesCaptured_ = 0;
  double startSeconds_ = 0.0;
  double lastReport_ = 0.0;
  double lastCaptureEnd_ = 0.0;
  double renderSeconds_ = 0.0;
  double readSeconds_ = 0.0;
  double encodeSeconds_ = 0.0;
  double waitSeconds_ = 0.0;  // the frame loop waiting for the writer
};
