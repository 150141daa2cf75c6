// How text leaves the program: a box for a failed result, and the log file.
#pragma once
#include "shell/base/result.h"

// Shows the message of a failed result (code not 0) in a box captioned
// "error!"; a successful result shows nothing.
void ShowResult(Result result);

// Appends printf-formatted text to "error_log.txt" in the working directory
// when that is a regular file or absent (never blocking on a pipe of that
// name); otherwise, or when the write fails, to standard output, after one
// line on stderr per run that says why.
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
