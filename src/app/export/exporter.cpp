#include "app/export/exporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/claim.h"
#include "platform/clock.h"
#include "platform/png.h"
#include "platform/signals.h"
#include "platform/soundtrack_render.h"
#include "platform/window.h"
#include "shell/base/glapi.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSampleRate = 48000;
constexpr size_t kRingSlots = 3;
constexpr const char* kTitle = "velmora";

bool EndsWith(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    const char c = text[text.size() - tail.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != tail[i]) return false;
  }
  return true;
}

// The file of frame k inside the export folder; `path` keeps its capacity, so
// naming a frame allocates nothing after the first.
void FramePath(const std::string& folder, int64_t k, std::string* path) {
  char name[32];
  std::snprintf(name, sizeof(name), "/frame_%06lld.png", static_cast<long long>(k));
  path->assign(folder).append(name);
}

// A file a folder export leaves: its frames and its soundtrack.
bool IsFinalExportOutput(const std::string& name) {
  if (name == "soundtrack.wav") return true;
  if (name.rfind("frame_", 0) != 0 || !EndsWith(name, ".png")) return false;
  const std::string digits = name.substr(6, name.size() - 10);
  if (digits.size() < 6) return false;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// A file an earlier folder export leaves: its frames, its soundtrack, and
// either one's temporary name (also as older versions named them).
bool IsExportOutput(std::string name) {
  platform::TemporaryParts parts;
  if (platform::ParseTemporaryName(name, &parts)) return IsFinalExportOutput(parts.name);
  if (name.size() > 9 && name[0] == '.' && EndsWith(name, ".partial")) {
    name = name.substr(1, name.size() - 9);
  }
  return IsFinalExportOutput(name);
}

uint64_t SoundFrames(int64_t pictureFrames, int fps) {
  // The soundtrack lasts exactly as long as the pictures: frames / fps seconds.
  return static_cast<uint64_t>((pictureFrames * kSampleRate + fps / 2) / fps);
}

}  // namespace

void AddToSum(const uint8_t* bgrx, int factor, int width, int height, uint32_t* sum) {
  const size_t drawnRow = static_cast<size_t>(width) * factor * 4;
  const int drawnHeight = height * factor;
  for (int y = 0; y < height; ++y) {
    uint32_t* out = sum + static_cast<size_t>(y) * width * 3;
    for (int dy = 0; dy < factor; ++dy) {
      // Drawn rows are bottom first.
      const uint8_t* in =
          bgrx + drawnRow * static_cast<size_t>(drawnHeight - 1 - (y * factor + dy));
      for (int x = 0; x < width; ++x) {
        uint32_t r = 0, g = 0, b = 0;
        for (int dx = 0; dx < factor; ++dx, in += 4) {
          b += in[0];
          g += in[1];
          r += in[2];
        }
        out[3 * x] += r;
        out[3 * x + 1] += g;
        out[3 * x + 2] += b;
      }
    }
  }
}

void ToRgb(const uint8_t* bgrx, int width, int height, uint8_t* rgb) {
  const size_t drawnRow = static_cast<size_t>(width) * 4;
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = bgrx + drawnRow * static_cast<size_t>(height - 1 - y);
    uint8_t* out = rgb + static_cast<size_t>(y) * width * 3;
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
}

void TakeMean(uint32_t* sum, uint32_t count, int width, int height, uint8_t* rgb) {
  const size_t values = static_cast<size_t>(width) * height * 3;
  const uint32_t half = count / 2;
  for (size_t i = 0; i < values; ++i) {
    rgb[i] = static_cast<uint8_t>((sum[i] + half) / count);
    sum[i] = 0;
  }
}

Exporter::~Exporter() {
  if (active_) Cancel();
}

bool Exporter::IsVideoPath(const std::string& path) {
  return EndsWith(path, ".mp4") || EndsWith(path, ".mkv");
}

