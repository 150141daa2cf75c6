#include "platform/glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace platform {
namespace {

// The file of the installed font that fontconfig finds nearest to the request.
bool MatchFont(const std::string& face, int weight, std::string* file, int* index) {
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool ok = false;
  if (match != nullptr) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
      *file = reinterpret_cast<const char*>(path);
      if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
      ok = true;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return ok;
}

// Copies a one-bit FreeType bitmap (rows top first) into glBitmap's layout:
// rows bottom first, each padded to 4 bytes.
void ToGLBitmap(const FT_Bitmap& bitmap, GlyphBitmap* glyph) {
  const int rowBytes = ((static_cast<int>(bitmap.width) + 31) / 32) * 4;
  glyph->bits.assign(static_cast<size_t>(rowBytes) * bitmap.rows, 0);
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const unsigned char* src = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
    uint8_t* dst = glyph->bits.data() + static_cast<size_t>(bitmap.rows - 1 - row) * rowBytes;
    for (unsigned col = 0; col < bitmap.width; ++col) {
      bool on;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        on = (src[col / 8] >> (7 - col % 8)) & 1;
      } else {
        on = src[col] >= 128;
      }
      if (on) dst[col / 8] |= static_cast<uint8_t>(0x80 >> (col % 8));
    }
  }
}

}  // namespace

bool RasterizeGlyphs(const std::string& face, int pixelHeight, int weight, int first, int count,
                     std::vector<GlyphBitmap>* glyphs) {
  glyphs->clear();
  std::string file;
  int index = 0;
  if (!MatchFont(face, weight, &file, &index)) return false;

  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return false;
  FT_Face ftFace = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &ftFace) != 0) {
    FT_Done_FreeType(library);
    return false;
  }
  FT_Set_Pixel_Sizes(ftFace, 0, static_cast<FT_UInt>(pixelHeight));

  glyphs->resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    GlyphBitmap& glyph = (*glyphs)[static_cast<size_t>(i)];
    if (FT_Load_Char(ftFace, static_cast<FT_ULong>(first + i),
                     FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) {
      continue;  // no glyph: an empty bitmap that does not move the pen
    }
    const FT_GlyphSlot slot = ftFace->glyph;
    glyph.width = static_cast<int>(slot->bitmap.width);
    glyph.height = static_cast<int>(slot->bitmap.rows);
    glyph.xorig = static_cast<float>(-slot->bitmap_left);
    glyph.yorig = static_cast<float>(glyph.height - slot->bitmap_top);
    glyph.advance = static_cast<float>(slot->advance.x) / 64.0f;
    ToGLBitmap(slot->bitmap, &glyph);
  }
  FT_Done_Face(ftFace);
  FT_Done_FreeType(library);
  return true;
}

}  // namespace platform
