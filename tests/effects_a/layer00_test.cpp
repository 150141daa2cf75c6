// CLayer00 drawn offscreen at chosen scene times.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "effects/layer00.h"
#include "effects_a/stage.h"
#include "support/gl_context.h"

namespace {

using fx::At;
using fx::Near;

// The sphere is a box around the camera, seen from inside: its far (+z) side
// blue, the others green. The object is a tall red box that the layer's
// transform brings to the middle of the picture, reaching into both hazes.
// The logo is magenta: multiplied onto green it gives black.
class Layer00Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    stage_.reset(new fx::Stage);
    stage_->Picture("blue.jpg", 0, 0, 255);
    stage_->Picture("green.jpg", 0, 255, 0);
    stage_->Picture("red.jpg", 255, 0, 0);
    stage_->Picture("vt_logo.jpg", 255, 0, 255);
    content::SceneBuilder sphere;
    for (const char* texture : {"blue.jpg", "green.jpg"}) {
      content::SceneMaterial material;
      material.name = texture;
      material.textureMap = texture;
      sphere.AddMaterial(material);
    }
    content::SceneMesh box = content::MakeBox("sphere", {0, 0, 0}, {200, 200, 200}, "green.jpg");
    content::SceneMesh front = content::MakeQuad("front", -100, -100, 100, 100, 99, "blue.jpg");
    for (content::SceneMesh* mesh : {&box, &front}) {
      for (content::SceneFace& face : mesh->faces) std::swap(face.b, face.c);  // inwards
      sphere.AddMesh(*mesh);
      sphere.AddObjectNode(mesh->name);
    }
    stage_->Scene("nsphere.3ds", sphere);
    stage_->StaticBox("object_03.3ds", {15, 0, 140}, {60, 60, 250}, "red.jpg");
    ASSERT_EQ(layer_.Init().code, 0);
  }
  void RenderAt(float t, const char* shot) {
    fx::ClearFrame(1, 1, 1);
    layer_.Render(t);
    fx::Shot(shot);
  }
  std::unique_ptr<fx::Stage> stage_;
  CLayer00 layer_;
};

// The white fade covers the band in (0, 4], its alpha falling by a quarter a
// second; outside the window the object shows in its own red.
TEST_F(Layer00Test, WhiteFadeOnlyWithinTheFirstFourSeconds) {
  RenderAt(0.0f, "l00_t0");
  EXPECT_TRUE(Near(At(320, 240), 255, 0, 0)) << At(320, 240);
  RenderAt(0.1f, "l00_t01");
  for (float y : {90.0f, 240.0f, 390.0f}) {
    const fx::Rgb c = At(320, y);
    EXPECT_GE(std::min({c.r, c.g, c.b}), 240) << "y " << y << " " << c;
    EXPECT_GE(std::min({At(100, y).r, At(100, y).g, At(100, y).b}), 240) << "y " << y;
  }
  RenderAt(2.0f, "l00_t2");
  EXPECT_TRUE(Near(At(320, 240), 255, 128, 128)) << At(320, 240);
  RenderAt(4.0f, "l00_t4");
  EXPECT_TRUE(Near(At(320, 240), 255, 0, 0)) << At(320, 240);
  RenderAt(5.0f, "l00_t5");
  EXPECT_TRUE(Near(At(320, 240), 255, 0, 0)) << At(320, 240);
}

// Haze thickens towards both edges over the sphere; the object is drawn after
// it and stays clear. The layer keeps the shell's clear colour.
TEST_F(Layer00Test, HazeLiesOverTheSphereAndUnderTheObject) {
  fx::ResetClearColour();
  RenderAt(5.0f, "l00_t5");
  EXPECT_TRUE(Near(At(100, 240), 0, 255, 0)) << At(100, 240);     // sphere, no haze
  EXPECT_TRUE(Near(At(100, 82), 250, 255, 250, 6)) << At(100, 82);  // alpha 0.98
  EXPECT_TRUE(Near(At(100, 150), 77, 255, 77, 6)) << At(100, 150);  // alpha 0.3
  EXPECT_TRUE(Near(At(100, 395), 242, 255, 242, 6)) << At(100, 395);  // alpha 0.95
  EXPECT_TRUE(Near(At(100, 350), 128, 255, 128, 6)) << At(100, 350);  // alpha 0.5
  EXPECT_TRUE(Near(At(360, 90), 255, 0, 0)) << At(360, 90);  // object over thick haze
  EXPECT_TRUE(fx::ClearColourIs(1, 1, 1, 0));
}

// The logo is absent up to t = 2, slides in from the right edge and then
// rests in the lower right quarter, multiplied onto the picture.
TEST_F(Layer00Test, LogoSlidesInAndMultipliesTheLowerRightQuarter) {
  RenderAt(2.0f, "l00_t2");  // half faded, no logo: green under white
  EXPECT_TRUE(Near(At(560, 270), 128, 255, 128)) << At(560, 270);
  RenderAt(4.0f, "l00_t4");  // left edge at x 480
  EXPECT_TRUE(Near(At(560, 270), 0, 0, 0)) << At(560, 270);
  EXPECT_TRUE(Near(At(490, 270), 0, 0, 0)) << At(490, 270);
  EXPECT_TRUE(Near(At(470, 270), 0, 255, 0)) << At(470, 270);
  RenderAt(7.0f, "l00_t7");
  EXPECT_TRUE(Near(At(470, 270), 0, 0, 0)) << At(470, 270);
  EXPECT_TRUE(Near(At(560, 270), 0, 0, 0)) << At(560, 270);
  EXPECT_TRUE(Near(At(360, 240), 255, 0, 0)) << At(360, 240);  // red x magenta
  EXPECT_TRUE(Near(At(100, 270), 0, 255, 0)) << At(100, 270);  // lower left
  EXPECT_TRUE(Near(At(560, 200), 0, 255, 0)) << At(560, 200);  // upper right
  EXPECT_TRUE(Near(At(560, 350), 128, 255, 128, 6)) << At(560, 350);  // below it
}

}  // namespace
