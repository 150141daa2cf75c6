// Scenes written by the builder read back through lib3ds as described.
#include <gtest/gtest.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/node.h>

#include <functional>

#include "model/fixtures.h"

using namespace content;
using namespace modeltest;

namespace {

// Where node `name` maps `v` at frame t (its matrix, parents included).
void ExpectMaps(Lib3dsFile* file, const char* name, float t, SceneVec3 v, SceneVec3 want) {
  lib3ds_file_eval(file, t);
  const auto& m = lib3ds_file_node_by_name(file, name, LIB3DS_OBJECT_NODE)->matrix;
  EXPECT_NEAR(m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z + m[3][0], want.x, 1e-4) << name << t;
  EXPECT_NEAR(m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z + m[3][1], want.y, 1e-4) << name << t;
  EXPECT_NEAR(m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z + m[3][2], want.z, 1e-4) << name << t;
}

}  // namespace

TEST(SceneBuilder, KeysHoldFromFrameZeroAndRotationsAreAbsolute) {
  SceneBuilder scene = RichScene();
  scene.AddMesh(MakeQuad("q", 0, 0, 1, 1, 0, ""));
  const SceneNodeId node = scene.AddObjectNode("q");
  scene.AddRotationKey(node, 0, {0, 0, 1}, 90);
  scene.AddRotationKey(node, 10, {1, 0, 0}, 90);
  scene.AddRotationKey(node, 20, {0, 0, 2}, -90);
  scene.AddRotationKey(node, 30, {0, 0, 1}, 0);
  testsupport::TempDir dir;
  Save(scene, dir.File("s.3ds"));
  Lib3dsFile* file = lib3ds_file_load(dir.File("s.3ds").c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->frames, 40);
  EXPECT_FLOAT_EQ(lib3ds_file_light_by_name(file, "lamp2")->multiplier, 1.0f);
  EXPECT_FLOAT_EQ(lib3ds_file_light_by_name(file, "lamp2")->color[2], 1.0f);
  ExpectMaps(file, "$$$DUMMY", 20, {0, 0, 0}, {0, 0, 2});  // two keys: linear
  // Keys first set at frames 10 and 20 hold from frame 0: scale 2, then 90 degrees.
  ExpectMaps(file, "h_child", 0, {1, 0, 0}, {0, 2, 0});
  // Counter-clockwise about the axis pointing at the viewer.
  ExpectMaps(file, "q", 0, {1, 0, 0}, {0, 1, 0});
  ExpectMaps(file, "q", 10, {0, 1, 0}, {0, 0, 1});
  ExpectMaps(file, "q", 10, {1, 0, 0}, {1, 0, 0});
  ExpectMaps(file, "q", 20, {1, 0, 0}, {0, -1, 0});
  ExpectMaps(file, "q", 30, {0, 1, 0}, {0, 1, 0});
  lib3ds_file_free(file);
}

TEST(SceneBuilder, RefusesInconsistentScenes) {
  const struct {
    const char* reason;
    std::function<void(SceneBuilder&)> make;
  } cases[] = {
      {"face index past its points", [](SceneBuilder& s) { s.AddMesh({"m", {{0, 0, 0}}, {}, {{0, 0, 1, ""}}, {}}); }},
      {"one texel per point", [](SceneBuilder& s) { s.AddMesh({"m", {{0, 0, 0}, {1, 0, 0}}, {{0, 0}}, {}, {}}); }},
      {"parent that does not exist", [](SceneBuilder& s) { s.AddObjectNode("n", 3); }},
      {"its own ancestor", [](SceneBuilder& s) { s.AddObjectNode("a", 1), s.AddObjectNode("b", 0); }},
      {"key before frame 0", [](SceneBuilder& s) { s.AddPositionKey(s.AddObjectNode("n"), -1, {}); }},
      {"does not exist", [](SceneBuilder& s) { s.AddScaleKey(7, 0, {1, 1, 1}); }},
      {"too long", [](SceneBuilder& s) { s.AddLight({std::string(64, 'l'), {}, {}, 1}); }},
  };
  testsupport::TempDir dir;
  for (const auto& c : cases) {
    SceneBuilder scene;
    c.make(scene);
    std::string error;
    EXPECT_FALSE(scene.Save(dir.File("bad.3ds"), &error)) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}
