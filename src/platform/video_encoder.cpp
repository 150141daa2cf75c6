#include "platform/video_encoder.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/claim.h"
#include "platform/clock.h"
#include "platform/signals.h"

namespace platform {
namespace {

// Starts `program` with `args` (the first its name): standard input from `in`
// (-1: none given), output and errors to `out`. It runs in a process group of
// its own, so that a Ctrl-C in the terminal reaches only us (we stop it
// ourselves), and it dies with us: a killed exporter leaves no child writing
// on (the signal follows the thread that forked, the main thread, which
// lives as long as the process). Returns its pid, or -1 with the reason.
pid_t StartChild(const std::string& program, std::vector<std::string>* args, int in, int out,
                 std::string* reason) {
  std::vector<char*> argv;
  for (std::string& arg : *args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) {
    *reason = "cannot start " + args->front() + ": " + std::strerror(errno);
    return -1;
  }
  if (child == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // we died before the line above
    if (in >= 0) dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    signal(SIGPIPE, SIG_DFL);
    execv(program.c_str(), argv.data());
    dprintf(2, "cannot run %s: %s\n", program.c_str(), std::strerror(errno));
    _exit(127);
  }
  setpgid(child, child);  // also here, so that the group exists before any kill
  return child;
}

// x264 settings: "superfast" needs about a quarter less CPU than "veryfast"
// at the same crf 18 (measured on the show: PSNR 45.2 against 44.3 dB); the
// file is larger instead. The CPU goes to the software renderer.
// Measured again on two 1080p clips of the show (the opening glow and the
// grainy sea picture), against "ultrafast": at crf 15 it keeps the quality
// (54.6 against 54.5 dB, 46.55 against 46.53 dB) for 30-54% less encoding
// time, but its files are 1.65-2.1 times as large, and a 1080p export, bound
// by its drawing, was no faster within the machine's noise; so superfast.
constexpr const char* kPreset = "superfast";
constexpr const char* kCrf = "18";
// One encoding thread: the drawing needs both cores, and x264's own threads
// (three on two cores) took them from it. Whole-show exports took 390 s
// instead of 425 s at 1920x1080 and 154 s instead of 163 s at 800x600, with
// files of the same size; on a clip of the opening glow the file (2.90 MB)
// and its PSNR (57.16 dB) were the same, for a tenth less processor time.
constexpr const char* kEncoderThreads = "1";

// The name that ffmpeg's log in the temporary folder stands for.
constexpr const char* kLogName = "velmora-ffmpeg";

// How far the finished video's duration (its longest stream) may be from the
// frames' own: AAC pads its last block, and the sound is cut to the pictures.
constexpr double kDurationSlack = 0.2;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The last line of ffmpeg's messages, to say why it failed.
std::string LastLine(std::string all) {
  while (!all.empty() && (all.back() == '\n' || all.back() == '\r')) all.pop_back();
  const size_t cut = all.rfind('\n');
  return cut == std::string::npos ? all : all.substr(cut + 1);
}

uint64_t BigEndian(const unsigned char* bytes, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

bool FindProgram(const std::string& name, std::string* path, std::string* why) {
  const char* folders = std::getenv("PATH");
  std::stringstream list(folders != nullptr ? folders : "/usr/bin:/bin");
  std::string folder;
  std::string skipped;
  while (std::getline(list, folder, ':')) {
    const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    struct stat st;
    if (stat(candidate.c_str(), &st) != 0) continue;
    if (S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0) {
      *path = candidate;
      return true;
    }
    if (skipped.empty()) {
      skipped = candidate + (S_ISDIR(st.st_mode) ? " is a folder, not a program"
                                                 : " is not an executable file");
    }
  }
  *why = "the " + name + " program is not installed (Debian package ffmpeg)";
  if (!skipped.empty()) *why += "; " + skipped;
  return false;
}

bool CanEncodeVideo(std::string* why) {
  std::string path;
  return FindProgram("ffmpeg", &path, why) && FindProgram("ffprobe", &path, why);
}

double StallSeconds() {
  const char* text = std::getenv("VELMORA_STALL_SECONDS");
  const double seconds = text != nullptr ? std::atof(text) : 0.0;
  return seconds > 0.0 ? seconds : 60.0;
}

bool Mp4IsComplete(const std::string& path, std::string* reason) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *reason = std::string("it cannot be read: ") + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const uint64_t fileSize = static_cast<uint64_t>(in.tellg());
  uint64_t at = 0;
  bool sawIndex = false;
  while (at < fileSize) {
    unsigned char header[16];
    in.seekg(static_cast<std::streamoff>(at));
    if (fileSize - at < 8 || !in.read(reinterpret_cast<char*>(header), 8)) {
      *reason = "it ends inside a box header";
      return false;
    }
    uint64_t size = BigEndian(header, 4);
    if (size == 1) {
      if (fileSize - at < 16 || !in.read(reinterpret_cast<char*>(header + 8), 8)) {
        *reason = "it ends inside a box header";
        return false;
      }
      size = BigEndian(header + 8, 8);
    } else if (size == 0) {
      size = fileSize - at;  // "to the end of the file"
    }
    if (size < 8 || size > fileSize - at) {
      *reason = "it is cut short (a box runs past its end)";
      return false;
    }
    if (std::memcmp(header + 4, "moov", 4) == 0) sawIndex = true;
    at += size;
  }
  if (!sawIndex) {
    *reason = "it has no index (moov box)";
    return false;
  }
  return true;
}

VideoEncoder::~VideoEncoder() { Abort(); }

bool VideoEncoder::Start(const std::string& path, const std::string& format, int width, int height,
                         int fps, const std::string& audioWav, const std::string& title,
                         const std::string& shownName, std::string* reason) {
  std::string ffmpeg;
  if (!FindProgram("ffmpeg", &ffmpeg, reason)) return false;
  frameBytes_ = static_cast<size_t>(width) * height * 3;
  framesWritten_ = 0;
  fps_ = fps;
  path_ = path;
  shown_ = shownName;
  format_ = format;
  // The log lives in the temporary folder: when the target's disk is full
  // it still says why. Its name carries this run's tag, so that a later run
  // removes it when this one was killed before removing it itself.
  const char* tmp = std::getenv("TMPDIR");
  const std::string tmpFolder = tmp != nullptr && *tmp ? tmp : "/tmp";
  RemoveStaleTemporaries(tmpFolder, [](const std::string& name) { return name == kLogName; });
  logPath_ = CompanionName(tmpFolder + "/" + kLogName, "log");
  const int logFd = open(logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (logFd < 0) {
    *reason = "cannot make ffmpeg's log " + logPath_ + ": " + std::strerror(errno);
    logPath_.clear();
    return false;
  }
  int fds[2];
  // Close-on-exec: no other child (ffprobe) may hold the pipe open, or
  // ffmpeg would never see its end.
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *reason = std::string("cannot make a pipe: ") + std::strerror(errno);
    close(logFd);
    return false;
  }
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string rate = std::to_string(fps);
  // -n: never replace a file; the exporter decides what may be replaced.
  std::vector<std::string> args = {
      "ffmpeg",    "-hide_banner",   "-nostdin", "-loglevel",    "error", "-n",   "-f",
      "rawvideo",  "-pix_fmt",       "rgb24",    "-s",           size,    "-r",   rate,
      "-i",        "pipe:0",         "-i",       audioWav,       "-map",  "0:v",  "-map",
      "1:a",       "-c:v",           "libx264",  "-preset",      kPreset, "-crf", kCrf,
      "-pix_fmt",  "yuv420p",        "-c:a",     "aac",          "-b:a",  "192k", "-shortest",
      "-metadata", "title=" + title, "-threads", kEncoderThreads};
  if (!chapters_.empty()) {
    // The chapters come in as a third input, an ffmetadata file beside the
    // log, named like it so that a later run removes it too when this one
    // was killed.
    chaptersPath_ = CompanionName(tmpFolder + "/" + kLogName, "chapters");
    std::ofstream chapters(chaptersPath_, std::ios::binary | std::ios::trunc);
    chapters << FFMetadataText(chapters_);
    chapters.close();
    if (!chapters) {
      *reason = "cannot write the chapters to " + chaptersPath_;
      std::remove(chaptersPath_.c_str());
      close(fds[0]);
      close(fds[1]);
      return false;
    }
    const auto maps = std::find(args.begin(), args.end(), "-map");
    args.insert(maps, {"-i", chaptersPath_});
    args.insert(args.end(), {"-map_chapters", "2"});
  }
  // The index goes first, so that players can start before the whole file is read.
  if (format == "mp4") args.insert(args.end(), {"-movflags", "+faststart"});
  args.insert(args.end(), {"-f", format, path});
  const pid_t child = StartChild(ffmpeg, &args, fds[0], logFd, reason);
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    close(logFd);
    return false;
  }
  close(fds[0]);
  close(logFd);
  pipe_ = fds[1];
  // The writer waits in poll(), where interrupts and a stuck ffmpeg are seen.
  fcntl(pipe_, F_SETFL, fcntl(pipe_, F_GETFL) | O_NONBLOCK);
  pid_ = child;
  killed_ = false;
  stall_ = StallSeconds();
  activeAt_ = MonotonicSeconds();
  activitySampled_ = 0.0;
  activity_ = 0;
  return true;
}

std::string VideoEncoder::InUserTerms(std::string said) const {
  // ffmpeg names the file by its temporary name; the user knows it as theirs.
  for (size_t at = said.find(path_); !path_.empty() && at != std::string::npos;
       at = said.find(path_, at + shown_.size())) {
    said.replace(at, path_.size(), shown_);
  }
  return said;
}

std::string VideoEncoder::WhyItStopped() {
  std::string last = InUserTerms(LastLine(ReadAll(logPath_)));
  if (!last.empty()) return last;
  // Nothing said: how it ended, when it has (it may take a moment).
  for (int i = 0; i < 50 && pid_ > 0; ++i) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      last = InUserTerms(LastLine(ReadAll(logPath_)));
      if (!last.empty()) return last;
      if (WIFSIGNALED(status))
        return std::string("it was killed by signal ") + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
      return "it ended with status " + std::to_string(WEXITSTATUS(status));
    }
    usleep(20000);
  }
  return "it closed its input";
}

