// C3DSMesh: what it builds from a scene and how it draws it.
#include <dlfcn.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cstring>
#include <map>

#include "model/draw_fixture.h"
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
  // Loads the scene and builds the mesh; the result must be code 0.
  void Build(const SceneBuilder& scene, bool positionNormals = false) {
    SaveScene(scene, "s.3ds");
    file_ = model::Load3DSChecked("scenes\\s.3ds");
    ASSERT_NE(file_, nullptr);
    const Result built = mesh_.Create(file_, &lib_, positionNormals);
    ASSERT_EQ(built.code, 0) << built.message;
    EXPECT_EQ(built.message, "C3DSMesh::Create() : ok!");
  }
  const MeshObject& Object(const char* name) {
    for (const MeshObject& object : mesh_.objects)
      if (std::strcmp(object.node->name, name) == 0) return object;
    ADD_FAILURE() << "no object " << name;
    return mesh_.objects.front();
  }

  Lib3dsFile* file_ = nullptr;
  C3DSMesh mesh_;
};

// The eight corners of a cube (index = x + 2y + 4z, each -1 or +1) and a
// ninth point at the origin that no face uses.
SceneMesh Cube() {
  SceneMesh cube;
  cube.name = "cube";
  for (int i = 0; i < 8; ++i)
    cube.points.push_back({i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
  cube.points.push_back({0, 0, 0});
  // Outward faces: -Z, +Z, -Y, +Y, then -X and +X last.
  const uint16_t faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                                 {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
  for (const auto& f : faces) cube.faces.push_back({f[0], f[1], f[2], ""});
  return cube;
}

}  // namespace

TEST_F(MeshTest, BuildsTopLevelObjectsWithTheirMaterials) {
  Build(RichScene());
  // The dummy has no mesh and the child hangs below it: neither is drawn.
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
      {"e_plain", false, kTexNone, kTexNone, {0, 0, 1, 1}},   // material without maps
      {"f_nomat", false, kTexNone, kTexNone, {1, 1, 1, 1}},   // no such material
      {"g_bare", false, kTexNone, kTexNone, {0, 0, 0, 0}},    // no texels
  };
  for (const auto& e : expected) {
    const MeshObject& object = Object(e.name);
    EXPECT_EQ(object.textured, e.textured) << e.name;
    EXPECT_EQ(object.texMode[0], e.slot0) << e.name;
    EXPECT_EQ(object.texMode[1], e.slot1) << e.name;
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(object.diffuse[i], e.diffuse[i]) << e.name;
  }
  // Each file is loaded once and shared.
  EXPECT_EQ(lib_.textures.size(), 2u);
  EXPECT_EQ(Object("a_map").texId[0], Object("d_both").texId[0]);
  EXPECT_EQ(Object("c_shiny").texId[0], Object("d_both").texId[1]);
  EXPECT_NE(Object("a_map").texId[0], Object("c_shiny").texId[0]);

  const MeshObject& box = Object("b_map");
  EXPECT_EQ(box.vertexCount, 24u);
  EXPECT_EQ(box.faceCount, 12u);
  ASSERT_EQ(box.indices.size(), 36u);
  EXPECT_EQ(box.indices[5], box.mesh->faceL[1].points[2]);
  EXPECT_FLOAT_EQ(box.vertices[2].u, box.mesh->texelL[2][0]);
  EXPECT_FLOAT_EQ(box.vertices[2].x, box.mesh->pointL[2].pos[0]);

  ASSERT_EQ(mesh_.lights.size(), 2u);
  const float lamp1[8] = {5, -5, 5, 1, 1, 0.5f, 0.25f, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(mesh_.lights[0].position[i], lamp1[i]);
    EXPECT_FLOAT_EQ(mesh_.lights[0].diffuse[i], lamp1[4 + i]);
  }
}

TEST_F(MeshTest, CornerNormalsComeFromTheLastFaceTouchingThem) {
  SceneBuilder scene;
  scene.AddMesh(Cube());
  scene.AddObjectNode("cube");
  Build(scene);
  const std::vector<MeshVertex>& vertices = mesh_.objects.at(0).vertices;
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(vertices[i].nx, i & 1 ? 1.0f : -1.0f) << i;
    EXPECT_FLOAT_EQ(vertices[i].ny, 0.0f) << i;
    EXPECT_FLOAT_EQ(vertices[i].nz, 0.0f) << i;
  }
  EXPECT_EQ(vertices[8].nx, 0.0f);

  C3DSMesh byPosition;
  ASSERT_EQ(byPosition.Create(file_, &lib_, true).code, 0);
  const MeshVertex& corner = byPosition.objects.at(0).vertices[7];
  EXPECT_NEAR(corner.nx, 0.57735f, 1e-5);
  EXPECT_NEAR(corner.nz, 0.57735f, 1e-5);
  // The origin has no direction: its normal stays zero, not NaN.
  const MeshVertex& origin = byPosition.objects.at(0).vertices[8];
  EXPECT_EQ(origin.nx, 0.0f);
  EXPECT_EQ(origin.ny, 0.0f);
  EXPECT_EQ(origin.nz, 0.0f);
}

