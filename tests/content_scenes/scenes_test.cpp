// The generated scenes, loaded and drawn by the program's own model classes:
// every file loads with its textures, the keyframed scenes have moving
// cameras and loops sized to their layers, every model fits the camera of the
// layer that shows it, and the generator writes the same bytes every time.
#include <gtest/gtest.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "content/generate.h"
#include "model/animmodel.h"
#include "model/mesh3ds.h"
#include "model/staticmodel.h"
#include "platform/jpeg.h"
#include "render/glhelpers.h"
#include "shell/glapi.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"

namespace {

using testsupport::ScopedChdir;
using testsupport::TempDir;

const char* const kStaticScenes[] = {"nsphere.3ds", "object_03.3ds", "object_01.3ds", "krab.3ds",
                                     "strom.3ds",   "cone.3ds",      "object_04.3ds", "igra.3ds"};

struct Keyframed {
  const char* file;
  float rate;         // keyframe frames per second of the layer that plays it
  float sceneLength;  // seconds the layer's scene lasts
};
const Keyframed kKeyframed[] = {{"anim_02.3ds", 5.0f, 12.3f},
                                {"anim_03.3ds", 10.0f, 17.0f},
                                {"tunel_0.3ds", 3.0f, 41.0f},
                                {"anim_05.3ds", 10.0f, 23.28f}};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the whole set looks like on disk: relative path -> bytes.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    files[std::filesystem::relative(entry.path(), root).string()] = ReadFile(entry.path().string());
  }
  return files;
}

// One generated set shared by the tests of this file, with the working
// folder moved into it, as the program runs beside its data.
class SceneFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    failure_ = new std::string(content::WriteScenes(dir_->path()));
  }
  static void TearDownTestSuite() {
    delete failure_;
    delete dir_;
    failure_ = nullptr;
    dir_ = nullptr;
  }
  void SetUp() override {
    ASSERT_EQ(*failure_, "");
    ASSERT_TRUE(testsupport::EnsureGLContext());
    chdir_ = std::make_unique<ScopedChdir>(dir_->path());
    texLib_.SetPath("textures\\");
  }

  static TempDir* dir_;
  static std::string* failure_;
  std::unique_ptr<ScopedChdir> chdir_;
  CTexLib texLib_;
};

TempDir* SceneFiles::dir_ = nullptr;
std::string* SceneFiles::failure_ = nullptr;

// Every object of a loaded scene is drawn textured (lit untextured objects
// would show as flat grey), from a texture the library really loaded.
void ExpectTexturedObjects(const C3DSMesh& mesh, const std::string& file) {
  ASSERT_FALSE(mesh.objects.empty()) << file;
  for (const MeshObject& object : mesh.objects) {
    EXPECT_TRUE(object.textured) << file << " object " << object.node->name;
    EXPECT_EQ(object.texMode[0], kTexMap) << file << " object " << object.node->name;
    EXPECT_NE(object.texId[0], 0xFFFFFFFFu) << file << " object " << object.node->name;
    EXPECT_GT(object.faceCount, 0u) << file;
  }
}

size_t Triangles(const C3DSMesh& mesh) {
  size_t total = 0;
  for (const MeshObject& object : mesh.objects) total += object.faceCount;
  return total;
}

TEST_F(SceneFiles, EveryStaticSceneLoadsWithItsTexturesAndModestSize) {
  for (const char* file : kStaticScenes) {
    CStaticModel model;
    const Result loaded = model.Load3DS(file, &texLib_, false);
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    ExpectTexturedObjects(*model.mesh, file);
    // The crab is drawn five times a frame; the others once or twice.
    const size_t budget = std::string(file) == "krab.3ds" ? 3000 : 6000;
    EXPECT_LE(Triangles(*model.mesh), budget) << file;
  }
  // Every texture a material named was found and decoded.
  ASSERT_FALSE(texLib_.textures.empty());
  for (const CTex& texture : texLib_.textures) {
    EXPECT_NE(texture.id, 0xFFFFFFFFu) << texture.fileName;
    EXPECT_GT(texture.width, 0) << texture.fileName;
  }
}

