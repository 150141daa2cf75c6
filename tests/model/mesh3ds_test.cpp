// C3DSMesh: what it builds from a scene and how it draws it.
#include <dlfcn.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstring>

#include "model/fixtures.h"
#include "model/mesh3ds.h"
#include "model/validate3ds.h"

using namespace content;
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

namespace {

class MeshTest : public DrawTest {
 protected:
  ~MeshTest() override {
    if (file_ != nullptr) lib3ds_file_free(file_);
  }
  void Build(const SceneBuilder& scene, bool positionNormals = false) {
    SaveScene(scene, "s.3ds");
    file_ = model::Load3DSChecked("scenes\\s.3ds");
    ASSERT_NE(file_, nullptr);
    const Result built = mesh_.Create(file_, &lib_, positionNormals);
    ASSERT_EQ(built.message, "C3DSMesh::Create() : ok!");
  }
  const MeshObject& Object(const char* name) {
    for (const MeshObject& object : mesh_.objects)
      if (std::strcmp(object.node->name, name) == 0) return object;
    ADD_FAILURE() << "no object " << name;
    return mesh_.objects.front();
  }
  static void ResetUnits() {
    for (GLenum unit : {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
      glActiveTextureARB(unit);
      glDisable(GL_TEXTURE_GEN_S);
      glDisable(GL_TEXTURE_GEN_T);
      glDisable(GL_TEXTURE_2D);
    }
  }

  Lib3dsFile* file_ = nullptr;
  C3DSMesh mesh_;
};

}  // namespace

TEST_F(MeshTest, BuildsTopLevelObjectsAndBindsSharedTexturesOnce) {
  Build(RichScene());
  // The dummy has no mesh and the children hang below other nodes.
  ASSERT_EQ(mesh_.objects.size(), 7u);
  const struct {
    const char* name;
    bool textured;
    int32_t slot0, slot1;
    float diffuse[4];
  } expected[] = {
      {"a_map", true, kTexMap, kTexNone, {1, 1, 1, 1}},
      {"c_shiny", true, kTexReflection, kTexNone, {1, 1, 1, 1}},
      {"d_both", true, kTexMap, kTexReflection, {1, 1, 1, 1}},
      {"e_plain", false, kTexNone, kTexNone, {0, 0, 1, 1}},  // material without maps
      {"f_nomat", false, kTexNone, kTexNone, {1, 1, 1, 1}},  // no such material
      {"g_bare", false, kTexNone, kTexNone, {0, 0, 0, 0}},   // no texels
  };
  for (const auto& e : expected) {
    const MeshObject& object = Object(e.name);
    EXPECT_EQ(object.textured, e.textured) << e.name;
    EXPECT_EQ(object.texMode[0], e.slot0) << e.name;
    EXPECT_EQ(object.texMode[1], e.slot1) << e.name;
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(object.diffuse[i], e.diffuse[i]) << e.name;
  }
  EXPECT_EQ(lib_.textures.size(), 2u);
  EXPECT_EQ(Object("a_map").texId[0], Object("d_both").texId[0]);
  EXPECT_EQ(Object("c_shiny").texId[0], Object("d_both").texId[1]);
  const MeshObject& box = Object("b_map");
  ASSERT_EQ(box.indices.size(), 36u);
  EXPECT_EQ(box.indices[5], box.mesh->faceL[1].points[2]);
  EXPECT_FLOAT_EQ(box.vertices[2].u, box.mesh->texelL[2][0]);
  EXPECT_FLOAT_EQ(box.vertices[2].x, box.mesh->pointL[2].pos[0]);
  ASSERT_EQ(mesh_.lights.size(), 2u);
  EXPECT_FLOAT_EQ(mesh_.lights[0].position[1], -5.0f);
  EXPECT_FLOAT_EQ(mesh_.lights[0].diffuse[2], 0.25f);

  // a_map red, b_map red again, c_shiny green, d_both red + green.
  gBinds = 0;
  mesh_.Render();
  EXPECT_EQ(gBinds, 4);
  gBinds = 0;
  mesh_.RenderObject(3);
  EXPECT_EQ(gBinds, 2);
  // Unit 1 stays active, sphere-mapping the reflection map; unit 0 does not.
  GLint unit = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  EXPECT_EQ(unit, GL_TEXTURE1);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T));
  glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));
  ResetUnits();
}

