// Every layer's Init: success, and for each file it names the chained
// message of the first failure, after which no later step is attempted.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "effects/layer00.h"
#include "effects/layer01.h"
#include "effects/layer02.h"
#include "effects/layer03.h"
#include "effects/layer04.h"
#include "effects_a/stage.h"
#include "shell/globals.h"
#include "support/gl_context.h"

namespace {

template <class Layer>
Result InitLayer() {
  Layer layer;
  return layer.Init();
}

struct LayerFiles {
  const char* name;
  std::function<Result()> init;
  std::vector<std::string> files;  // in the order Init loads them
};

const std::vector<LayerFiles>& Layers() {
  static const std::vector<LayerFiles> layers = {
      {"CLayer00", InitLayer<CLayer00>, {"object_03.3ds", "nsphere.3ds", "vt_logo.jpg"}},
      {"CLayer01", InitLayer<CLayer01>, {"anim_02.3ds"}},
      {"CLayer02", InitLayer<CLayer02>, {"anim_03.3ds", "object_01.3ds"}},
      {"CLayer03", InitLayer<CLayer03>, {"krab.3ds", "kable.jpg"}},
      {"CLayer04", InitLayer<CLayer04>,
       {"tunel_0.3ds", "strom.3ds", "treetex.jpg", "bw06.jpg", "vtt.jpg"}},
  };
  return layers;
}

bool IsAnim(const std::string& file) {
  return file.rfind("anim_", 0) == 0 || file == "tunel_0.3ds";
}

// Every file in place; each scene has a texture of its own ("t_" + scene
// name), so the library's contents tell which steps ran.
void Provide(const fx::Stage& stage, const std::vector<std::string>& files, bool cameras = true) {
  for (const std::string& file : files) {
    if (file.size() > 4 && file.substr(file.size() - 4) == ".jpg") {
      stage.Picture(file, 200, 200, 200);
      continue;
    }
    const std::string texture = "t_" + file.substr(0, file.size() - 4) + ".jpg";
    stage.Picture(texture, 90, 90, 90);
    if (IsAnim(file)) {
      stage.MovingBox(file, 10, {40, 40, 40}, {0, 0, 0}, {0, 0, 0}, texture, cameras);
    } else {
      stage.StaticBox(file, {0, 0, 0}, {40, 40, 40}, texture);
    }
  }
}

class InitChainTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::EnsureGLContext()); }
};

TEST_F(InitChainTest, EveryLayerInitialisesAndIsDoneTwice) {
  for (const LayerFiles& layer : Layers()) {
    fx::Stage stage;
    Provide(stage, layer.files);
    const Result result = layer.init();
    EXPECT_EQ(result.code, 0) << result.message;
    EXPECT_EQ(result.message, std::string(layer.name) + "::Init() : ok!");
  }
  CLayer00 l00;
  CLayer01 l01;
  CLayer02 l02;
  CLayer03 l03;
  CLayer04 l04;
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(l00.Done().message, "CLayer00::Done() : ok!");
    EXPECT_EQ(l01.Done().message, "CLayer01::Done() : ok!");
    EXPECT_EQ(l02.Done().message, "CLayer02::Done() : ok!");
    EXPECT_EQ(l03.Done().message, "CLayer03::Done() : ok!");
    EXPECT_EQ(l04.Done().message, "CLayer04::Done() : ok!");
    EXPECT_EQ(l04.Done().code, 0);
  }
}

struct Failure {
  size_t layer;        // index into Layers()
  std::string broken;  // the missing file, or an animated scene saved without camera
  bool noCamera;
  std::string message;
  size_t texturesLoaded;  // by the steps before the failing one (and the failing scene's own)
};

