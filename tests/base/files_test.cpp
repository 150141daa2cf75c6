#include "platform/files.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/temp_dir.h"

namespace {

using testsupport::ScopedChdir;
using testsupport::TempDir;

// Backslash names resolve component by component ignoring case where the
// exact name is missing: SoundLayer.LoadRefusesMissingAndCutModulesAndFindsTheProgramsNames
// (folder and file in other cases) and TextureTest.LibraryLoadsEachKeyOnce...
// (a file in other case) load through them. (A missing file in a folder
// that is there, and a folder for a file, are
// TextureTest.FailuresReportTheirCodeAndLeaveTheObjectEmpty's and
// SoundLayer.PlayerAndRendererRefuseTheSameFilesForTheSameReasons'.)
TEST(FilesTest, MissingFilesAndFoldersFailCleanlySayingWhy) {
  TempDir dir;
  dir.Write("textures/a.jpg", "a");
  ScopedChdir cd(dir.path());
  std::vector<uint8_t> bytes{1, 2, 3};
  std::string why;
  EXPECT_FALSE(platform::ReadWholeFile("nofolder\\a.jpg", &bytes, 100, &why));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(why, "the file does not exist");
  // Unresolvable names map the separator and stay as they are.
  EXPECT_EQ(platform::ResolvePath("nofolder\\A.jpg"), "nofolder/A.jpg");
  // Too large for the caller's limit.
  EXPECT_FALSE(platform::ReadWholeFile("textures\\a.jpg", &bytes, 0, &why));
  EXPECT_EQ(why, "it is larger than 0 bytes");

  // Messages name the file by its full path with '/', as it was found.
  EXPECT_EQ(platform::FullPath("TEXTURES\\A.JPG"), dir.File("textures/a.jpg"));
  EXPECT_EQ(platform::FullPath("scenes\\..\\missing.3ds"), dir.File("missing.3ds"));
}

TEST(FilesTest, DataIsLookedForBesideTheProgramThenInTheInstalledShareFolder) {
  EXPECT_EQ(platform::DataFolderCandidates("/opt/v/bin", "../share/velmora", "/usr/share/velmora"),
            (std::vector<std::string>{"/opt/v/bin", "/opt/v/share/velmora", "/usr/share/velmora"}));
  // An install where both roads lead to the same folder lists it once.
  EXPECT_EQ(platform::DataFolderCandidates("/usr/bin/", "../share/velmora", "/usr/share/velmora/"),
            (std::vector<std::string>{"/usr/bin", "/usr/share/velmora"}));

  TempDir dir;
  dir.Write("bin/velmora", "program");
  dir.Write("share/velmora/demomusic.xm", "music");
  dir.Write("other/demomusic.xm/inside", "a folder named like the marker");
  const std::vector<std::string> folders =
      platform::DataFolderCandidates(dir.File("bin"), "../share/velmora", dir.File("other"));
  EXPECT_EQ(platform::FirstFolderHolding(folders, "demomusic.xm"), dir.File("share/velmora"));
  EXPECT_EQ(platform::FirstFolderHolding({dir.File("other"), dir.File("bin")}, "demomusic.xm"), "");
  dir.Write("bin/demomusic.xm", "beside the program comes first");
  EXPECT_EQ(platform::FirstFolderHolding(folders, "demomusic.xm"), dir.File("bin"));
}

}  // namespace
