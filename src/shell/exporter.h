// Writes an unattended run to disk: either a video file with its soundtrack
// (.mp4 or .mkv, through ffmpeg) or a folder of numbered PNG frames with
// "soundtrack.wav". On failure or interruption nothing half-written is left.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/video_encoder.h"

struct ExportPlan {
  std::string path;  // FILE.mp4 / FILE.mkv, or a folder
  int width = 800;
  int height = 600;
  int fps = 60;
  int64_t expectedFrames = 0;  // frames of the whole run, for progress and the soundtrack
  std::string musicFile;       // the module whose sound goes with the pictures
};

class Exporter {
 public:
  Exporter() = default;
  ~Exporter();
  Exporter(const Exporter&) = delete;
  Exporter& operator=(const Exporter&) = delete;

  static bool IsVideoPath(const std::string& path);

  bool Begin(const ExportPlan& plan, std::string* reason);
  // One presented frame, rows top first.
  bool AddFrame(const uint8_t* rgb, std::string* reason);
  // Completes the output; false (and the output removed) when that failed.
  bool End(std::string* reason);
  // Removes whatever was written so far.
  void Cancel();

  int64_t framesWritten() const { return framesWritten_; }

 private:
  void ReportProgress(bool last);

  ExportPlan plan_;
  bool video_ = false;
  bool active_ = false;
  bool createdFolder_ = false;
  std::string audioPath_;
  platform::VideoEncoder encoder_;
  int64_t framesWritten_ = 0;
  double startSeconds_ = 0.0;
  double lastReport_ = 0.0;
  std::string framePath_;  // reused for every frame's file name
};
