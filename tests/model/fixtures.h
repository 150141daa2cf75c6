// Scenes and raw 3DS bytes for the model tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "content/scene_builder.h"

namespace modeltest {

using namespace content;

// Raw 3DS pieces, for files the scene builder would refuse to write.
inline std::string U16(int value) { return {char(value & 0xFF), char((value >> 8) & 0xFF)}; }
inline std::string U32(uint32_t value) { return U16(int(value & 0xFFFF)) + U16(int(value >> 16)); }
inline std::string Name(const std::string& name) { return name + '\0'; }
inline std::string Chunk(int id, const std::string& body) {
  return U16(id) + U32(uint32_t(body.size() + 6)) + body;
}
// A file: version, the scene data and a keyframer section.
inline std::string File(const std::string& mdata, const std::string& keyframer = "") {
  const std::string kf = Chunk(0xB00A, U16(5) + Name("kf") + U32(100)) + keyframer;
  return Chunk(0x4D4D, Chunk(0x0002, U32(3)) + Chunk(0x3D3D, mdata) + Chunk(0xB000, kf));
}
// A mesh of `points` points (zero floats) with the faces' corners given and,
// unless `group` is negative, a material group naming face `group`.
inline std::string TriMesh(int points, std::initializer_list<int> corners, int group = -1) {
  std::string faces = U16(int(corners.size() / 3));
  for (size_t i = 0; i < corners.size(); ++i)
    faces += U16(corners.begin()[i]) + (i % 3 == 2 ? U16(7) : "");
  if (group >= 0) faces += Chunk(0x4130, Name("m") + U16(1) + U16(group));
  const std::string pointList = Chunk(0x4110, U16(points) + std::string(size_t(points) * 12, '\0'));
  return Chunk(0x4000, Name("a") + Chunk(0x4100, pointList + Chunk(0x4120, faces)));
}
// An object node; a negative id or parent leaves out the id or header chunk.
inline std::string Node(int id, int parent, const std::string& tracks = "") {
  const std::string header = Chunk(0xB010, Name("a") + U16(0) + U16(0) + U16(parent));
  return Chunk(0xB002,
               (id >= 0 ? Chunk(0xB030, U16(id)) : "") + (parent >= 0 ? header : "") + tracks);
}

inline void Save(const SceneBuilder& scene, const std::string& path) {
  std::string error;
  ASSERT_TRUE(scene.Save(path, &error)) << error;
}

// Materials MAPPED (red.jpg), SHINY (reflection green.jpg), BOTH (the two)
// and PLAIN (blue, no maps); boxes a_map, b_map (MAPPED), c_shiny, d_both,
// e_plain, f_nomat (material missing), g_bare (no texels) at x = -3 to 3,
// h_child below a dummy (with rotation and scale keys), i_child below a_map;
// camera cam (far 300) with a fov key; unless not wanted, lamp1 to lamp9,
// lamp i at (i, -5, 5) in (i / 10, 0.5, 1).
inline SceneBuilder RichScene(bool lamps = true) {
  SceneBuilder scene;
  scene.AddMaterial({"MAPPED", {}, {1, 1, 1}, {}, "red.jpg", "", false});
  scene.AddMaterial({"SHINY", {}, {1, 1, 1}, {}, "", "green.jpg", false});
  scene.AddMaterial({"BOTH", {}, {1, 1, 1}, {}, "red.jpg", "green.jpg", false});
  scene.AddMaterial({"PLAIN", {}, {0, 0, 1}, {}, "", "", false});
  float x = -4;
  for (std::string box :
       {"a_map MAPPED", "b_map MAPPED", "c_shiny SHINY", "d_both BOTH", "e_plain PLAIN",
        "f_nomat NOSUCH", "g_bare MAPPED", "h_child PLAIN", "i_child PLAIN"}) {
    const size_t blank = box.find(' ');
    SceneMesh mesh =
        MakeBox(box.substr(0, blank), {x += 1, 0, 0}, {1, 1, 1}, box.substr(blank + 1));
    if (mesh.name == "g_bare") mesh.texels.clear();
    scene.AddMesh(mesh);
    if (mesh.name < "h") scene.AddObjectNode(mesh.name);
  }
  const SceneNodeId child =
      scene.AddObjectNode("h_child", scene.AddObjectNode("$$$DUMMY"), {0.5f, 0, 0});
  scene.AddObjectNode("i_child", 0);
  scene.AddRotationKey(child, 20, {0, 0, 1}, 90);
  scene.AddScaleKey(child, 10, {2, 2, 2});
  scene.AddCamera({"cam", {0, -10, 0}, {0, 0, 0}, 45, 0, 1, 300});
  scene.AddFovKey(scene.AddCameraNode("cam"), 20, 50);
  scene.AddTargetNode("cam");
  for (int i = 1; i <= 9 && lamps; ++i) {
    const std::string lamp = "lamp" + std::to_string(i);
    scene.AddLight({lamp, {float(i), -5, 5}, {0.1f * float(i), 0.5f, 1}, 1});
    scene.AddLightNode(lamp);
  }
  return scene;
}

}  // namespace modeltest
