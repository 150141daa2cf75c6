// Initialisation of layers 05 to 10: the success messages, and for each
// missing file the chained message letter for letter, with the later steps
// never attempted.
#include <gtest/gtest.h>

#include <functional>

#include "effects/layer05.h"
#include "effects/layer06.h"
#include "effects/layer07.h"
#include "effects/layer08.h"
#include "effects/layer09.h"
#include "effects/layer10.h"
#include "effects_b/fixtures.h"

namespace {

const std::string kNoImage = "CTexLib::Add() : CTex::Load() : can't read image textures\\";
const std::string kNoScene = "CStaticModel::Load3DS() : error!";
const uint32_t kNone = 0xFFFFFFFF;

class LayerInitTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx_.ready);
    for (const char* name : {"poz2.jpg", "envmap_0.jpg", "poz3.jpg", "poz5.jpg", "end.jpg"})
      fx_.Jpeg(name, {90, 120, 200});
    for (const char* name : {"object_04.3ds", "cone.3ds", "igra.3ds"})
      fx_.Scene(name, fxb::BoxScene({60, 60, 60}, {1, 0, 0}));
    content::SceneBuilder anim = fxb::BoxScene({60, 60, 60}, {1, 1, 0});
    anim.AddCamera({"cam", {0, -300, 0}, {0, 0, 0}, 45, 0, 0, 1000});
    anim.AddCameraNode("cam");
    anim.AddTargetNode("cam");
    fx_.Scene("anim_05.3ds", anim);
  }
  // Removes `file`, initialises a fresh layer and expects code 1 with
  // "<Class>::Init() : " + `message`; `untouched` checks the later steps.
  template <class Layer>
  void ExpectFailure(const std::string& file, const std::string& message,
                     const std::function<bool(const Layer&)>& untouched) {
    fx_.Remove(file);
    Layer layer;
    const Result r = layer.Init();
    EXPECT_EQ(r.code, 1) << file;
    EXPECT_EQ(r.message, message) << file;
    EXPECT_TRUE(untouched(layer)) << file;
  }
  fxb::LayerFixture fx_;
};

TEST_F(LayerInitTest, EveryLayerLoadsAndSaysSo) {
  CLayer05 l05;
  CLayer06 l06;
  CLayer07 l07;
  CLayer08 l08;
  CLayer09 l09;
  CLayer10 l10;
  CLayer* layers[] = {&l05, &l06, &l07, &l08, &l09, &l10};
  const char* names[] = {"CLayer05", "CLayer06", "CLayer07", "CLayer08", "CLayer09", "CLayer10"};
  for (int i = 0; i < 6; ++i) {
    const Result init = layers[i]->Init();
    EXPECT_EQ(init.code, 0);
    EXPECT_EQ(init.message, std::string(names[i]) + "::Init() : ok!");
    EXPECT_EQ(layers[i]->Done().message, std::string(names[i]) + "::Done() : ok!");
  }
  EXPECT_EQ(l05.swarm.particles.size(), 150u);
  EXPECT_TRUE(l06.capture.width == 512 && l06.capture.height == 256 && l08.capture.id != 0);
  EXPECT_EQ(l06.Init().code, 0);  // it plays in two scenes and is initialised twice
}

TEST_F(LayerInitTest, Layer05) {
  ExpectFailure<CLayer05>("textures/envmap_0.jpg",
                          "CLayer05::Init() : CParticle::Create() : " + kNoImage + "envmap_0.jpg",
                          [](const CLayer05& l) { return l.picture.id == kNone; });
  fx_.Jpeg("envmap_0.jpg", {255, 0, 0});
  ExpectFailure<CLayer05>("textures/poz2.jpg",
                          "CLayer05::Init() : CImage2D::Load() : " + kNoImage + "poz2.jpg",
                          [](const CLayer05&) { return true; });
}

TEST_F(LayerInitTest, Layer06) {
  ExpectFailure<CLayer06>("scenes/object_04.3ds", "CLayer06::Init() : " + kNoScene,
                          [](const CLayer06& l) { return !l.cone.file && !l.capture.id; });
  fx_.Scene("object_04.3ds", fxb::BoxScene({60, 60, 60}, {1, 0, 0}));
  ExpectFailure<CLayer06>("scenes/cone.3ds", "CLayer06::Init() : " + kNoScene,
                          [](const CLayer06& l) { return !l.capture.id; });
  // A texture missing inside a scene names every level (no blank after
  // the model's colon).
  fx_.Scene("cone.3ds", fxb::BoxScene({60, 60, 60}, {0, 0, 1}, "skin.jpg"));
  ExpectFailure<CLayer06>("nothing",
                          "CLayer06::Init() : CStaticModel::Load3DS() :"
                          "C3DSMesh::Create() : " +
                              kNoImage + "skin.jpg",
                          [](const CLayer06& l) { return !l.capture.id; });
}

TEST_F(LayerInitTest, Layer07) {
  ExpectFailure<CLayer07>("scenes/object_04.3ds", "CLayer07::Init() : " + kNoScene,
                          [](const CLayer07& l) { return l.picture.id == kNone; });
  fx_.Scene("object_04.3ds", fxb::BoxScene({60, 60, 60}, {1, 0, 0}));
  ExpectFailure<CLayer07>("textures/poz3.jpg",
                          "CLayer07::Init() : CImage2D::Load() : " + kNoImage + "poz3.jpg",
                          [](const CLayer07&) { return true; });
}

TEST_F(LayerInitTest, Layer08) {
  ExpectFailure<CLayer08>("scenes/anim_05.3ds", "CLayer08::Init() : CAnimModel::Load3DS() : error!",
                          [](const CLayer08& l) { return !l.capture.id; });
  fx_.Scene("anim_05.3ds", fxb::BoxScene({60, 60, 60}, {1, 0, 0}));  // without a camera
  ExpectFailure<CLayer08>("nothing", "CLayer08::Init() : CAnimModel::SetCamera() : no camera!",
                          [](const CLayer08& l) { return !l.capture.id; });
}

TEST_F(LayerInitTest, Layer09) {
  ExpectFailure<CLayer09>("scenes/igra.3ds", "CLayer09::Init() : " + kNoScene,
                          [](const CLayer09& l) { return l.picture.id == kNone; });
  fx_.Scene("igra.3ds", fxb::BoxScene({60, 60, 60}, {1, 0, 0}));
  ExpectFailure<CLayer09>("textures/poz5.jpg",
                          "CLayer09::Init() : CImage2D::Load() : " + kNoImage + "poz5.jpg",
                          [](const CLayer09&) { return true; });
}

TEST_F(LayerInitTest, Layer10SucceedsWithoutItsPicture) {
  fx_.Remove("textures/end.jpg");
  CLayer10 layer;
  EXPECT_EQ(layer.Init().message, "CLayer10::Init() : ok!");
  EXPECT_EQ(layer.picture.id, kNone);
}

}  // namespace
