#include "shell/log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dialogs.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ScopedChdir;
using testsupport::TempDir;

// gtest's stream capture swaps the standard stream's file descriptor, as a
// redirection of the program's output would.
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

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
  ScopedChdir cd(dir.path());
  CaptureStdout();
  WriteLog("index = %d time %.2f eff  %.2f \n", 0, 1.5, 1.5);
  EXPECT_EQ(GetCapturedStdout(), "index = 0 time 1.50 eff  1.50 \n");
}

TEST(ShowResultTest, OnlyFailuresAreShown) {
  platform::EnableMessageBoxes(false);
  CaptureStderr();
  ShowResult(Result(0, "CScenePlayer::Init() : ok!"));
  ShowResult(Result(0, "anything at all"));
  ShowResult(Result(2, "CScenePlayer::Init() : BASS_MusicLoad error!"));
  EXPECT_EQ(GetCapturedStderr(), "CScenePlayer::Init() : BASS_MusicLoad error!\n");
}

}  // namespace
