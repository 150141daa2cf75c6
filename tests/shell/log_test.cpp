#include "shell/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/dialogs.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ScopedChdir;
using testsupport::TempDir;

// Sends one standard stream to a file while alive.
class Capture {
 public:
  Capture(FILE* stream, const std::string& path) : stream_(stream) {
    std::fflush(stream_);
    saved_ = dup(fileno(stream_));
    FILE* file = std::fopen(path.c_str(), "w");
    dup2(fileno(file), fileno(stream_));
    std::fclose(file);
  }
  ~Capture() {
    std::fflush(stream_);
    dup2(saved_, fileno(stream_));
    close(saved_);
  }

 private:
  FILE* stream_;
  int saved_;
};

TEST(WriteLogTest, AppendsTheF2LineAfterEarlierContent) {
  TempDir dir;
  dir.Write("error_log.txt", "earlier run\n");
  ScopedChdir cd(dir.path());
  WriteLog("index = %d time %.2f eff  %.2f \n", 3, 41.256, 0.5);
  WriteLog("index = %d time %.2f eff  %.2f \n", 4, 82.0, 0.0);
  EXPECT_EQ(testsupport::ReadText("error_log.txt"),
            "earlier run\n"
            "index = 3 time 41.26 eff  0.50 \n"
            "index = 4 time 82.00 eff  0.00 \n");
}

TEST(WriteLogTest, FallsBackToStandardOutputWhenTheFileCannotBeOpened) {
  TempDir dir;
  // A folder in the file's place cannot be opened for appending.
  std::filesystem::create_directory(dir.File("error_log.txt"));
  TempDir captureDir;
  const std::string captured = captureDir.File("stdout");
  {
    ScopedChdir cd(dir.path());
    Capture out(stdout, captured);
    WriteLog("index = %d time %.2f eff  %.2f \n", 0, 1.5, 1.5);
  }
  EXPECT_EQ(testsupport::ReadText(captured), "index = 0 time 1.50 eff  1.50 \n");
}

TEST(ShowResultTest, OnlyFailuresAreShown) {
  platform::EnableMessageBoxes(false);
  TempDir captureDir;
  const std::string captured = captureDir.File("stderr");
  {
    Capture err(stderr, captured);
    ShowResult(Result(0, "CScenePlayer::Init() : ok!"));
    ShowResult(Result(0, "anything at all"));
  }
  EXPECT_EQ(testsupport::ReadText(captured), "");
  {
    Capture err(stderr, captured);
    ShowResult(Result(2, "CScenePlayer::Init() : BASS_MusicLoad error!"));
  }
  EXPECT_EQ(testsupport::ReadText(captured), "CScenePlayer::Init() : BASS_MusicLoad error!\n");
}

}  // namespace
