// Exports of the small test show: a folder of PNG frames with its WAV, a
// video through ffmpeg, and the failures that must leave nothing behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "content/xm_writer.h"
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Picture;
using testsupport::ProgramRun;
using testsupport::TempDir;

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A module with one audible note, so the soundtrack is not silence.
    xm::XmModule module;
    module.channels = 1;
    module.patterns.emplace_back(32, 1);
    module.orders = {0};
    xm::XmInstrument instrument;
    xm::XmSample sample;
    for (int i = 0; i < 64; ++i) {
      sample.pcm16.push_back(static_cast<int16_t>(12000 * std::sin(i * 2 * M_PI / 64)));
    }
    sample.loop = xm::XmLoop::kForward;
    sample.loopLength = 64;
    instrument.samples.push_back(sample);
    module.instruments.push_back(instrument);
    module.patterns[0].At(0, 0).note = xm::Note(4, 0);
    module.patterns[0].At(0, 0).instrument = 1;
    std::string error;
    ASSERT_TRUE(xm::SaveXm(data_.File("demomusic.xm"), module, &error)) << error;
  }

  ProgramRun Run(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
    args.insert(args.begin(), {TESTSHOW_PATH, "--data", data_.path()});
    return testsupport::RunProgram(args, env);
  }

  static std::string Probe(const std::string& file, const std::string& what) {
    const std::string command =
        "ffprobe -v error " + what + " -of default=nw=1:nk=1 '" + file + "' 2>/dev/null";
    std::string result;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[256];
      while (std::fgets(buffer, sizeof(buffer), pipe)) result += buffer;
      pclose(pipe);
    }
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
  }

  TempDir data_;
  TempDir out_;
};

TEST_F(ExportTest, FolderHoldsEveryFrameAndASoundtrackOfTheSameLength) {
  const std::string folder = out_.File("frames");
  const ProgramRun run = Run({"--export", folder, "--fps", "10", "--until", "1"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  // Frames 0 to 10: demo times 0.0 .. 1.0.
  for (int k = 0; k <= 10; ++k) {
    char name[32];
    std::snprintf(name, sizeof(name), "/frame_%06d.png", k);
    EXPECT_TRUE(fs::exists(folder + name)) << name;
  }
  EXPECT_FALSE(fs::exists(folder + "/frame_000011.png"));
  // 11 frames at 10 fps are 1.1 s: 52800 stereo 16-bit frames at 48 kHz.
  const std::string wav = folder + "/soundtrack.wav";
  ASSERT_TRUE(fs::exists(wav));
  EXPECT_EQ(fs::file_size(wav), 44u + 52800u * 4u);
  std::ifstream in(wav, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int loud = 0;
  for (size_t i = 44; i + 1 < bytes.size(); i += 2) {
    const int16_t sample =
        static_cast<int16_t>(uint16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
    loud += std::abs(sample) > 1000 ? 1 : 0;
  }
  EXPECT_GT(loud, 10000);
  EXPECT_NE(run.err.find("export: 100%"), std::string::npos);

  // A frame of the export is exactly the shot of the same demo time.
  const std::string shot = out_.File("shot.png");
  ASSERT_EQ(
      Run({"--offscreen", "--fps", "10", "--until", "0.5", "--shot", "0.5:" + shot}).exitStatus, 0);
  Picture exported, shotPicture;
  ASSERT_TRUE(testsupport::ReadPNG(folder + "/frame_000005.png", &exported));
  ASSERT_TRUE(testsupport::ReadPNG(shot, &shotPicture));
  EXPECT_EQ(exported.width, 800);
  EXPECT_EQ(exported.rgb, shotPicture.rgb);
}

TEST_F(ExportTest, VideoHasTheFramesAndTheSoundOfTheDemoTime) {
  if (std::system("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0) {
    GTEST_SKIP() << "ffmpeg is not installed";
  }
  const std::string video = out_.File("show.mp4");
  const ProgramRun run =
      Run({"--export", video, "--fps", "10", "--until", "2", "--size", "640x480"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(Probe(video, "-count_frames -select_streams v:0 -show_entries stream=nb_read_frames"),
            "21");
  EXPECT_EQ(Probe(video, "-select_streams v:0 -show_entries stream=width,height"), "640\n480");
  const double audio =
      std::atof(Probe(video, "-select_streams a:0 -show_entries stream=duration").c_str());
  // 21 frames at 10 fps: 2.1 s, within one AAC block.
  EXPECT_NEAR(audio, 2.1, 0.025);
  // Nothing but the video is left beside it.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(out_.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(ExportTest, FailuresSayWhyAndLeaveNothingBehind) {
  // No ffmpeg on the path.
  const std::string video = out_.File("show.mp4");
  ProgramRun run =
      Run({"--export", video, "--fps", "10", "--until", "1"}, {"PATH=" + out_.File("empty-bin")});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("ffmpeg"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(out_.path()));

  // No folder to write into.
  run = Run({"--export", out_.File("missing/show.mkv"), "--until", "1"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("missing"), std::string::npos);

  // A file where the folder should be.
  { std::ofstream(out_.File("plain")) << "x"; }
  run = Run({"--export", out_.File("plain"), "--until", "1"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(fs::file_size(out_.File("plain")), 1u);

  // Too small a picture.
  run = Run({"--export", out_.File("f"), "--size", "320x240"});
  EXPECT_EQ(run.exitStatus, 2);
  EXPECT_FALSE(fs::exists(out_.File("f")));
}

TEST_F(ExportTest, InterruptRemovesThePartialOutput) {
  const std::string folder = out_.File("frames");
  const pid_t child = fork();
  if (child == 0) {
    freopen("/dev/null", "w", stderr);
    execl(TESTSHOW_PATH, TESTSHOW_PATH, "--data", data_.path().c_str(), "--export", folder.c_str(),
          "--fps", "60", static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until some frames are on disk, then press Ctrl-C.
  for (int i = 0; i < 200 && !fs::exists(folder + "/frame_000003.png"); ++i) usleep(50000);
  ASSERT_TRUE(fs::exists(folder + "/frame_000003.png"));
  kill(child, SIGINT);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(folder));
}

}  // namespace
