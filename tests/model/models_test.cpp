// C3DSMesh, CStaticModel and CAnimModel: what they build, how they fail and
// what they draw.
#include <dlfcn.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <sstream>
#include <vector>

#include "model/animmodel.h"
#include "model/fixtures.h"
#include "model/mesh3ds.h"
#include "model/staticmodel.h"
#include "platform/failure_note.h"
#include "support/gl_state.h"
#include "support/temp_dir.h"
#include "texture/fixtures.h"
#include "texture/texlib.h"

using namespace modeltest;

// Counts texture binds: this definition stands in front of the GL library's
// for every call made from this test program.
static int gBinds = 0;
extern "C" void glBindTexture(GLenum target, GLuint texture) {
  using Bind = void (*)(GLenum, GLuint);
  static const Bind real = reinterpret_cast<Bind>(dlsym(RTLD_NEXT, "glBindTexture"));
  ++gBinds;
  real(target, texture);
}

using fixtures::Said;  // a result as "code message"

// Pixels at (x, y from the top), one digit per channel (1 full, 0 empty, ?
// between) and a blank after each pixel.
static std::string Pixels(std::initializer_list<std::pair<int, int>> places) {
  std::string digits;
  for (const auto& [x, y] : places) {
    for (int c : testsupport::PixelRgb(x, y)) digits += c > 242 ? '1' : c < 13 ? '0' : '?';
    digits += ' ';
  }
  return digits;
}

// A GL context with a cleared frame, and a working folder with scenes/ and
// the one-colour textures textures/red.jpg and textures/green.jpg.
class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    dir_.Write("scenes/.keep", "");
    dir_.Write("textures/red.jpg", fixtures::Str(fixtures::Encode(1, 1, 3, {255, 0, 0})));
    dir_.Write("textures/green.jpg", fixtures::Str(fixtures::Encode(1, 1, 3, {0, 255, 0})));
    lib_.SetPath("textures\\");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
  // The scene loaded as the static model; its mesh.
  C3DSMesh& Load(const SceneBuilder& scene) {
    Save(scene, "scenes/s.3ds");
    EXPECT_EQ(model_.Load3DS("s.3ds", &lib_, false).code, 0);
    return *model_.mesh;
  }

  testsupport::TempDir dir_;
  testsupport::ScopedChdir inside_{dir_.path()};
  CTexLib lib_;
  CStaticModel model_;
};

TEST_F(DrawTest, MeshBuildsTopLevelObjectsLightsSevenAndBindsSharedTexturesOnce) {
  Load(RichScene());
  // Loaded again (a layer in two scenes): the textures are found in the library.
  ASSERT_EQ(model_.Load3DS("S.3DS", &lib_, false).code, 0);
  EXPECT_EQ(lib_.textures.size(), 2u);
  // No dummy, no children. Per object: textured, the slots' kinds, the colour.
  const std::vector<MeshObject>& objects = model_.mesh->objects;
  std::ostringstream built;
  for (const MeshObject& o : objects)
    built << o.node->name << " " << o.textured << o.texMode[0] << o.texMode[1] << " "
          << o.diffuse[0] << o.diffuse[1] << o.diffuse[2] << o.diffuse[3] << "\n";
  ASSERT_EQ(built.str(),
            "a_map 110 1111\nb_map 110 1111\nc_shiny 120 1111\nd_both 112 1111\n"
            "e_plain 000 0011\n"   // a material without maps: its colour
            "f_nomat 000 1111\n"   // no such material: white
            "g_bare 000 0000\n");  // no texels: no material looked up
  EXPECT_EQ(objects[1].vertices.at(2).u, objects[1].mesh->texelL[2][0]);

  // Nine lights: GL_LIGHT0 to GL_LIGHT6 from the first seven.
  model_.mesh->SetLights();
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(glIsEnabled(GLenum(GL_LIGHT0 + i)), i < 7) << i;
  float diffuse[4];
  glGetLightfv(GL_LIGHT6, GL_DIFFUSE, diffuse);
  EXPECT_EQ(std::vector<float>(diffuse, diffuse + 4), std::vector<float>({0.7f, 0.5f, 1, 1}));

  // a_map red, b_map red again, c_shiny green, d_both red and green; one
  // object alone binds both of its textures.
  gBinds = 0;
  model_.mesh->Render();
  EXPECT_EQ(gBinds, 4);
  model_.mesh->RenderObject(3);
  EXPECT_EQ(gBinds, 6);
}

// A file changed in memory has had no chunk check: a corner past the points
// is refused. (Which face gives a corner its normal shows in the light of
// every scene of the stored reference pictures.)
TEST_F(DrawTest, MeshCornersPastThePointsAreRefused) {
  Load(RichScene());
  for (Lib3dsMesh* mesh = model_.file->meshes; mesh != nullptr; mesh = mesh->next)
    mesh->faceL[0].points[1] = 9999;
  C3DSMesh mesh;
  EXPECT_EQ(Said(mesh.Create(model_.file, &lib_, false)),
            "7 C3DSMesh::Create() : face index out of range!");
}

TEST_F(DrawTest, StaticModelDrawsTexturesAndColoursUnderTheCallersMatrix) {
  Load(RichScene(false));
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-8, 8, -6, 6, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glScalef(2, 2, 1);  // back to 8 by 6 units across
  glEnable(GL_LIGHTING);
  model_.Render();
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));  // no light node
  // From above, at x = -3 to 3: a_map, b_map red; c_shiny green; d_both red
  // times green; e_plain blue; f_nomat white; g_bare (0, 0, 0, 0).
  EXPECT_EQ(
      Pixels({{100, 300}, {200, 300}, {300, 300}, {400, 300}, {500, 300}, {600, 300}, {700, 300}}),
      "100 100 010 000 001 111 000 ");
}

