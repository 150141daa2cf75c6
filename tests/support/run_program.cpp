#include "support/run_program.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/temp_dir.h"

namespace testsupport {

pid_t StartProgram(const std::vector<std::string>& args, const std::vector<std::string>& setEnv,
                   const std::vector<std::string>& unsetEnv, int timeoutSeconds,
                   const std::string& outPath, const std::string& errPath) {
  const pid_t child = fork();
  if (child == 0) {
    // Sanitized builds: the programs run with their own sanitizer options
    // (see the top CMakeLists.txt).
    if (const char* programOptions = getenv("VELMORA_PROGRAM_ASAN_OPTIONS"))
      setenv("ASAN_OPTIONS", programOptions, 1);
    for (const std::string& name : unsetEnv) unsetenv(name.c_str());
    for (const std::string& pair : setEnv) putenv(strdup(pair.c_str()));
    if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
      _exit(126);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    alarm(static_cast<unsigned>(timeoutSeconds));  // survives exec: a hang is killed
    execv(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

int WaitProgram(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunInChild(const std::function<int()>& body, int timeoutSeconds, const std::string& outPath,
               const std::string& errPath) {
  const pid_t child = fork();
  if (child == 0) {
    if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
      _exit(126);
    alarm(static_cast<unsigned>(timeoutSeconds));
    const int status = body();
    std::fflush(nullptr);
    _exit(status);
  }
  return child < 0 ? -1 : WaitProgram(child);
}

ProgramRun RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& setEnv,
                      const std::vector<std::string>& unsetEnv, int timeoutSeconds) {
  ProgramRun run;
  TempDir capture;
  const std::string outPath = capture.File("out");
  const std::string errPath = capture.File("err");
  run.exitStatus =
      WaitProgram(StartProgram(args, setEnv, unsetEnv, timeoutSeconds, outPath, errPath));
  run.out = ReadText(outPath);
  run.err = ReadText(errPath);
  return run;
}

testing::AssertionResult EndedSaying(const ProgramRun& run, int status, const std::string& text) {
  if (run.exitStatus == status && run.err.find(text) != std::string::npos)
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "ended with " << run.exitStatus << " (expected " << status << ") saying\n"
         << run.err << "(expected it to say '" << text << "')";
}

std::string Probe(const std::string& file, const std::string& what) {
  std::string out =
      RunProgram({"/bin/sh", "-c",
                  "exec ffprobe -v error " + what + " -of default=nw=1:nk=1 \"$0\"", file})
          .out;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace testsupport
