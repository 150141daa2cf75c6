// The production's pictures, loaded the way the program loads them: through
// the texture library into OpenGL textures, read back from level 0.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "content/generate.h"
#include "shell/glapi.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "texture/texlib.h"

namespace {

struct Expected {
  const char* file;
  int width;
  int height;
};

const Expected kPictures[] = {
    {"vt_logo.jpg", 512, 160}, {"kable.jpg", 512, 320},   {"bw06.jpg", 512, 320},
    {"treetex.jpg", 512, 512}, {"vtt.jpg", 256, 256},     {"poz2.jpg", 512, 256},
    {"poz3.jpg", 512, 256},    {"poz5.jpg", 512, 256},    {"envmap_0.jpg", 256, 256},
    {"end.jpg", 512, 320},
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Level 0 of a texture as OpenGL holds it (the mipmap builder may have scaled
// it to powers of two), rows top of the picture first.
struct Texels {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
  float Luma(int x, int y) const {
    const uint8_t* p = At(x, y);
    return 0.299f * float(p[0]) + 0.587f * float(p[1]) + 0.114f * float(p[2]);
  }
  // Fraction of the texels in [x0, x1) x [y0, y1) (as fractions of the size)
  // whose luma passes the test.
  template <typename Test>
  float Share(float x0, float y0, float x1, float y1, Test test) const {
    int hits = 0, all = 0;
    for (int y = int(y0 * float(height)); y < int(y1 * float(height)); ++y) {
      for (int x = int(x0 * float(width)); x < int(x1 * float(width)); ++x) {
        ++all;
        if (test(Luma(x, y))) ++hits;
      }
    }
    return all ? float(hits) / float(all) : 0.0f;
  }
  float MeanLuma(float x0, float y0, float x1, float y1) const {
    double sum = 0;
    int all = 0;
    for (int y = int(y0 * float(height)); y < int(y1 * float(height)); ++y) {
      for (int x = int(x0 * float(width)); x < int(x1 * float(width)); ++x) sum += Luma(x, y), ++all;
    }
    return all ? float(sum / all) : 0.0f;
  }
  float LumaSpread() const {
    const float mean = MeanLuma(0, 0, 1, 1);
    double sum = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) sum += double(Luma(x, y) - mean) * (Luma(x, y) - mean);
    }
    return float(std::sqrt(sum / (double(width) * height)));
  }
  // The brightest texel within `band` texels of the border.
  float BorderMaxLuma(int band) const {
    float most = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (x < band || y < band || x >= width - band || y >= height - band) {
          most = std::max(most, Luma(x, y));
        }
      }
    }
    return most;
  }
  float BorderMinChannel(int band) const {
    int least = 255;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (x < band || y < band || x >= width - band || y >= height - band) {
          for (int c = 0; c < 3; ++c) least = std::min(least, int(At(x, y)[c]));
        }
      }
    }
    return float(least);
  }
};

class PicturesTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testsupport::TempDir;
    failure_ = content::WritePictures(folder_->path());
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  void SetUp() override {
    ASSERT_EQ(failure_, "");
    ASSERT_TRUE(testsupport::EnsureGLContext());
    library_.SetPath("textures\\");
  }

  // Loads the picture through the texture library, as a layer would.
  Texels Load(const std::string& name) {
    testsupport::ScopedChdir here(folder_->path());
    uint32_t id = 0xFFFFFFFF;
    const Result r = library_.Add(name, &id);
    EXPECT_EQ(r.code, 0) << r.message;
    Texels texels;
    if (r.code != 0) return texels;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texels.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texels.height);
    texels.rgb.resize(size_t(texels.width) * size_t(texels.height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
  }

  static testsupport::TempDir* folder_;
  static std::string failure_;
  CTexLib library_;
};

testsupport::TempDir* PicturesTest::folder_ = nullptr;
std::string PicturesTest::failure_;

}  // namespace

