// A fresh temporary folder, removed with everything in it when it goes away.
#pragma once
#include <set>
#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string File(const std::string& relative) const;
  // Writes bytes to path() + "/" + relative, making folders on the way.
  void Write(const std::string& relative, const std::string& bytes) const;

 private:
  std::string path_;
};

// Copies the production's data (scenes/, textures/ and the music module) from
// the folder `from` into the folder `to`, so that a run's log file lands in a
// folder of the test's own.
void CopyShowData(const std::string& from, const std::string& to);

// The whole content of a file; empty when it cannot be read.
std::string ReadText(const std::string& path);

// The names of the entries of a folder.
std::set<std::string> Names(const std::string& folder);

// The current working directory is `dir` for the lifetime of this object.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& dir);
  ~ScopedChdir();
  ScopedChdir(const ScopedChdir&) = delete;
  ScopedChdir& operator=(const ScopedChdir&) = delete;

 private:
  std::string previous_;
};

}  // namespace testsupport
