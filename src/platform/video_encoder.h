// Encodes frames into a video file with its soundtrack through the ffmpeg
// program: frames are piped to it as raw RGB, nothing is kept on disk.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// True when an ffmpeg program can be run.
bool HaveFFmpeg();

// True when `path` is an MP4 file whose top-level boxes are whole and cover
// the file exactly, with its index ("moov") present. Otherwise false with the
// reason: a writer that stopped half-way (a full disk) leaves it short.
bool Mp4IsComplete(const std::string& path, std::string* reason);

// A chapter of a video: from `start` to `end` seconds, named `title`.
struct VideoChapter {
  double start = 0.0;
  double end = 0.0;
  std::string title;
};

// The chapters as the text of an ffmetadata file: times in milliseconds, the
// characters the format reserves ('=', ';', '#', '\\', new lines) escaped.
std::string FFMetadataText(const std::vector<VideoChapter>& chapters);

class VideoEncoder {
 public:
  VideoEncoder() = default;
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // Starts ffmpeg writing a new file `path` (H.264 video, AAC audio from
  // `audioWav`) in container `format` ("mp4" or "matroska") at width x height,
  // `fps` frames per second, with `title` as its title tag. ffmpeg never
  // replaces an existing file. Its messages go to a log in the temporary
  // folder, removed by Finish and Abort.
  bool Start(const std::string& path, const std::string& format, int width, int height, int fps,
             const std::string& audioWav, const std::string& title, std::string* reason);
  // Chapters that the next Start writes into the file (none unless set).
  void SetChapters(const std::vector<VideoChapter>& chapters) { chapters_ = chapters; }
  // One frame, rows top first, 3 * width bytes each.
  bool WriteFrame(const uint8_t* rgb, std::string* reason);
  // Closes the pipe and waits for ffmpeg. True only when ffmpeg ended well,
  // reported no error and (for MP4) left a complete file. Returns false
  // with reason "interrupted" as soon as SIGINT or SIGTERM arrives meanwhile.
  bool Finish(std::string* reason);
  // Makes a WriteFrame blocked on the pipe return at once; may be called
  // from another thread. Abort must follow.
  void Kill();
  // Stops ffmpeg at once (the output is then incomplete) and removes its log.
  void Abort();

 private:
  void RemoveChapters();
  int pipe_ = -1;
  int pid_ = -1;
  size_t frameBytes_ = 0;
  std::string path_;
  std::string format_;
  std::string logPath_;
  std::vector<VideoChapter> chapters_;
  std::string chaptersPath_;  // the ffmetadata file beside the log
};

}  // namespace platform
