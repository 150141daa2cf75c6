#include "effects_a/stage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "content/jpeg_writer.h"
#include "platform/clock.h"
#include "platform/png.h"
#include "shell/glapi.h"
#include "shell/globals.h"
#include "support/gl_context.h"

namespace fx {
namespace {

void EmptyTexLib() {
  for (CTex& tex : texLib.textures) tex.Relase();
  texLib.textures.clear();
}

void WritePicture(const std::string& path, int size, const uint8_t left[3],
                  const uint8_t right[3]) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const uint8_t* c = x < size / 2 ? left : right;
      rgb.insert(rgb.end(), c, c + 3);
    }
  }
  content::JpegWriteOptions options;
  options.fullChroma = true;
  std::string error;
  ASSERT_TRUE(content::WriteJpeg(path, size, size, 3, rgb.data(), 100, options, &error)) << error;
}

content::SceneMaterial Textured(const std::string& texture) {
  content::SceneMaterial material;
  material.name = "m_" + texture;
  material.textureMap = texture;
  return material;
}

}  // namespace

Stage::Stage() {
  std::filesystem::create_directories(dir.File("scenes"));
  std::filesystem::create_directories(dir.File("textures"));
  EmptyTexLib();
  texLib.SetPath("textures\\");
}

// Pictures of one test must not be found in the library by the next one.
Stage::~Stage() { EmptyTexLib(); }

void Stage::Picture(const std::string& name, uint8_t r, uint8_t g, uint8_t b) const {
  const uint8_t c[3] = {r, g, b};
  WritePicture(dir.File("textures/" + name), 8, c, c);
}

void Stage::SplitPicture(const std::string& name, const uint8_t left[3],
                         const uint8_t right[3]) const {
  WritePicture(dir.File("textures/" + name), 16, left, right);
}

void Stage::Scene(const std::string& name, const content::SceneBuilder& scene) const {
  std::string error;
  ASSERT_TRUE(scene.Save(dir.File("scenes/" + name), &error)) << error;
}

void Stage::StaticBox(const std::string& name, SceneVec3 centre, SceneVec3 size,
                      const std::string& texture, bool inward) const {
  content::SceneBuilder scene;
  const std::string material = texture.empty() ? "" : "m_" + texture;
  content::SceneMesh box = content::MakeBox("box", centre, size, material);
  if (texture.empty()) box.texels.clear();
  if (inward) {
    for (content::SceneFace& face : box.faces) std::swap(face.b, face.c);
  }
  if (!texture.empty()) scene.AddMaterial(Textured(texture));
  scene.AddMesh(box);
  scene.AddObjectNode("box");
  Scene(name, scene);
}

void Stage::MovingBox(const std::string& name, int frames, SceneVec3 size, SceneVec3 from,
                      SceneVec3 to, const std::string& texture, bool camera) const {
  content::SceneBuilder scene;
  scene.SetFrames(frames);
  scene.AddMaterial(Textured(texture));
  scene.AddMesh(content::MakeBox("box", {0, 0, 0}, size, "m_" + texture));
  if (camera) {
    content::SceneCamera cam;
    cam.name = "cam";
    cam.position = {0, -300, 0};
    cam.target = {0, 0, 0};
    cam.fov = 45;
    cam.farRange = 1000;
    scene.AddCamera(cam);
    scene.AddCameraNode("cam");
    scene.AddTargetNode("cam");
  }
  const content::SceneNodeId node = scene.AddObjectNode("box");
  scene.AddPositionKey(node, 0, from);
  scene.AddPositionKey(node, frames, to);
  Scene(name, scene);
}

void Stage::Remove(const std::string& relative) const {
  std::filesystem::remove(dir.File(relative));
}

Rgb At(float x, float y) {
  uint8_t rgb[3];
  testsupport::PixelAt(int(x * 800.0f / 640.0f), int(y * 600.0f / 480.0f), rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

bool Near(Rgb c, int r, int g, int b, int tolerance) {
  return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
         std::abs(c.b - b) <= tolerance;
}

void ClearFrame(float r, float g, float b) {
  glViewport(0, 0, 800, 600);
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void ResetClearColour() {
  glWindow.clearColor[0] = glWindow.clearColor[1] = glWindow.clearColor[2] = 1.0f;
  glWindow.clearColor[3] = 0.0f;
}

bool ClearColourIs(float r, float g, float b, float a) {
  const float* c = glWindow.clearColor;
  return c[0] == r && c[1] == g && c[2] == b && c[3] == a;
}

void Advance(int steps) {
  for (int i = 0; i < steps; ++i) platform::AdvanceVirtualFrame();
}

void Shot(const std::string& name) {
  const char* folder = std::getenv("VELMORA_FX_SHOTS");
  if (folder == nullptr) return;
  const std::vector<uint8_t> rgb = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  std::string reason;
  platform::WritePNG(std::string(folder) + "/" + name + ".png", 800, 600, rgb.data(), &reason);
}

}  // namespace fx
