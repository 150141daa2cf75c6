#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fuzzsupport {

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz target: %s\n", what);
  std::abort();
}

namespace {
std::vector<std::string>& Folders() {
  static std::vector<std::string> folders;
  return folders;
}
void RemoveFolders() {
  std::error_code ignored;
  for (const std::string& folder : Folders()) std::filesystem::remove_all(folder, ignored);
}
}  // namespace

std::string MakeScratchFolder(const char* stem) {
  const char* tmp = std::getenv("TMPDIR");
  std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp ? tmp : "/tmp";
  std::string pattern = base + "/" + stem + ".XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a scratch folder");
  if (Folders().empty()) std::atexit(RemoveFolders);
  Folders().push_back(pattern);
  return pattern;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && written;
}

}  // namespace fuzzsupport