TEST_F(MeshTest, RefusesBrokenMeshesWithTheirCodes) {
  EXPECT_EQ(mesh_.Create(nullptr, &lib_, false).message, "C3DSMesh::Create() : p3DSFile == NULL!");
  Lib3dsFile* file = lib3ds_file_new();
  EXPECT_EQ(mesh_.Create(file, nullptr, false).message, "C3DSMesh::Create() : pTexLib == NULL!");

  // Built in memory, past the chunk checks: a face naming point 5 of 3.
  Lib3dsMesh* mesh = lib3ds_mesh_new("m");
  lib3ds_mesh_new_point_list(mesh, 3);
  lib3ds_mesh_new_face_list(mesh, 1);
  mesh->faceL[0].points[2] = 5;
  lib3ds_file_insert_mesh(file, mesh);
  Lib3dsNode* node = lib3ds_node_new_object();
  std::strcpy(node->name, "m");
  node->parent_id = 65535;
  lib3ds_file_insert_node(file, node);
  const struct {
    Lib3dsDword points, faces;
    bool positionNormals;
    int code;
    const char* message;
  } cases[] = {
      {3, 1, false, 7, "C3DSMesh::Create() : face index out of range!"},
      {0, 1, false, 2, "C3DSMesh::Create() : no vertexes!"},
      {3, 0, false, 3, "C3DSMesh::Create() : no faces!"},
      {3, 0, true, 4, "C3DSMesh::Create() : no faces!"},
  };
  for (const auto& c : cases) {
    mesh->points = c.points;
    mesh->faces = c.faces;
    C3DSMesh built;
    const Result result = built.Create(file, &lib_, c.positionNormals);
    EXPECT_EQ(result.code, c.code) << c.message;
    EXPECT_EQ(result.message, c.message);
    EXPECT_TRUE(built.objects.empty());
  }
  mesh->points = 3;
  mesh->faces = 1;
  lib3ds_file_free(file);
}

TEST_F(MeshTest, LightsAtMostSevenAndNoneDisablesLighting) {
  SceneBuilder scene;
  for (int i = 1; i <= 9; ++i) {
    const std::string name = "l" + std::to_string(i);
    scene.AddLight({name, {float(i), 0, 0}, {0.1f * float(i), 0, 0}, 1});
    scene.AddLightNode(name);
  }
  Build(scene);
  ASSERT_EQ(mesh_.lights.size(), 9u);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (int i = 0; i < 8; ++i) glDisable(GLenum(GL_LIGHT0 + i));
  mesh_.SetLights();
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(glIsEnabled(GLenum(GL_LIGHT0 + i)), i < 7) << i;
  float value[4];
  glGetLightfv(GL_LIGHT6, GL_POSITION, value);
  EXPECT_FLOAT_EQ(value[0], 7.0f);
  EXPECT_FLOAT_EQ(value[3], 1.0f);
  glGetLightfv(GL_LIGHT6, GL_DIFFUSE, value);
  EXPECT_FLOAT_EQ(value[0], 0.7f);
  glGetLightfv(GL_LIGHT6, GL_AMBIENT, value);
  EXPECT_FLOAT_EQ(value[0], 0.2f);

  C3DSMesh dark;
  dark.SetLights();
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  for (int i = 0; i < 8; ++i) glDisable(GLenum(GL_LIGHT0 + i));
}

TEST_F(MeshTest, RenderBindsASharedTextureOnce) {
  Build(RichScene());
  // Order: a_map red, b_map red, c_shiny green, d_both red + green, the rest bare.
  gBinds = 0;
  mesh_.Render();
  EXPECT_EQ(gBinds, 4);
  gBinds = 0;
  mesh_.RenderObject(1);
  EXPECT_EQ(gBinds, 1);
  gBinds = 0;
  mesh_.RenderObject(3);
  EXPECT_EQ(gBinds, 2);
  GLint unit = 0;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  EXPECT_EQ(unit, GL_TEXTURE1);  // unit 1 stays active after each object
  // Sphere mapping for the reflection map on unit 1 only.
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T));
  glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));
  for (GLenum texUnit : {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
    glActiveTextureARB(texUnit);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
  }
}

TEST_F(MeshTest, DrawsTexturesAndColoursWithOrWithoutASecondUnit) {
  SceneBuilder quads;
  AddMaterials(&quads);
  quads.AddMesh(MakeQuad("q1", -3.5f, -0.5f, -2.5f, 0.5f, 0, "MAPPED"));
  quads.AddMesh(MakeQuad("q2", -1.5f, -0.5f, -0.5f, 0.5f, 0, "PLAIN"));
  quads.AddMesh(MakeQuad("q3", 0.5f, -0.5f, 1.5f, 0.5f, 0, "NOSUCH"));
  quads.AddMesh(MakeQuad("q4", 2.5f, -0.5f, 3.5f, 0.5f, 0, "SHINY"));
  for (const char* name : {"q1", "q2", "q3", "q4"}) quads.AddObjectNode(name);
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
    const PFNGLACTIVETEXTUREARBPROC entry = glActiveTextureARB;
    entry(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    entry(GL_TEXTURE0_ARB);
    if (oneUnit) glActiveTextureARB = nullptr;
    mesh_.SetLights();
    mesh_.Render();
    glActiveTextureARB = entry;
    ExpectPixel(100, 300, 255, 0, 0);    // texture map
    ExpectPixel(300, 300, 0, 0, 255);    // material colour
    ExpectPixel(500, 300, 255, 255, 255);  // no material: white
    ExpectPixel(700, 300, 0, 255, 0);    // reflection map
    ExpectPixel(400, 100, 0, 0, 0);
  }
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glDisable(GL_TEXTURE_2D);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  glDisable(GL_TEXTURE_2D);
}
