#include "shell/objects/font.h"

#include <gtest/gtest.h>

#include "render/glhelpers.h"
#include "shell/base/glapi.h"
#include "support/gl_context.h"

namespace {

// The console's font is made again whenever the picture changes size: each
// time the previous 96 lists are released, so a window resized many times
// does not pile up display lists, and text is drawn with the new glyphs.
TEST(FontTest, MadeAgainReplacesItsListsAndDrawsTheNewSize) {
  ASSERT_TRUE(testsupport::EnsureGLContext());
  int dummy = 0;
  CFont font;
  font.Create(&dummy, "Tahoma", 10, 700);
  ASSERT_NE(font.listBase, 0u);
  ASSERT_TRUE(glIsList(font.listBase + 'W' - 32));
  for (int height = 11; height < 40; ++height) {
    const GLuint previous = font.listBase;
    font.Create(&dummy, "Tahoma", height, 700);
    ASSERT_TRUE(glIsList(font.listBase + 'W' - 32)) << height;
    if (font.listBase != previous) {
      EXPECT_FALSE(glIsList(previous + 'W' - 32)) << height;
    }
  }

  // A wide letter at the last size (39 px) covers more than at 10 px: ink
  // grows with the square of the height, about 15 times here (glyphs capped
  // at 30 px would give 9).
  auto inkedPixels = [&](int height) {
    font.Create(&dummy, "Tahoma", height, 700);
    glViewport(0, 0, 800, 600);
    SetOrtho2D(false);  // the 640x480 overlay over the whole drawable
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    font.color[0] = font.color[1] = font.color[2] = font.color[3] = 1.0f;
    font.Print(10, 100, "W");
    int inked = 0;
    const std::vector<uint8_t> pixels = testsupport::ReadPixelsTopFirst(0, 0, 800, 600);
    for (size_t i = 0; i < pixels.size(); i += 3) inked += pixels[i] > 128;
    return inked;
  };
  const int small = inkedPixels(10);
  const int large = inkedPixels(39);
  EXPECT_GT(small, 0);
  EXPECT_GT(large, small * 10);
}

}  // namespace
