// Encodes frames into a video file with its soundtrack through the ffmpeg
// program: frames are piped to it as raw RGB, nothing is kept on disk.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Finds the program `name` on PATH as execvp would, but only a regular
// executable file counts; otherwise false, with why (naming, for instance, a
// folder of that name that was found instead).
bool FindProgram(const std::string& name, std::string* path, std::string* why);

// True when ffmpeg, and ffprobe to check its output, can be run; otherwise
// false with the reason. A finished video is always read back by ffprobe
// before it takes its name, so an export without ffprobe is refused before
// it starts rather than left unchecked.
bool CanEncodeVideo(std::string* why);

// How long ffmpeg or ffprobe may make no progress at all (no frame taken, no
// processor time, no byte read or written) before it is taken to be stuck:
// VELMORA_STALL_SECONDS, 60 by default.
double StallSeconds();

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
  // replaces an existing file. Messages name `shownName`, the user's file
  // that `path` becomes. ffmpeg runs in a process group of its own and is
  // killed when this process dies. Its messages go to a log in the temporary
  // folder, removed by Finish and Abort.
  bool Start(const std::string& path, const std::string& format, int width, int height, int fps,
             const std::string& audioWav, const std::string& title, const std::string& shownName,
             std::string* reason);
  // Chapters that the next Start writes into the file (none unless set).
  void SetChapters(const std::vector<VideoChapter>& chapters) { chapters_ = chapters; }
  // One frame, rows top first, 3 * width bytes each. Returns false with
  // reason "interrupted" on SIGINT or SIGTERM, and with a message saying so
  // when ffmpeg stalls (StallSeconds).
  bool WriteFrame(const uint8_t* rgb, std::string* reason);
  // Closes the pipe and waits for ffmpeg. True only when ffmpeg ended well,
  // reported no error, (for MP4) left whole boxes with an index, and ffprobe
  // reads back exactly the frames written and a duration that matches them,
  // sound included. Returns false with reason "interrupted" as soon as
  // SIGINT or SIGTERM arrives meanwhile, and with a message when ffmpeg or
  // ffprobe stalls.
  bool Finish(std::string* reason);
  // Makes a WriteFrame waiting on the pipe return at once; may be called
  // from another thread. Abort must follow.
  void Kill();
  // Stops ffmpeg at once (the output is then incomplete) and removes its log.
  void Abort();

 private:
  void RemoveChapters();
  std::string WhyItStopped();
  std::string InUserTerms(std::string said) const;
  // Checks ffprobe's report `output` (key=value lines) against the frames
  // written.
  bool CompareProbe(const std::string& output, bool exitedWell, std::string* reason);
  uint64_t ChildActivity() const;
  // True when ffmpeg has taken nothing since `lastTaken` and shown no
  // activity for the stall deadline.
  bool Stalled(double lastTaken);
  bool CheckByProbe(std::string* reason);

  int pipe_ = -1;
  int pid_ = -1;
  size_t frameBytes_ = 0;
  int64_t framesWritten_ = 0;
  int fps_ = 1;
  std::atomic<bool> killed_{false};
  double stall_ = 60.0;
  double activeAt_ = 0.0;         // when ffmpeg was last seen working
  double activitySampled_ = 0.0;  // when that was last looked at
  uint64_t activity_ = 0;
  std::string path_;
  std::string shown_;
  std::string format_;
  std::string logPath_;
  std::vector<VideoChapter> chapters_;
  std::string chaptersPath_;  // the ffmetadata file beside the log
};

}  // namespace platform
