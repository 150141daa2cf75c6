// CTex::Load's handling of each decoder call failing. The decoder layer is
// replaced, at link time, by the scripted one below; the real one cannot be
// made to fail to initialise or to release.
#include "shell/base/glapi.h"
#include "support/gl_context.h"
#include "texture/fixtures.h"
#include "texture/tex.h"

static struct { int failInit, failParams, failImage, failFree; } script;

platform::JpegProperties::~JpegProperties() = default;
int platform::JpegInit(JpegProperties*) { return script.failInit; }
int platform::JpegFree(JpegProperties*) { return script.failFree; }
int platform::JpegRead(JpegProperties* props, int ioType) {
  props->jpgWidth = 3;
  props->jpgHeight = 2;
  return ioType == kJpegReadParams ? script.failParams : script.failImage;
}

TEST(TextureDecoderFailures, EachCallHasItsCodeAndNoTextureIsMade) {
  ASSERT_TRUE(testsupport::EnsureGLContext());
  const std::pair<decltype(script), const char*> cases[] = {
      {{1, 0, 0, 0}, "1 CTex::Load() : ijlInit failed!"},
      {{0, 1, 0, 0}, "2 CTex::Load() : can't read image textures\\x.jpg"},
      {{0, 0, 1, 0}, "3 CTex::Load() : Read image failed!"},
      {{0, 0, 0, 1}, "4 CTex::Load(): ijlFree failed!"},
      {{0, 0, 0, 0}, "0 CTex::Load() : Ok!"},
  };
  for (const auto& [setup, said] : cases) {
    script = setup;
    const bool ok = said[0] == '0';
    GLuint before = 0;
    glGenTextures(1, &before);  // the next name OpenGL hands out follows this one
    CTex tex;
    EXPECT_EQ(fixtures::Said(tex.Load("textures\\x.jpg", false)), said);
    EXPECT_EQ(bool(glIsTexture(before + 1)), ok) << said;
    EXPECT_EQ(std::make_tuple(tex.GetID(), tex.width, tex.height, tex.GetName()),
              ok ? std::make_tuple(before + 1, 3, 2, std::string("textures\\x.jpg"))
                 : std::make_tuple(0xFFFFFFFFu, 0, 0, std::string()));
  }
}
