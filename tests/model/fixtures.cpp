#include "model/fixtures.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "content/jpeg_writer.h"

namespace modeltest {

using namespace content;

std::string U16(uint16_t value) { return std::string{char(value & 0xFF), char(value >> 8)}; }
std::string U32(uint32_t value) { return U16(uint16_t(value)) + U16(uint16_t(value >> 16)); }
std::string Floats(std::initializer_list<float> values) {
  std::string out;
  for (float f : values) out.append(reinterpret_cast<const char*>(&f), 4);
  return out;
}
std::string Name(const std::string& name) { return name + std::string(1, '\0'); }
std::string Chunk(uint16_t id, const std::string& body) {
  return U16(id) + U32(uint32_t(body.size() + 6)) + body;
}

std::string File(const std::string& mdata, const std::string& keyframer) {
  std::string body = Chunk(0x0002, U32(3)) + Chunk(0x3D3D, mdata);
  if (!keyframer.empty())
    body += Chunk(0xB000, Chunk(0xB00A, U16(5) + Name("kf") + U32(100)) + keyframer);
  return Chunk(0x4D4D, body);
}

std::string TriMesh(const std::string& name, uint16_t points, std::initializer_list<uint16_t> corners) {
  std::string pointData = U16(points);
  for (uint16_t i = 0; i < points; ++i) pointData += Floats({float(i), float(i % 2), 0.0f});
  std::string faceData = U16(uint16_t(corners.size() / 3));
  size_t corner = 0;
  for (uint16_t index : corners) faceData += U16(index) + (++corner % 3 == 0 ? U16(7) : "");
  return Chunk(0x4000, Name(name) + Chunk(0x4100, Chunk(0x4110, pointData) + Chunk(0x4120, faceData)));
}

std::string ObjectNode(const std::string& name, int id, int parent) {
  std::string body;
  if (id >= 0) body += Chunk(0xB030, U16(uint16_t(id)));
  if (parent >= 0) body += Chunk(0xB010, Name(name) + U16(0) + U16(0) + U16(uint16_t(parent)));
  return Chunk(0xB002, body);
}

void WriteTexture(const std::string& path, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < 64; ++i) pixels.insert(pixels.end(), {r, g, b});
  std::string error;
  ASSERT_TRUE(WriteJpeg(path, 8, 8, 3, pixels.data(), 95, JpegWriteOptions{}, &error)) << error;
}

void Save(const SceneBuilder& scene, const std::string& path) {
  std::string error;
  ASSERT_TRUE(scene.Save(path, &error)) << error;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void AddMaterials(SceneBuilder* scene) {
  scene->AddMaterial({"MAPPED", {}, {1, 1, 1}, {}, "red.jpg", "", false});
  scene->AddMaterial({"SHINY", {}, {1, 1, 1}, {}, "", "green.jpg", false});
  scene->AddMaterial({"BOTH", {}, {1, 1, 1}, {}, "red.jpg", "green.jpg", false});
  scene->AddMaterial({"PLAIN", {}, {0, 0, 1}, {}, "", "", false});
}

SceneBuilder RichScene() {
  SceneBuilder scene;
  scene.SetFrames(40);
  AddMaterials(&scene);
  const char* boxes[][2] = {{"a_map", "MAPPED"}, {"b_map", "MAPPED"}, {"c_shiny", "SHINY"},
                            {"d_both", "BOTH"},  {"e_plain", "PLAIN"}, {"f_nomat", "NOSUCH"},
                            {"g_bare", "MAPPED"}, {"h_child", "PLAIN"}, {"i_child", "PLAIN"}};
  float x = -4;
  for (const auto& box : boxes) {
    SceneMesh mesh = MakeBox(box[0], {x += 1, 0, 0}, {1, 1, 1}, box[1]);
    if (mesh.name == "g_bare") mesh.texels.clear();
    scene.AddMesh(mesh);
    if (mesh.name < "h") scene.AddObjectNode(mesh.name);
  }
  const SceneNodeId dummy = scene.AddObjectNode("$$$DUMMY");
  const SceneNodeId child = scene.AddObjectNode("h_child", dummy, {0.5f, 0, 0});
  scene.AddObjectNode("i_child", 0);
  scene.AddPositionKey(dummy, 0, {0, 0, 0});
  scene.AddPositionKey(dummy, 40, {0, 0, 4});
  scene.AddRotationKey(child, 20, {0, 0, 1}, 90);
  scene.AddScaleKey(child, 10, {2, 2, 2});
  scene.AddLight({"lamp1", {5, -5, 5}, {1, 0.5f, 0.25f}, 1});
  scene.AddLight({"lamp2", {-5, -5, 5}, {0.25f, 0.5f, 1}, 1});
  scene.AddCamera({"cam1", {0, -10, 0}, {0, 0, 0}, 45, 0, 1, 300});
  scene.AddCamera({"cam2", {0, -20, 5}, {0, 0, 0}, 60, 10, 1, 700});
  for (const char* camera : {"cam1", "cam2"}) {
    const SceneNodeId node = scene.AddCameraNode(camera);
    scene.AddTargetNode(camera);
    scene.AddFovKey(node, 20, 50);
    scene.AddRollKey(node, 20, 5);
  }
  scene.AddLightNode("lamp1");
  scene.AddLightNode("lamp2");
  return scene;
}

void DrawTest::SetUp() {
  ASSERT_TRUE(testsupport::EnsureGLContext());
  inside_ = std::make_unique<testsupport::ScopedChdir>(dir_.path());
  dir_.Write("scenes/.keep", "");
  dir_.Write("textures/.keep", "");
  WriteTexture(dir_.File("textures/red.jpg"), 255, 0, 0);
  WriteTexture(dir_.File("textures/green.jpg"), 0, 255, 0);
  lib_.SetPath("textures\\");
  glViewport(0, 0, 800, 600);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void DrawTest::TearDown() {
  inside_.reset();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

void DrawTest::ExpectPixel(int x, int y, int r, int g, int b) {
  uint8_t rgb[3];
  testsupport::PixelAt(x, y, rgb);
  EXPECT_NEAR(rgb[0], r, 12) << "at " << x << "," << y;
  EXPECT_NEAR(rgb[1], g, 12) << "at " << x << "," << y;
  EXPECT_NEAR(rgb[2], b, 12) << "at " << x << "," << y;
}

}  // namespace modeltest
