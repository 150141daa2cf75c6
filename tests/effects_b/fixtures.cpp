#include "effects_b/fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "content/jpeg_writer.h"
#include "shell/glapi.h"
#include "shell/globals.h"
#include "support/gl_context.h"

namespace fxb {

bool Near(const uint8_t* p, Colour c, int tolerance) {
  return std::abs(p[0] - c.r) <= tolerance && std::abs(p[1] - c.g) <= tolerance &&
         std::abs(p[2] - c.b) <= tolerance;
}

int Frame::Differences(const Frame& other, int tolerance) const {
  int count = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    count += !Near(&rgb[i], Colour{other.rgb[i], other.rgb[i + 1], other.rgb[i + 2]}, tolerance);
  }
  return count;
}

int Frame::Count(Colour colour, int tolerance) const {
  int count = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) count += Near(&rgb[i], colour, tolerance);
  return count;
}

Frame ReadFrame() { return Frame{testsupport::ReadPixelsTopFirst(0, 0, 800, 600)}; }

void Clear(const float colour[4]) {
  glClearColor(colour[0], colour[1], colour[2], colour[3]);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

content::SceneMaterial Paint(content::SceneVec3 colour, const std::string& map) {
  content::SceneMaterial material;
  material.name = "paint";
  material.diffuse = colour;
  material.textureMap = map;
  return material;
}

content::SceneBuilder BoxScene(content::SceneVec3 size, content::SceneVec3 colour,
                               const std::string& map) {
  content::SceneBuilder scene;
  scene.AddMaterial(Paint(colour, map));
  scene.AddMesh(content::MakeBox("box", {0, 0, 0}, size, "paint"));
  scene.AddObjectNode("box");
  return scene;
}

content::SceneMesh InsideOutBox(const std::string& name, float size, const std::string& material) {
  content::SceneMesh mesh = content::MakeBox(name, {0, 0, 0}, {size, size, size}, material);
  for (content::SceneFace& face : mesh.faces) std::swap(face.b, face.c);
  return mesh;
}

namespace {
void EmptyTextureLibrary() {
  for (CTex& tex : texLib.textures) tex.Relase();
  texLib.textures.clear();
}
}  // namespace

LayerFixture::LayerFixture() {
  ready = testsupport::EnsureGLContext();
  glViewport(0, 0, 800, 600);
  std::filesystem::create_directories(dir_.File("scenes"));
  std::filesystem::create_directories(dir_.File("textures"));
  EmptyTextureLibrary();  // no texture of an earlier test is found by name
  texLib.SetPath("textures\\");
}

LayerFixture::~LayerFixture() { EmptyTextureLibrary(); }

void LayerFixture::Jpeg(const std::string& name, Colour c) const {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 32 * 32; ++i)
    rgb.insert(rgb.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
  content::JpegWriteOptions options;
  options.fullChroma = true;
  std::string error;
  EXPECT_TRUE(content::WriteJpeg(dir_.File("textures/" + name), 32, 32, 3, rgb.data(), 100, options,
                                 &error))
      << error;
}

void LayerFixture::Scene(const std::string& name, const content::SceneBuilder& scene) const {
  std::string error;
  EXPECT_TRUE(scene.Save(dir_.File("scenes/" + name), &error)) << error;
}

void LayerFixture::Remove(const std::string& relative) const {
  std::filesystem::remove(dir_.File(relative));
}

}  // namespace fxb