TEST_F(MeshTest, CornerNormalsComeFromTheLastFaceTouchingThem) {
  // Corner i at x, y, z = -1 or +1 by its bits, a ninth point at the origin,
  // outward faces -Z, +Z, -Y, +Y, then -X and +X last.
  SceneMesh cube;
  cube.name = "cube";
  for (int i = 0; i < 8; ++i) cube.points.push_back({i & 1 ? 1.f : -1.f, i & 2 ? 1.f : -1.f, i & 4 ? 1.f : -1.f});
  cube.points.push_back({0, 0, 0});
  const uint16_t faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                                 {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
  for (const auto& f : faces) cube.faces.push_back({f[0], f[1], f[2], ""});
  SceneBuilder scene;
  scene.AddMesh(cube);
  scene.AddObjectNode("cube");
  Build(scene);
  const std::vector<MeshVertex>& vertices = mesh_.objects.at(0).vertices;
  for (int i = 0; i < 9; ++i) {
    EXPECT_FLOAT_EQ(vertices[i].nx, i == 8 ? 0.0f : i & 1 ? 1.0f : -1.0f) << i;
    EXPECT_TRUE(vertices[i].ny == 0.0f && vertices[i].nz == 0.0f) << i;
  }
  C3DSMesh byPosition;
  ASSERT_EQ(byPosition.Create(file_, &lib_, true).code, 0);
  EXPECT_NEAR(byPosition.objects.at(0).vertices[7].nz, 0.57735f, 1e-5);
  // The origin has no direction: its normal stays zero, not NaN.
  const MeshVertex& origin = byPosition.objects.at(0).vertices[8];
  EXPECT_TRUE(origin.nx == 0.0f && origin.ny == 0.0f && origin.nz == 0.0f);
}

TEST_F(MeshTest, RefusesFacesPastItsPoints) {
  EXPECT_EQ(mesh_.Create(nullptr, &lib_, false).message, "C3DSMesh::Create() : p3DSFile == NULL!");
  // Built in memory, so no chunk check stands before it.
  Lib3dsFile* file = lib3ds_file_new();
  EXPECT_EQ(mesh_.Create(file, nullptr, false).message, "C3DSMesh::Create() : pTexLib == NULL!");
  Lib3dsMesh* mesh = lib3ds_mesh_new("m");
  lib3ds_mesh_new_point_list(mesh, 3);
  lib3ds_mesh_new_face_list(mesh, 1);
  mesh->faceL[0].points[2] = 3;
  lib3ds_file_insert_mesh(file, mesh);
  Lib3dsNode* node = lib3ds_node_new_object();
  std::strcpy(node->name, "m");
  node->parent_id = 65535;
  lib3ds_file_insert_node(file, node);
  const Result result = mesh_.Create(file, &lib_, false);
  EXPECT_EQ(result.code, 7);
  EXPECT_EQ(result.message, "C3DSMesh::Create() : face index out of range!");
  EXPECT_TRUE(mesh_.objects.empty());
  lib3ds_file_free(file);
}

TEST_F(MeshTest, LightsAtMostSevenAndNoneDisablesLighting) {
  SceneBuilder scene;
  for (int i = 1; i <= 9; ++i) {
    scene.AddLight({"l" + std::to_string(i), {float(i), 0, 0}, {0.1f * float(i), 0, 0}, 1});
    scene.AddLightNode("l" + std::to_string(i));
  }
  Build(scene);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (int i = 0; i < 8; ++i) glDisable(GLenum(GL_LIGHT0 + i));
  mesh_.SetLights();
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(glIsEnabled(GLenum(GL_LIGHT0 + i)), i < 7) << i;
  float position[4], diffuse[4], ambient[4];
  glGetLightfv(GL_LIGHT6, GL_POSITION, position);
  glGetLightfv(GL_LIGHT6, GL_DIFFUSE, diffuse);
  glGetLightfv(GL_LIGHT6, GL_AMBIENT, ambient);
  EXPECT_EQ(std::vector<float>({position[0], position[3], diffuse[0], ambient[0]}),
            std::vector<float>({7.0f, 1.0f, 0.7f, 0.2f}));
  C3DSMesh().SetLights();
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  for (int i = 0; i < 8; ++i) glDisable(GLenum(GL_LIGHT0 + i));
}

TEST_F(MeshTest, DrawsTexturesAndColoursWithOrWithoutASecondUnit) {
  SceneBuilder quads;
  AddMaterials(&quads);
  const char* materials[] = {"MAPPED", "PLAIN", "NOSUCH", "SHINY"};
  for (int i = 0; i < 4; ++i) {
    const std::string name = "q" + std::to_string(i);
    quads.AddMesh(MakeQuad(name, 2.0f * float(i) - 3.5f, -0.5f, 2.0f * float(i) - 2.5f, 0.5f, 0, materials[i]));
    quads.AddObjectNode(name);
  }
  Build(quads);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-4, 4, -3, 3, -0.1, 0.1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  for (bool oneUnit : {false, true}) {
    glClear(GL_COLOR_BUFFER_BIT);
    ResetUnits();
    const PFNGLACTIVETEXTUREARBPROC entry = glActiveTextureARB;
    if (oneUnit) glActiveTextureARB = nullptr;
    mesh_.SetLights();
    mesh_.Render();
    glActiveTextureARB = entry;
    ExpectPixel(100, 300, 255, 0, 0);      // texture map
    ExpectPixel(300, 300, 0, 0, 255);      // material colour
    ExpectPixel(500, 300, 255, 255, 255);  // no material: white
    ExpectPixel(700, 300, 0, 255, 0);      // reflection map
  }
  ResetUnits();
}
