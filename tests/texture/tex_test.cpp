// CTex and CTexLib against a real (offscreen) OpenGL context.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "shell/glapi.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/fixtures.h"
#include "texture/texlib.h"

namespace {

using fixtures::AsString;
using fixtures::Encode;
using fixtures::Pattern;

class TextureTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::EnsureGLContext()); }
  testsupport::TempDir dir_;
  testsupport::ScopedChdir here_{dir_.path()};
};

// Level 0 of the bound texture, read back with rows top first and unpadded.
std::vector<uint8_t> Texels(int width, int height) {
  std::vector<uint8_t> texels(size_t(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return texels;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

content::JpegWriteOptions FullChroma() {
  content::JpegWriteOptions options;
  options.fullChroma = true;
  return options;
}

}  // namespace

TEST_F(TextureTest, OddWidthUploadsWithoutSkewWhateverTheUnpackAlignment) {
  const auto source = Pattern(5, 6, 3);
  dir_.Write("textures/odd.jpg", AsString(Encode(5, 6, 3, source, 100, FullChroma())));
  // Another module may have left byte alignment behind (glyph bitmaps do).
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  CTex tex;
  const Result r = tex.Load("textures\\odd.jpg", false);
  ASSERT_EQ(r.code, 0) << r.message;
  EXPECT_EQ(r.message, "CTex::Load() : Ok!");
  EXPECT_EQ(tex.GetName(), "textures\\odd.jpg");
  EXPECT_EQ(tex.width, 5);
  EXPECT_EQ(tex.height, 6);
  GLint bound = 0, alignment = 0, minFilter = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(GLuint(bound), tex.GetID());
  EXPECT_EQ(alignment, 1);  // the caller's state is left as it was
  EXPECT_EQ(minFilter, GL_LINEAR);
  // Row 0 of the texture is the top row of the picture, and no row is shifted.
  EXPECT_LE(fixtures::MaxError(Texels(5, 6), 15, source, 5, 6), 6);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  tex.Relase();
}

TEST_F(TextureTest, MipmappedProgressiveGreyscaleHasEqualComponentsAndAFullChain) {
  std::vector<uint8_t> grey(8 * 4);
  for (int i = 0; i < 32; ++i) grey[i] = uint8_t(i < 8 ? 250 : 30 + 5 * i);
  content::JpegWriteOptions progressive;
  progressive.progressive = true;
  dir_.Write("textures/grey.jpg", AsString(Encode(8, 4, 1, grey, 100, progressive)));
  CTex tex;
  ASSERT_EQ(tex.Load("textures\\grey.jpg", true).code, 0);
  const auto texels = Texels(8, 4);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(texels[3 * i], texels[3 * i + 1]) << i;
    EXPECT_EQ(texels[3 * i], texels[3 * i + 2]) << i;
    EXPECT_NEAR(texels[3 * i], grey[i], 4) << i;
  }
  GLint minFilter = 0, lastLevelWidth = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &lastLevelWidth);
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
  EXPECT_EQ(lastLevelWidth, 1);
  tex.Relase();
}