TEST_F(PicturesTest, EveryPictureLoadsThroughTheTextureLibraryAtItsSize) {
  std::set<std::string> written;
  for (const auto& entry : std::filesystem::directory_iterator(folder_->File("textures"))) {
    written.insert(entry.path().filename().string());
  }
  EXPECT_EQ(written.size(), std::size(kPictures));
  testsupport::ScopedChdir here(folder_->path());
  for (const Expected& picture : kPictures) {
    SCOPED_TRACE(picture.file);
    EXPECT_EQ(written.count(picture.file), 1u);
    uint32_t id = 0xFFFFFFFF;
    const Result r = library_.Add(picture.file, &id);
    ASSERT_EQ(r.code, 0) << r.message;
    float width = 0, height = 0;
    library_.GetSize(id, &width, &height);
    EXPECT_EQ(width, float(picture.width));
    EXPECT_EQ(height, float(picture.height));
  }
}

TEST_F(PicturesTest, TwoRunsWriteTheSameBytes) {
  testsupport::TempDir second;
  ASSERT_EQ(content::WritePictures(second.path()), "");
  for (const Expected& picture : kPictures) {
    const std::string a = ReadFile(folder_->File(std::string("textures/") + picture.file));
    const std::string b = ReadFile(second.File(std::string("textures/") + picture.file));
    EXPECT_GT(a.size(), 1000u) << picture.file;
    EXPECT_TRUE(a == b) << picture.file << " differs between runs";
  }
}

TEST_F(PicturesTest, AFolderThatCannotHoldThePicturesIsReported) {
  testsupport::TempDir dir;
  dir.Write("textures", "a file where the folder should be");
  const std::string failure = content::WritePictures(dir.path());
  EXPECT_NE(failure, "");
  EXPECT_NE(failure.find("textures"), std::string::npos) << failure;
}

// The logo multiplies the frame: white must leave it untouched, so the ground
// is white to the very edge and only the emblem and title are dark.
TEST_F(PicturesTest, TheLogoIsADarkTitleOnPureWhite) {
  const Texels logo = Load("vt_logo.jpg");
  ASSERT_GT(logo.width, 0);
  EXPECT_GE(logo.BorderMinChannel(3), 250);
  EXPECT_GT(logo.Share(0, 0, 1, 1, [](float l) { return l >= 245; }), 0.6f);
  // The title, right of the emblem, and the emblem itself hold dark ink.
  EXPECT_GT(logo.Share(0.32f, 0.3f, 0.97f, 0.56f, [](float l) { return l < 90; }), 0.08f);
  EXPECT_GT(logo.Share(0.04f, 0.12f, 0.27f, 0.88f, [](float l) { return l < 90; }), 0.08f);
  // Between the title and the line beneath it there is only paper.
  EXPECT_EQ(logo.Share(0.3f, 0, 1, 0.08f, [](float l) { return l < 200; }), 0.0f);
}

// treetex.jpg and vtt.jpg are added onto the frame and envmap_0.jpg is the
// additive particle sprite: black adds nothing, so they are black at their
// borders and mostly dark, with their light where it belongs.
TEST_F(PicturesTest, AddedPicturesAreLightOnBlack) {
  for (const char* name : {"treetex.jpg", "vtt.jpg", "envmap_0.jpg"}) {
    SCOPED_TRACE(name);
    const Texels t = Load(name);
    ASSERT_GT(t.width, 0);
    EXPECT_LE(t.BorderMaxLuma(4), 6);
    EXPECT_GT(t.Share(0, 0, 1, 1, [](float l) { return l < 24; }), 0.55f);
    EXPECT_GT(t.Share(0, 0, 1, 1, [](float l) { return l > 150; }), 0.004f);
  }
  // The sprite: a white core fading outwards, corners black.
  const Texels glow = Load("envmap_0.jpg");
  EXPECT_GE(glow.Luma(glow.width / 2, glow.height / 2), 235);
  const float core = glow.MeanLuma(0.45f, 0.45f, 0.55f, 0.55f);
  const float halo = glow.MeanLuma(0.3f, 0.3f, 0.7f, 0.7f);
  EXPECT_GT(core, halo * 2);
  EXPECT_LE(glow.MeanLuma(0, 0, 0.12f, 0.12f), 1);
  // The tree grows from the bottom: its light is in the lower middle and the crown.
  const Texels tree = Load("treetex.jpg");
  EXPECT_GT(tree.MeanLuma(0.45f, 0.8f, 0.55f, 0.9f), 100);
  EXPECT_GT(tree.MeanLuma(0.2f, 0.15f, 0.9f, 0.5f), 3 * tree.MeanLuma(0.05f, 0.6f, 0.3f, 0.95f));
}