TEST_F(DrawTest, LoadFailuresNameEveryLevelAndDrawNothing) {
  Save(RichScene(), "scenes/rich.3ds");
  dir_.Write("textures/green.jpg", "");
  dir_.Write("scenes/no_faces.3ds", File(TriMesh(3, {}), Node(0, 65535)));
  dir_.Write("scenes/cut.3ds", testsupport::ReadText(dir_.File("scenes/rich.3ds")).substr(0, 200));
  const std::string scenes = dir_.File("scenes/");
  const std::tuple<const char*, std::string, std::string> cases[] = {
      // what follows "Load3DS() :", and the note for the shell's last line
      {"missing.3ds", " error!",
       "could not load the scene " + scenes + "missing.3ds: the file does not exist"},
      {"cut.3ds", " error!",
       "could not load the scene " + scenes +
           "cut.3ds: it is not a 3DS scene that can be read safely: chunk reaches past"},
      {"rich.3ds",
       "C3DSMesh::Create() : CTexLib::Add() : CTex::Load() : can't read image textures\\green.jpg",
       "could not load the texture " + dir_.File("textures/green.jpg") + ": the file is empty"},
      {"no_faces.3ds", "C3DSMesh::Create() : no faces!",
       "could not load the scene " + scenes +
           "no_faces.3ds: its objects could not be built (C3DSMesh::Create() : no faces!)"},
  };
  glEnable(GL_LIGHTING);
  for (const auto& [name, tail, note] : cases) {
    const std::string code = tail == " error!" ? "2 " : "1 ";
    CStaticModel still;
    CAnimModel moving;
    platform::ClearFailureNote();
    EXPECT_EQ(Said(still.Load3DS(name, &lib_, false)), code + "CStaticModel::Load3DS() :" + tail);
    EXPECT_EQ(platform::FailureNote().substr(0, note.size()), note);
    platform::ClearFailureNote();
    EXPECT_EQ(Said(moving.Load3DS(name, &lib_)), code + "CAnimModel::Load3DS() :" + tail);
    EXPECT_EQ(platform::FailureNote().substr(0, note.size()), note);
    EXPECT_EQ(still.mesh == nullptr, code == "2 ") << name;
    // The cameras come with the file, whether or not its mesh was built.
    EXPECT_EQ(moving.SetCamera(0).code, name == std::string("rich.3ds") ? 0 : 1) << name;
    // A failed model draws nothing and touches no state.
    still.Render();
    moving.Render(0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << name;
  }
  EXPECT_EQ(Pixels({{400, 300}}), "000 ");
}

TEST_F(DrawTest, AnimModelCameraPivotAndTheStateRenderLeaves) {
  SceneBuilder scene;
  // Stored at x = 3 in world space, modelled with a translation to x = 3.
  SceneMesh box = MakeBox("box", {3, 0, 0}, {1, 1, 1}, "");
  box.matrix[12] = 3.0f;
  scene.AddMesh(box);
  scene.AddPositionKey(scene.AddObjectNode("box", kSceneRoot, {2, 0, 0}), 0, {0, 0, 2});
  // The view comes from the nodes: fov 45 held from frame 0, not the camera's 30.
  scene.AddCamera({"eye", {0, -10, 0}, {0, 0, 0}, 30, 0, 1, 700});
  const SceneNodeId eye = scene.AddCameraNode("eye");
  scene.AddFovKey(eye, 20, 45);
  scene.AddFovKey(eye, 40, 10);
  scene.AddTargetNode("eye");
  scene.AddCamera({"blind", {0, -10, 0}, {0, 0, 0}, 45, 0, 1, 100});  // no nodes
  scene.AddLight({"lamp", {1, 2, 3}, {1, 1, 1}, 1});
  scene.AddLightNode("lamp");
  Save(scene, "scenes/pivot.3ds");

  CAnimModel model;
  ASSERT_EQ(model.Load3DS("pivot.3ds", &lib_).code, 0);
  // Past the end of the list: the last camera.
  ASSERT_EQ(model.SetCamera(5).code, 0);
  glMatrixMode(GL_TEXTURE);
  model.Render(0);
  // Centred at (-2, 0, 2): left of the middle and up. Without the pivot it
  // would sit at x = 0, without the inverse mesh matrix at x = 1.
  EXPECT_EQ(Pixels({{400, 150}, {476, 150}, {248, 300}}), "000 000 000 ");
  EXPECT_NE(Pixels({{248, 150}}), "000 ");
  EXPECT_EQ(testsupport::GetInteger(GL_MATRIX_MODE), GL_MODELVIEW);
  float m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(std::vector<float>(m, m + 16),
            std::vector<float>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && !glIsEnabled(GL_BLEND));
  // Near 0.5, far from the last camera, eye (700).
  glGetFloatv(GL_PROJECTION_MATRIX, m);
  EXPECT_NEAR(m[14] / (m[10] - 1.0f), 0.5f, 1e-4);
  EXPECT_NEAR(m[14] / (m[10] + 1.0f), 700.0f, 0.5f);
  // The light placed under the identity: its file position in eye space.
  glGetLightfv(GL_LIGHT0, GL_POSITION, m);
  EXPECT_EQ(std::vector<float>(m, m + 4), std::vector<float>({1, 2, 3, 1}));

  // A camera without its nodes draws nothing.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  ASSERT_EQ(model.SetCamera(0).code, 0);
  model.Render(0);
  EXPECT_EQ(Pixels({{248, 150}}), "000 ");
}
