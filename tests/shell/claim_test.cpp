// Claiming outputs under their final names: never over a file that is there
// unless asked, and temporary files removed only when their run has ended.
#include "platform/claim.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Names;
using testsupport::ReadText;
using testsupport::TempDir;

// A pid that no process has now: a child's, once it has ended and been reaped.
pid_t EndedPid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

// A temporary file is this run's alone and takes a free final name. (That a
// file found at the final name is kept, with a message, unless replacing was
// asked, and nothing is left beside it, is
// ExportTest.OutputsThatAppearDuringTheRunAreKeptUnlessReplacingWasAsked's.)
TEST(ClaimTest, ATemporaryFileIsThisRunsAloneAndTakesAFreeName) {
  TempDir dir;
  const std::string target = dir.File("shot.png");
  std::string temporary;
  platform::TemporaryName(target, &temporary);
  EXPECT_EQ(temporary, dir.File(".shot.png." + platform::RunTag() + ".partial"));
  std::string reason;
  int fd = platform::CreateTemporary(temporary, target, &reason);
  ASSERT_GE(fd, 0) << reason;
  ASSERT_EQ(write(fd, "new", 3), 3);
  close(fd);
  // A second creation is refused.
  EXPECT_LT(platform::CreateTemporary(temporary, target, &reason), 0);
  EXPECT_NE(reason.find(target), std::string::npos) << reason;
  ASSERT_TRUE(platform::ClaimName(temporary, target, false, &reason)) << reason;
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{"shot.png"});
}

TEST(ClaimTest, TwoRunsNeverShareATemporaryName) {
  // Another process (a child, so the same program, forked after this one
  // named it) names the same output.
  const std::string path = "/some/folder/frame_000001.png";
  std::string own;
  platform::TemporaryName(path, &own);
  TempDir dir;
  testsupport::RunInChild(
      [&] {
        std::string name;
        platform::TemporaryName(path, &name);
        dir.Write("child", name);
        return 0;
      },
      10);
  EXPECT_NE(ReadText(dir.File("child")), "");
  EXPECT_NE(ReadText(dir.File("child")), own);
  EXPECT_EQ(own.rfind("/some/folder/.frame_000001.png.", 0), 0u) << own;
}

TEST(ClaimTest, OnlyTemporaryFilesOfEndedRunsAreRemoved) {
  // The names a run makes, and names that only look alike.
  platform::TemporaryParts parts;
  ASSERT_TRUE(platform::ParseTemporaryName(".show.mp4.123-456.partial", &parts));
  EXPECT_EQ(parts.name, "show.mp4");
  EXPECT_EQ(parts.pid, 123);
  EXPECT_EQ(parts.start, 456u);
  for (const char* soundtrack :
       {".show.mp4.12-34.soundtrack.wav", "..show.mp4.12-34.soundtrack.wav.12-34.partial"}) {
    EXPECT_TRUE(platform::ParseTemporaryName(soundtrack, &parts) && parts.name == "show.mp4")
        << soundtrack;
  }
  for (const char* other : {"show.mp4", ".show.mp4.partial", ".show.mp4.12-34", ".12-34.partial",
                            ".show.mp4.12-.partial", ".show.mp4.x1-2.partial"}) {
    EXPECT_FALSE(platform::ParseTemporaryName(other, &parts)) << other;
  }

  // Owners: this process is alive; an ended pid is gone; this pid with
  // another start time is a process that had it before.
  const std::string own = platform::RunTag();
  const std::string ownPid = std::to_string(getpid());
  const std::string ended = std::to_string(EndedPid()) + "-12345";
  ASSERT_TRUE(platform::ParseTemporaryName(".x." + own + ".partial", &parts));
  EXPECT_FALSE(platform::OwnerIsGone(parts.pid, parts.start));
  EXPECT_TRUE(platform::OwnerIsGone(getpid(), parts.start + 1));

  TempDir dir;
  for (const std::string& name : std::vector<std::string>{
           ".show.mp4." + ended + ".partial", ".show.mp4." + ended + ".soundtrack.wav",
           "..show.mp4." + ended + ".soundtrack.wav." + ended + ".partial",
           ".show.mp4." + ownPid + "-1.partial", ".show.mp4." + own + ".partial",
           ".other.mp4." + ended + ".partial", std::string("show.mp4"), std::string(".notes")}) {
    dir.Write(name, "x");
  }
  EXPECT_EQ(platform::RemoveStaleTemporariesOf(dir.File("show.mp4")), 4);
  EXPECT_EQ(Names(dir.path()),
            (std::set<std::string>{".show.mp4." + own + ".partial",
                                   ".other.mp4." + ended + ".partial", "show.mp4", ".notes"}));
}

}  // namespace
