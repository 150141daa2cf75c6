// A GL context, a working folder with textures\ and scenes\, and a texture
// library, for the tests that build and draw meshes.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "model/fixtures.h"
#include "shell/glapi.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"

namespace modeltest {

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EnsureGLContext());
    inside_ = std::make_unique<testsupport::ScopedChdir>(dir_.path());
    dir_.Write("scenes/.keep", "");
    dir_.Write("textures/.keep", "");
    WriteTexture(dir_.File("textures/red.jpg"), 255, 0, 0);
    WriteTexture(dir_.File("textures/green.jpg"), 0, 255, 0);
    lib_.SetPath("textures\\");
    glViewport(0, 0, 800, 600);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    inside_.reset();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }

  void SaveScene(const content::SceneBuilder& scene, const std::string& name) {
    Save(scene, dir_.File("scenes/" + name));
  }
  // The pixel at (x, y from the top) is within 12 of (r, g, b).
  static void ExpectPixel(int x, int y, int r, int g, int b) {
    uint8_t rgb[3];
    testsupport::PixelAt(x, y, rgb);
    EXPECT_NEAR(rgb[0], r, 12) << "at " << x << "," << y;
    EXPECT_NEAR(rgb[1], g, 12) << "at " << x << "," << y;
    EXPECT_NEAR(rgb[2], b, 12) << "at " << x << "," << y;
  }

  testsupport::TempDir dir_;
  std::unique_ptr<testsupport::ScopedChdir> inside_;
  CTexLib lib_;
};

}  // namespace modeltest
