// CStaticModel and CAnimModel: loading, failures, cameras and drawing.
#include <lib3ds/camera.h>
#include <lib3ds/file.h>

#include <cmath>

#include "model/animmodel.h"
#include "model/fixtures.h"
#include "model/mesh3ds.h"
#include "model/staticmodel.h"

using namespace content;
using namespace modeltest;

TEST_F(DrawTest, LoadFailuresNameEveryLevelAndDrawNothing) {
  SceneBuilder missing;
  missing.AddMaterial({"GONE", {}, {1, 1, 1}, {}, "nosuch.jpg", "", false});
  missing.AddMesh(MakeQuad("q", 0, 0, 1, 1, 0, "GONE"));
  missing.AddObjectNode("q");
  SaveScene(missing, "missing_texture.3ds");
  SceneBuilder empty;
  empty.AddMesh(SceneMesh{"dot", {{0, 0, 0}}, {}, {}, {}});
  empty.AddObjectNode("dot");
  SaveScene(empty, "no_faces.3ds");
  // Node 0 is its own parent: lib3ds would recurse until it crashes.
  dir_.Write("scenes/self.3ds", File(TriMesh("a", 3, {0, 1, 2}), ObjectNode("a", 0, 0)));

  const std::string chain = "C3DSMesh::Create() : CTexLib::Add() : CTex::Load() : can't read image textures\\nosuch.jpg";
  const struct {
    const char* file;
    int code;
    std::string mesh;  // the mesh's message after the model's prefix
  } cases[] = {
      {"missing.3ds", 2, ""},
      {"self.3ds", 2, ""},
      {"missing_texture.3ds", 1, chain},
      {"no_faces.3ds", 1, "C3DSMesh::Create() : no faces!"},
  };
  for (const auto& c : cases) {
    CStaticModel still;
    Result result = still.Load3DS(c.file, &lib_, false);
    EXPECT_EQ(result.code, c.code) << c.file;
    EXPECT_EQ(result.message, c.code == 2 ? "CStaticModel::Load3DS() : error!" : "CStaticModel::Load3DS() :" + c.mesh);
    EXPECT_EQ(still.mesh == nullptr, c.code == 2) << c.file;
    CAnimModel moving;
    result = moving.Load3DS(c.file, &lib_);
    EXPECT_EQ(result.code, c.code) << c.file;
    EXPECT_EQ(result.message, c.code == 2 ? "CAnimModel::Load3DS() : error!" : "CAnimModel::Load3DS() :" + c.mesh);
    result = moving.SetCamera(0);
    EXPECT_EQ(result.message, "CAnimModel::SetCamera() : no camera!");
    EXPECT_EQ(moving.zFar, 0.0f);
    // A failed model draws nothing and touches no state.
    glEnable(GL_LIGHTING);
    glMatrixMode(GL_TEXTURE);
    still.Render();
    moving.Render(0);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_TEXTURE);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHTING);
  }
  ExpectPixel(400, 300, 0, 0, 0);
}

TEST_F(DrawTest, StaticModelLoadsAgainAndDrawsUnderTheCallersMatrix) {
  SaveScene(RichScene(), "rich.3ds");
  CStaticModel model;
  ASSERT_EQ(model.Load3DS("RICH.3DS", &lib_, false).message, "CStaticModel::Load3DS() : ok!");
  // A layer listed in two scenes loads twice: the textures are found in the library.
  ASSERT_EQ(model.Load3DS("rich.3ds", &lib_, false).code, 0);
  EXPECT_EQ(lib_.textures.size(), 2u);
  EXPECT_EQ(model.mesh->objects.size(), 7u);

  SceneBuilder dark;
  AddMaterials(&dark);
  dark.AddMesh(MakeQuad("q", -1, -1, 1, 1, 0, "PLAIN"));
  dark.AddObjectNode("q");
  SaveScene(dark, "dark.3ds");
  ASSERT_EQ(model.Load3DS("dark.3ds", &lib_, false).code, 0);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(0.5f, 0.5f, 1.0f);
  glEnable(GL_LIGHTING);
  model.Render();
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));  // no light node
  ExpectPixel(400, 300, 0, 0, 255);
  ExpectPixel(150, 300, 0, 0, 0);
}

