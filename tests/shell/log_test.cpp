// The log that F2 writes to: appending a line after earlier content is
// checked through the shell (ShellRunTest.F2LogsItsLineAndSkipsToTheNextScene);
// here, what is not a regular file and a file that cannot grow.
#include "shell/log.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ScopedChdir;
using testsupport::TempDir;

TEST(WriteLogTest, OnlyARegularFileIsWrittenAndNothingBlocks) {
  TempDir dir;
  ScopedChdir cd(dir.path());
  const std::string line = "index = 2 time 20.00 eff  1.25 \n";
  auto writeTwice = [] {
    WriteLog("index = %d time %.2f eff  %.2f \n", 2, 20.0, 1.25);
    WriteLog("index = %d time %.2f eff  %.2f \n", 2, 20.0, 1.25);
    return 0;
  };
  // Runs `body` in a child (the log's complaint is said once per process:
  // each case has its own): its status, and what it wrote in `out` and `err`.
  std::string out, err;
  auto inChild = [&](const std::function<int()>& body) {
    const int status = testsupport::RunInChild(body, 5, dir.File("out"), dir.File("err"));
    out = testsupport::ReadText(dir.File("out"));
    err = testsupport::ReadText(dir.File("err"));
    return status;
  };
  // A pipe nobody reads (opening it for writing would wait for a reader), a
  // device that takes every byte and keeps none of them, a folder.
  for (const std::string kind : {"pipe", "device", "folder"}) {
    if (kind == "pipe") {
      ASSERT_EQ(mkfifo("error_log.txt", 0644), 0);
    }
    if (kind == "device") std::filesystem::create_symlink("/dev/null", "error_log.txt");
    if (kind == "folder") std::filesystem::create_directory("error_log.txt");
    EXPECT_EQ(inChild(writeTwice), 0) << kind;  // ended, in time
    EXPECT_EQ(out, line + line) << kind;
    EXPECT_EQ(err, "velmora: cannot write the log " + dir.File("error_log.txt") +
                       ": it is not a regular file (a pipe, a device or a folder); its lines "
                       "go to standard output\n")
        << kind;
    std::filesystem::remove("error_log.txt");
  }

  // A regular file that cannot grow (a full disk): the failure is said once.
  // (The limit is on every file the child writes: the log is made the
  // largest of them.)
  const std::string earlier(4096, '-');
  dir.Write("error_log.txt", earlier);
  inChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit = {4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    return writeTwice();
  });
  EXPECT_EQ(out, line + line);
  EXPECT_EQ(err, "velmora: cannot write the log " + dir.File("error_log.txt") + ": " +
                     std::strerror(EFBIG) + "; its lines go to standard output\n");
  EXPECT_EQ(testsupport::ReadText("error_log.txt"), earlier);
}

}  // namespace
