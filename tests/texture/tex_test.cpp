// CTex, CTexLib and CImage2D against a real (offscreen) OpenGL context, and
// the decoder on pictures stored as ink, which no texture of the production is.
#include <sys/resource.h>

#include "platform/failure_note.h"
#include "platform/files.h"
#include "render/glhelpers.h"
#include "render/image2d.h"
#include "shell/base/glapi.h"
#include "support/gl_state.h"
#include "support/temp_dir.h"
#include "texture/fixtures.h"
#include "texture/texlib.h"

using namespace fixtures;

namespace {

class TextureTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::EnsureGLContext()); }
  void Put(const std::string& name, const Bytes& b) { dir_.Write("textures/" + name, Str(b)); }
  testsupport::TempDir dir_;
  testsupport::ScopedChdir here_{dir_.path()};
};

using testsupport::GetInteger;

// Level 0 of the bound texture read back, rows top first and unpadded, and its minification filter.
Bytes Texels(size_t pixels, GLint* minFilter) {
  Bytes texels(3 * pixels);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);  // unpadded rows
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
  return texels;
}

}  // namespace

TEST_F(TextureTest, TopRowIsTexelRowZeroOddWidthHasNoSkewGreyIsEqualRgb) {
  const Bytes colour = Pattern(5, 6, 3), grey = Pattern(8, 4, 1);
  Put("odd.jpg", Encode(5, 6, 3, colour, {false, 0, true}));
  Put("grey.jpg", Encode(8, 4, 1, grey, {true}));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // as glyph uploads may leave it
  CTex tex;
  EXPECT_EQ(tex.Load("textures\\odd.jpg", false).code, 0);
  EXPECT_EQ(std::make_tuple(tex.GetName(), tex.width, tex.height),
            std::make_tuple("textures\\odd.jpg", 5, 6));
  EXPECT_EQ(GLuint(GetInteger(GL_TEXTURE_BINDING_2D)), tex.GetID());
  EXPECT_EQ(GetInteger(GL_UNPACK_ALIGNMENT), 1) << "the caller's unpack state is left alone";
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  GLint minFilter = 0;
  const Bytes texels = Texels(5 * 6, &minFilter);
  for (size_t i = 0; i < texels.size(); ++i) EXPECT_NEAR(texels[i], colour[i], 6) << "sample " << i;
  EXPECT_EQ(minFilter, GL_LINEAR);
  tex.Relase();

  ASSERT_EQ(tex.Load("textures\\grey.jpg", true).code, 0);
  const Bytes rgb = Texels(8 * 4, &minFilter);
  for (size_t i = 0; i < rgb.size(); ++i)
    EXPECT_TRUE(rgb[i] == rgb[i - i % 3] && std::abs(rgb[i] - grey[i / 3]) <= 4) << "sample " << i;
  EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
  GLint lastLevelWidth = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &lastLevelWidth);
  EXPECT_EQ(lastLevelWidth, 1) << "a full mipmap chain";
  tex.Relase();
}

TEST_F(TextureTest, FailuresReportTheirCodeAndLeaveTheObjectEmpty) {
  const Bytes good = Encode(16, 16, 3, Pattern(16, 16, 3), {}, 90);
  Put("cut.jpg", Bytes(good.begin(), good.end() - 40));
  dir_.Write("textures/text.jpg", "this is no picture");
  std::string huge = Str(good);  // the frame header claims 16000 x 16000 pixels: a 768 MB buffer
  dir_.Write("textures/huge.jpg", huge.replace(huge.find("\xFF\xC0") + 5, 4, "\x3E\x80\x3E\x80"));
  const int wide = GetInteger(GL_MAX_TEXTURE_SIZE) + 8;
  Put("wide.jpg", Encode(wide, 1, 1, Bytes(wide, 99)));
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const long peakBefore = usage.ru_maxrss;
  // The message keeps its fixed text; the note for the shell's last line has
  // the full path and the decoder's reason.
  const std::tuple<std::string, int, const char*> cases[] = {
      {"textures\\missing.jpg", 2, ": the file does not exist"},
      {"", 2, ": the file does not exist"},
      {"textures\\text.jpg", 2, ": it is not a readable JPEG picture: Not a JPEG file"},
      {"textures\\cut.jpg", 3, ": "},
      {"textures\\huge.jpg", 3, ": the picture is 16000x16000 pixels, more than"},
      {"textures\\wide.jpg", 3, ": the picture is "}};
  for (const auto& [name, code, reason] : cases) {
    CTex tex;
    platform::ClearFailureNote();
    EXPECT_EQ(Said(tex.Load(name, true)), code == 2 ? "2 CTex::Load() : can't read image " + name
                                                    : "3 CTex::Load() : Read image failed!");
    const std::string file = name.empty() ? "" : " " + platform::FullPath(name);
    EXPECT_EQ(platform::FailureNote().rfind("could not load the texture" + file + reason, 0), 0u)
        << platform::FailureNote();
    EXPECT_EQ(std::make_tuple(tex.GetID(), tex.width, tex.height, tex.GetName()),
              std::make_tuple(0xFFFFFFFFu, 0, 0, std::string()));
  }
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss - peakBefore, 200 * 1024) << "a hostile header was believed";
  EXPECT_EQ(CTex().Relase().code, 0);
}

