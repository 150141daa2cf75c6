// Scene files: what the builder writes, what the chunk checker refuses, and
// hostile files (cut short or with bytes changed), each loaded in a child
// process with a time limit as a static and as an animated model, its
// keyframes evaluated. The child must end normally: no crash, no hang (and,
// under the sanitizers, no error). Built a second time with
// VELMORA_HOSTILE_LONG for the long run of the hostile files alone.
#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <fstream>
#include <random>

#include "model/animmodel.h"
#include "model/fixtures.h"
#include "model/staticmodel.h"
#include "model/validate3ds.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"

using namespace modeltest;

#ifdef VELMORA_HOSTILE_LONG
constexpr int kMutations = 6000, kTruncationStep = 1;
#define HostileScenes HostileScenesLong  // its own test names beside the short run
#else
constexpr int kMutations = 200, kTruncationStep = 53;
#endif

static std::string Check(const std::string& bytes) {
  return model::Check3DS(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Everything a layer does with a scene file. The child has no GL context:
// the scene's textures are made known to the library so that none is loaded.
static void UseScene() {
  CTexLib lib;
  lib.SetPath("textures\\");
  for (const char* name : {"textures\\red.jpg", "textures\\green.jpg"}) {
    lib.textures.emplace_back();
    lib.textures.back().fileName = name;
    lib.textures.back().id = uint32_t(lib.textures.size());
  }
  CStaticModel still;
  for (bool positionNormals : {false, true}) still.Load3DS("case.3ds", &lib, positionNormals);
  CAnimModel moving;
  if (moving.Load3DS("case.3ds", &lib).code != 2) {
    for (uint16_t camera : {0, 9}) moving.SetCamera(camera);
    for (float frame : {0.0f, 7.5f, 29.0f, 1e6f, -3.0f, float(moving.GetFrames())})
      lib3ds_file_eval(moving.file, frame);
  }
  lib.textures.clear();
}

// "" when the child loading `bytes` ended normally within 20 s, else its
// status (128 + the signal that ended it; SIGALRM for a hang).
static std::string LoadInChild(const std::string& bytes) {
  std::ofstream("scenes/case.3ds", std::ios::binary | std::ios::trunc) << bytes;
  const int status = testsupport::RunInChild(
      [] {
        UseScene();
        return 0;
      },
      20);
  return status == 0 ? "" : "status " + std::to_string(status);
}

TEST(HostileScenes, TruncatedAndMutatedScenesAreRefusedOrFailCleanly) {
  testsupport::TempDir dir;
  testsupport::ScopedChdir inside(dir.path());
  dir.Write("scenes/rich.3ds", "");
  Save(RichScene(), "scenes/rich.3ds");
  const std::string scene = testsupport::ReadText("scenes/rich.3ds");
  // Every cut is refused by the checker; some (all in the long run) are loaded.
  ASSERT_EQ(Check(scene), "");
  for (size_t length = 0; length < scene.size(); ++length) {
    const std::string cut = scene.substr(0, length);
    ASSERT_NE(Check(cut), "") << "cut at " << length;
    ASSERT_EQ(length % kTruncationStep ? "" : LoadInChild(cut), "") << "cut at " << length;
  }
  ASSERT_EQ(LoadInChild(scene), "");  // the whole file loads
  // Garbage behind a valid header is not an empty scene.
  EXPECT_NE(Check(scene.substr(0, 6) + std::string(scene.size() - 6, '\x5A')), "");

  // One to four edits each writing one to four bytes, of a random or a
  // telling value (sizes, counts, indices, ids).
  std::mt19937 random(1999);
  const uint32_t telling[] = {0,    1,      2,      5,      6,          7,
                              0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
  for (int round = 0; round < kMutations; ++round) {
    std::string bytes = scene;
    for (int edits = 1 + int(random() % 4); edits > 0; --edits) {
      const uint32_t value =
          random() % 2 ? uint32_t(random()) : telling[random() % std::size(telling)];
      const std::string patch = U32(value).substr(0, 1 + random() % 4);
      bytes.replace(random() % (bytes.size() - 4), patch.size(), patch);
    }
    ASSERT_EQ(LoadInChild(bytes), "") << "round " << round;
  }
}

#ifndef VELMORA_HOSTILE_LONG

static std::string Fill(int count, char c = '\0') { return std::string(size_t(count), c); }
const std::string kTriangle = TriMesh(3, {0, 1, 2});
const std::string kOnePoint = Chunk(0x4110, U16(1) + Fill(12));

// Scene data holding `body` inside a mesh, or inside `depth` material chunks.
static std::string InMesh(const std::string& body) {
  return File(Chunk(0x4000, Name("a") + Chunk(0x4100, body)));
}
static std::string Wrapped(int depth, const std::string& body) {
  return depth > 0 ? Wrapped(depth - 1, Chunk(0xAFFF, body)) : body;
}
// A point list of `count` points in a chunk that claims `size` bytes.
static std::string Points(int count, int size) {
  return InMesh(U16(0x4110) + U32(uint32_t(size)) + U16(count) + Fill(36));
}
// A root node with a position track of `keys` keys on the frames given.
static std::string Keyed(int32_t keys, std::initializer_list<int32_t> frames) {
  std::string track = Fill(10) + U32(uint32_t(keys));
  for (int32_t frame : frames) track += U32(uint32_t(frame)) + Fill(14);
  return File(kTriangle, Node(0, 65535, Chunk(0xB020, track)));
}
static std::string Nodes(const std::string& nodes) { return File(kTriangle, nodes); }

// Rotation keys are absolute orientations, counter-clockwise about an axis
// pointing at the viewer; a track whose first key comes later holds it from
// frame 0 (lib3ds would answer a frame before the first key with the last).
TEST(SceneBuilder, RotationKeysAreAbsoluteAndTracksHoldFromFrameZero) {
  SceneBuilder scene;
  const SceneNodeId node = scene.AddObjectNode("q");
  scene.AddRotationKey(node, 10, {0, 0, 1}, 90);
  scene.AddRotationKey(node, 20, {1, 0, 0}, 90);
  scene.AddRotationKey(node, 30, {0, 0, 2}, -90);
  scene.AddPositionKey(node, 10, {5, 0, 0});
  scene.AddPositionKey(node, 20, {7, 0, 0});
  testsupport::TempDir dir;
  Save(scene, dir.File("s.3ds"));
  Lib3dsFile* file = lib3ds_file_load(dir.File("s.3ds").c_str());
  ASSERT_NE(file, nullptr);
  // clang-format off
  const struct { float frame; SceneVec3 v, want; } cases[] = {
      {0, {1, 0, 0}, {0, 1, 0}}, {10, {1, 0, 0}, {0, 1, 0}},
      {20, {0, 1, 0}, {0, 0, 1}}, {30, {1, 0, 0}, {0, -1, 0}}};
  // clang-format on
  for (const auto& [frame, v, want] : cases) {
    lib3ds_file_eval(file, frame);
    const auto& m = lib3ds_file_node_by_name(file, "q", LIB3DS_OBJECT_NODE)->matrix;
    EXPECT_NEAR(m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z, want.x, 1e-4) << frame;
    EXPECT_NEAR(m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z, want.y, 1e-4) << frame;
    EXPECT_NEAR(m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z, want.z, 1e-4) << frame;
    EXPECT_NEAR(m[3][0], frame <= 10 ? 5 : 7, 1e-4) << frame;  // position keys likewise
  }
  lib3ds_file_free(file);
}

// One row per rule: the file made with `ok` loads through lib3ds, the one
// made with `bad`, a step past the limit, is refused for `reason`. Node
// parent 65535 means none.
TEST(Check3DS, EachRuleRefusesOneStepPastItsLimit) {
  const int deepest = int(model::kMaxHierarchyDepth);
  // clang-format off
  const struct { const char* reason; std::string (*make)(int); int ok, bad; } rules[] = {
      {"not a 3DS file", [](int k) { return Chunk(k, Chunk(0x3D3D, kTriangle)); }, 0x4D4D, 0x4D4E},
      {"chunk smaller than its header", [](int k) { return Points(3, k); }, 44, 5},
      {"chunk reaches past its parent", [](int k) { return Points(3, k); }, 44, 45},
      {"chunk header cut short", [](int k) { return File(kTriangle + Fill(k)); }, 0, 1},
      {"chunk data cut short", [](int k) { return Points(k, 44); }, 3, 4},
      {"chunk data cut short", [](int k) { return InMesh(Chunk(0x4160, Fill(k))); }, 48, 47},
      {"chunks nested too deep", [](int k) { return File(Wrapped(k, kTriangle)); }, 12, 13},
      {"name without end", [](int k) { return File(Chunk(0x4000, Name(Fill(k, 'x')))); }, 63, 64},
      {"name without end", [](int k) { return File("", Chunk(0xB00A, U16(5) + Name(Fill(k, 'k')) + U32(9))); }, 12, 13},
      {"face index past", [](int k) { return File(TriMesh(3, {0, 1, k})); }, 2, 3},
      // Points in a chunk that lib3ds skips leave the mesh without points.
      {"face index past", [](int k) { return InMesh(Wrapped(k, kOnePoint) + Chunk(0x4120, U16(1) + Fill(8))); }, 0, 1},
      {"material group index past", [](int k) { return File(TriMesh(3, {0, 1, 2}, k)); }, 0, 1},
      {"too many gradient colours", [](int k) { const std::string c = Chunk(0x10, Fill(12));
         return File(Chunk(0x1300, Fill(4) + c + c + c + (k > 3 ? c : ""))); }, 3, 4},
      {"more keys than fit", [](int k) { return Keyed(k, {0}); }, 1, 0x7FFFFFFF},
      {"key frames out of order", [](int k) { return Keyed(2, {3, k}); }, 4, 3},
      {"key frames out of order or range", [](int k) { return Keyed(1, {k}); }, 0, -1},
      {"node id 65535", [](int k) { return Nodes(Node(k, 65535)); }, 65534, 65535},
      {"node id used twice", [](int k) { return Nodes(Node(4, 65535) + Node(k, 65535)); }, 5, 4},
      // Nodes without an id are numbered in file order, whatever ids the others carry.
      {"node id used twice", [](int k) { return Nodes(Node(k, 65535) + Node(-1, 65535)); }, 0, 1},
      {"parent does not exist", [](int k) { return Nodes(Node(0, 65535) + Node(1, k)); }, 0, 2},
      {"own ancestor", [](int k) { return Nodes(Node(0, k)); }, 65535, 0},
      // Without a header a node's parent is node 0.
      {"own ancestor", [](int k) { return Nodes(Node(-1, k)); }, 65535, -1},
      // A cycle of three, with a node hanging into it listed first.
      {"own ancestor", [](int k) { return Nodes(Node(3, 0) + Node(0, 2) + Node(1, 0) + Node(2, k)); }, 65535, 1},
      {"own ancestor or nested too deep", [](int k) {
         std::string chain = Node(0, 65535);  // node i below node i - 1
         for (int i = 1; i <= k; ++i) chain += Node(i, i - 1);
         return Nodes(chain);
       }, deepest, deepest + 1},
  };
  // clang-format on
  testsupport::TempDir dir;
  for (const auto& rule : rules) {
    dir.Write("ok.3ds", rule.make(rule.ok));
    Lib3dsFile* file = model::Load3DSChecked(dir.File("ok.3ds"));
    EXPECT_NE(file, nullptr) << rule.reason << " at " << rule.ok << ": "
                             << Check(rule.make(rule.ok));
    if (file != nullptr) lib3ds_file_free(file);
    const std::string refused = Check(rule.make(rule.bad));
    EXPECT_NE(refused.find(rule.reason), std::string::npos)
        << rule.reason << " at " << rule.bad << ": " << refused;
  }
}

#endif  // VELMORA_HOSTILE_LONG