TEST_F(DrawTest, AnimModelCameraChoiceAndTheStateRenderLeaves) {
  SaveScene(RichScene(), "rich.3ds");
  CAnimModel model;
  EXPECT_FLOAT_EQ(model.zNear, 0.5f);
  ASSERT_EQ(model.Load3DS("rich.3ds", &lib_).message, "CAnimModel::Load3DS() : ok!");
  EXPECT_EQ(model.GetFrames(), 40u);
  // Past the end of the list: the last camera.
  EXPECT_EQ(model.SetCamera(5).message, "CAnimModel::SetCamera() : ok!");
  ASSERT_NE(model.file->cameras->next, nullptr);
  EXPECT_EQ(model.camera, model.file->cameras->next);
  EXPECT_FLOAT_EQ(model.zFar, model.camera->far_range);
  ASSERT_EQ(model.SetCamera(0).code, 0);
  EXPECT_EQ(model.camera, model.file->cameras);

  glMatrixMode(GL_TEXTURE);
  model.Render(0);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && !glIsEnabled(GL_BLEND));
  // Near 0.5, far from the camera, the fov of its node (keyed 50), aspect 1.3333.
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(m[14] / (m[10] - 1.0f), 0.5f, 1e-4);
  EXPECT_NEAR(m[14] / (m[10] + 1.0f), 300.0f, 0.05f);
  EXPECT_NEAR(2.0f * std::atan(1.0f / m[5]) * 57.29578f, 50.0f, 1e-3);
  EXPECT_NEAR(m[5] / m[0], 1.3333f, 1e-5);
  // Lights placed under the identity: their file positions in eye space.
  glGetLightfv(GL_LIGHT0, GL_POSITION, m);
  EXPECT_EQ(std::vector<float>(m, m + 4), std::vector<float>({5, -5, 5, 1}));
  glDisable(GL_LIGHTING);
}

TEST_F(DrawTest, AnimObjectsSitUnderNodeMatrixPivotAndInverseMeshMatrix) {
  SceneBuilder scene;
  AddMaterials(&scene);
  // Stored at x = 3 in world space, modelled with a translation to x = 3.
  SceneMesh box = MakeBox("box", {3, 0, 0}, {1, 1, 1}, "PLAIN");
  box.matrix[12] = 3.0f;
  scene.AddMesh(box);
  scene.AddPositionKey(scene.AddObjectNode("box", kSceneRoot, {2, 0, 0}), 0, {0, 0, 2});
  scene.AddCamera({"eye", {0, -10, 0}, {0, 0, 0}, 45, 0, 1, 100});
  scene.AddCameraNode("eye");
  scene.AddTargetNode("eye");
  scene.AddCamera({"blind", {0, -10, 0}, {0, 0, 0}, 45, 0, 1, 100});  // no nodes
  SaveScene(scene, "pivot.3ds");

  CAnimModel model;
  ASSERT_EQ(model.Load3DS("pivot.3ds", &lib_).code, 0);
  ASSERT_EQ(model.SetCamera(1).code, 0);
  ASSERT_STREQ(model.camera->name, "eye");
  model.Render(0);
  // Centred at (-2, 0, 2): left of the middle and up. Without the pivot it
  // would sit at x = 0, without the inverse mesh matrix at x = 1.
  ExpectPixel(248, 150, 0, 0, 255);
  ExpectPixel(400, 150, 0, 0, 0);
  ExpectPixel(476, 150, 0, 0, 0);
  ExpectPixel(248, 300, 0, 0, 0);
  // A camera without its nodes draws nothing.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  ASSERT_EQ(model.SetCamera(0).code, 0);
  ASSERT_STREQ(model.camera->name, "blind");
  model.Render(0);
  ExpectPixel(248, 150, 0, 0, 0);
}
