// GLU's mipmap builder reads a few bytes past the pixels it scales. Here the
// pixel buffer CTex::Load allocates ends right before an inaccessible page,
// so a read past the buffer faults: the load must come through.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <new>

#include "support/gl_context.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "texture/fixtures.h"
#include "texture/tex.h"

namespace {

// Armed: the next allocation of at least this many bytes is placed so that
// it ends where an inaccessible page begins.
size_t g_guardAtLeast = 0;
char* g_guarded = nullptr;
char* g_mapping = nullptr;
size_t g_mappingBytes = 0;
bool g_guardUsed = false;

void* GuardedBlock(size_t size) {
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  const size_t data = (size + page - 1) / page * page;
  void* map =
      mmap(nullptr, data + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) return nullptr;
  g_mapping = static_cast<char*>(map);
  g_mappingBytes = data + page;
  mprotect(g_mapping + data, page, PROT_NONE);
  g_guarded = g_mapping + data - size;
  g_guardUsed = true;
  return g_guarded;
}

}  // namespace

void* operator new(size_t size) {
  void* block = nullptr;
  if (g_guardAtLeast != 0 && size >= g_guardAtLeast) {
    g_guardAtLeast = 0;
    block = GuardedBlock(size);
  } else {
    block = std::malloc(size != 0 ? size : 1);
  }
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void operator delete(void* block) noexcept {
  if (block != nullptr && block == g_guarded) {
    munmap(g_mapping, g_mappingBytes);
    g_guarded = nullptr;
    return;
  }
  std::free(block);
}

void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace {

// Loads `w` x `h` with mipmaps in a child process (which opens its own
// context), the pixel buffer guarded. The child's status: 0 loaded, 2 no
// context, 3 load refused, 4 the guard never met the buffer, 128 + a signal
// (SIGSEGV: a read past the buffer).
int LoadGuarded(int w, int h, const std::string& folder) {
  return testsupport::RunInChild(
      [&] {
        testsupport::ScopedChdir here(folder);
        if (!testsupport::EnsureGLContext()) return 2;
        CTex tex;
        g_guardAtLeast = ((3 * size_t(w) + 3) & ~size_t(3)) * size_t(h);
        const Result r = tex.Load("textures\\p.jpg", true);
        return r.code != 0 ? 3 : !g_guardUsed ? 4 : 0;
      },
      60);
}

TEST(MipmapGuard, ScalingToPowersOfTwoStaysInsideThePixelBuffer) {
  // Sizes at which the builder was seen reading past the exact padded size.
  const std::pair<int, int> sizes[] = {{512, 160}, {512, 320}, {512, 96}, {256, 80}, {512, 480}};
  for (const auto& [w, h] : sizes) {
    testsupport::TempDir dir;
    dir.Write("textures/p.jpg",
              fixtures::Str(fixtures::Encode(w, h, 3, fixtures::Pattern(w, h, 3))));
    EXPECT_EQ(LoadGuarded(w, h, dir.path()), 0) << w << "x" << h;
  }
}

}  // namespace
