// Exports of the small test show: a folder of PNG frames with its WAV, a
// video through ffmpeg, the user's files that must survive every failure, and
// the frame filters (supersampling, motion blur).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/claim.h"
#include "platform/video_encoder.h"
#include "sound/xm_fixtures.h"
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using testsupport::EndedSaying;
using testsupport::LoadPNG;
using testsupport::Names;
using testsupport::Picture;
using testsupport::Probe;
using testsupport::ProgramRun;
using testsupport::ReadText;
using testsupport::TempDir;

bool HaveFFmpegAndProbe() {
  return std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") == 0;
}

std::string FrameName(int k) {
  char name[32];
  std::snprintf(name, sizeof(name), "frame_%06d.png", k);
  return name;
}

// What a folder export of frames 0 to `last` holds: those and the soundtrack.
std::set<std::string> ExportedFolder(int last) {
  std::set<std::string> names = {"soundtrack.wav"};
  for (int k = 0; k <= last; ++k) names.insert(FrameName(k));
  return names;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A module with one audible note, so the soundtrack is not silence.
    const std::vector<uint8_t> tone = soundtest::ToneBytes(32);
    data_.Write("demomusic.xm", std::string(tone.begin(), tone.end()));
  }

  // The test show's command line, at 10 frames a second unless `args` says.
  std::vector<std::string> Args(std::vector<std::string> args) const {
    args.insert(args.begin(), {TESTSHOW_PATH, "--data", data_.path(), "--fps", "10"});
    return args;
  }

  ProgramRun Run(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    return testsupport::RunProgram(Args(std::move(args)), env);
  }

  // Starts the show and returns its pid once its signal handlers are in
  // place (the first thing main does): once /proc shows both signals caught.
  pid_t Start(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    const pid_t child = testsupport::StartProgram(Args(std::move(args)), env, {}, alarmSeconds_);
    const uint64_t caught = (1ull << (SIGINT - 1)) | (1ull << (SIGTERM - 1));
    for (int i = 0; i < 2000; ++i) {
      const std::string status = ReadText("/proc/" + std::to_string(child) + "/status");
      const size_t at = status.find("SigCgt:");
      if (at != std::string::npos &&
          (std::stoull(status.substr(at + 7), nullptr, 16) & caught) == caught)
        break;
      usleep(1000);
    }
    return child;
  }

  // Starts the show, sends `sig` `delayMs` after its handlers are in place
  // (and, when `ready` is given, after that path exists: the run has got
  // that far) and returns its exit status (128 + signal when the signal
  // killed it); `afterSignal` gets the seconds from the signal to its end.
  int RunAndSignal(std::vector<std::string> args, int sig, int delayMs,
                   const std::vector<std::string>& env = {}, const std::string& ready = "",
                   double* afterSignal = nullptr) {
    const pid_t child = Start(std::move(args), env);
    for (int i = 0; !ready.empty() && !fs::exists(ready) && i < 2000; ++i) usleep(10000);
    EXPECT_TRUE(ready.empty() || fs::exists(ready)) << ready;
    usleep(static_cast<useconds_t>(delayMs) * 1000);
    const auto sent = std::chrono::steady_clock::now();
    kill(child, sig);
    const int status = testsupport::WaitProgram(child);
    if (afterSignal != nullptr) {
      *afterSignal = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    }
    return status;
  }

  // A stand-in for ffmpeg, first on the PATH, running `body` (sh); kTakeAll
  // starts a body that reads every frame and knows the output's name.
  static constexpr const char* kTakeAll = "for a; do out=$a; done\ncat >/dev/null\n";
  std::string FakeFFmpeg(const std::string& body) {
    const std::string bin = out_.File("fakebin");
    out_.Write("fakebin/ffmpeg", "#!/bin/sh\n" + body + "\n");
    fs::permissions(bin + "/ffmpeg", fs::perms::owner_all);
    return "PATH=" + bin + ":" + std::getenv("PATH");
  }

  // The real ffmpeg, for stand-ins that run it in the end.
  static std::string RealFFmpeg() {
    std::string path, why;
    return platform::FindProgram("ffmpeg", &path, &why) ? path : "ffmpeg";
  }

  // True once process `pid` (not our child) has ended: gone, or a zombie
  // waiting for init.
  static bool Ended(pid_t pid) {
    for (int i = 0; i < 100; ++i) {
      const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
      const size_t close = stat.rfind(')');
      if (stat.empty() || (close != std::string::npos && stat.substr(close + 2, 1) == "Z")) {
        return true;
      }
      usleep(20000);
    }
    return false;
  }

  // A file of the user's in the output folder, which ExpectLeft checks.
  std::string Own(const std::string& name) {
    out_.Write(name, "the user's own " + name);
    own_.insert(name);
    return out_.File(name);
  }

  // The output folder holds `names` and nothing else, and those of them that
  // are the user's files are as they were.
  void ExpectLeft(const std::set<std::string>& names, const std::string& why = "") {
    EXPECT_EQ(Names(out_.path()), names) << why;
    for (const std::string& name : own_) {
      if (names.count(name) != 0) {
        EXPECT_EQ(ReadText(out_.File(name)), "the user's own " + name) << why;
      }
    }
  }

  int alarmSeconds_ = 120;
  TempDir data_;
  TempDir out_;
  std::set<std::string> own_;
};