TEST_F(SceneFiles, KeyframedScenesHaveACameraAndLoopsSizedToTheirLayers) {
  for (const Keyframed& scene : kKeyframed) {
    CAnimModel model;
    const Result loaded = model.Load3DS(scene.file, &texLib_);
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    const Result camera = model.SetCamera(0);
    ASSERT_EQ(camera.code, 0) << scene.file << ": " << camera.message;
    ExpectTexturedObjects(*model.mesh, scene.file);
    EXPECT_LE(Triangles(*model.mesh), 12000u) << scene.file;
    EXPECT_FALSE(model.mesh->lights.empty()) << scene.file;
    for (const MeshLight& light : model.mesh->lights) {
      EXPECT_GT(light.diffuse[0] + light.diffuse[1] + light.diffuse[2], 0.3f) << scene.file;
    }
    // A loop lasts most of its scene, and not longer than it.
    const float loopSeconds = float(model.GetFrames()) / scene.rate;
    EXPECT_LE(loopSeconds, scene.sceneLength) << scene.file;
    EXPECT_GE(loopSeconds, 0.85f * scene.sceneLength) << scene.file;
    // The camera has a near plane the player ignores and a far range it uses.
    EXPECT_GT(model.zFar, 100.0f) << scene.file;
  }
}

// lib3ds answers a track evaluated before its first key with its last key, so
// every track must start at frame 0; the camera and its target must move.
TEST_F(SceneFiles, EveryTrackStartsAtFrameZeroAndTheCameraMoves) {
  for (const Keyframed& scene : kKeyframed) {
    Lib3dsFile* file = lib3ds_file_load((std::string("scenes/") + scene.file).c_str());
    ASSERT_NE(file, nullptr) << scene.file;
    int tracks = 0;
    auto firstFrame = [&](auto* firstKey, const char* what, const char* node) {
      if (firstKey == nullptr) return;
      ++tracks;
      EXPECT_EQ(firstKey->tcb.frame, 0) << scene.file << " " << node << " " << what;
    };
    for (Lib3dsNode* node = file->nodes; node != nullptr; node = node->next) {
      EXPECT_EQ(node->childs, nullptr) << scene.file << ": only top-level nodes are drawn";
      switch (node->type) {
        case LIB3DS_OBJECT_NODE:
          firstFrame(node->data.object.pos_track.keyL, "position", node->name);
          firstFrame(node->data.object.rot_track.keyL, "rotation", node->name);
          firstFrame(node->data.object.scl_track.keyL, "scale", node->name);
          break;
        case LIB3DS_CAMERA_NODE:
          firstFrame(node->data.camera.pos_track.keyL, "position", node->name);
          firstFrame(node->data.camera.fov_track.keyL, "fov", node->name);
          break;
        case LIB3DS_TARGET_NODE:
          firstFrame(node->data.target.pos_track.keyL, "position", node->name);
          break;
        case LIB3DS_LIGHT_NODE:
          firstFrame(node->data.light.pos_track.keyL, "position", node->name);
          break;
        default:
          break;
      }
    }
    EXPECT_GT(tracks, 3) << scene.file;

    ASSERT_NE(file->cameras, nullptr) << scene.file;
    const char* name = file->cameras->name;
    Lib3dsNode* eye = lib3ds_file_node_by_name(file, name, LIB3DS_CAMERA_NODE);
    Lib3dsNode* target = lib3ds_file_node_by_name(file, name, LIB3DS_TARGET_NODE);
    ASSERT_NE(eye, nullptr) << scene.file;
    ASSERT_NE(target, nullptr) << scene.file;
    auto poseAt = [&](float frame) {
      lib3ds_file_eval(file, frame);
      return std::vector<float>{eye->data.camera.pos[0],    eye->data.camera.pos[1],
                                eye->data.camera.pos[2],    target->data.target.pos[0],
                                target->data.target.pos[1], target->data.target.pos[2]};
    };
    const std::vector<float> start = poseAt(0.0f), middle = poseAt(float(file->frames) * 0.5f);
    const float eyeMoved =
        std::hypot(middle[0] - start[0], middle[1] - start[1], middle[2] - start[2]);
    const float targetMoved =
        std::hypot(middle[3] - start[3], middle[4] - start[4], middle[5] - start[5]);
    EXPECT_GT(eyeMoved, 50.0f) << scene.file;
    EXPECT_GT(targetMoved, 10.0f) << scene.file;
    // Cameras stay level: the player would read a roll in degrees as radians.
    for (float f = 0.0f; f <= float(file->frames); f += float(file->frames) / 8.0f) {
      lib3ds_file_eval(file, f);
      EXPECT_EQ(eye->data.camera.roll, 0.0f) << scene.file << " frame " << f;
    }
    lib3ds_file_free(file);
  }
}

// ------------------------------------------------------------ drawing ---

