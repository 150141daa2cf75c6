#include "platform/video_encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {
namespace {

// The last lines ffmpeg printed, to say why it failed.
std::string Tail(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  while (!all.empty() && (all.back() == '\n' || all.back() == '\r')) all.pop_back();
  const size_t cut = all.rfind('\n');
  return cut == std::string::npos ? all : all.substr(cut + 1);
}

}  // namespace

bool HaveFFmpeg() {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((folder + "/ffmpeg").c_str(), X_OK) == 0) return true;
  }
  return false;
}

VideoEncoder::~VideoEncoder() { Abort(); }

bool VideoEncoder::Start(const std::string& path, int width, int height, int fps,
                         const std::string& audioWav, std::string* reason) {
  if (!HaveFFmpeg()) {
    *reason = "the ffmpeg program is not installed (Debian package ffmpeg)";
    return false;
  }
  frameBytes_ = static_cast<size_t>(width) * height * 3;
  logPath_ = path + ".ffmpeg.log";
  int fds[2];
  if (pipe(fds) != 0) {
    *reason = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string rate = std::to_string(fps);
  std::vector<std::string> args = {
      "ffmpeg",   "-hide_banner", "-loglevel", "error",    "-y",   "-f",        "rawvideo",
      "-pix_fmt", "rgb24",        "-s",        size,       "-r",   rate,        "-i",
      "pipe:0",   "-i",           audioWav,    "-map",     "0:v",  "-map",      "1:a",
      "-c:v",     "libx264",      "-preset",   "veryfast", "-crf", "18",        "-pix_fmt",
      "yuv420p",  "-c:a",         "aac",       "-b:a",     "192k", "-shortest", path};
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    *reason = std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
  }
  if (child == 0) {
    dup2(fds[0], 0);
    close(fds[0]);
    close(fds[1]);
    const int log = open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
      close(log);
    }
    // A Ctrl-C in the terminal is the exporter's to handle: it stops ffmpeg itself.
    signal(SIGINT, SIG_IGN);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execvp("ffmpeg", argv.data());
    _exit(127);
  }
  close(fds[0]);
  pipe_ = fds[1];
  pid_ = child;
  // Writing into a pipe whose reader died must fail, not kill the program.
  signal(SIGPIPE, SIG_IGN);
  return true;
}

bool VideoEncoder::WriteFrame(const uint8_t* rgb, std::string* reason) {
  size_t done = 0;
  while (done < frameBytes_) {
    const ssize_t wrote = write(pipe_, rgb + done, frameBytes_ - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      *reason = "ffmpeg stopped taking frames: " + Tail(logPath_);
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

bool VideoEncoder::Finish(std::string* reason) {
  if (pipe_ >= 0) close(pipe_);
  pipe_ = -1;
  int status = 0;
  if (pid_ > 0) waitpid(pid_, &status, 0);
  pid_ = -1;
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!ok) {
    const std::string tail = Tail(logPath_);
    *reason = "ffmpeg failed" + (tail.empty() ? std::string() : ": " + tail);
  }
  std::remove(logPath_.c_str());
  return ok;
}

void VideoEncoder::Abort() {
  if (pipe_ >= 0) close(pipe_);
  pipe_ = -1;
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  if (!logPath_.empty()) std::remove(logPath_.c_str());
}

}  // namespace platform
