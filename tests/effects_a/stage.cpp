#include "effects_a/stage.h"

#include <filesystem>

#include "content/jpeg_writer.h"
#include "particle/particle.h"
#include "platform/clock.h"
#include "shell/base/glapi.h"
#include "shell/objects/globals.h"
#include "support/gl_context.h"

namespace fx {

static bool Close(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

testing::AssertionResult Near(Rgb found, Rgb want, int tolerance) {
  if (Close(found, want, tolerance)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "found " << found.r << ", " << found.g << ", " << found.b;
}

static Rgb Of(const std::vector<uint8_t>& v, size_t i) { return {v[i], v[i + 1], v[i + 2]}; }

Rgb Frame::Px(int x, int y) const { return Of(rgb, (size_t(y) * 800 + size_t(x)) * 3); }

void ExpectAt(const Frame& f, std::initializer_list<std::pair<float, float>> points, Rgb want,
              int tolerance) {
  for (const auto& p : points) {
    EXPECT_TRUE(Near(f.At(p.first, p.second), want, tolerance))
        << "at " << p.first << ", " << p.second;
  }
}

int Frame::Differences(const Frame& other, int tolerance) const {
  int count = 0;
  for (size_t i = 0; i < rgb.size(); i += 3)
    count += !Close(Of(rgb, i), Of(other.rgb, i), tolerance);
  return count;
}

Frame ReadFrame() { return Frame{testsupport::ReadPixelsTopFirst(0, 0, 800, 600)}; }

void Clear(float grey) {
  glViewport(0, 0, 800, 600);
  glClearColor(grey, grey, grey, 1.0f);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Frame Play(CLayer& layer, float t, float grey) {
  Clear(grey);
  glWindow.clearColor[0] = glWindow.clearColor[1] = glWindow.clearColor[2] = 1.0f;
  glWindow.clearColor[3] = 0.0f;
  layer.Render(t);
  return ReadFrame();
}

bool NextClearIsBlack() {
  const float* c = glWindow.clearColor;
  return c[0] == 0 && c[1] == 0 && c[2] == 0 && c[3] == 1;
}

void Advance(int frames) {
  while (frames-- > 0) platform::AdvanceVirtualFrame();
}

void AddBox(content::SceneBuilder& scene, const std::string& name, SceneVec3 centre, SceneVec3 size,
            SceneVec3 paint, const std::string& map, bool inward) {
  content::SceneMaterial material;
  material.name = name;
  material.diffuse = paint;
  material.textureMap = map;
  scene.AddMaterial(material);
  content::SceneMesh mesh = content::MakeBox(name, centre, size, name);
  if (inward)
    for (content::SceneFace& face : mesh.faces) std::swap(face.b, face.c);
  scene.AddMesh(mesh);
  scene.AddObjectNode(name);
}

content::SceneBuilder BoxScene(SceneVec3 centre, SceneVec3 size, SceneVec3 paint,
                               const std::string& map, bool inward) {
  content::SceneBuilder scene;
  AddBox(scene, "box", centre, size, paint, map, inward);
  return scene;
}

content::SceneBuilder MovingBox(int frames, SceneVec3 size, SceneVec3 from, SceneVec3 to,
                                SceneVec3 paint, const std::string& map, bool camera) {
  content::SceneBuilder scene = BoxScene({0, 0, 0}, size, paint, map);
  scene.SetFrames(frames);
  scene.AddPositionKey(0, 0, from);
  scene.AddPositionKey(0, frames, to);
  if (!camera) return scene;
  scene.AddCamera({"cam", {0, -300, 0}, {0, 0, 0}, 45, 0, 0, 1000});
  scene.AddCameraNode("cam");
  scene.AddTargetNode("cam");
  return scene;
}

static void EmptyTexLib() {
  for (CTex& tex : texLib.textures) tex.Relase();
  texLib.textures.clear();
}

Stage::Stage() {
  std::filesystem::create_directories(dir_.File("scenes"));
  std::filesystem::create_directories(dir_.File("textures"));
  EmptyTexLib();
  texLib.SetPath("textures\\");
}

Stage::~Stage() { EmptyTexLib(); }

void Stage::Picture(const std::string& name, Rgb c) const {
  std::vector<uint8_t> rgb;
  for (int i = 0; i < 16 * 16; ++i)
    rgb.insert(rgb.end(), {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)});
  std::string error;
  EXPECT_TRUE(
      content::WriteJpeg(dir_.File("textures/" + name), 16, 16, 3, rgb.data(), 100, {}, &error))
      << error;
}

void Stage::Scene(const std::string& name, const content::SceneBuilder& scene) const {
  std::string error;
  EXPECT_TRUE(scene.Save(dir_.File("scenes/" + name), &error)) << error;
}

LayerTest::LayerTest() {
  platform::StartVirtualClock(10);
  ParticleRandomSeed(1);
}

LayerTest::~LayerTest() { platform::StartRealClock(); }

}  // namespace fx