// The share of the letterboxed band (rows 100 to 499 of the 800 x 600
// window) that a drawing covers, the share of the covered pixels that lie
// outside the band, and the mean brightness of the covered pixels.
struct Coverage {
  float band = 0.0f;
  float outside = 0.0f;
  float brightness = 0.0f;
};

Coverage Draw(const std::function<void()>& draw) {
  glViewport(0, 0, 800, 600);
  glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // a colour no scene uses
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  draw();
  glFinish();
  const std::vector<uint8_t> pixels = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  size_t inBand = 0, outBand = 0;
  double luma = 0.0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const uint8_t* p = &pixels[(size_t(y) * 800 + size_t(x)) * 3];
      if (p[0] == 255 && p[1] == 0 && p[2] == 255) continue;
      (y >= 100 && y < 500 ? inBand : outBand) += 1;
      luma += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    }
  }
  Coverage c;
  c.band = float(inBand) / (800.0f * 400.0f);
  c.outside = inBand + outBand > 0 ? float(outBand) / float(inBand + outBand) : 0.0f;
  c.brightness = inBand + outBand > 0 ? float(luma / double(inBand + outBand)) : 0.0f;
  return c;
}

// Mean absolute difference per channel between two drawings, 0 to 255.
float Difference(const std::function<void()>& a, const std::function<void()>& b) {
  Draw(a);
  const std::vector<uint8_t> first = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  Draw(b);
  const std::vector<uint8_t> second = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  double sum = 0.0;
  for (size_t i = 0; i < first.size(); ++i) sum += std::abs(int(first[i]) - int(second[i]));
  return float(sum / double(first.size()));
}

constexpr float kDegToRadians = 0.017453293f;

TEST_F(SceneFiles, KeyframedScenesFillTheirViewAndCloseTheirLoops) {
  for (const Keyframed& scene : kKeyframed) {
    CAnimModel model;
    ASSERT_EQ(model.Load3DS(scene.file, &texLib_).code, 0);
    ASSERT_EQ(model.SetCamera(0).code, 0);
    const float frames = float(model.GetFrames());
    for (float f : {0.0f, frames * 0.3f, frames * 0.55f, frames * 0.8f}) {
      const Coverage c = Draw([&] { model.Render(f); });
      // Lit, textured geometry all round the camera: no holes to the clear
      // colour, and not a dark picture.
      EXPECT_GT(c.band, 0.97f) << scene.file << " frame " << f;
      EXPECT_GT(c.brightness, 30.0f) << scene.file << " frame " << f;
    }
    // The layers restart their clock just past the last frame: the picture
    // there matches the first frame's.
    const float jump = Difference([&] { model.Render(0.0f); }, [&] { model.Render(frames); });
    EXPECT_LT(jump, 2.0f) << scene.file;
    EXPECT_GT(Difference([&] { model.Render(0.0f); }, [&] { model.Render(frames * 0.3f); }), 5.0f)
        << scene.file << ": the view changes in the course of a loop";
  }
}

struct StaticView {
  const char* file;
  // The layer's camera and model transform at scene time t.
  std::function<void(float t)> place;
  float minBand, maxBand;  // share of the band the model may cover
  float maxOutside;        // share of its pixels that may fall under the bars
};

