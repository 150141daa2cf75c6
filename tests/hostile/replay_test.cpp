// Replays a fuzz target's seeds and regression files through the target's own
// code (FUZZ_TARGET names the target, FUZZ_SUITE the test suite). A target
// ends the process on a broken promise, the sanitizers on a memory error: the
// line printed before says which file it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// Runs every file of the folder, in name order; returns how many there were.
size_t Replay(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    // An allocation of exactly the input's size, as libFuzzer hands it over,
    // so that AddressSanitizer sees a read one byte past it (a vector's spare
    // capacity would hide it).
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[std::max<size_t>(bytes.size(), 1)]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    LLVMFuzzerTestOneInput(exact.get(), bytes.size());
  }
  return files.size();
}

}  // namespace

TEST(FUZZ_SUITE, SeedsAndRegressionFilesRunClean) {
  const std::string source = VELMORA_SOURCE_DIR;
  EXPECT_GT(Replay(source + "/fuzz/corpus/" FUZZ_TARGET), 0u) << "no seeds for " FUZZ_TARGET;
  Replay(source + "/tests/hostile/" FUZZ_TARGET);
}