TEST_F(TextureTest, LibraryLoadsEachKeyOnceRetriesFailuresAndDeletesItsTextures) {
  const Bytes picture = Encode(6, 3, 3, Pattern(6, 3, 3));
  Put("kable.jpg", picture);
  uint32_t first = 0, again = 0, capitals = 0, later = 0;
  {
    CTexLib lib;
    lib.SetPath("textures\\");
    ASSERT_EQ(lib.Add("kable.jpg", &first).code, 0);
    std::remove(dir_.File("textures/kable.jpg").c_str());
    Put("KABLE.JPG", picture);                        // the only file now, in capitals
    ASSERT_EQ(lib.Add("kable.jpg", &again).code, 0);  // found in the library, not on disk
    EXPECT_EQ(again, first);
    ASSERT_EQ(lib.Add("KABLE.JPG", &capitals).code, 0);  // another key, another texture
    EXPECT_NE(capitals, first);
    EXPECT_EQ(Said(lib.Add("later.jpg", &later)),
              "1 CTexLib::Add() : CTex::Load() : can't read image textures\\later.jpg");
    EXPECT_EQ(std::make_pair(later, lib.textures.size()), std::make_pair(0xFFFFFFFFu, size_t(2)));
    Put("Later.jpg", Encode(4, 7, 3, Pattern(4, 7, 3)));
    // Tried again, and found now.
    ASSERT_EQ(lib.Add("later.jpg", &later).code, 0);
    float w = -1, h = -1;
    lib.GetSize(later, &w, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(4.0f, 7.0f));
    for (uint32_t unknown : {0xFFFFFFFFu, 0u, later + 1000}) {
      lib.GetSize(unknown, &w, &h);
      EXPECT_EQ(std::make_pair(w, h), std::make_pair(0.0f, 0.0f));
    }
    EXPECT_TRUE(glIsTexture(later));
  }
  for (uint32_t id : {first, capitals, later}) EXPECT_FALSE(glIsTexture(id)) << id;  // deleted
}

TEST_F(TextureTest, Image2DSharesTheLibraryTextureChainsFailuresAndDrawsUpright) {
  // Red top left, green top right, blue bottom left, white bottom right.
  Put("quads.jpg",
      Encode(2, 2, 3, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}, {false, 0, true}));
  CTexLib lib;
  lib.SetPath("textures\\");
  CImage2D image, missing;
  ASSERT_EQ(image.Load("quads.jpg", &lib).code, 0);
  EXPECT_EQ(std::make_tuple(image.id, image.width, image.height),
            std::make_tuple(lib.textures[0].id, 2.0f, 2.0f));
  EXPECT_EQ(
      Said(missing.Load("gone.jpg", &lib)),
      "1 CImage2D::Load() : CTexLib::Add() : CTex::Load() : can't read image textures\\gone.jpg");

  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  SetOrtho2D(false);
  const float white[4] = {1, 1, 1, 1}, cyan[4] = {0, 1, 1, 1};
  missing.Draw(0, 0, 640, 480, white);  // nothing to draw
  image.Draw(100, 100, 200, 160, white);
  image.Draw(600, 300, -200, 160, white);  // negative width: mirrored, running leftwards
  image.Draw(400, 100, 100, 100, cyan);    // the colour multiplies the picture
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  // Colours at texel centres and outside, on the 640 x 480 overlay: (r)ed, (g)reen, (b)lue,
  // (w)hite, blac(k).
  const std::pair<float, float> points[] = {{150, 140}, {250, 140}, {150, 220}, {250, 220},
                                            {90, 140},  {310, 220}, {550, 340}, {450, 340},
                                            {425, 125}, {475, 125}, {320, 50}};
  std::string seen;
  for (const auto& [x, y] : points) {
    // The overlay fills the 800 x 600 window.
    const std::vector<int> rgb = testsupport::PixelRgb(int(x * 1.25f), int(y * 1.25f));
    seen += "krgybmcw"[(rgb[0] > 160) + 2 * (rgb[1] > 160) + 4 * (rgb[2] > 160)];
  }
  EXPECT_EQ(seen, "rgbwkkrgkgk");
}

TEST(JpegDecoder, AdobeInkConvertsToRgbAndUnmarkedInkIsRefused) {
  // 8-pixel cells of ink stored inverted (255 = none): cyan, magenta, yellow, black, paper; and
  // their light.
  const Bytes ink = {0, 255, 255, 255, 255, 0, 255, 255, 255, 255,
                     0, 255, 255, 255, 255, 0, 255, 255, 255, 255};
  const Bytes light = {0, 255, 255, 255, 0, 255, 255, 255, 0, 0, 0, 0, 255, 255, 255};
  Bytes cmyk;
  // 8 rows of 5 cells of 8 pixels.
  for (int i = 0; i < 8 * 160; ++i) cmyk.push_back(ink[i % 160 / 32 * 4 + i % 4]);
  for (bool ycck : {false, true}) {
    const Bytes rgb = Decode(Encode(40, 8, 4, cmyk, {false, 0, false, ycck, true}));
    ASSERT_EQ(rgb.size(), 120u * 8) << ycck;
    for (size_t i = 0; i < light.size(); ++i)
      EXPECT_NEAR(rgb[4 * 120 + 3 * (i / 3 * 8 + 4) + i % 3], light[i], 8) << ycck << " " << i;
  }
  // Without Adobe's marker nothing says which way the ink is stored.
  EXPECT_TRUE(Decode(Encode(40, 8, 4, cmyk, {false, 0, false, false, false})).empty());
}