TEST_F(SceneFiles, StaticModelsFitTheCamerasOfTheirLayers) {
  const float d = kDegToRadians;
  const std::vector<StaticView> views = {
      {"nsphere.3ds",
       [](float t) {
         SetPerspective(CVec3(0, 0, 0), CVec3(0, 0, 1), CVec3(0, 1, 0), 100.0f, 400.0f);
         glRotatef(30.0f * t, 1.0f, 0.5f, 0.33f);
         glRotatef(30.0f * t, 0.2f, 0.2f, 0.8f);
       },
       0.999f, 1.0f, 1.0f},
      {"object_03.3ds",
       [d](float t) {
         SetPerspective(CVec3(0, 0, 250), CVec3(0, 0, 0), CVec3(0, 1, 0), 60.0f, 500.0f);
         glRotatef(90.0f, -1.0f, 0.0f, 0.0f);
         glRotatef(std::sin(75.0f * t * d) * 10.0f + 45.0f, 0.3f, 0.2f, 1.0f);
         glTranslatef(-15.0f, 0.0f, -140.0f);
       },
       0.08f, 0.6f, 0.02f},
      {"object_01.3ds",
       [d](float t) {
         SetPerspective(CVec3(0, 0, 250), CVec3(0, 0, 0), CVec3(0, 1, 0), 60.0f, 500.0f);
         glRotatef(30.0f * t, 0.6f, 1.0f, 0.33f);
         glRotatef(50.0f * t, 0.7f, 0.2f, 0.9f);
         glTranslatef(80.0f * std::cos(160.0f * t * d), 50.0f * std::sin(80.0f * t * d),
                      75.0f * std::sin(40.0f * t * d));
       },
       0.002f, 0.12f, 1.0f},
      {"krab.3ds",
       [](float) {
         SetPerspective(CVec3(0, 0, 200), CVec3(0, 0, 0), CVec3(0, 1, 0), 60.0f, 700.0f);
         glRotatef(50.0f, 1.0f, 0.3f, 0.55f);
       },
       0.15f, 0.8f, 0.4f},
      {"strom.3ds",
       [](float t) {
         SetPerspective(CVec3(0, 0, 250), CVec3(0, 0, 0), CVec3(0, 1, 0), 60.0f, 500.0f);
         glTranslatef(150.0f, -70.0f, 0.0f);
         glRotatef(60.0f, -1.0f, 0.0f, 0.0f);
         glRotatef(30.0f, 0.0f, -1.0f, 0.0f);
         glRotatef(t * 70.0f, 0.0f, 0.0f, 1.0f);
         glScalef(0.75f, 0.75f, 0.75f);
       },
       0.02f, 0.3f, 0.05f},
      {"cone.3ds",
       [](float t) {
         SetPerspective(CVec3(0, 0, 0), CVec3(0, 0, 1), CVec3(0, 1, 0), 160.0f, 500.0f);
         glRotatef(20.0f * t, -0.2f, 1.0f, -0.7f);
         glRotatef(15.0f * t, -1.0f, 0.6f, 0.35f);
         glScalef(0.5f, 0.5f, 0.5f);
       },
       0.999f, 1.0f, 1.0f},
      {"object_04.3ds",
       [](float t) {
         SetPerspective(CVec3(0, 0, 350), CVec3(0, 0, 0), CVec3(0, 1, 0), 60.0f, 500.0f);
         glTranslatef(-150.0f, -75.0f, 0.0f);
         glRotatef(100.0f * t, 0.2f, -1.0f, 0.7f);
         glRotatef(50.0f * t, 1.0f, 0.6f, 0.35f);
         glRotatef(75.0f * t, 0.5f, 0.33f, 0.5f);
         glScalef(0.5f, 0.5f, 0.5f);
       },
       0.01f, 0.3f, 0.25f},
      {"igra.3ds",
       [](float t) {
         SetPerspective(CVec3(0, 0, -100), CVec3(0, 0, 0), CVec3(0, 1, 0), 60.0f, 250.0f);
         glTranslatef(50.0f, 0.0f, 60.0f);
         glRotatef(60.0f * t, 0.0f, 1.0f, 0.3f);
         glScalef(0.25f, 0.25f, 0.25f);
       },
       0.04f, 0.4f, 0.02f},
  };
  for (const StaticView& view : views) {
    CStaticModel model;
    ASSERT_EQ(model.Load3DS(view.file, &texLib_, false).code, 0) << view.file;
    for (float t : {0.0f, 1.3f, 2.6f, 4.1f}) {
      const Coverage c = Draw([&] {
        view.place(t);
        model.Render();
      });
      EXPECT_GE(c.band, view.minBand) << view.file << " t " << t;
      EXPECT_LE(c.band, view.maxBand) << view.file << " t " << t;
      EXPECT_LE(c.outside, view.maxOutside) << view.file << " t " << t;
      EXPECT_GT(c.brightness, 30.0f) << view.file << " t " << t;
    }
  }
}

