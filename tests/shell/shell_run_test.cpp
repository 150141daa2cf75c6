// The frame driver run for real, offscreen, through the command line of a
// small show (red until 1 s, green until 2 s, then blue).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sound/xm_fixtures.h"
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testsupport::EndedSaying;
using testsupport::Picture;
using testsupport::ProgramRun;
using testsupport::TempDir;

class ShellRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(xm::SaveXm(dir_.File("demomusic.xm"), soundtest::Module(2, 16), &error)) << error;
  }

  ProgramRun Run(std::vector<std::string> args) {
    args.insert(args.begin(), {TESTSHOW_PATH, "--data", dir_.path()});
    return testsupport::RunProgram(args);
  }

  // A shot of the frame at `time` into the test's folder.
  std::string ShotAt(const std::string& time, const std::string& name) {
    return time + ":" + dir_.File(name);
  }

  Picture Shot(const std::string& name) { return testsupport::LoadPNG(dir_.File(name)); }

  static void ExpectColour(const Picture& p, int x, int y, int r, int g, int b) {
    ASSERT_GT(p.width, x);
    EXPECT_EQ(std::vector<int>(p.At(x, y), p.At(x, y) + 3), std::vector<int>({r, g, b}))
        << "at " << x << "," << y;
  }

  std::string Events() { return testsupport::ReadText(dir_.File("layer_events.txt")); }

  TempDir dir_;
};

// The console shows from the start; F1 hides it.
TEST_F(ShellRunTest, PlaysScenesInTimeWithLetterboxAndConsoleAndEndsAfterUntil) {
  const ProgramRun run = Run({"--offscreen", "--fps", "20", "--until", "1.2", "--key", "0.3:F1",
                              "--shot", ShotAt("0.2", "on.png"), "--shot", ShotAt("0.95", "a.png"),
                              "--shot", ShotAt("1.0", "b.png"), "--shot", ShotAt("1.05", "c.png"),
                              "--shot", ShotAt("1.2", "d.png")});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const Picture a = Shot("a.png");
  EXPECT_EQ(a.width, 800);
  EXPECT_EQ(a.height, 600);
  ExpectColour(a, 400, 300, 255, 0, 0);
  // The bands: rows 0-99 and 500-599 of 600 are black, the picture between.
  for (int x : {0, 399, 799})
    for (int y : {0, 99, 100, 499, 500, 599})
      ExpectColour(a, x, y, y >= 100 && y < 500 ? 255 : 0, 0, 0);
  // At 1.0 s the first scene renders once more; the second shows from the next frame.
  ExpectColour(Shot("b.png"), 400, 300, 255, 0, 0);
  ExpectColour(Shot("c.png"), 400, 300, 0, 255, 0);
  ExpectColour(Shot("d.png"), 400, 300, 0, 255, 0);
  // The run ended with the frame at 1.2 s, long before the third scene.
  EXPECT_EQ(Events(),
            "init red\ninit green\ninit blue\nrestart green\n"
            "done red\ndone green\ndone blue\n");

  // The console's faint panel at (5, 410)-(170, 470) of the overlay lies on
  // the band, white text inside it; hidden, it leaves the band black.
  const Picture on = Shot("on.png");
  EXPECT_NEAR(on.At(190, 580)[0], 64, 2);
  int bright = 0;
  for (int y = 512; y < 588; ++y) {
    for (int x = 8; x < 210; ++x) bright += on.At(x, y)[0] > 200 ? 1 : 0;
  }
  EXPECT_GT(bright, 100);
  for (int y = 500; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) ASSERT_EQ(a.At(x, y)[0], 0) << x << "," << y;
  }
}

TEST_F(ShellRunTest, F2LogsItsLineAndSkipsToTheNextScene) {
  { std::ofstream(dir_.File("error_log.txt")) << "kept\n"; }
  const ProgramRun run =
      Run({"--offscreen", "--fps", "10", "--until", "0.8", "--key", "0.5:F2", "--shot",
           ShotAt("0.4", "before.png"), "--shot", ShotAt("0.6", "after.png")});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(testsupport::ReadText(dir_.File("error_log.txt")),
            "kept\nindex = 0 time 0.50 eff  0.50 \n");
  ExpectColour(Shot("before.png"), 400, 300, 255, 0, 0);
  ExpectColour(Shot("after.png"), 400, 300, 0, 255, 0);
  // No restart for a skip.
  EXPECT_EQ(Events().find("restart"), std::string::npos);
}

// Escape ends the run before the frame of its time is drawn: F2 pressed at
// the same time after it never logs (a shot then is refused as unreachable).
TEST_F(ShellRunTest, EscapeEndsTheRunBeforeTheNextFrameAndShutsDown) {
  const ProgramRun run = Run({"--offscreen", "--fps", "10", "--key", "0.3:Escape", "--key",
                              "0.3:F2", "--shot", ShotAt("0.2", "drawn.png")});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir_.File("drawn.png")));
  EXPECT_EQ(testsupport::ReadText(dir_.File("error_log.txt")).find("index ="), std::string::npos);
  EXPECT_NE(Events().find("done red\ndone green\ndone blue\n"), std::string::npos);
}

TEST_F(ShellRunTest, RunEndsWithTheFirstFramePast193Point9) {
  // A pause of one frame at 191 s makes the run half a second longer than
  // the show, so that a shot after its last frame may be asked for (and is
  // never taken): the frame at demo time 194 s comes at run time 194.5 s.
  const ProgramRun run =
      Run({"--offscreen", "--fps", "2", "--start", "190", "--key", "191:Space", "--key",
           "191.5:Space", "--shot", ShotAt("194", "last_but_one.png"), "--shot",
           ShotAt("194.5", "last.png"), "--shot", ShotAt("195", "never.png")});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir_.File("last_but_one.png")));
  // The closing frame is still completed and presented.
  ExpectColour(Shot("last.png"), 400, 300, 0, 0, 255);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("never.png")));
  // The player was shut down in the last frame and again at the end.
  EXPECT_NE(Events().find("done blue\ndone red\ndone green\ndone blue\n"), std::string::npos);
}

