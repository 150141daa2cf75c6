// Encodes frames into a video file with its soundtrack through the ffmpeg
// program: frames are piped to it as raw RGB, nothing is kept on disk.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// True when an ffmpeg program can be run.
bool HaveFFmpeg();

class VideoEncoder {
 public:
  VideoEncoder() = default;
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // Starts ffmpeg writing `path` (H.264 video, AAC audio from `audioWav`) at
  // width x height, `fps` frames per second.
  bool Start(const std::string& path, int width, int height, int fps, const std::string& audioWav,
             std::string* reason);
  // One frame, rows top first, 3 * width bytes each.
  bool WriteFrame(const uint8_t* rgb, std::string* reason);
  // Closes the pipe and waits for ffmpeg; false when it failed.
  bool Finish(std::string* reason);
  // Stops ffmpeg at once (the output is then incomplete).
  void Abort();

 private:
  int pipe_ = -1;
  int pid_ = -1;
  size_t frameBytes_ = 0;
  std::string logPath_;
};

}  // namespace platform
