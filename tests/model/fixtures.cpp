#include "model/fixtures.h"

#include <gtest/gtest.h>

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

std::string TriMesh(const std::string& name, uint16_t points,
                    std::initializer_list<uint16_t> faceIndices) {
  std::string pointData = U16(points);
  for (uint16_t i = 0; i < points; ++i) pointData += Floats({float(i), float(i % 2), 0.0f});
  std::string faceData = U16(uint16_t(faceIndices.size() / 3));
  size_t corner = 0;
  for (uint16_t index : faceIndices) {
    faceData += U16(index);
    if (++corner % 3 == 0) faceData += U16(7);
  }
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
  SceneMaterial mapped{"MAPPED", {}, {1, 1, 1}, {}, "red.jpg", "", false};
  SceneMaterial shiny{"SHINY", {}, {1, 1, 1}, {}, "", "green.jpg", false};
  SceneMaterial both{"BOTH", {}, {1, 1, 1}, {}, "red.jpg", "green.jpg", false};
  SceneMaterial plain{"PLAIN", {}, {0.0f, 0.0f, 1.0f}, {}, "", "", false};
  for (const SceneMaterial& m : {mapped, shiny, both, plain}) scene->AddMaterial(m);
}

SceneBuilder RichScene() {
  SceneBuilder scene;
  scene.SetFrames(40);
  AddMaterials(&scene);
  scene.AddMesh(MakeBox("a_map", {-3, 0, 0}, {1, 1, 1}, "MAPPED"));
  scene.AddMesh(MakeBox("b_map", {-1, 0, 0}, {1, 1, 1}, "MAPPED"));
  scene.AddMesh(MakeBox("c_shiny", {1, 0, 0}, {1, 1, 1}, "SHINY"));
  scene.AddMesh(MakeBox("d_both", {3, 0, 0}, {1, 1, 1}, "BOTH"));
  scene.AddMesh(MakeBox("e_plain", {0, 0, 2}, {1, 1, 1}, "PLAIN"));
  scene.AddMesh(MakeBox("f_nomat", {0, 0, -2}, {1, 1, 1}, "NOSUCH"));
  SceneMesh bare = MakeBox("g_bare", {0, 3, 0}, {1, 1, 1}, "MAPPED");
  bare.texels.clear();
  scene.AddMesh(bare);
  scene.AddMesh(MakeBox("h_child", {0, -3, 0}, {1, 1, 1}, "PLAIN"));
  scene.AddMesh(MakeBox("i_child", {0, -5, 0}, {1, 1, 1}, "PLAIN"));
  scene.AddLight({"lamp1", {5, -5, 5}, {1, 0.5f, 0.25f}, 1});
  scene.AddLight({"lamp2", {-5, -5, 5}, {0.25f, 0.5f, 1}, 1});
  scene.AddCamera({"cam1", {0, -10, 0}, {0, 0, 0}, 45, 0, 1, 300});
  scene.AddCamera({"cam2", {0, -20, 5}, {0, 0, 0}, 60, 10, 1, 700});
  for (const char* name : {"a_map", "b_map", "c_shiny", "d_both", "e_plain", "f_nomat", "g_bare"})
    scene.AddObjectNode(name);
  const SceneNodeId dummy = scene.AddObjectNode("$$$DUMMY");
  const SceneNodeId child = scene.AddObjectNode("h_child", dummy, {0.5f, 0, 0});
  scene.AddObjectNode("i_child", 0);  // below a_map
  scene.AddPositionKey(dummy, 0, {0, 0, 0});
  scene.AddPositionKey(dummy, 40, {0, 0, 4});
  scene.AddRotationKey(child, 0, {0, 0, 1}, 0);
  scene.AddRotationKey(child, 20, {0, 0, 1}, 90);
  scene.AddScaleKey(child, 10, {2, 2, 2});
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

}  // namespace modeltest