// Textures laid round a surface or repeated across it must not show a seam
// where their right edge meets their left (or their bottom their top): the
// step across the wrap is no larger than the ordinary steps inside.
TEST_F(SceneFiles, RepeatingTexturesWrapWithoutASeam) {
  enum Wrap { kAcross = 1, kDown = 2, kBoth = 3 };
  const std::map<std::string, int> textures = {
      {"sc_plates.jpg", kBoth},   {"sc_pearl.jpg", kBoth},  {"sc_hollow.jpg", kBoth},
      {"sc_scales.jpg", kBoth},   {"sc_fin.jpg", kBoth},    {"sc_lamp.jpg", kBoth},
      {"sc_carapace.jpg", kBoth}, {"sc_bark.jpg", kBoth},   {"sc_vortex.jpg", kBoth},
      {"sc_iris.jpg", kAcross},   {"sc_wood.jpg", kBoth},   {"sc_brass.jpg", kBoth},
      {"sc_ivory.jpg", kBoth},    {"sc_dusk.jpg", kAcross}, {"sc_sea.jpg", kBoth},
      {"sc_rock.jpg", kBoth},     {"sc_tower.jpg", kBoth},  {"sc_water.jpg", kAcross},
      {"sc_sand.jpg", kBoth},     {"sc_cable.jpg", kBoth},  {"sc_tunnel.jpg", kBoth},
      {"sc_hall.jpg", kBoth},     {"sc_grate.jpg", kBoth},  {"sc_core.jpg", kBoth},
      {"sc_nebula.jpg", kAcross}};
  size_t written = 0;
  for (const auto& entry : std::filesystem::directory_iterator("textures")) {
    written += entry.path().filename().string().rfind("sc_", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(written, textures.size() + 1) << "every texture but the sphere map is listed here";
  for (const auto& [name, wrap] : textures) {
    platform::JpegProperties jpeg;
    ASSERT_EQ(platform::JpegInit(&jpeg), 0);
    jpeg.jpgFile = "textures\\" + name;
    ASSERT_EQ(platform::JpegRead(&jpeg, platform::kJpegReadParams), 0) << name << jpeg.reason;
    const int w = jpeg.jpgWidth, h = jpeg.jpgHeight;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    jpeg.dibWidth = w;
    jpeg.dibHeight = h;
    jpeg.dibBytes = rgb.data();
    jpeg.dibSize = rgb.size();
    ASSERT_EQ(platform::JpegRead(&jpeg, platform::kJpegReadWholeImage), 0) << name;
    platform::JpegFree(&jpeg);
    auto at = [&](int x, int y, int c) {
      return int(rgb[(size_t(y) * size_t(w) + size_t(x)) * 3 + c]);
    };
    // Mean step between horizontal (or vertical) neighbours inside, and across the wrap.
    auto steps = [&](bool across, float* inside, float* wrapStep) {
      double in = 0.0, out = 0.0;
      const int n = across ? w : h, m = across ? h : w;
      for (int j = 0; j < m; ++j) {
        for (int c = 0; c < 3; ++c) {
          for (int i = 0; i + 1 < n; ++i) {
            in += std::abs(across ? at(i + 1, j, c) - at(i, j, c) : at(j, i + 1, c) - at(j, i, c));
          }
          out += std::abs(across ? at(0, j, c) - at(n - 1, j, c) : at(j, 0, c) - at(j, n - 1, c));
        }
      }
      *inside = float(in / (double(m) * 3.0 * double(n - 1)));
      *wrapStep = float(out / (double(m) * 3.0));
    };
    for (bool across : {true, false}) {
      if (!(wrap & (across ? kAcross : kDown))) continue;
      float inside = 0.0f, wrapStep = 0.0f;
      steps(across, &inside, &wrapStep);
      EXPECT_LT(wrapStep, 2.0f * inside + 4.0f)
          << name << (across ? " has a seam from right to left" : " has a seam from bottom to top");
    }
  }
}

// ---------------------------------------------------------- generator ---

TEST(SceneGenerator, WritesTheSameBytesEveryTimeAndOnlyItsOwnNames) {
  TempDir first, second;
  ASSERT_EQ(content::WriteScenes(first.path()), "");
  ASSERT_EQ(content::WriteScenes(second.path()), "");
  const auto a = Snapshot(first.path()), b = Snapshot(second.path());
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    const auto other = b.find(name);
    ASSERT_NE(other, b.end()) << name;
    EXPECT_TRUE(bytes == other->second) << name << " differs between two runs";
  }
  // The twelve scenes, and no texture under the name of a layer's picture.
  for (const char* file : kStaticScenes)
    EXPECT_EQ(a.count(std::string("scenes/") + file), 1u) << file;
  for (const Keyframed& scene : kKeyframed)
    EXPECT_EQ(a.count(std::string("scenes/") + scene.file), 1u);
  for (const char* picture : {"vt_logo.jpg", "kable.jpg", "bw06.jpg", "treetex.jpg", "vtt.jpg",
                              "poz2.jpg", "poz3.jpg", "poz5.jpg", "envmap_0.jpg", "end.jpg"}) {
    EXPECT_EQ(a.count(std::string("textures/") + picture), 0u) << picture;
  }
}

TEST(SceneGenerator, ReportsAFolderItCannotWrite) {
  TempDir dir;
  dir.Write("blocked", "a file where the scenes folder should go");
  const std::string failure = content::WriteScenes(dir.File("blocked"));
  EXPECT_NE(failure, "");
}

}  // namespace
