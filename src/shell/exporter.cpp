#include "shell/exporter.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "platform/clock.h"
#include "platform/png.h"
#include "platform/soundtrack_render.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSampleRate = 48000;

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

uint64_t SoundFrames(int64_t pictureFrames, int fps) {
  // The soundtrack lasts exactly as long as the pictures: frames / fps seconds.
  return static_cast<uint64_t>((pictureFrames * kSampleRate + fps / 2) / fps);
}

}  // namespace

Exporter::~Exporter() {
  if (active_) Cancel();
}

bool Exporter::IsVideoPath(const std::string& path) {
  return EndsWith(path, ".mp4") || EndsWith(path, ".mkv");
}

bool Exporter::Begin(const ExportPlan& plan, std::string* reason) {
  plan_ = plan;
  video_ = IsVideoPath(plan.path);
  framesWritten_ = 0;
  std::error_code error;
  if (video_) {
    const fs::path target(plan.path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, error)) {
      *reason = "no folder " + folder.string() + " to write " + plan.path + " into";
      return false;
    }
    audioPath_ = (folder / ("." + target.filename().string() + ".soundtrack.wav")).string();
    if (!platform::HaveFFmpeg()) {
      *reason =
          "the ffmpeg program is not installed (Debian package ffmpeg); "
          "export to a folder instead for PNG frames and a WAV file";
      return false;
    }
    if (!platform::RenderModuleToWav(plan.musicFile, SoundFrames(plan.expectedFrames, plan.fps),
                                     kSampleRate, audioPath_, reason)) {
      return false;
    }
    active_ = true;
    if (!encoder_.Start(plan.path, plan.width, plan.height, plan.fps, audioPath_, reason)) {
      Cancel();
      return false;
    }
  } else {
    if (fs::exists(plan.path, error) && !fs::is_directory(plan.path, error)) {
      *reason = plan.path + " is a file, not a folder (name a .mp4 or .mkv file for a video)";
      return false;
    }
    createdFolder_ = fs::create_directories(plan.path, error);
    if (error || !fs::is_directory(plan.path)) {
      *reason = "cannot make the folder " + plan.path + ": " + error.message();
      return false;
    }
    active_ = true;
  }
  startSeconds_ = platform::MonotonicSeconds();
  lastReport_ = startSeconds_;
  return true;
}

bool Exporter::AddFrame(const uint8_t* rgb, std::string* reason) {
  if (video_) {
    if (!encoder_.WriteFrame(rgb, reason)) return false;
  } else {
    FramePath(plan_.path, framesWritten_, &framePath_);
    if (!platform::WritePNG(framePath_, plan_.width, plan_.height, rgb, reason)) return false;
  }
  ++framesWritten_;
  ReportProgress(false);
  return true;
}

bool Exporter::End(std::string* reason) {
  bool ok = true;
  if (video_) {
    ok = encoder_.Finish(reason);
    std::remove(audioPath_.c_str());
  } else {
    // Written last, so that it matches the frames actually drawn.
    ok = platform::RenderModuleToWav(plan_.musicFile, SoundFrames(framesWritten_, plan_.fps),
                                     kSampleRate, plan_.path + "/soundtrack.wav", reason);
  }
  if (!ok) {
    Cancel();
    return false;
  }
  ReportProgress(true);
  active_ = false;
  return true;
}

void Exporter::Cancel() {
  std::error_code ignored;
  if (video_) {
    encoder_.Abort();
    fs::remove(plan_.path, ignored);
    if (!audioPath_.empty()) fs::remove(audioPath_, ignored);
  } else {
    // Every frame written, the one that failed half-way, and the soundtrack
    // if it got that far.
    for (int64_t k = 0; k <= framesWritten_; ++k) {
      FramePath(plan_.path, k, &framePath_);
      fs::remove(framePath_, ignored);
    }
    fs::remove(plan_.path + "/soundtrack.wav", ignored);
    if (createdFolder_) fs::remove(plan_.path, ignored);
  }
  active_ = false;
}

void Exporter::ReportProgress(bool last) {
  const double now = platform::MonotonicSeconds();
  if (!last && now - lastReport_ < 0.5) return;
  lastReport_ = now;
  const double elapsed = now - startSeconds_;
  const double rate = elapsed > 0.0 ? static_cast<double>(framesWritten_) / elapsed : 0.0;
  const int64_t total =
      plan_.expectedFrames > framesWritten_ ? plan_.expectedFrames : framesWritten_;
  const double left = rate > 0.0 ? static_cast<double>(total - framesWritten_) / rate : 0.0;
  const int percent = total > 0 ? static_cast<int>(100 * framesWritten_ / total) : 100;
  std::fprintf(stderr, "\rexport: %3d%%  %lld/%lld frames  %.1f fps  %d:%02d left ", percent,
               static_cast<long long>(framesWritten_), static_cast<long long>(total), rate,
               static_cast<int>(left) / 60, static_cast<int>(left) % 60);
  if (last) {
    std::fprintf(stderr, "\nexport: wrote %s\n", plan_.path.c_str());
  }
  std::fflush(stderr);
}