TEST_F(ExportTest, FolderHoldsEveryFrameAndASoundtrackOfTheSameLength) {
  const std::string folder = out_.File("frames");
  const ProgramRun run = Run({"--export", folder, "--until", "1"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  // Frames 0 to 10 (demo times 0.0 .. 1.0) and the soundtrack, nothing else.
  EXPECT_EQ(Names(folder), ExportedFolder(10));
  // 11 frames at 10 fps are 1.1 s: 52800 stereo 16-bit frames at 48 kHz.
  const std::string wav = folder + "/soundtrack.wav";
  EXPECT_EQ(fs::file_size(wav), 44u + 52800u * 4u);
  const std::string bytes = ReadText(wav);
  int loud = 0;
  for (size_t i = 44; i + 1 < bytes.size(); i += 2) {
    const int16_t sample =
        static_cast<int16_t>(uint16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
    loud += std::abs(sample) > 1000 ? 1 : 0;
  }
  EXPECT_GT(loud, 10000);
  // One 100% line, then the figures per stage.
  EXPECT_NE(run.err.find("100%"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("100%"), run.err.rfind("100%")) << run.err;
  EXPECT_NE(run.err.find("read-back"), std::string::npos);

  // A frame of the export is exactly the shot of the same demo time with the
  // console hidden: the export starts without it. --console brings it back:
  // the export then matches a plain shot.
  const std::string withConsole = out_.File("console");
  ASSERT_EQ(Run({"--export", withConsole, "--until", "0.5", "--console"}).exitStatus, 0);
  const std::string shot = out_.File("shot.png"), plainShot = out_.File("plain.png");
  ASSERT_EQ(
      Run({"--offscreen", "--until", "0.5", "--key", "0:F1", "--shot", "0.5:" + shot}).exitStatus,
      0);
  ASSERT_EQ(Run({"--offscreen", "--until", "0.5", "--shot", "0.5:" + plainShot}).exitStatus, 0);
  EXPECT_EQ(LoadPNG(folder + "/frame_000005.png").rgb, LoadPNG(shot).rgb);
  const Picture exported = LoadPNG(withConsole + "/frame_000005.png");
  EXPECT_EQ(exported.rgb, LoadPNG(plainShot).rgb);
  EXPECT_NE(exported.rgb, LoadPNG(shot).rgb);
}

TEST_F(ExportTest, VideoHasTheFramesTheSoundAnIndexFirstAndATitle) {
  if (!HaveFFmpegAndProbe()) GTEST_SKIP() << "ffmpeg is not installed";
  const std::string video = out_.File("show.mp4");
  const ProgramRun run = Run({"--export", video, "--until", "2", "--size", "640x480"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(Probe(video, "-count_frames -select_streams v:0 -show_entries stream=nb_read_frames"),
            "21");
  EXPECT_EQ(Probe(video, "-select_streams v:0 -show_entries stream=width,height"), "640\n480");
  // 21 frames at 10 fps: 2.1 s, within one AAC block.
  EXPECT_NEAR(std::atof(Probe(video, "-select_streams a:0 -show_entries stream=duration").c_str()),
              2.1, 0.025);
  EXPECT_EQ(Probe(video, "-show_entries format_tags=title"), "velmora");
  // Fast start: the index comes before the media data.
  const std::string bytes = ReadText(video);
  ASSERT_NE(bytes.find("moov"), std::string::npos);
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
  // Nothing but the video is left beside it.
  ExpectLeft({"show.mp4"});
}

TEST_F(ExportTest, ExistingOutputIsRefusedOrReplacedOnlyWhenWhole) {
  // A video file or a shot: refused without --overwrite, before anything is
  // loaded; --overwrite replaces a shot with a whole picture.
  const std::string video = Own("old.mp4"), shot = Own("shot.png");
  EXPECT_TRUE(EndedSaying(Run({"--export", video, "--until", "1"}), 2, "--overwrite"));
  EXPECT_EQ(Run({"--offscreen", "--until", "0", "--shot", "0:" + shot}).exitStatus, 2);
  ExpectLeft({"old.mp4", "shot.png"});
  ProgramRun run = Run({"--offscreen", "--until", "0", "--shot", "0:" + shot, "--overwrite"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(LoadPNG(shot).width, 800);

  // A folder holding anything but an earlier export is refused, with or
  // without --overwrite.
  const std::string folder = out_.File("frames");
  out_.Write("frames/notes.txt", "mine");
  for (const char* overwrite : {"--until=0.3", "--overwrite"}) {
    EXPECT_TRUE(EndedSaying(Run({"--export", folder, overwrite}), 2, "notes.txt")) << overwrite;
    EXPECT_EQ(Names(folder), std::set<std::string>{"notes.txt"});
  }
  fs::remove(folder + "/notes.txt");

  // A longer export, then a shorter one: refused without --overwrite, and with
  // it exactly the new frames and soundtrack are left.
  ASSERT_EQ(Run({"--export", folder, "--until", "3"}).exitStatus, 0);
  EXPECT_EQ(Names(folder).size(), 32u);
  EXPECT_EQ(Run({"--export", folder, "--until", "1"}).exitStatus, 2);
  EXPECT_EQ(Names(folder).size(), 32u);
  run = Run({"--export", folder, "--until", "1", "--overwrite"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(Names(folder), ExportedFolder(10));
  EXPECT_EQ(fs::file_size(folder + "/soundtrack.wav"), 44u + 52800u * 4u);

  if (!HaveFFmpegAndProbe()) GTEST_SKIP() << "ffmpeg is not installed";
  // --overwrite puts a whole new video in place of the old one.
  run = Run({"--export", video, "--until", "1", "--size", "640x480", "--overwrite"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(Probe(video, "-select_streams v:0 -show_entries stream=width"), "640");
}

// Every failure leaves the user's file as it was and nothing beside it, and
// its message names the user's file, never the hidden name written meanwhile.
TEST_F(ExportTest, FailedEncoderKeepsTheOldFileAndLeavesNothingElse) {
  const std::string video = Own("old.mp4");
  const std::string take = kTakeAll;
  auto failsSaying = [&](const std::string& target, const std::vector<std::string>& env,
                         const std::string& says, const std::set<std::string>& left) {
    const ProgramRun run =
        Run({"--export", target, "--until", "0.5", "--size", "640x480", "--overwrite"}, env);
    EXPECT_TRUE(EndedSaying(run, 3, says));
    EXPECT_EQ(run.err.find("/."), std::string::npos) << "a hidden name: " << run.err;
    fs::remove_all(out_.File("fakebin"));
    ExpectLeft(left, says);
  };
  const struct {
    std::string body;
    std::string says;
  } failures[] = {
      // ffmpeg ends with status 0 after failing to write its trailer.
      {take + "printf 'ftypjunk' > \"$out\"\n"
              "echo 'Error writing trailer of out.mp4: No space left on device' >&2\nexit 0",
       "ffmpeg failed: Error writing trailer of out.mp4"},
      // ffmpeg says nothing and exits 0, but the file stops inside a box.
      {take + "printf '\\000\\000\\000\\020ftypisom\\000\\000\\000\\000\\000\\000\\100\\000mdat' "
              "> \"$out\"\nexit 0",
       video},
      // The index comes first (fast start), but the media data after it is
      // cut short: only the box sizes tell.
      {take + "printf '\\000\\000\\000\\020ftypisom\\000\\000\\000\\000"
              "\\000\\000\\000\\020moov\\000\\000\\000\\010free"
              "\\000\\000\\100\\000mdatframes' > \"$out\"\nexit 0",
       "cut short"},
      // ffmpeg dies without a word: how it ended.
      {"head -c 100 >/dev/null\nexit 7", "ffmpeg stopped taking frames: it ended with status 7"},
      // ffmpeg's own words name its output by the hidden name: given as the
      // user's.
      {take + "echo \"Error writing trailer of $out: No space left on device\" >&2\nexit 1",
       "ffmpeg failed: Error writing trailer of " + video + ": No space left on device"},
  };
  for (const auto& f : failures) failsSaying(video, {FakeFFmpeg(f.body)}, f.says, {"old.mp4"});

  // A folder named ffmpeg on the PATH is no ffmpeg; no ffmpeg at all; no
  // folder to write into.
  fs::create_directories(out_.File("bin/ffmpeg"));
  failsSaying(video, {"PATH=" + out_.File("bin")},
              out_.File("bin/ffmpeg") + " is a folder, not a program", {"old.mp4", "bin"});
  fs::remove_all(out_.File("bin"));
  failsSaying(out_.File("show.mkv"), {"PATH=" + out_.File("empty-bin")}, "ffmpeg", {"old.mp4"});
  failsSaying(out_.File("missing/show.mkv"), {}, "missing", {"old.mp4"});

  if (!HaveFFmpegAndProbe()) GTEST_SKIP() << "ffmpeg is not installed";
  // A file ffprobe cannot read (1000 random bytes), and a whole file with two
  // frames too few, never replace the user's file: named as the user's, with
  // ffprobe's reason.
  const std::string mkv = Own("old.mkv");
  const std::string garbage = take + "head -c 1000 /dev/urandom > \"$out\"\nexit 0";
  // 640x480 RGB frames of 921600 bytes: three of the six reach ffmpeg.
  const std::string short3 = "head -c 2764800 > \"$TMPDIR/raw\"\ncat >/dev/null\n'" + RealFFmpeg() +
                             "' \"$@\" < \"$TMPDIR/raw\"";
  for (const auto& [target, body] : std::vector<std::pair<std::string, std::string>>{
           {video, garbage}, {mkv, garbage}, {mkv, short3}}) {
    failsSaying(target, {FakeFFmpeg(body), "TMPDIR=" + out_.File("fakebin")},
                target + " would not be whole: ", {"old.mp4", "old.mkv"});
  }
}

TEST_F(ExportTest, SignalsAtAnyMomentEndWith130AndLeaveOnlyTheOldFile) {
  if (!HaveFFmpegAndProbe()) GTEST_SKIP() << "ffmpeg is not installed";
  const std::string video = Own("old.mp4");
  // From the very start (loading) through the soundtrack to the frames.
  int moment = 0;
  for (int delayMs : {0, 5, 30, 120, 400, 1500}) {
    const int sig = moment++ % 2 == 0 ? SIGINT : SIGTERM;
    EXPECT_EQ(RunAndSignal({"--export", video, "--fps", "30", "--until", "30", "--size", "640x480",
                            "--overwrite"},
                           sig, delayMs),
              130)
        << delayMs << " ms";
    ExpectLeft({"old.mp4"}, std::to_string(delayMs) + " ms");
  }
  // During the final encode: a stand-in that takes its time after the frames.
  const std::string encoding = out_.File("fakebin/encoding");
  const std::string slow = FakeFFmpeg("cat >/dev/null\ntouch '" + encoding + "'\nsleep 20");
  EXPECT_EQ(RunAndSignal({"--export", video, "--until", "0.2", "--overwrite"}, SIGINT, 100, {slow},
                         encoding),
            130);
  fs::remove_all(out_.File("fakebin"));
  ExpectLeft({"old.mp4"});

  // A folder export, and a plain run with nothing to write.
  const std::string folder = out_.File("frames");
  EXPECT_EQ(RunAndSignal({"--export", folder, "--fps", "60"}, SIGINT, 100, {},
                         folder + "/" + FrameName(0)),
            130);
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(RunAndSignal({"--offscreen", "--fps", "60"}, SIGTERM, 500), 130);
}

TEST_F(ExportTest, AStuckEncoderNeverHoldsTheRunNorOutlivesIt) {
  if (!HaveFFmpegAndProbe()) GTEST_SKIP() << "ffmpeg is not installed";
  alarmSeconds_ = 30;  // a run that hangs is ended well before the test's limit
  const std::string video = Own("old.mkv");
  const std::string pidFile = out_.File("fakebin/pid");
  const std::string sleeps = "echo $$ > '" + pidFile + "'\n";
  auto childPid = [&] { return static_cast<pid_t>(std::atoi(ReadText(pidFile).c_str())); };
  auto until = [&](const char* seconds) {
    return std::vector<std::string>{"--export",    video,     "--fps", "2",
                                    "--overwrite", "--until", seconds};
  };

  // An ffmpeg that never reads: the frames pile up and the frame loop waits.
  // A signal ends that wait at once, and the stand-in with it.
  const std::string neverReads = FakeFFmpeg(sleeps + "exec sleep 100000");
  for (int sig : {SIGINT, SIGTERM}) {
    fs::remove(pidFile);
    double seconds = 0.0;
    EXPECT_EQ(RunAndSignal(until("60"), sig, 500, {neverReads}, pidFile, &seconds), 130) << sig;
    // Asked: within 1 s; the margin is for a loaded machine.
    EXPECT_LT(seconds, 3.0) << sig;
    EXPECT_TRUE(Ended(childPid())) << sig;
    ExpectLeft({"old.mkv", "fakebin"}, std::to_string(sig));
  }

  // Left alone, a stand-in that does nothing at all is given up on after the
  // deadline, while it takes frames or while it should be finishing.
  for (const bool finishing : {false, true}) {
    const std::string stub =
        FakeFFmpeg(sleeps + (finishing ? "cat >/dev/null\n" : "") + "exec sleep 100000");
    EXPECT_TRUE(EndedSaying(Run(until(finishing ? "0.5" : "60"), {stub, "VELMORA_STALL_SECONDS=1"}),
                            3, "seems stuck"))
        << finishing;
    EXPECT_TRUE(Ended(childPid())) << finishing;
    ExpectLeft({"old.mkv", "fakebin"}, finishing ? "finishing" : "taking frames");
  }
}

TEST_F(ExportTest, AKilledExportTakesFFmpegAlongAndTheNextRunClearsItsFiles) {
  if (!HaveFFmpegAndProbe()) GTEST_SKIP() << "ffmpeg is not installed";
  const std::string video = out_.File("show.mp4");
  fs::create_directory(out_.File("tmp"));
  const std::string tmpEnv = "TMPDIR=" + out_.File("tmp");
  // ffmpeg, then a wait that only a signal ends: a child left behind would
  // live on.
  const std::string pidFile = out_.File("tmp/pid");
  const std::string lingers =
      FakeFFmpeg("echo $$ > '" + pidFile + "'\n'" + RealFFmpeg() + "' \"$@\"\nexec sleep 100000");
  const pid_t run =
      Start({"--export", video, "--until", "60", "--size", "640x480"}, {tmpEnv, lingers});
  // Killed once ffmpeg is writing the hidden file.
  pid_t ffmpeg = 0;
  for (int i = 0; i < 1200 && ffmpeg == 0; ++i) {
    for (const std::string& name : Names(out_.path())) {
      if (name.find(".partial") != std::string::npos) {
        ffmpeg = static_cast<pid_t>(std::atoi(ReadText(pidFile).c_str()));
      }
    }
    usleep(50000);
  }
  fs::remove(pidFile);
  fs::remove_all(out_.File("fakebin"));
  kill(run, SIGKILL);
  EXPECT_EQ(testsupport::WaitProgram(run), 128 + SIGKILL);
  EXPECT_TRUE(Ended(ffmpeg));
  // What it leaves: the hidden video and soundtrack, ffmpeg's log and the
  // chapters handed to it.
  EXPECT_GE(Names(out_.path()).size(), 3u);  // and the folder tmp
  EXPECT_EQ(Names(out_.File("tmp")).size(), 2u);

  // The next run to the same file removes those (which files of other runs
  // it keeps is ClaimTest.OnlyTemporaryFilesOfEndedRunsAreRemoved's).
  const ProgramRun again = Run({"--export", video, "--until", "0.3"}, {tmpEnv});
  ASSERT_EQ(again.exitStatus, 0) << again.err;
  ExpectLeft({"show.mp4", "tmp"});
  EXPECT_TRUE(fs::is_empty(out_.File("tmp")));
}

TEST_F(ExportTest, OutputsThatAppearDuringTheRunAreKeptUnlessReplacingWasAsked) {
  // Two shots to one file: the second finds the first there, as it would a
  // file someone made meanwhile, and leaves it; --overwrite lets the later
  // shot replace it.
  const std::string shot = out_.File("shot.png");
  const std::string red = out_.File("red.png"), green = out_.File("green.png");
  ProgramRun run = Run({"--offscreen", "--until", "1.5", "--shot", "0.5:" + shot, "--shot",
                        "0.5:" + red, "--shot", "1.5:" + shot});
  EXPECT_TRUE(EndedSaying(run, 3, shot + " appeared meanwhile"));
  EXPECT_EQ(ReadText(shot), ReadText(red));
  run = Run({"--offscreen", "--until", "1.5", "--shot", "0.5:" + shot, "--shot", "1.5:" + green,
             "--shot", "1.5:" + shot, "--overwrite"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(ReadText(shot), ReadText(green));
  EXPECT_NE(ReadText(red), ReadText(green));
  ExpectLeft({"shot.png", "red.png", "green.png"});

  // Two exports into one new folder at once: each writes under names of its
  // own; one gets every frame, the other stops and takes none of them.
  const std::string folder = out_.File("frames");
  ProgramRun runs[2];
  std::thread other([&] { runs[1] = Run({"--export", folder, "--until", "1"}); });
  runs[0] = Run({"--export", folder, "--until", "1"});
  other.join();
  EXPECT_EQ((runs[0].exitStatus == 0) + (runs[1].exitStatus == 0), 1) << runs[0].err << "\n---\n"
                                                                      << runs[1].err;
  EXPECT_EQ(Names(folder), ExportedFolder(10));
  for (int k = 0; k <= 10; ++k) EXPECT_EQ(LoadPNG(folder + "/" + FrameName(k)).width, 800) << k;

  if (!HaveFFmpegAndProbe()) GTEST_SKIP() << "ffmpeg is not installed";
  // A video whose name is taken while ffmpeg runs.
  const std::string video = out_.File("show.mkv");
  run = Run({"--export", video, "--until", "0.3"},
            {FakeFFmpeg("echo mine > '" + video + "'\nexec '" + RealFFmpeg() + "' \"$@\"")});
  EXPECT_TRUE(EndedSaying(run, 3, video + " appeared meanwhile"));
  EXPECT_EQ(ReadText(video), "mine\n");
  fs::remove_all(out_.File("fakebin"));
  ExpectLeft({"shot.png", "red.png", "green.png", "frames", "show.mkv"});
}

TEST_F(ExportTest, FullDiskFailsWithStatus3AndLeavesNothingPartial) {
  const std::string disk = out_.File("disk");
  fs::create_directory(disk);
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { umount(path.c_str()); }
  } unmount{disk};
  // Frames of the test show are tiny: 0.25 MB takes a few seconds of them and
  // the soundtrack cannot fit after them.
  EXPECT_TRUE(EndedSaying(Run({"--export", disk + "/frames", "--until", "3"}), 3,
                          "No space left on device"));
  EXPECT_TRUE(fs::is_empty(disk));

  // A video: its soundtrack does not fit.
  if (HaveFFmpegAndProbe()) {
    // Named as the user's file, with the system's reason.
    EXPECT_TRUE(EndedSaying(
        Run({"--export", disk + "/show.mp4", "--until", "3"}), 3,
        "cannot write the soundtrack of " + disk + "/show.mp4: No space left on device"));
    EXPECT_TRUE(fs::is_empty(disk));
  }

  // A shot on a disk with a few bytes left.
  {
    std::ofstream filler(disk + "/filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), block.size())) {
    }
  }
  const ProgramRun run = Run({"--offscreen", "--until", "0", "--shot", "0:" + disk + "/shot.png"});
  EXPECT_EQ(run.exitStatus, 3) << run.err;
  EXPECT_EQ(Names(disk), std::set<std::string>{"filler"});
}

// The box sums and their rounded mean, seen whole: a wrong channel, block or
// rounding, or a sum left over, changes these pictures; rows summed upside
// down (this show's picture is symmetric) fail ExportFiltersTest's
// supersampled crabs.
TEST_F(ExportTest, SupersampleAndMotionBlurAreDeterministicFilters) {
  // The test show's colours meet at whole pixels: a supersampled export draws
  // the same picture, filtered down to the requested size.
  const std::string plain = out_.File("plain"), fine = out_.File("fine");
  ASSERT_EQ(Run({"--export", plain, "--until", "0.3"}).exitStatus, 0);
  ASSERT_EQ(Run({"--export", fine, "--until", "0.3", "--supersample", "2"}).exitStatus, 0);
  EXPECT_EQ(LoadPNG(plain + "/frame_000003.png").rgb, LoadPNG(fine + "/frame_000003.png").rgb);

  // Four sub-frames per frame: the frame from 1.0 s holds the last red
  // sub-frame (the scene ends after it) and three green ones.
  const std::string blurred = out_.File("blurred"), again = out_.File("again");
  for (const std::string& folder : {blurred, again}) {
    ASSERT_EQ(Run({"--export", folder, "--until", "1.1", "--motion-blur", "4"}).exitStatus, 0);
  }
  EXPECT_EQ(Names(blurred).size(), 13u);  // frames 0..11 and the soundtrack
  auto rgbAt = [&](int frame, int x, int y) {
    const Picture p = LoadPNG(blurred + "/" + FrameName(frame));
    return std::vector<int>(p.At(x, y), p.At(x, y) + 3);
  };
  EXPECT_EQ(rgbAt(9, 400, 300), (std::vector<int>{255, 0, 0}));
  EXPECT_EQ(rgbAt(10, 400, 300), (std::vector<int>{64, 191, 0}));
  EXPECT_EQ(rgbAt(10, 400, 50), (std::vector<int>{0, 0, 0}));
  // The same frames on every run.
  for (int k = 0; k <= 11; ++k) {
    EXPECT_EQ(ReadText(blurred + "/" + FrameName(k)), ReadText(again + "/" + FrameName(k))) << k;
  }
}

}  // namespace
