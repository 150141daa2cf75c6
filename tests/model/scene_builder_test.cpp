// Scenes written by the builder read back through lib3ds as described.
#include <gtest/gtest.h>

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cmath>
#include <functional>

#include "model/fixtures.h"
#include "support/temp_dir.h"

using namespace content;
using namespace modeltest;

namespace {

struct Loaded {
  explicit Loaded(const SceneBuilder& scene) {
    Save(scene, dir.File("s.3ds"));
    file = lib3ds_file_load(dir.File("s.3ds").c_str());
  }
  ~Loaded() {
    if (file != nullptr) lib3ds_file_free(file);
  }
  testsupport::TempDir dir;
  Lib3dsFile* file = nullptr;
};

// Where node `name` maps `v` at frame t (its matrix, parents included).
SceneVec3 Apply(Lib3dsFile* file, const char* name, float t, SceneVec3 v) {
  lib3ds_file_eval(file, t);
  Lib3dsNode* node = lib3ds_file_node_by_name(file, name, LIB3DS_OBJECT_NODE);
  const auto& m = node->matrix;
  return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z + m[3][0],
          m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z + m[3][1],
          m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z + m[3][2]};
}

void ExpectNear(SceneVec3 got, SceneVec3 want, const char* what) {
  EXPECT_NEAR(got.x, want.x, 1e-4) << what;
  EXPECT_NEAR(got.y, want.y, 1e-4) << what;
  EXPECT_NEAR(got.z, want.z, 1e-4) << what;
}

}  // namespace

TEST(SceneBuilder, WritesWhatLib3dsReadsBack) {
  Loaded loaded(RichScene());
  Lib3dsFile* file = loaded.file;
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->frames, 40);

  Lib3dsMesh* box = lib3ds_file_mesh_by_name(file, "d_both");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->points, 24u);
  EXPECT_EQ(box->texels, 24u);
  EXPECT_EQ(box->faces, 12u);
  EXPECT_STREQ(box->faceL[11].material, "BOTH");
  EXPECT_EQ(lib3ds_file_mesh_by_name(file, "g_bare")->texels, 0u);

  Lib3dsMaterial* both = lib3ds_file_material_by_name(file, "BOTH");
  ASSERT_NE(both, nullptr);
  EXPECT_STREQ(both->texture1_map.name, "red.jpg");
  EXPECT_STREQ(both->reflection_map.name, "green.jpg");
  EXPECT_FLOAT_EQ(lib3ds_file_material_by_name(file, "PLAIN")->diffuse[2], 1.0f);

  Lib3dsLight* lamp = lib3ds_file_light_by_name(file, "lamp1");
  ASSERT_NE(lamp, nullptr);
  EXPECT_NEAR(lamp->color[1], 0.5f, 1e-6);
  EXPECT_FLOAT_EQ(lamp->multiplier, 1.0f);
  Lib3dsCamera* camera = lib3ds_file_camera_by_name(file, "cam2");
  ASSERT_NE(camera, nullptr);
  EXPECT_NEAR(camera->fov, 60.0f, 1e-3);
  EXPECT_FLOAT_EQ(camera->far_range, 700.0f);

  Lib3dsNode* child = lib3ds_file_node_by_name(file, "h_child", LIB3DS_OBJECT_NODE);
  ASSERT_NE(child, nullptr);
  ASSERT_NE(child->parent, nullptr);
  EXPECT_STREQ(child->parent->name, "$$$DUMMY");
  EXPECT_FLOAT_EQ(child->data.object.pivot[0], 0.5f);

  // Two position keys interpolate linearly; a later first key also holds at frame 0.
  ExpectNear(Apply(file, "$$$DUMMY", 20, {0, 0, 0}), {0, 0, 2}, "dummy halfway");
  ExpectNear(Apply(file, "h_child", 0, {1, 0, 0}), {2, 0, 0}, "scale from frame 0");
  Lib3dsNode* cameraNode = lib3ds_file_node_by_name(file, "cam1", LIB3DS_CAMERA_NODE);
  ASSERT_NE(cameraNode, nullptr);
  EXPECT_NEAR(cameraNode->data.camera.fov, 50.0f, 1e-4);
  EXPECT_NEAR(cameraNode->data.camera.pos[1], -10.0f, 1e-4);  // the camera's own position
  EXPECT_NEAR(lib3ds_file_node_by_name(file, "cam1", LIB3DS_TARGET_NODE)->data.target.pos[1], 0.0f, 1e-4);
}

TEST(SceneBuilder, RotationKeysAreAbsoluteOrientations) {
  SceneBuilder scene;
  scene.AddMesh(MakeQuad("q", 0, 0, 1, 1, 0, ""));
  const SceneNodeId node = scene.AddObjectNode("q");
  scene.AddRotationKey(node, 0, {0, 0, 1}, 90);
  scene.AddRotationKey(node, 10, {1, 0, 0}, 90);
  scene.AddRotationKey(node, 20, {0, 0, 2}, -90);
  scene.AddRotationKey(node, 30, {0, 0, 1}, 0);
  Loaded loaded(scene);
  ASSERT_NE(loaded.file, nullptr);
  // Counter-clockwise about the axis pointing at the viewer.
  ExpectNear(Apply(loaded.file, "q", 0, {1, 0, 0}), {0, 1, 0}, "z +90");
  ExpectNear(Apply(loaded.file, "q", 10, {0, 1, 0}), {0, 0, 1}, "x +90");
  ExpectNear(Apply(loaded.file, "q", 10, {1, 0, 0}), {1, 0, 0}, "x +90 keeps x");
  ExpectNear(Apply(loaded.file, "q", 20, {1, 0, 0}), {0, -1, 0}, "z -90");
  ExpectNear(Apply(loaded.file, "q", 30, {0, 1, 0}), {0, 1, 0}, "back to none");
}

TEST(SceneBuilder, RefusesInconsistentScenes) {
  const struct {
    const char* reason;
    std::function<void(SceneBuilder&)> make;
  } cases[] = {
      {"face index past its points",
       [](SceneBuilder& s) { s.AddMesh(SceneMesh{"m", {{0, 0, 0}}, {}, {{0, 0, 1, ""}}, {}}); }},
      {"one texel per point",
       [](SceneBuilder& s) { s.AddMesh(SceneMesh{"m", {{0, 0, 0}, {1, 0, 0}}, {{0, 0}}, {}, {}}); }},
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
