#include "app/osd/glyph_atlas.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/glyphs.h"
#include "render/glhelpers.h"

namespace osd {
namespace {

constexpr int kFirst = 32;
constexpr int kCount = 96;
constexpr int kAtlasWidth = 1024;

int PowerOfTwoAtLeast(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

}  // namespace

GlyphAtlas::~GlyphAtlas() {
  if (texture_ != 0) glDeleteTextures(1, &texture_);
}

const GlyphAtlas::Glyph& GlyphAtlas::Of(std::array<Glyph, 96> const& glyphs, char c) {
  int code = static_cast<unsigned char>(c);
  if (code < kFirst || code >= kFirst + kCount) code = '?';
  return glyphs[static_cast<size_t>(code - kFirst)];
}

bool GlyphAtlas::Make(int pixelHeight) {
  glyphs_ = {};
  std::vector<platform::GlyphBitmap> bitmaps;
  if (!platform::RasterizeGlyphs("Tahoma", pixelHeight, 700, kFirst, kCount, &bitmaps)) {
    return false;
  }
  // Shelves of cells, left to right, one pixel apart.
  int x = 0;
  int y = 0;
  int shelf = 0;
  std::vector<std::array<int, 2>> places(kCount);
  for (int k = 0; k < kCount; ++k) {
    const platform::GlyphBitmap& g = bitmaps[static_cast<size_t>(k)];
    if (x + g.width + 1 > kAtlasWidth) {
      x = 0;
      y += shelf + 1;
      shelf = 0;
    }
    places[static_cast<size_t>(k)] = {x, y};
    x += g.width + 1;
    shelf = std::max(shelf, g.height);
  }
  const int atlasHeight = PowerOfTwoAtLeast(y + shelf + 1);
  std::vector<uint8_t> alpha(static_cast<size_t>(kAtlasWidth) * atlasHeight, 0);
  for (int k = 0; k < kCount; ++k) {
    const platform::GlyphBitmap& g = bitmaps[static_cast<size_t>(k)];
    const int left = places[static_cast<size_t>(k)][0];
    const int top = places[static_cast<size_t>(k)][1];
    // The bitmap's rows run bottom up, each padded to 4 bytes; the atlas
    // keeps them top down, so that t grows downwards like the picture's y.
    const int rowBytes = ((g.width + 7) / 8 + 3) / 4 * 4;
    for (int r = 0; r < g.height; ++r) {
      const uint8_t* row = g.bits.data() + static_cast<size_t>(g.height - 1 - r) * rowBytes;
      for (int c = 0; c < g.width; ++c) {
        if ((row[c / 8] >> (7 - c % 8)) & 1) {
          alpha[static_cast<size_t>(top + r) * kAtlasWidth + left + c] = 255;
        }
      }
    }
    Glyph& glyph = glyphs_[static_cast<size_t>(k)];
    glyph.width = static_cast<float>(g.width);
    glyph.height = static_cast<float>(g.height);
    glyph.xorig = g.xorig;
    glyph.yorig = g.yorig;
    glyph.advance = g.advance;
    glyph.s0 = static_cast<float>(left) / kAtlasWidth;
    glyph.t0 = static_cast<float>(top) / atlasHeight;
    glyph.s1 = static_cast<float>(left + g.width) / kAtlasWidth;
    glyph.t1 = static_cast<float>(top + g.height) / atlasHeight;
  }
  BindTextureSampling(&texture_, GL_NEAREST, GL_CLAMP);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, kAtlasWidth, atlasHeight, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
               alpha.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  return true;
}

float GlyphAtlas::Width(const char* text) const {
  float width = 0.0f;
  for (const char* p = text; *p != '\0'; ++p) width += Of(glyphs_, *p).advance;
  return width;
}

float GlyphAtlas::Quads(float x, float baseline, const char* text) const {
  float pen = std::round(x);
  for (const char* p = text; *p != '\0'; ++p) {
    const Glyph& g = Of(glyphs_, *p);
    if (g.width > 0.0f && g.height > 0.0f) {
      // As glBitmap places it: the bitmap's origin at the pen on the
      // baseline, the picture's y running down.
      const float left = pen - g.xorig;
      const float bottom = baseline + g.yorig;
      const float top = bottom - g.height;
      glTexCoord2f(g.s0, g.t0);
      glVertex2f(left, top);
      glTexCoord2f(g.s1, g.t0);
      glVertex2f(left + g.width, top);
      glTexCoord2f(g.s1, g.t1);
      glVertex2f(left + g.width, bottom);
      glTexCoord2f(g.s0, g.t1);
      glVertex2f(left, bottom);
    }
    pen += g.advance;
  }
  return pen;
}

}  // namespace osd
