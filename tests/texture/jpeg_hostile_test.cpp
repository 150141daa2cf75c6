// Hostile files: every truncation and many byte mutations of valid pictures,
// each decoded in a child process under a time limit. Built twice: a short
// smoke run by default, the full run (VELMORA_HOSTILE_LONG) under the label `long`.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <random>

#include "texture/fixtures.h"

#ifdef VELMORA_HOSTILE_LONG  // the two builds' tests need distinct names
#define HOSTILE_SUITE JpegHostileLong
#else
#define VELMORA_HOSTILE_LONG 0
#define HOSTILE_SUITE JpegHostile
#endif

using namespace fixtures;

namespace {

// "decoded", "refused", "hung" (10 s), or how the child died.
std::string DecodeInChild(const Bytes& bytes) {
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(10);
    _exit(Decode(bytes).empty() ? 41 : 40);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return "lost the child";
  const int signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0, code = WEXITSTATUS(status);
  if (signal) return signal == SIGALRM ? "hung" : "signal " + std::to_string(signal);
  return code == 40 ? "decoded" : code == 41 ? "refused" : "exit " + std::to_string(code);
}

// The smoke run uses the first two; the long run all of them.
std::vector<std::pair<const char*, Bytes>> Pictures() {
  const std::pair<const char*, Bytes> all[] = {
      {"baseline with restarts", Encode(13, 11, 3, Pattern(13, 11, 3), {false, 2}, 75)},
      {"progressive", Encode(17, 9, 3, Pattern(17, 9, 3), {true}, 75)},
      {"greyscale progressive", Encode(9, 7, 1, Pattern(9, 7, 1), {true}, 80)},
      {"cmyk", Encode(7, 5, 4, Pattern(7, 5, 4), {}, 80)},
      {"large progressive", Encode(64, 48, 3, Pattern(64, 48, 3), {true}, 90)}};
  return {all, all + (VELMORA_HOSTILE_LONG ? 5 : 2)};
}

}  // namespace

TEST(HOSTILE_SUITE, EveryTruncationIsRefusedCleanly) {
  for (const auto& [name, bytes] : Pictures()) {
    ASSERT_EQ(DecodeInChild(bytes), "decoded") << name;
    for (size_t length = 0; length < bytes.size(); length += VELMORA_HOSTILE_LONG ? 1 : 3)
      ASSERT_EQ(DecodeInChild(Bytes(bytes.begin(), bytes.begin() + long(length))), "refused")
          << name << " cut to " << length << " of " << bytes.size() << " bytes";
  }
}

TEST(HOSTILE_SUITE, MutatedFilesNeverCrashOrHang) {
  const int perPicture = VELMORA_HOSTILE_LONG ? 2000 : 150;
  std::mt19937 random(20240611);
  for (const auto& [name, original] : Pictures()) {
    int refused = 0;
    for (int i = 0; i < perPicture; ++i) {
      Bytes bytes = original;
      // Half of the mutations hit the headers, where the parser works hardest.
      const size_t span = i % 2 == 0 ? std::min<size_t>(bytes.size(), 200) : bytes.size();
      for (int c = 0, changes = 1 + int(random() % 4); c < changes; ++c) {
        uint8_t& b = bytes[random() % span];
        const uint8_t values[] = {uint8_t(random()), uint8_t(b ^ 1u << random() % 8), 0xFF, 0};
        b = values[random() % 4];
      }
      const std::string outcome = DecodeInChild(bytes);
      ASSERT_TRUE(outcome == "decoded" || outcome == "refused")
          << name << " mutation " << i << ": " << outcome;
      refused += outcome == "refused";
    }
    // The mutations must reach the decoder's checks.
    EXPECT_GT(refused, perPicture / 10) << name;
  }
}