uint64_t VideoEncoder::ChildActivity() const {
  if (pid_ <= 0) return 0;
  // Processor time (fields 14 and 15 of stat) and bytes read and written
  // (io): a child that is working moves at least one of them.
  const std::string proc = "/proc/" + std::to_string(pid_);
  uint64_t activity = 0;
  const std::string stat = ReadAll(proc + "/stat");
  const size_t close = stat.rfind(')');
  if (close != std::string::npos) {
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int index = 3; index <= 15 && (fields >> field); ++index) {
      if (index >= 14) activity += std::strtoull(field.c_str(), nullptr, 10);
    }
  }
  std::istringstream io(ReadAll(proc + "/io"));
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:" || key == "wchar:") activity += value;
  }
  return activity;
}

bool VideoEncoder::Stalled(double lastTaken) {
  const double now = MonotonicSeconds();
  // /proc is read at most once a second, and only while waiting.
  if (now - activitySampled_ >= 1.0) {
    activitySampled_ = now;
    const uint64_t seen = ChildActivity();
    if (seen != activity_) {
      activity_ = seen;
      activeAt_ = now;
    }
  }
  return now - std::max(activeAt_, lastTaken) >= stall_;
}

bool VideoEncoder::WriteFrame(const uint8_t* rgb, std::string* reason) {
  size_t done = 0;
  double lastTaken = MonotonicSeconds();
  while (done < frameBytes_) {
    const ssize_t wrote = write(pipe_, rgb + done, frameBytes_ - done);
    if (wrote > 0) {
      done += static_cast<size_t>(wrote);
      lastTaken = MonotonicSeconds();
      continue;
    }
    if (wrote < 0 && errno != EAGAIN && errno != EINTR) {
      *reason = killed_ ? "stopped" : "ffmpeg stopped taking frames: " + WhyItStopped();
      return false;
    }
    if (Interrupted() || killed_) {
      *reason = Interrupted() ? "interrupted" : "stopped";
      return false;
    }
    if (Stalled(lastTaken)) {
      char text[160];
      std::snprintf(text, sizeof(text),
                    "ffmpeg has taken no frames and done no work for %.0f s; it seems stuck "
                    "and was stopped",
                    stall_);
      *reason = text;
      return false;
    }
    pollfd ready = {pipe_, POLLOUT, 0};
    poll(&ready, 1, 100);
  }
  ++framesWritten_;
  return true;
}