TEST_F(ShellRunTest, FailuresEndTheRunWithTheirStatusAndMessage) {
  // (A command line that is refused ends with 2 as the late shot below does;
  // the messages are OptionsTest's.)
  ProgramRun run = Run({"--help"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_NE(run.out.find("--offscreen"), std::string::npos);

  // No display and no --offscreen: the window step fails.
  run = testsupport::RunProgram({TESTSHOW_PATH, "--data", dir_.path(), "--window"}, {},
                                {"DISPLAY", "WAYLAND_DISPLAY"});
  EXPECT_EQ(run.exitStatus, 2);
  // One box, and one line on stderr: the fixed message, then the reason.
  EXPECT_EQ(run.err.rfind("Create window failed!  no display to open a window on", 0), 0u)
      << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  // A display name nobody serves: SDL quietly falls back to an invisible
  // surface, which is refused, naming the display.
  EXPECT_TRUE(
      EndedSaying(testsupport::RunProgram({TESTSHOW_PATH, "--data", dir_.path(), "--window"},
                                          {"DISPLAY=:97"}, {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}),
                  2, "the X display ':97' (DISPLAY)"));
  EXPECT_TRUE(EndedSaying(Run({"--offscreen", "--data", dir_.File("nowhere")}), 2, "nowhere"));

  // A failed set-up shows its message and draws nothing.
  { std::ofstream(dir_.File("fail_init")) << ""; }
  run = Run({"--offscreen", "--shot", ShotAt("0", "never.png")});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err, "CGreen::Init() : asked to fail\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("never.png")));
  std::filesystem::remove(dir_.File("fail_init"));

  // The message keeps its text; one more line says which file and why.
  std::filesystem::remove(dir_.File("demomusic.xm"));
  run = Run({"--offscreen"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err,
            "CScenePlayer::Init() : BASS_MusicLoad error!\nvelmora: could not load the music " +
                dir_.File("demomusic.xm") + ": the file does not exist\n");

  // A request that cannot be carried out stops before anything runs.
  std::filesystem::remove(dir_.File("layer_events.txt"));
  EXPECT_TRUE(EndedSaying(Run({"--offscreen", "--until", "3", "--shot", ShotAt("10", "late.png")}),
                          2, "after --until 3"));
  EXPECT_EQ(Events(), "");
}

TEST_F(ShellRunTest, WithoutDataFolderItSaysEveryPlaceItLooked) {
  // The test show's own folder holds no music, nor does any share folder.
  const ProgramRun run = testsupport::RunProgram({TESTSHOW_PATH, "--offscreen"});
  const std::string programFolder =
      std::filesystem::path(TESTSHOW_PATH).parent_path().lexically_normal().generic_string();
  EXPECT_TRUE(EndedSaying(run, 1, "looked in " + programFolder + ", "));
  EXPECT_NE(run.err.find("share/velmora"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("--data"), std::string::npos) << run.err;
}

TEST_F(ShellRunTest, VersionNamesTheProgramAndEachLibraryOnItsOwnLine) {
  const ProgramRun run = Run({"--version"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  std::vector<std::string> lines;
  std::istringstream text(run.out);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  const std::vector<std::string> starts = {"velmora 1.",       "SDL 2.",    "libopenmpt 0.",
                                           "libjpeg-turbo 2.", "lib3ds 1.", "GL renderer: "};
  ASSERT_EQ(lines.size(), starts.size()) << run.out;
  for (size_t i = 0; i < starts.size(); ++i) {
    EXPECT_EQ(lines[i].rfind(starts[i], 0), 0u) << lines[i];
  }
  EXPECT_NE(lines.back().find("OpenGL "), std::string::npos) << lines.back();
}

// A real window on an X server (Xvfb) that goes away under it: the run ends
// with the status kept for that, not with 1 (a failed load) as Xlib's own
// handler would.
TEST_F(ShellRunTest, ALostDisplayEndsWithItsOwnStatus) {
  if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Xvfb";
  // Xvfb writes the number of the display it took, and a newline, to its
  // standard output (-displayfd 1): a file of the test's.
  const pid_t server = testsupport::StartProgram(
      {"/bin/sh", "-c", "exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp"}, {}, {}, 120,
      dir_.File("display"));
  std::string number;
  for (int i = 0; i < 200 && number.find('\n') == std::string::npos; ++i) {
    usleep(50000);
    number = testsupport::ReadText(dir_.File("display"));
  }
  number = number.substr(0, number.find('\n'));
  ASSERT_FALSE(number.empty()) << "Xvfb did not start";

  const std::string errFile = dir_.File("err");
  const pid_t show = testsupport::StartProgram(
      {TESTSHOW_PATH, "--data", dir_.path(), "--window", "--until", "50"}, {"DISPLAY=:" + number},
      {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY"}, 60, "/dev/null", errFile);
  // The window is open once the layers are set up; then a few frames.
  for (int i = 0; i < 200 && Events().find("init") == std::string::npos; ++i) usleep(50000);
  usleep(500000);
  kill(server, SIGTERM);
  testsupport::WaitProgram(server);
  EXPECT_EQ(testsupport::WaitProgram(show), 4) << testsupport::ReadText(errFile);
  EXPECT_NE(testsupport::ReadText(errFile).find("the connection to the X display was lost"),
            std::string::npos);
}

}  // namespace
