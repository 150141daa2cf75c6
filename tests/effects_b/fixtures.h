// Fixtures of the tests of layers 05 to 10: a working folder with scenes/
// and textures/, flat pictures and small scenes in it, the global texture
// library emptied and pointed there, and frames read back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "content/scene_builder.h"
#include "support/temp_dir.h"

namespace fxb {

struct Colour {
  int r, g, b;
};

// True when every channel of `pixel` is within `tolerance` of `colour`.
bool Near(const uint8_t* pixel, Colour colour, int tolerance = 12);

// The 800 x 600 frame, top row first.
struct Frame {
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * 800 + size_t(x)) * 3]; }
  // The pixel under a point of the 640 x 480 overlay.
  const uint8_t* At2D(float x, float y) const { return At(int(x * 1.25f), int(y * 1.25f)); }
  // Pixels that differ from `other` by more than `tolerance` somewhere.
  int Differences(const Frame& other, int tolerance) const;
  // Pixels near `colour`.
  int Count(Colour colour, int tolerance = 20) const;
};

// Clears colour (with `colour`) and depth as the window does after a present.
void Clear(const float colour[4]);
// A material named "paint" of diffuse `colour` (texture map `map` if given).
content::SceneMaterial Paint(content::SceneVec3 colour, const std::string& map = "");
// A scene of one box (object node "box") painted `colour`.
content::SceneBuilder BoxScene(content::SceneVec3 size, content::SceneVec3 colour,
                               const std::string& map = "");
// A box with its faces turned inwards, seen from inside.
content::SceneMesh InsideOutBox(const std::string& name, float size, const std::string& material);

class LayerFixture {
 public:
  LayerFixture();  // GL context, folder, empty texture library
  ~LayerFixture();
  bool ready = false;
  void Jpeg(const std::string& name, Colour colour) const;
  void Scene(const std::string& name, const content::SceneBuilder& scene) const;
  void Remove(const std::string& relative) const;

 private:
  testsupport::TempDir dir_;
  testsupport::ScopedChdir here_{dir_.path()};
};

Frame ReadFrame();

// Clears to the shell's white, renders, reads back.
template <class Layer>
Frame Play(Layer& layer, float t) {
  const float white[4] = {1, 1, 1, 0};
  Clear(white);
  layer.Render(t);
  return ReadFrame();
}

}  // namespace fxb
