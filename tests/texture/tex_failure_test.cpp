// CTex::Load's handling of each decoder call failing. The decoder layer is
// replaced, at link time, by the scripted one below; the real one cannot be
// made to fail to initialise or to release.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/jpeg.h"
#include "shell/glapi.h"
#include "support/gl_context.h"
#include "texture/tex.h"

namespace {

struct Script {
  int failInit = 0, failParams = 0, failImage = 0, failFree = 0;
  int live = 0;  // decoders initialised and not yet released
};
Script script;

}  // namespace

namespace platform {

JpegProperties::~JpegProperties() = default;

int JpegInit(JpegProperties* props) {
  if (script.failInit) return 1;
  props->state = reinterpret_cast<JpegState*>(&script);
  ++script.live;
  return 0;
}

int JpegRead(JpegProperties* props, int ioType) {
  if (ioType == kJpegReadParams) {
    props->jpgWidth = 3;
    props->jpgHeight = 2;
    props->jpgChannels = 3;
    return script.failParams;
  }
  if (script.failImage) return 1;
  std::memset(props->dibBytes, 0x80, props->dibSize);
  return 0;
}

int JpegFree(JpegProperties* props) {
  if (script.failFree) return 1;
  props->state = nullptr;
  --script.live;
  return 0;
}

}  // namespace platform

TEST(TextureDecoderFailures, EachCallHasItsCodeAndTheDecoderIsAlwaysReleased) {
  ASSERT_TRUE(testsupport::EnsureGLContext());
  struct Case {
    Script setup;
    int code;
    const char* message;
    int liveAfter;
  } cases[] = {
      {{1, 0, 0, 0}, 1, "CTex::Load() : ijlInit failed!", 0},
      {{0, 1, 0, 0}, 2, "CTex::Load() : can't read image textures\\x.jpg", 0},
      {{0, 0, 1, 0}, 3, "CTex::Load() : Read image failed!", 0},
      {{0, 0, 0, 1}, 4, "CTex::Load(): ijlFree failed!", 1},
      {{0, 0, 0, 0}, 0, "CTex::Load() : Ok!", 0},
  };
  for (const Case& c : cases) {
    script = c.setup;
    GLuint before = 0;
    glGenTextures(1, &before);  // the next name OpenGL would hand out follows this one
    CTex tex;
    const Result r = tex.Load("textures\\x.jpg", false);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(script.live, c.liveAfter) << c.message;
    if (c.code != 0) {
      EXPECT_EQ(tex.GetID(), 0xFFFFFFFFu);
      EXPECT_EQ(tex.height, 0);
      EXPECT_EQ(tex.GetName(), "");
      GLuint next = 0;
      glGenTextures(1, &next);
      EXPECT_EQ(next, before + 1) << "a texture was created: " << c.message;
      glDeleteTextures(1, &next);
    } else {
      EXPECT_EQ(tex.GetID(), before + 1);
      EXPECT_EQ(tex.width, 3);
    }
    glDeleteTextures(1, &before);
    tex.Relase();
  }
}