bool VideoEncoder::Finish(std::string* reason) {
  if (pipe_ >= 0) close(pipe_);
  pipe_ = -1;
  int status = 0;
  const double closed = MonotonicSeconds();
  while (pid_ > 0) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_ || (done < 0 && errno != EINTR)) break;
    if (Interrupted()) {
      *reason = "interrupted";
      return false;  // Abort stops ffmpeg
    }
    if (Stalled(closed)) {
      char text[160];
      std::snprintf(text, sizeof(text),
                    "ffmpeg did not finish %s and did no work for %.0f s; it seems stuck and was "
                    "stopped",
                    shown_.c_str(), stall_);
      *reason = text;
      return false;
    }
    usleep(20000);
  }
  pid_ = -1;
  // ffmpeg may end with status 0 after failing to write its trailer (a full
  // disk): any message at level "error" is a failure too.
  const std::string messages = ReadAll(logPath_);
  std::remove(logPath_.c_str());
  logPath_.clear();
  RemoveChapters();
  const bool exitedWell = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!exitedWell || !LastLine(messages).empty()) {
    std::string last = InUserTerms(LastLine(messages));
    if (last.empty()) {
      last = WIFSIGNALED(status) ? "it was killed by signal " + std::to_string(WTERMSIG(status))
                                 : "it ended with status " + std::to_string(WEXITSTATUS(status));
    }
    *reason = "ffmpeg failed: " + last;
    return false;
  }
  if (format_ == "mp4" && !Mp4IsComplete(path_, reason)) {
    *reason = shown_ + " would not be whole: " + *reason;
    return false;
  }
  return CheckByProbe(reason);
}