ExportTarget Exporter::CheckTarget(const ExportPlan& plan, std::string* reason) {
  std::error_code error;
  const fs::path target(plan.path);
  if (IsVideoPath(plan.path)) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, error)) {
      *reason = "no folder " + folder.string() + " to write " + plan.path + " into";
      return ExportTarget::Unwritable;
    }
    if (fs::is_directory(target, error)) {
      *reason = plan.path + " is a folder";
      return ExportTarget::Refused;
    }
    if (fs::exists(fs::symlink_status(target, error)) && !plan.overwrite) {
      *reason = plan.path + " already exists (--overwrite replaces it)";
      return ExportTarget::Refused;
    }
    if (access(folder.c_str(), W_OK) != 0) {
      *reason = "the folder " + folder.string() + " cannot be written";
      return ExportTarget::Unwritable;
    }
    std::string why;
    if (!platform::CanEncodeVideo(&why)) {
      *reason = why + "; export to a folder instead for PNG frames and a WAV file";
      return ExportTarget::Unwritable;
    }
    return ExportTarget::Usable;
  }
  if (!fs::exists(fs::symlink_status(target, error))) return ExportTarget::Usable;
  if (!fs::is_directory(target, error)) {
    *reason = plan.path + " is a file, not a folder (name a .mp4 or .mkv file for a video)";
    return ExportTarget::Refused;
  }
  bool earlier = false;
  for (const fs::directory_entry& entry : fs::directory_iterator(target, error)) {
    const std::string name = entry.path().filename().string();
    if (!IsExportOutput(name) || !entry.is_regular_file(error)) {
      *reason = "the folder " + plan.path + " holds other files (" + name +
                "); export into an empty or new folder";
      return ExportTarget::Refused;
    }
    earlier = true;
  }
  if (error) {
    *reason = "cannot read the folder " + plan.path + ": " + error.message();
    return ExportTarget::Unwritable;
  }
  if (earlier && !plan.overwrite) {
    *reason = "the folder " + plan.path + " holds an earlier export (--overwrite replaces it)";
    return ExportTarget::Refused;
  }
  return ExportTarget::Usable;
}

bool Exporter::Begin(const ExportPlan& plan, std::string* reason) {
  plan_ = plan;
  video_ = IsVideoPath(plan.path);
  framesWritten_ = 0;
  framesCaptured_ = 0;
  startSeconds_ = platform::MonotonicSeconds();
  if (CheckTarget(plan, reason) != ExportTarget::Usable) return false;
  std::error_code error;
  if (video_) {
    // What runs to the same file left when they were killed; never the
    // files of a run still going.
    platform::RemoveStaleTemporariesOf(plan.path);
    // Hidden names of this run beside the target: the old file, if any,
    // stays as it is until the new one is complete.
    platform::TemporaryName(plan.path, &partialPath_);
    audioPath_ = platform::CompanionName(plan.path, "soundtrack.wav");
    active_ = true;
    if (!platform::RenderModuleToWav(plan.musicFile, SoundFrames(plan.expectedFrames, plan.fps),
                                     kSampleRate, audioPath_, false,
                                     "the soundtrack of " + plan.path, reason)) {
      Cancel();
      return false;
    }
    const std::string format = EndsWith(plan.path, ".mp4") ? "mp4" : "matroska";
    encoder_.SetChapters(plan.chapters);
    if (!encoder_.Start(partialPath_, format, plan.width, plan.height, plan.fps, audioPath_, kTitle,
                        plan.path, reason)) {
      Cancel();
      return false;
    }
  } else {
    createdFolder_ = fs::create_directories(plan.path, error);
    if (error || !fs::is_directory(plan.path)) {
      *reason = "cannot make the folder " + plan.path + ": " + error.message();
      return false;
    }
    platform::RemoveStaleTemporaries(plan.path, IsFinalExportOutput);
    // Only an earlier export is there (CheckTarget): make way for this one,
    // leaving alone the temporary files of a run still going.
    for (const fs::directory_entry& entry : fs::directory_iterator(plan.path, error)) {
      platform::TemporaryParts parts;
      if (platform::ParseTemporaryName(entry.path().filename().string(), &parts)) continue;
      fs::remove(entry.path(), error);
    }
    active_ = true;
  }

  const int factor = plan.supersample;
  drawnWidth_ = plan.width * factor;
  drawnHeight_ = plan.height * factor;
  drawnBytes_ = static_cast<size_t>(drawnWidth_) * drawnHeight_ * 4;
  if (glBuffers.Available()) {
    glBuffers.genBuffers(2, pbo_);
    for (unsigned int buffer : pbo_) {
      glBuffers.bindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
      glBuffers.bufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(drawnBytes_), nullptr,
                           GL_STREAM_READ);
    }
    glBuffers.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  } else {
    direct_.resize(drawnBytes_);
  }
  pboNext_ = 0;
  pboPending_ = false;
  slots_.assign(kRingSlots, Slot());
  for (Slot& slot : slots_) slot.pixels.resize(drawnBytes_);
  sum_.assign(static_cast<size_t>(plan.width) * plan.height * 3, 0);
  picture_.assign(sum_.size(), 0);
  subframes_ = 0;
  StartWriter();
  lastReport_ = platform::MonotonicSeconds();
  lastCaptureEnd_ = lastReport_;
  renderSeconds_ = readSeconds_ = encodeSeconds_ = waitSeconds_ = 0.0;
  return true;
}

