// Helpers shared by the fuzz targets (and their replay in the test suite).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Ends the process with a message: a target's own check found a broken
// promise. abort() makes libFuzzer keep the input as a finding.
[[noreturn]] void Fail(const char* what);

// A new empty folder under /dev/shm (or TMPDIR, or /tmp), removed at exit.
std::string MakeScratchFolder(const char* stem);

// Replaces `path` with the bytes; false when it cannot be written.
bool WriteFile(const std::string& path, const uint8_t* data, size_t size);

}  // namespace fuzzsupport