TEST_F(PicturesTest, TitlesShowWhereTheyAreSet) {
  // vtt.jpg: "velmora" across the upper middle, nothing in the lowest fifth,
  // which lies under the letterbox band.
  const Texels vtt = Load("vtt.jpg");
  ASSERT_GT(vtt.width, 0);
  EXPECT_GT(vtt.Share(0.18f, 0.3f, 0.82f, 0.41f, [](float l) { return l > 170; }), 0.04f);
  EXPECT_EQ(vtt.Share(0, 0.82f, 1, 1, [](float l) { return l > 40; }), 0.0f);
  EXPECT_EQ(vtt.Share(0.25f, 0.6f, 0.75f, 0.78f, [](float l) { return l > 170; }), 0.0f);

  // end.jpg: the title, a thank-you below it, and dark above them.
  const Texels end = Load("end.jpg");
  ASSERT_GT(end.width, 0);
  EXPECT_GT(end.Share(0.08f, 0.27f, 0.92f, 0.37f, [](float l) { return l > 150; }), 0.03f);
  EXPECT_GT(end.Share(0.2f, 0.47f, 0.8f, 0.53f, [](float l) { return l > 150; }), 0.03f);
  EXPECT_EQ(end.Share(0, 0, 1, 0.2f, [](float l) { return l > 150; }), 0.0f);
}

// The opaque pictures fill their frames with shaded, grainy detail rather
// than flat fills, and keep their subjects where the layers leave room.
TEST_F(PicturesTest, BackdropsAreDetailedAndComposedForTheirLayers) {
  for (const char* name : {"kable.jpg", "bw06.jpg", "poz2.jpg", "poz3.jpg", "poz5.jpg", "end.jpg"}) {
    SCOPED_TRACE(name);
    const Texels t = Load(name);
    ASSERT_GT(t.width, 0);
    EXPECT_GT(t.LumaSpread(), 14);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < t.rgb.size(); i += 3) {
      colours.insert(uint32_t(t.rgb[i]) << 16 | uint32_t(t.rgb[i + 1]) << 8 | t.rgb[i + 2]);
    }
    // Hundreds of grey levels in the monochrome picture, thousands of colours
    // in the others.
    EXPECT_GT(colours.size(), std::string(name) == "bw06.jpg" ? 150u : 1500u);
  }
  // bw06.jpg is black and white, and grainy.
  const Texels bw = Load("bw06.jpg");
  double step = 0;
  for (int y = 0; y < bw.height; ++y) {
    for (int x = 0; x < bw.width; ++x) {
      const uint8_t* p = bw.At(x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      if (x > 0) step += std::abs(int(p[0]) - int(bw.At(x - 1, y)[0]));
    }
  }
  EXPECT_GT(step / (double(bw.width - 1) * bw.height), 4.0);
  // The crab's backdrop: the cables hang in the upper part, which shows
  // above the letterbox band.
  const Texels cables = Load("kable.jpg");
  EXPECT_GT(cables.MeanLuma(0, 0.05f, 1, 0.6f), 1.4f * cables.MeanLuma(0, 0.8f, 1, 1));
  // poz3.jpg: the sun on the right; the object tumbles over the darker left.
  const Texels sunset = Load("poz3.jpg");
  EXPECT_GT(sunset.MeanLuma(0.55f, 0, 1, 1), 1.5f * sunset.MeanLuma(0, 0, 0.45f, 1));
  // poz2.jpg: the swarm flows into a glow on the right at mid height.
  const Texels current = Load("poz2.jpg");
  EXPECT_GT(current.MeanLuma(0.75f, 0.4f, 0.9f, 0.6f), 2 * current.MeanLuma(0.75f, 0, 0.9f, 0.1f));
}