void Exporter::StartWriter() {
  handIndex_ = takeIndex_ = 0;
  ending_ = stopping_ = writerFailed_ = false;
  writerReason_.clear();
  writer_ = std::thread(&Exporter::WriterLoop, this);
}

void Exporter::StopWriter() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  // A writer blocked on ffmpeg's pipe returns once ffmpeg is gone.
  if (video_) encoder_.Kill();
  writer_.join();
}

void Exporter::WriterLoop() {
  const uint32_t perPixel = static_cast<uint32_t>(plan_.supersample * plan_.supersample);
  std::string reason;
  bool stopped = false;
  for (;;) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return slots_[takeIndex_].full || ending_ || stopping_; });
    stopped = stopping_;
    if (stopped || !slots_[takeIndex_].full) break;  // stopped, or ending with all taken
    Slot& slot = slots_[takeIndex_];
    lock.unlock();

    const double start = platform::MonotonicSeconds();
    bool ok = true;
    if (perPixel == 1 && plan_.motionBlur == 1) {
      ToRgb(slot.pixels.data(), plan_.width, plan_.height, picture_.data());
      ok = WriteOut(picture_.data(), &reason);
    } else {
      AddToSum(slot.pixels.data(), plan_.supersample, plan_.width, plan_.height, sum_.data());
      if (++subframes_ == plan_.motionBlur) {
        TakeMean(sum_.data(), perPixel * static_cast<uint32_t>(subframes_), plan_.width,
                 plan_.height, picture_.data());
        subframes_ = 0;
        ok = WriteOut(picture_.data(), &reason);
      }
    }
    encodeSeconds_ += platform::MonotonicSeconds() - start;

    lock.lock();
    slot.full = false;
    takeIndex_ = (takeIndex_ + 1) % slots_.size();
    if (!ok) {
      writerFailed_ = true;
      writerReason_ = reason;
    }
    lock.unlock();
    changed_.notify_all();
    if (!ok) return;
  }
  // The last frame of a run that ended inside a blur group: the mean of the
  // sub-frames drawn.
  if (!stopped && subframes_ > 0) {
    TakeMean(sum_.data(), perPixel * static_cast<uint32_t>(subframes_), plan_.width, plan_.height,
             picture_.data());
    subframes_ = 0;
    if (!WriteOut(picture_.data(), &reason)) {
      std::lock_guard<std::mutex> lock(mutex_);
      writerFailed_ = true;
      writerReason_ = reason;
    }
  }
}

bool Exporter::WriteOut(const uint8_t* rgb, std::string* reason) {
  if (video_) {
    if (!encoder_.WriteFrame(rgb, reason)) return false;
  } else {
    FramePath(plan_.path, framesWritten_, &framePath_);
    // The folder was emptied of an earlier export at the start: a frame that
    // is there now was put there by someone else meanwhile, and is kept.
    if (!platform::WritePNG(framePath_, plan_.width, plan_.height, rgb, false, reason))
      return false;
  }
  ++framesWritten_;
  return true;
}

