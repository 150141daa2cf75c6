// Scene files cut short or with bytes changed: each is loaded in a child
// process with a time limit, as a static and as an animated model, and its
// keyframes are evaluated. The child must end normally: no crash, no hang
// (and, under the sanitizers, no error and no leak).
#include <gtest/gtest.h>
#include <lib3ds/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>

#include "model/animmodel.h"
#include "model/fixtures.h"
#include "model/staticmodel.h"
#include "model/validate3ds.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace content;
using namespace modeltest;

namespace {

#ifdef VELMORA_HOSTILE_LONG
constexpr int kMutations = 6000;
constexpr size_t kTruncationStep = 1;
#define HostileScenes HostileScenesLong  // its own test names beside the short run
#else
constexpr int kMutations = 200;
constexpr size_t kTruncationStep = 53;
#endif
constexpr unsigned kSecondsPerFile = 20;

// Everything a layer does with a scene file.
void UseScene() {
  // The child has no GL context: the scene's textures are made known to
  // the library beforehand so that none is loaded.
  CTexLib lib;
  lib.SetPath("textures\\");
  for (const char* name : {"textures\\red.jpg", "textures\\green.jpg"}) {
    lib.textures.emplace_back();
    lib.textures.back().fileName = name;
    lib.textures.back().id = uint32_t(lib.textures.size());
  }
  CStaticModel still;
  still.Load3DS("case.3ds", &lib, false);
  still.Load3DS("case.3ds", &lib, true);
  CAnimModel moving;
  if (moving.Load3DS("case.3ds", &lib).code != 2) {
    moving.SetCamera(0);
    moving.SetCamera(9);
    moving.GetFrames();
    for (float frame : {0.0f, 7.5f, 29.0f, 1e6f, -3.0f}) lib3ds_file_eval(moving.file, frame);
  }
  lib.textures.clear();
}

// "" when the child loading `bytes` ended normally, else what happened.
std::string LoadInChild(const std::string& bytes) {
  {
    std::ofstream out("scenes/case.3ds", std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
  }
  const pid_t pid = fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    alarm(kSecondsPerFile);
    UseScene();
#if defined(__SANITIZE_ADDRESS__)
    if (__lsan_do_recoverable_leak_check() != 0) _exit(3);
#endif
    _exit(0);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return "lost the child";
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
  if (WIFSIGNALED(status))
    return WTERMSIG(status) == SIGALRM ? "hang" : "signal " + std::to_string(WTERMSIG(status));
  return "exit code " + std::to_string(WEXITSTATUS(status));
}

class HostileScenes : public ::testing::Test {
 protected:
  void SetUp() override {
    inside_ = std::make_unique<testsupport::ScopedChdir>(dir_.path());
    dir_.Write("scenes/.keep", "");
    Save(RichScene(), dir_.File("rich.3ds"));
    scene_ = ReadBytes(dir_.File("rich.3ds"));
  }
  void TearDown() override { inside_.reset(); }

  testsupport::TempDir dir_;
  std::unique_ptr<testsupport::ScopedChdir> inside_;
  std::string scene_;
};

}  // namespace

TEST_F(HostileScenes, TruncatedScenesFailCleanly) {
  // The whole file last: it loads.
  for (size_t length = 0; length < scene_.size(); length += kTruncationStep)
    ASSERT_EQ(LoadInChild(scene_.substr(0, length)), "") << "cut at " << length;
  ASSERT_EQ(LoadInChild(scene_), "");
}

TEST_F(HostileScenes, MutatedScenesFailCleanlyOrLoad) {
  std::mt19937 random(1999);
  const uint32_t interesting[] = {0, 1, 2, 5, 6, 7, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
  int accepted = 0;
  for (int round = 0; round < kMutations; ++round) {
    std::string bytes = scene_;
    for (int edits = 1 + int(random() % 4); edits > 0; --edits) {
      const size_t at = random() % (bytes.size() - 4);
      const uint32_t value = interesting[random() % std::size(interesting)];
      switch (random() % 4) {
        case 0: bytes[at] = char(random()); break;
        case 1: bytes[at] = char(bytes[at] ^ (1 << (random() % 8))); break;
        case 2: bytes.replace(at, 2, U16(uint16_t(value))); break;
        default: bytes.replace(at, 4, U32(value)); break;
      }
    }
    accepted += model::Check3DS(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()).empty();
    ASSERT_EQ(LoadInChild(bytes), "") << "round " << round;
  }
  // Enough of them get past the checks for lib3ds and the mesh to meet odd data.
  EXPECT_GT(accepted, kMutations / 5);
  std::printf("%d of %d mutated scenes passed the checks\n", accepted, kMutations);
}