TEST_F(TextureTest, FailuresReportTheirCodeAndLeaveTheObjectEmpty) {
  const auto good = Encode(16, 16, 3, Pattern(16, 16, 3), 90);
  dir_.Write("textures/cut.jpg", AsString({good.begin(), good.end() - 40}));
  dir_.Write("textures/text.jpg", "this is no picture");
  // A header claiming 16000 x 16000 pixels: a 768 MB buffer.
  auto huge = good;
  for (size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 16000 >> 8;
      huge[i + 6] = huge[i + 8] = 16000 & 0xFF;
      break;
    }
  }
  dir_.Write("textures/huge.jpg", AsString(huge));
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  const int wide = maxSide + 8;
  dir_.Write("textures/wide.jpg", AsString(Encode(wide, 1, 1, std::vector<uint8_t>(wide, 99))));
  struct Case {
    const char* name;
    int code;
    std::string message;
  } cases[] = {
      {"textures\\missing.jpg", 2, "CTex::Load() : can't read image textures\\missing.jpg"},
      {"", 2, "CTex::Load() : can't read image "},
      {"textures\\text.jpg", 2, "CTex::Load() : can't read image textures\\text.jpg"},
      {"textures\\cut.jpg", 3, "CTex::Load() : Read image failed!"},
      {"textures\\huge.jpg", 3, "CTex::Load() : Read image failed!"},
      {"textures\\wide.jpg", 3, "CTex::Load() : Read image failed!"},
  };
  const long peakBefore = PeakKilobytes();
  for (const Case& c : cases) {
    CTex tex;
    const Result r = tex.Load(c.name, true);
    EXPECT_EQ(r.code, c.code) << c.name;
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(tex.GetID(), 0xFFFFFFFFu);
    EXPECT_EQ(tex.width, 0);
    EXPECT_EQ(tex.GetName(), "");
  }
  EXPECT_LT(PeakKilobytes() - peakBefore, 200 * 1024) << "a hostile header was believed";
  CTex never;
  const Result released = never.Relase();
  EXPECT_EQ(released.code, 0);
  EXPECT_EQ(released.message, "CTex::Relase() : ok!");
}

TEST_F(TextureTest, LibraryLoadsEachKeyOnceAndRetriesFailures) {
  const std::string picture = AsString(Encode(6, 3, 3, Pattern(6, 3, 3)));
  dir_.Write("textures/kable.jpg", picture);
  dir_.Write("textures/other.jpg", AsString(Encode(4, 7, 3, Pattern(4, 7, 3))));
  CTexLib lib;
  lib.SetPath("textures\\");
  uint32_t first = 0, again = 0, capitals = 0, other = 0, missing = 0;
  Result r = lib.Add("kable.jpg", &first);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.message, "CTexLib::Add() : ok! texture added to lib.");
  std::remove(dir_.File("textures/kable.jpg").c_str());
  dir_.Write("textures/KABLE.JPG", picture);  // the only file now, in capitals
  r = lib.Add("kable.jpg", &again);  // served from the library, not the disk
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.message, "CTexLib::Add() : ok! texture kable.jpgfounded in lib.");
  EXPECT_EQ(again, first);
  ASSERT_EQ(lib.Add("KABLE.JPG", &capitals).code, 0);  // another key, another texture
  EXPECT_NE(capitals, first);
  ASSERT_EQ(lib.Add("other.jpg", &other).code, 0);
  ASSERT_EQ(lib.textures.size(), 3u);
  EXPECT_EQ(lib.textures[0].GetName(), "textures\\kable.jpg");
  EXPECT_EQ(lib.textures[1].GetName(), "textures\\KABLE.JPG");

  r = lib.Add("later.jpg", &missing);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.message, "CTexLib::Add() : CTex::Load() : can't read image textures\\later.jpg");
  EXPECT_EQ(missing, 0xFFFFFFFFu);
  EXPECT_EQ(lib.textures.size(), 3u);
  dir_.Write("textures/Later.jpg", picture);
  r = lib.Add("later.jpg", &missing);  // a failure is not remembered
  EXPECT_EQ(r.message, "CTexLib::Add() : ok! texture added to lib.");
  EXPECT_NE(missing, 0xFFFFFFFFu);

  float w = -1, h = -1;
  lib.GetSize(other, &w, &h);
  EXPECT_EQ(w, 4.0f);
  EXPECT_EQ(h, 7.0f);
  for (uint32_t unknown : {0xFFFFFFFFu, 0u, other + 1000}) {
    lib.GetSize(unknown, &w, &h);
    EXPECT_EQ(w, 0.0f);
    EXPECT_EQ(h, 0.0f);
  }
}

TEST_F(TextureTest, LibraryDeletesItsTexturesWhenDestroyed) {
  dir_.Write("textures/a.jpg", AsString(Encode(4, 4, 3, Pattern(4, 4, 3))));
  uint32_t id = 0xFFFFFFFF;
  {
    CTexLib lib;
    lib.SetPath("textures\\");
    ASSERT_EQ(lib.Add("a.jpg", &id).code, 0);
    EXPECT_TRUE(glIsTexture(id));
  }
  EXPECT_FALSE(glIsTexture(id));
}