bool Exporter::Hand(const uint8_t* pixels, std::string* reason) {
  const double start = platform::MonotonicSeconds();
  std::unique_lock<std::mutex> lock(mutex_);
  // The writer may be stuck on ffmpeg until it gives up on it: a Ctrl-C is
  // looked at meanwhile.
  while (!changed_.wait_for(lock, std::chrono::milliseconds(50),
                            [&] { return !slots_[handIndex_].full || writerFailed_; })) {
    if (platform::Interrupted()) {
      *reason = "interrupted";
      return false;
    }
  }
  waitSeconds_ += platform::MonotonicSeconds() - start;
  if (writerFailed_) {
    *reason = writerReason_;
    return false;
  }
  Slot& slot = slots_[handIndex_];
  lock.unlock();
  // The writer leaves a slot alone until it is marked full.
  std::memcpy(slot.pixels.data(), pixels, drawnBytes_);
  lock.lock();
  slot.full = true;
  handIndex_ = (handIndex_ + 1) % slots_.size();
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool Exporter::CaptureFrame(std::string* reason) {
  // The software renderer draws when the frame is finished, not when it is
  // asked: waiting here keeps that in the drawing stage of the figures.
  glFinish();
  const double start = platform::MonotonicSeconds();
  renderSeconds_ += start - lastCaptureEnd_;
  const double waitedBefore = waitSeconds_;
  bool ok = true;
  if (pbo_[0] != 0) {
    // Frame k goes into one buffer while frame k-1 is taken from the other.
    const int current = pboNext_;
    glBuffers.bindBuffer(GL_PIXEL_PACK_BUFFER, pbo_[current]);
    glReadPixels(0, plan_.cropBottom * plan_.supersample, drawnWidth_, drawnHeight_, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    if (pboPending_) {
      glBuffers.bindBuffer(GL_PIXEL_PACK_BUFFER, pbo_[1 - current]);
      const void* pixels = glBuffers.mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
      if (pixels == nullptr) {
        *reason = "cannot read the frame back";
        ok = false;
      } else {
        ok = Hand(static_cast<const uint8_t*>(pixels), reason);
        glBuffers.unmapBuffer(GL_PIXEL_PACK_BUFFER);
      }
    }
    glBuffers.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    pboPending_ = true;
    pboNext_ = 1 - current;
  } else {
    glReadPixels(0, plan_.cropBottom * plan_.supersample, drawnWidth_, drawnHeight_, GL_BGRA,
                 GL_UNSIGNED_BYTE, direct_.data());
    ok = Hand(direct_.data(), reason);
  }
  ++framesCaptured_;
  lastCaptureEnd_ = platform::MonotonicSeconds();
  readSeconds_ += lastCaptureEnd_ - start - (waitSeconds_ - waitedBefore);
  if (ok) ReportProgress();
  return ok;
}

bool Exporter::End(std::string* reason) {
  bool ok = true;
  if (pboPending_) {
    glBuffers.bindBuffer(GL_PIXEL_PACK_BUFFER, pbo_[1 - pboNext_]);
    const void* pixels = glBuffers.mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    ok = pixels != nullptr && Hand(static_cast<const uint8_t*>(pixels), reason);
    if (pixels == nullptr) *reason = "cannot read the frame back";
    if (pixels != nullptr) glBuffers.unmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBuffers.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    pboPending_ = false;
  }
  ReleaseGL();
  if (ok) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    writer_.join();
    if (writerFailed_) {
      *reason = writerReason_;
      ok = false;
    }
  }
  if (ok && platform::Interrupted()) {
    *reason = "interrupted";
    ok = false;
  }
  if (ok && video_) {
    std::fprintf(stderr, "\rexport: finishing the video file...");
    std::fflush(stderr);
    ok = encoder_.Finish(reason);
    // On disk before it takes the old file's name.
    if (ok) {
      const int fd = open(partialPath_.c_str(), O_RDONLY);
      if (fd < 0 || fsync(fd) != 0) {
        *reason = "cannot write " + plan_.path + ": " + std::strerror(errno);
        ok = false;
      }
      if (fd >= 0) close(fd);
    }
    // A file that appeared at the target during the run is kept unless
    // --overwrite.
    if (ok) ok = platform::ClaimName(partialPath_, plan_.path, plan_.overwrite, reason);
  } else if (ok) {
    // Written last, so that it matches the frames actually drawn.
    ok =
        platform::RenderModuleToWav(plan_.musicFile, SoundFrames(framesWritten_, plan_.fps),
                                    kSampleRate, plan_.path + "/soundtrack.wav", false, "", reason);
  }
  if (!ok) {
    Cancel();
    return false;
  }
  if (video_) std::remove(audioPath_.c_str());
  active_ = false;
  ReportEnd();
  return true;
}

void Exporter::Cancel() {
  StopWriter();
  ReleaseGL();
  std::error_code ignored;
  if (video_) {
    encoder_.Abort();
    if (!partialPath_.empty()) fs::remove(partialPath_, ignored);
    if (!audioPath_.empty()) fs::remove(audioPath_, ignored);
  } else if (active_) {
    // The frames of this run; a frame that failed half-way removed its own
    // temporary file. The soundtrack is written last, when nothing can fail
    // after it.
    for (int64_t k = 0; k < framesWritten_; ++k) {
      FramePath(plan_.path, k, &framePath_);
      fs::remove(framePath_, ignored);
    }
    if (createdFolder_) fs::remove(plan_.path, ignored);
  }
  active_ = false;
}

void Exporter::ReleaseGL() {
  if (pbo_[0] != 0 && platform::HasGLContext()) glBuffers.deleteBuffers(2, pbo_);
  pbo_[0] = pbo_[1] = 0;
  pboPending_ = false;
}

void Exporter::ReportProgress() {
  const double now = platform::MonotonicSeconds();
  if (now - lastReport_ < 0.5) return;
  const int64_t done = framesCaptured_ / plan_.motionBlur;
  // The 100% line is printed once, when the output is complete.
  if (done >= plan_.expectedFrames) return;
  lastReport_ = now;
  const double elapsed = now - startSeconds_;
  const double rate = elapsed > 0.0 ? static_cast<double>(done) / elapsed : 0.0;
  const int64_t total = plan_.expectedFrames;
  const double left = rate > 0.0 ? static_cast<double>(total - done) / rate : 0.0;
  const int percent = total > 0 ? static_cast<int>(100 * done / total) : 100;
  std::fprintf(stderr, "\rexport: %3d%%  %lld/%lld frames  %.1f fps  %d:%02d left ", percent,
               static_cast<long long>(done), static_cast<long long>(total), rate,
               static_cast<int>(left) / 60, static_cast<int>(left) % 60);
  std::fflush(stderr);
}

void Exporter::ReportEnd() {
  const double elapsed = platform::MonotonicSeconds() - startSeconds_;
  const double shown = static_cast<double>(framesWritten_) / plan_.fps;
  auto rate = [](int64_t frames, double seconds) {
    return seconds > 0.0 ? static_cast<double>(frames) / seconds : 0.0;
  };
  std::fprintf(stderr, "\rexport: 100%%  %lld/%lld frames  %.1f fps  0:00 left \n",
               static_cast<long long>(framesWritten_), static_cast<long long>(framesWritten_),
               rate(framesWritten_, elapsed));
  // Every stage is given in output frames a second; with motion blur the
  // drawing and read-back of the sub-frames are given beside it.
  const int n = plan_.motionBlur;
  char subframes[96] = "";
  if (n > 1) {
    std::snprintf(subframes, sizeof(subframes), " (%d sub-frames each: %.1f and %.1f sub-frames/s)",
                  n, rate(framesCaptured_, renderSeconds_), rate(framesCaptured_, readSeconds_));
  }
  std::fprintf(stderr,
               "export: %.1f s for %.1f s of video (%.2f x its length); stages: drawing %.1f fps, "
               "read-back %.1f fps%s, filtering and %s %.1f fps\n",
               elapsed, shown, shown > 0.0 ? elapsed / shown : 0.0,
               rate(framesCaptured_ / n, renderSeconds_), rate(framesCaptured_ / n, readSeconds_),
               subframes, video_ ? "encoding" : "PNG writing",
               rate(framesWritten_, encodeSeconds_));
  std::fprintf(stderr, "export: wrote %s\n", plan_.path.c_str());
  std::fflush(stderr);
}
