#include "shell/log.h"

#include <cstdarg>
#include <cstdio>

#include "platform/dialogs.h"
#include "platform/files.h"

void ShowResult(Result result) {
  if (result.code == 0) return;
  platform::ShowErrorBox(result.message, "error!");
}

void WriteLog(const char* format, ...) {
  FILE* file = platform::OpenFile("error_log.txt", "a");
  FILE* stream = file != nullptr ? file : stdout;
  va_list args;
  va_start(args, format);
  std::vfprintf(stream, format, args);
  va_end(args);
  std::fflush(stream);
  if (file != nullptr) std::fclose(file);
}
