// Scenes, textures, raw chunks and a drawing set-up for the model tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "content/scene_builder.h"
#include "shell/glapi.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"

namespace modeltest {

// Raw 3DS pieces, for files the scene builder would refuse to write.
std::string U16(uint16_t value);
std::string U32(uint32_t value);
std::string Floats(std::initializer_list<float> values);
std::string Name(const std::string& name);  // with its terminating zero
std::string Chunk(uint16_t id, const std::string& body);
// A file: version, the scene data and (when not empty) a keyframer section.
std::string File(const std::string& mdata, const std::string& keyframer = "");
// A named mesh of `points` points with the faces' corner indices given.
std::string TriMesh(const std::string& name, uint16_t points, std::initializer_list<uint16_t> corners);
// An object node; a negative id or parent leaves out the id or header chunk.
std::string ObjectNode(const std::string& name, int id, int parent);

void WriteTexture(const std::string& path, uint8_t r, uint8_t g, uint8_t b);  // flat 8 x 8 JPEG
void Save(const content::SceneBuilder& scene, const std::string& path);      // fails the test if refused
std::string ReadBytes(const std::string& path);

// Materials MAPPED (red.jpg), SHINY (reflection green.jpg), BOTH (red.jpg and
// green.jpg), all white, and PLAIN (blue, no maps).
void AddMaterials(content::SceneBuilder* scene);
// Boxes a_map, b_map (MAPPED), c_shiny, d_both, e_plain, f_nomat (material
// missing), g_bare (no texels); h_child below a keyed dummy, i_child below
// a_map; lights lamp1, lamp2; cameras cam1 (far 300), cam2 (far 700) with
// fov and roll keys at frame 20; 40 frames.
content::SceneBuilder RichScene();

// A GL context, a working folder holding textures/red.jpg, green.jpg and
// scenes/, and a texture library on "textures\\".
class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void SaveScene(const content::SceneBuilder& scene, const std::string& name) {
    Save(scene, dir_.File("scenes/" + name));
  }
  // The pixel at (x, y from the top) is within 12 of (r, g, b).
  static void ExpectPixel(int x, int y, int r, int g, int b);

  testsupport::TempDir dir_;
  std::unique_ptr<testsupport::ScopedChdir> inside_;
  CTexLib lib_;
};

}  // namespace modeltest
