// The generated scenes, loaded and drawn by the program's own model classes:
// the keyframed scenes load textured, have level cameras and loops sized to
// their layers; repeating textures wrap without a seam; and the whole
// generator writes the same bytes every time. (That every file loads, and
// how the static models look, is held by the whole-show run and the stored
// reference pictures.)
#include <gtest/gtest.h>
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "content/generate.h"
#include "model/animmodel.h"
#include "model/mesh3ds.h"
#include "platform/jpeg.h"
#include "shell/base/glapi.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"
#include "timeline/show/show.h"

namespace {

// The data the build generated beside the program.
const std::string kData = VELMORA_BINARY_DIR;

// The tests of this file work in the build's data folder, as the program
// runs beside its data.
class SceneFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::is_directory(kData + "/scenes")) << "no generated data";
    ASSERT_TRUE(testsupport::EnsureGLContext());
    texLib_.SetPath("textures\\");
  }
  testsupport::ScopedChdir chdir_{kData};
  CTexLib texLib_;
};

// Every object of a loaded scene is drawn textured (lit untextured objects
// would show as flat grey) from a texture the library really loaded. Returns
// the scene's triangles.
size_t TexturedTriangles(const C3DSMesh& mesh, const std::string& file) {
  size_t total = 0;
  for (const MeshObject& o : mesh.objects) {
    const bool textured = o.textured && o.texMode[0] == kTexMap && o.texId[0] != kNoTexture;
    EXPECT_TRUE(textured && o.faceCount > 0) << file << " object " << o.node->name;
    total += o.faceCount;
  }
  return total;
}

// The share of the letterboxed band (rows 100 to 499 of the 800 x 600
// window) that a drawing covers and the mean brightness of the covered pixels.
struct Coverage {
  float band = 0, brightness = 0;
  std::vector<uint8_t> pixels;
};

Coverage Draw(const std::function<void()>& draw) {
  glViewport(0, 0, 800, 600);
  glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // a colour no scene uses
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  draw();
  glFinish();
  Coverage c;
  c.pixels = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
  size_t inBand = 0, outBand = 0;
  double luma = 0.0;
  for (size_t i = 0; i < c.pixels.size(); i += 3) {
    const uint8_t* p = &c.pixels[i];
    if (p[0] == 255 && p[1] == 0 && p[2] == 255) continue;
    (i >= 100 * 2400 && i < 500 * 2400 ? inBand : outBand) += 1;  // rows 100 to 499
    luma += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
  }
  const float covered = std::max(1.0f, float(inBand + outBand));
  c.band = float(inBand) / (800.0f * 400.0f);
  c.brightness = float(luma) / covered;
  return c;
}

// Mean absolute difference per channel between two drawings, 0 to 255.
float Difference(const Coverage& a, const Coverage& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(a.pixels[i] - b.pixels[i]);
  return float(sum / double(a.pixels.size()));
}

// The player would read a camera roll in degrees as radians, so cameras stay
// level. (The scene builder starts every track at frame 0.)
TEST_F(SceneFiles, KeyframedScenesHaveLevelCamerasAndClosedLoopsSizedToTheirLayers) {
  struct Keyframed {
    const char* file;
    float rate;  // keyframe frames per second of the layer that plays it
    int scene;   // the scene of the show's table that plays it
  };
  const Keyframed scenes[] = {{show::models::kAnim02, 5, 0},
                              {show::models::kAnim03, 10, 2},
                              {show::models::kTunel0, 3, 3},
                              {show::models::kAnim05, 10, 10}};
  for (const Keyframed& scene : scenes) {
    SCOPED_TRACE(scene.file);
    CAnimModel model;
    const Result loaded = model.Load3DS(scene.file, &texLib_);
    ASSERT_EQ(loaded.code, 0) << loaded.message;
    const Result camera = model.SetCamera(0);
    ASSERT_EQ(camera.code, 0) << camera.message;
    EXPECT_LE(TexturedTriangles(*model.mesh, scene.file), 12000u);
    // A loop lasts most of its scene, and not longer than it.
    const float frames = float(model.GetFrames());
    const float loop = frames / scene.rate;
    const float sceneLength = show::SceneShownUntil(scene.scene) - show::SceneStart(scene.scene);
    EXPECT_TRUE(loop <= sceneLength && loop >= 0.85f * sceneLength) << loop << " s";

    for (Lib3dsNode* node = model.file->nodes; node != nullptr; node = node->next)
      EXPECT_EQ(node->childs, nullptr) << "only top-level nodes are drawn";
    const Lib3dsNode* eye =
        lib3ds_file_node_by_name(model.file, model.camera->name, LIB3DS_CAMERA_NODE);
    ASSERT_NE(eye, nullptr);
    for (int eighth = 0; eighth <= 8; ++eighth) {
      lib3ds_file_eval(model.file, frames * float(eighth) / 8);
      EXPECT_EQ(eye->data.camera.roll, 0.0f) << "at " << eighth << " eighths of the loop";
    }

    // Lit, textured geometry all round the camera: no holes to the clear
    // colour, and not a dark picture.
    std::vector<Coverage> drawn;
    for (float f : {0.0f, frames * 0.3f, frames * 0.55f, frames * 0.8f, frames}) {
      drawn.push_back(Draw([&] { model.Render(f); }));
      EXPECT_TRUE(drawn.back().band > 0.97f && drawn.back().brightness > 30.0f) << "frame " << f;
    }
    // The layers restart their clock just past the last frame: the picture
    // there matches the first frame's.
    EXPECT_LT(Difference(drawn.front(), drawn.back()), 2.0f);
    EXPECT_GT(Difference(drawn[0], drawn[1]), 5.0f) << "the view changes in the course of a loop";
  }
}

