// Every layer's Init: success, and for each file it needs, the chained
// message of the first failure, after which no later step is attempted.
#include <functional>

#include "effects_a/stage.h"
#include "shell/objects/globals.h"
#include "timeline/show/show.h"

namespace {

using fx::LayerTest;

using Use = std::function<void(CLayer&)>;
template <class Layer>
void Fresh(const Use& use) {
  Layer layer;
  use(layer);
}
template <class Layer, CRenderTexture Layer::*texture>
uint32_t Made(CLayer& layer) {
  return (static_cast<Layer&>(layer).*texture).id;
}

struct LayerCase {
  void (*fresh)(const Use&);
  uint32_t (*made)(CLayer&);  // a texture Init makes once everything is loaded
  bool filesOptional;         // Init goes on without its files
  std::string name;
  std::vector<std::string> files;  // in the order Init loads them
};

// The layers in the order of the show's table, with the files it lists.
std::vector<LayerCase> Layers() {
  // CLayer10's closing picture is optional: the layer goes on without it.
  std::vector<LayerCase> layers = {
      {Fresh<CLayer00>, nullptr, false, {}, {}},
      {Fresh<CLayer01>, Made<CLayer01, &CLayer01::glow>, false, {}, {}},
      {Fresh<CLayer02>, nullptr, false, {}, {}},
      {Fresh<CLayer03>, nullptr, false, {}, {}},
      {Fresh<CLayer04>, nullptr, false, {}, {}},
      {Fresh<CLayer05>, nullptr, false, {}, {}},
      {Fresh<CLayer06>, Made<CLayer06, &CLayer06::capture>, false, {}, {}},
      {Fresh<CLayer07>, nullptr, false, {}, {}},
      {Fresh<CLayer08>, Made<CLayer08, &CLayer08::capture>, false, {}, {}},
      {Fresh<CLayer09>, nullptr, false, {}, {}},
      {Fresh<CLayer10>, nullptr, true, {}, {}},
  };
  for (size_t i = 0; i < layers.size(); ++i) {
    const show::LayerFiles& listed = show::kLayers[i];
    layers[i].name = listed.name;
    for (const char* model : listed.models)
      if (model != nullptr) layers[i].files.push_back(model);
    for (const char* picture : listed.pictures)
      if (picture != nullptr) layers[i].files.push_back(picture);
  }
  return layers;
}
const std::vector<LayerCase> kLayers = Layers();

bool IsAnim(const std::string& f) { return f.rfind("anim_", 0) == 0 || f == show::models::kTunel0; }
bool IsPicture(const std::string& file) { return file.find(".jpg") != std::string::npos; }

// Every file in place but `missing`. Each scene has a texture of its own
// ("t_" + scene name), so the library's contents tell which steps ran.
void Provide(const fx::Stage& stage, const std::vector<std::string>& files,
             const std::string& missing = "", bool cameras = true) {
  for (const std::string& file : files) {
    const std::string texture = "t_" + file.substr(0, file.size() - 4) + ".jpg";
    const std::string& picture = IsPicture(file) ? file : texture;
    if (picture != missing) stage.Picture(picture, {90, 90, 90});
    if (file == missing || IsPicture(file)) continue;
    stage.Scene(file, IsAnim(file)
                          ? fx::MovingBox(10, {40, 40, 40}, {}, {}, {1, 1, 1}, texture, cameras)
                          : fx::BoxScene({}, {40, 40, 40}, {1, 1, 1}, texture));
  }
}

std::string Said(const Result& r) { return std::to_string(r.code) + " " + r.message; }

TEST_F(LayerTest, EveryLayerInitialisesTwiceAndIsDoneTwice) {
  for (const LayerCase& c : kLayers) {
    fx::Stage folder;  // fresh for each layer
    Provide(folder, c.files);
    c.fresh([&](CLayer& layer) {
      for (int round = 0; round < 2; ++round) {  // a layer may play in two scenes
        EXPECT_EQ(layer.Init().code, 0) << c.name;
        EXPECT_EQ(layer.Done().code, 0) << c.name;
      }
      EXPECT_TRUE(!c.made || c.made(layer) != 0u) << c.name;
    });
  }
}

const std::string kTex = "CTexLib::Add() : CTex::Load() : can't read image textures\\";

// What Init says after its name when `file` is missing.
std::string Missing(const std::string& file) {
  if (file == show::pictures::kEnvmap0)
    return "CParticle::Create() : " + kTex + file;  // the swarm's sprite
  if (IsPicture(file)) return "CImage2D::Load() : " + kTex + file;
  return IsAnim(file) ? "CAnimModel::Load3DS() : error!" : "CStaticModel::Load3DS() : error!";
}

// Each file missing in turn, each animated scene saved without a camera, and
// a texture missing inside a scene: the chain names every level, without a
// blank after the model's colon (an animated model's chain is the model
// test's LoadFailuresNameEveryLevelAndDrawNothing). Only the steps before the failing one have
// put their texture in the library.
TEST_F(LayerTest, FirstFailingStepEndsInitWithItsChainedMessage) {
  const auto expect = [](const LayerCase& c, const std::string& broken, bool camera,
                         const std::string& message, size_t texturesLoaded) {
    SCOPED_TRACE(c.name + " " + broken);
    fx::Stage folder;
    Provide(folder, c.files, camera ? broken : "", camera);
    c.fresh([&](CLayer& layer) {
      EXPECT_EQ(Said(layer.Init()), "1 " + c.name + "::Init() : " + message);
      EXPECT_EQ(texLib.textures.size(), texturesLoaded);
      EXPECT_TRUE(!c.made || c.made(layer) == 0u);
    });
  };
  for (const LayerCase& c : kLayers) {
    if (c.filesOptional) {  // nothing in place, and still ok
      fx::Stage folder;
      c.fresh([&](CLayer& layer) { EXPECT_EQ(layer.Init().code, 0) << c.name; });
      continue;
    }
    for (size_t i = 0; i < c.files.size(); ++i) {
      expect(c, c.files[i], true, Missing(c.files[i]), i);
      if (IsAnim(c.files[i]))
        expect(c, c.files[i], false, "CAnimModel::SetCamera() : no camera!", i + 1);
    }
  }
  expect(kLayers[0], "t_object_03.jpg", true,
         "CStaticModel::Load3DS() :C3DSMesh::Create() : " + kTex + "t_object_03.jpg", 0);
}

}  // namespace
