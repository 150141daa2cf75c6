#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "timeline/show/show.h"

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void CopyShowData(const std::string& from, const std::string& to) {
  for (const char* item : {"scenes", "textures", show::kMusicFile}) {
    fs::copy(fs::path(from) / item, fs::path(to) / item, fs::copy_options::recursive);
  }
}

std::string TempDir::File(const std::string& relative) const { return path_ + "/" + relative; }

void TempDir::Write(const std::string& relative, const std::string& bytes) const {
  const fs::path target = fs::path(path_) / relative;
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

ScopedChdir::ScopedChdir(const std::string& dir) {
  previous_ = fs::current_path().string();
  fs::current_path(dir);
}

ScopedChdir::~ScopedChdir() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
}

}  // namespace testsupport
