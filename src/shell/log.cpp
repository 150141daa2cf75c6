#include "shell/log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

constexpr const char* kLogFile = "error_log.txt";

}  // namespace

void ShowResult(Result result) {
  if (result.code == 0) return;
  platform::ShowErrorBox(result.message, "error!");
}

void WriteLog(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(line, sizeof(line), format, args);
  va_end(args);
  std::string text(line);
  if (length >= static_cast<int>(sizeof(line))) {
    text.assign(static_cast<size_t>(length) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    text.pop_back();
  }
  std::string why;
  if (platform::AppendToRegularFile(kLogFile, text, &why)) return;
  // Said once per run; the lines themselves still reach standard output.
  static bool reported = false;
  if (!reported) {
    reported = true;
    std::fprintf(stderr, "velmora: cannot write the log %s: %s; its lines go to standard output\n",
                 platform::FullPath(kLogFile).c_str(), why.c_str());
  }
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}
