// Bitmap glyphs of an installed font, ready for glBitmap.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct GlyphBitmap {
  int width = 0;    // pixels
  int height = 0;   // rows
  float xorig = 0;  // glBitmap origin: the pen position inside the bitmap
  float yorig = 0;
  float advance = 0;  // how far the pen moves right after the glyph
  // One bit per pixel, most significant bit first, rows from the bottom up,
  // each row padded to a multiple of 4 bytes (OpenGL's default unpack alignment).
  std::vector<uint8_t> bits;
};

// Renders characters first .. first+count-1 of the installed font that best
// matches `face` (a bold weight when weight >= 600) at `pixelHeight` pixels.
// False when no font could be found or opened; `glyphs` is then empty.
bool RasterizeGlyphs(const std::string& face, int pixelHeight, int weight, int first, int count,
                     std::vector<GlyphBitmap>* glyphs);

}  // namespace platform