// Textures laid round a surface or repeated across it must not show a seam
// where their right edge meets their left (or their bottom their top): the
// step across the wrap is no larger than the ordinary steps inside. The
// scenes name only their own "sc_" textures, never a layer's picture.
TEST_F(SceneFiles, RepeatingTexturesWrapWithoutASeam) {
  const std::set<std::string> acrossOnly = {"sc_iris.jpg", "sc_dusk.jpg", "sc_water.jpg",
                                            "sc_nebula.jpg"};
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator("textures")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("sc_", 0) != 0) continue;  // a layer's own picture
    if (name == "sc_chrome.jpg") continue;    // the sphere map is never repeated
    ++checked;
    platform::JpegProperties jpeg;
    jpeg.jpgFile = "textures\\" + name;
    ASSERT_EQ(platform::JpegInit(&jpeg), 0);
    ASSERT_EQ(platform::JpegRead(&jpeg, platform::kJpegReadParams), 0) << name << jpeg.reason;
    const int w = jpeg.jpgWidth, h = jpeg.jpgHeight;
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    jpeg.dibWidth = w, jpeg.dibHeight = h, jpeg.dibBytes = rgb.data(), jpeg.dibSize = rgb.size();
    ASSERT_EQ(platform::JpegRead(&jpeg, platform::kJpegReadWholeImage), 0) << name;
    for (bool across : {true, false}) {
      if (!across && acrossOnly.count(name)) continue;
      // Mean step between neighbours inside, and across the wrap.
      const int n = across ? w : h, m = across ? h : w;
      auto at = [&](int i, int j, int c) {
        return int(rgb[size_t(across ? j * w + i : i * w + j) * 3 + size_t(c)]);
      };
      double inside = 0.0, wrap = 0.0;
      for (int j = 0; j < m; ++j)
        for (int c = 0; c < 3; ++c) {
          for (int i = 0; i + 1 < n; ++i) inside += std::abs(at(i + 1, j, c) - at(i, j, c));
          wrap += std::abs(at(0, j, c) - at(n - 1, j, c));
        }
      EXPECT_LT(wrap / (m * 3.0), 2.0 * inside / (m * 3.0 * (n - 1)) + 4.0)
          << name << (across ? " has a seam from right to left" : " has a seam from bottom to top");
    }
  }
  EXPECT_EQ(checked, 25);
}

// ---------------------------------------------------------- generator ---

// Every file the generator writes below `root`: relative path -> bytes.
std::map<std::string, std::string> WriteAll(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto write : {content::WritePictures, content::WriteScenes, content::WriteSoundtrack,
                           content::WriteIcons})
    EXPECT_EQ(write(root), "");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[std::filesystem::relative(entry.path(), root).string()] =
          testsupport::ReadText(entry.path().string());
  return files;
}

// The build ran the generator once already: a second run writes the same
// files, byte for byte.
TEST(ContentGenerator, WritesTheSameBytesEveryTimeAndReportsFoldersItCannotWrite) {
  testsupport::TempDir again, blocked;
  const auto a = WriteAll(again.path());
  EXPECT_GT(a.size(), 40u);
  for (const auto& [name, bytes] : a) {
    EXPECT_GT(bytes.size(), 500u) << name;
    EXPECT_TRUE(bytes == testsupport::ReadText(kData + "/" + name))
        << name << " differs from the build's";
  }
  blocked.Write("textures", "a file where the pictures folder should be");
  EXPECT_NE(content::WritePictures(blocked.path()).find("textures"), std::string::npos);
  EXPECT_NE(content::WriteScenes(blocked.File("textures")), "");
  EXPECT_NE(content::WriteSoundtrack(blocked.File("no/such/folder")).find("demomusic.xm"),
            std::string::npos);
}

}  // namespace