TEST_F(InitChainTest, FirstFailingStepEndsInitWithItsChainedMessage) {
  const std::vector<Failure> failures = {
      {0, "object_03.3ds", false, "CLayer00::Init() : CStaticModel::Load3DS() : error!", 0},
      {0, "nsphere.3ds", false, "CLayer00::Init() : CStaticModel::Load3DS() : error!", 1},
      {0, "vt_logo.jpg", false,
       "CLayer00::Init() : CImage2D::Load() : CTexLib::Add() : CTex::Load() : can't read image "
       "textures\\vt_logo.jpg",
       2},
      {0, "t_object_03.jpg", false,
       "CLayer00::Init() : CStaticModel::Load3DS() :C3DSMesh::Create() : CTexLib::Add() : "
       "CTex::Load() : can't read image textures\\t_object_03.jpg",
       0},
      {1, "anim_02.3ds", false, "CLayer01::Init() : CAnimModel::Load3DS() : error!", 0},
      {1, "anim_02.3ds", true, "CLayer01::Init() : CAnimModel::SetCamera() : no camera!", 1},
      {2, "anim_03.3ds", false, "CLayer02::Init() : CAnimModel::Load3DS() : error!", 0},
      {2, "anim_03.3ds", true, "CLayer02::Init() : CAnimModel::SetCamera() : no camera!", 1},
      {2, "object_01.3ds", false, "CLayer02::Init() : CStaticModel::Load3DS() : error!", 1},
      {3, "krab.3ds", false, "CLayer03::Init() : CStaticModel::Load3DS() : error!", 0},
      {3, "kable.jpg", false,
       "CLayer03::Init() : CImage2D::Load() : CTexLib::Add() : CTex::Load() : can't read image "
       "textures\\kable.jpg",
       1},
      {4, "tunel_0.3ds", false, "CLayer04::Init() : CAnimModel::Load3DS() : error!", 0},
      {4, "t_tunel_0.jpg", false,
       "CLayer04::Init() : CAnimModel::Load3DS() :C3DSMesh::Create() : CTexLib::Add() : "
       "CTex::Load() : can't read image textures\\t_tunel_0.jpg",
       0},
      {4, "tunel_0.3ds", true, "CLayer04::Init() : CAnimModel::SetCamera() : no camera!", 1},
      {4, "strom.3ds", false, "CLayer04::Init() : CStaticModel::Load3DS() : error!", 1},
      {4, "treetex.jpg", false,
       "CLayer04::Init() : CImage2D::Load() : CTexLib::Add() : CTex::Load() : can't read image "
       "textures\\treetex.jpg",
       2},
      {4, "bw06.jpg", false,
       "CLayer04::Init() : CImage2D::Load() : CTexLib::Add() : CTex::Load() : can't read image "
       "textures\\bw06.jpg",
       3},
      {4, "vtt.jpg", false,
       "CLayer04::Init() : CImage2D::Load() : CTexLib::Add() : CTex::Load() : can't read image "
       "textures\\vtt.jpg",
       4},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.message);
    const LayerFiles& layer = Layers()[failure.layer];
    fx::Stage stage;
    Provide(stage, layer.files);
    if (failure.noCamera) {
      stage.MovingBox(failure.broken, 10, {40, 40, 40}, {0, 0, 0}, {0, 0, 0},
                      "t_" + failure.broken.substr(0, failure.broken.size() - 4) + ".jpg", false);
    } else {
      const bool picture = failure.broken.substr(failure.broken.size() - 4) == ".jpg";
      stage.Remove((picture ? "textures/" : "scenes/") + failure.broken);
    }
    const Result result = layer.init();
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.message, failure.message);
    // Nothing after the failing step touched the library.
    EXPECT_EQ(texLib.textures.size(), failure.texturesLoaded);
  }
}

// The glow texture is made only after the scene and its camera are in place.
TEST_F(InitChainTest, Layer01MakesItsGlowOnlyAfterASuccessfulLoad) {
  fx::Stage stage;
  Provide(stage, {"anim_02.3ds"}, false);
  CLayer01 layer;
  EXPECT_EQ(layer.Init().code, 1);
  EXPECT_EQ(layer.glow.id, 0u);
  Provide(stage, {"anim_02.3ds"});
  EXPECT_EQ(layer.Init().code, 0);
  EXPECT_NE(layer.glow.id, 0u);
  EXPECT_EQ(layer.glow.width, 512);
  EXPECT_EQ(layer.glow.height, 256);
}

}  // namespace
