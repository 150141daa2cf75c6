// Runs a program as a child process and collects what it printed.
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
  int exitStatus = -1;  // the exit code, or 128 + signal when killed by one
  std::string out;
  std::string err;
};

// Whether `run` ended with `status` and said `text` on its standard error; a
// failure shows both.
testing::AssertionResult EndedSaying(const ProgramRun& run, int status, const std::string& text);

// Runs `args[0]` with `args` in the current environment plus `setEnv`
// ("NAME=value") minus `unsetEnv`; kills it after timeoutSeconds.
ProgramRun RunProgram(const std::vector<std::string>& args,
                      const std::vector<std::string>& setEnv = {},
                      const std::vector<std::string>& unsetEnv = {}, int timeoutSeconds = 120);

// The same started as a child writing its stdout and stderr into the given
// files: its pid, for a test to signal or watch.
pid_t StartProgram(const std::vector<std::string>& args, const std::vector<std::string>& setEnv,
                   const std::vector<std::string>& unsetEnv, int timeoutSeconds,
                   const std::string& outPath = "/dev/null",
                   const std::string& errPath = "/dev/null");
// Waits for a child: its exit status, or 128 + the signal that ended it.
int WaitProgram(pid_t child);

// What ffprobe says of `file` when asked `what` (its options, such as
// "-show_entries stream=width"): the values alone, one a line, without the
// last line's end.
std::string Probe(const std::string& file, const std::string& what);

// Runs `body` in a forked child that ends with what it returns, its stdout
// and stderr written into the given files, ended by SIGALRM after
// `timeoutSeconds`: WaitProgram's status (128 + SIGALRM for a hang), or -1
// when no child could be made.
int RunInChild(const std::function<int()>& body, int timeoutSeconds,
               const std::string& outPath = "/dev/null", const std::string& errPath = "/dev/null");

}  // namespace testsupport
