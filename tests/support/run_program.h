// Runs a program as a child process and collects what it printed.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
  int exitStatus = -1;  // the exit code, or 128 + signal when killed by one
  std::string out;
  std::string err;
};

// Runs `args[0]` with `args` in the current environment plus `setEnv`
// ("NAME=value") minus `unsetEnv`; kills it after timeoutSeconds.
ProgramRun RunProgram(const std::vector<std::string>& args,
                      const std::vector<std::string>& setEnv = {},
                      const std::vector<std::string>& unsetEnv = {}, int timeoutSeconds = 120);

}  // namespace testsupport