bool VideoEncoder::CheckByProbe(std::string* reason) {
  std::string ffprobe;
  if (!FindProgram("ffprobe", &ffprobe, reason)) {
    *reason = "cannot check the finished video: " + *reason;
    return false;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *reason = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  // Counting packets reads the whole file without decoding it.
  std::vector<std::string> args = {"ffprobe",
                                   "-v",
                                   "error",
                                   "-count_packets",
                                   "-show_entries",
                                   "stream=codec_type,nb_read_packets:format=duration",
                                   "-of",
                                   "default=noprint_wrappers=1",
                                   path_};
  const pid_t child = StartChild(ffprobe, &args, -1, fds[1], reason);
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  close(fds[1]);
  fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  std::string output;
  int status = 0;
  bool ended = false;
  const double stall = StallSeconds();
  double lastProgress = MonotonicSeconds();
  bool open = true;
  while (!ended) {
    if (open) {
      char buffer[4096];
      const ssize_t got = read(fds[0], buffer, sizeof(buffer));
      if (got > 0) {
        output.append(buffer, static_cast<size_t>(got));
        lastProgress = MonotonicSeconds();
        continue;
      }
      if (got == 0) open = false;
    }
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child || (done < 0 && errno != EINTR)) {
      ended = !open;
      if (!ended) continue;  // read what is left
      break;
    }
    if (Interrupted() || MonotonicSeconds() - lastProgress >= stall) {
      kill(-child, SIGKILL);
      waitpid(child, nullptr, 0);
      close(fds[0]);
      *reason = Interrupted() ? "interrupted" : "ffprobe took too long to check " + shown_;
      return false;
    }
    pollfd ready = {fds[0], POLLIN, 0};
    poll(&ready, open ? 1 : 0, 20);
  }
  close(fds[0]);
  return CompareProbe(output, WIFEXITED(status) && WEXITSTATUS(status) == 0, reason);
}

bool VideoEncoder::CompareProbe(const std::string& output, bool exitedWell, std::string* reason) {
  const std::string whole = shown_ + " would not be whole: ";
  if (!exitedWell) {
    // ffprobe names the file by its temporary name: the reason alone is kept.
    std::string said = LastLine(output);
    const std::string named = path_ + ": ";
    if (said.rfind(named, 0) == 0) said.erase(0, named.size());
    *reason = whole + "ffprobe cannot read it (" + said + ")";
    return false;
  }
  int64_t videoPackets = -1;
  bool audio = false;
  double duration = -1.0;
  std::string type;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "codec_type") type = value;
    if (key == "codec_type" && value == "audio") audio = true;
    if (key == "nb_read_packets" && type == "video") videoPackets = std::atoll(value.c_str());
    if (key == "duration" && value != "N/A") duration = std::atof(value.c_str());
  }
  const double expected = static_cast<double>(framesWritten_) / fps_;
  char text[200];
  if (videoPackets != framesWritten_) {
    std::snprintf(text, sizeof(text), "it holds %lld video frames instead of %lld",
                  static_cast<long long>(videoPackets < 0 ? 0 : videoPackets),
                  static_cast<long long>(framesWritten_));
  } else if (!audio) {
    std::snprintf(text, sizeof(text), "it has no sound");
  } else if (duration < 0.0 || std::fabs(duration - expected) > kDurationSlack) {
    std::snprintf(text, sizeof(text), "it lasts %.3f s instead of %.3f s", duration, expected);
  } else {
    return true;
  }
  *reason = whole + text;
  return false;
}

void VideoEncoder::Kill() {
  killed_ = true;
  if (pid_ > 0) kill(-pid_, SIGKILL);
}

void VideoEncoder::Abort() {
  if (pipe_ >= 0) close(pipe_);
  pipe_ = -1;
  if (pid_ > 0) {
    // The whole group: a program that ffmpeg (or a stand-in) started too.
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  if (!logPath_.empty()) std::remove(logPath_.c_str());
  logPath_.clear();
  RemoveChapters();
}

void VideoEncoder::RemoveChapters() {
  if (!chaptersPath_.empty()) std::remove(chaptersPath_.c_str());
  chaptersPath_.clear();
}

std::string FFMetadataText(const std::vector<VideoChapter>& chapters) {
  auto ms = [](double seconds) { return std::to_string(std::llround(seconds * 1000.0)); };
  std::string text = ";FFMETADATA1\n";
  for (const VideoChapter& chapter : chapters) {
    std::string title;
    for (char c : chapter.title) {
      if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n') title += '\\';
      title += c;
    }
    text += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + ms(chapter.start) + "\nEND=" + ms(chapter.end) +
            "\ntitle=" + title + "\n";
  }
  return text;
}

}  // namespace platform
