// Hostile files: every truncation and many byte mutations of valid pictures,
// each decoded in a child process under a time limit. Built twice: a short
// smoke run by default, the full run under the label `long`.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <random>

#include "texture/fixtures.h"

#ifndef VELMORA_HOSTILE_LONG
#define VELMORA_HOSTILE_LONG 0
#endif
// The two builds' tests need distinct names.
#if VELMORA_HOSTILE_LONG
#define HOSTILE_SUITE JpegHostileLong
#else
#define HOSTILE_SUITE JpegHostile
#endif

namespace {

enum Outcome { kDecoded, kRefused, kCrashed, kHung };

constexpr int kDecodedExit = 40;
constexpr int kRefusedExit = 41;

Outcome DecodeInChild(const std::vector<uint8_t>& bytes, std::string* detail) {
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(10);
    _exit(fixtures::Decode(bytes).ok ? kDecodedExit : kRefusedExit);
  }
  if (pid < 0) {
    *detail = "fork failed";
    return kCrashed;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kDecodedExit) return kDecoded;
  if (WIFEXITED(status) && WEXITSTATUS(status) == kRefusedExit) return kRefused;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return kHung;
  *detail = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                : "exit " + std::to_string(WEXITSTATUS(status));
  return kCrashed;
}

struct Fixture {
  const char* name;
  std::vector<uint8_t> bytes;
};

std::vector<Fixture> Fixtures() {
  content::JpegWriteOptions restart;
  restart.restartInterval = 2;
  content::JpegWriteOptions progressive;
  progressive.progressive = true;
  std::vector<Fixture> all = {
      {"baseline with restarts", fixtures::Encode(13, 11, 3, fixtures::Pattern(13, 11, 3), 75, restart)},
      {"progressive", fixtures::Encode(17, 9, 3, fixtures::Pattern(17, 9, 3), 75, progressive)},
  };
  if (VELMORA_HOSTILE_LONG) {
    all.push_back({"greyscale progressive",
                   fixtures::Encode(9, 7, 1, fixtures::Pattern(9, 7, 1), 80, progressive)});
    all.push_back({"cmyk", fixtures::Encode(7, 5, 4, fixtures::Pattern(7, 5, 4), 80)});
    all.push_back({"large progressive",
                   fixtures::Encode(64, 48, 3, fixtures::Pattern(64, 48, 3), 90, progressive)});
  }
  return all;
}

}  // namespace

TEST(HOSTILE_SUITE, EveryTruncationIsRefusedCleanly) {
  for (const Fixture& f : Fixtures()) {
    std::string detail;
    ASSERT_EQ(DecodeInChild(f.bytes, &detail), kDecoded) << f.name << " " << detail;
    const size_t step = VELMORA_HOSTILE_LONG ? 1 : 3;
    for (size_t length = 0; length < f.bytes.size(); length += step) {
      const std::vector<uint8_t> cut(f.bytes.begin(), f.bytes.begin() + long(length));
      ASSERT_EQ(DecodeInChild(cut, &detail), kRefused)
          << f.name << " cut to " << length << " of " << f.bytes.size() << " bytes " << detail;
    }
  }
}

TEST(HOSTILE_SUITE, MutatedFilesNeverCrashOrHang) {
  const int perFixture = VELMORA_HOSTILE_LONG ? 2000 : 150;
  std::mt19937 random(20240611);
  for (const Fixture& f : Fixtures()) {
    int refused = 0;
    for (int i = 0; i < perFixture; ++i) {
      std::vector<uint8_t> bytes = f.bytes;
      // Half of the mutations hit the headers, where the parser works hardest.
      const size_t span = i % 2 == 0 ? std::min<size_t>(bytes.size(), 200) : bytes.size();
      const int changes = 1 + int(random() % 4);
      for (int c = 0; c < changes; ++c) {
        const size_t at = random() % span;
        switch (random() % 4) {
          case 0: bytes[at] = uint8_t(random()); break;
          case 1: bytes[at] ^= uint8_t(1u << (random() % 8)); break;
          case 2: bytes[at] = 0xFF; break;
          default: bytes[at] = 0x00; break;
        }
      }
      std::string detail;
      const Outcome outcome = DecodeInChild(bytes, &detail);
      ASSERT_NE(outcome, kCrashed) << f.name << " mutation " << i << ": " << detail;
      ASSERT_NE(outcome, kHung) << f.name << " mutation " << i;
      refused += outcome == kRefused;
    }
    // The mutations must actually reach the decoder's checks.
    EXPECT_GT(refused, perFixture / 10) << f.name;
  }
}
