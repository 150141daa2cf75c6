// The display's text as textured quads: the glyphs of an installed font at
// one pixel height, packed once into an alpha texture, and any line drawn
// as one quad per character. The software renderer draws a line of these in
// a fraction of what a bitmap per character costs (bitmaps taller than its
// small cache each take a texture upload and a draw of their own).
#pragma once
#include <array>

#include "shell/base/glapi.h"

namespace osd {

class GlyphAtlas {
 public:
  GlyphAtlas() = default;
  ~GlyphAtlas();
  GlyphAtlas(const GlyphAtlas&) = delete;
  GlyphAtlas& operator=(const GlyphAtlas&) = delete;

  // Makes the glyphs of characters 32 to 127 at `pixelHeight` (replacing
  // earlier ones); needs a current context and binds the texture on the
  // active unit. False, with no glyphs, when no font could be found.
  bool Make(int pixelHeight);
  // How far the pen moves over `text`, in pixels.
  float Width(const char* text) const;
  // The quads of `text` with the left end of its baseline at (x, baseline),
  // in pixels with y down; call between glBegin(GL_QUADS) and glEnd with the
  // texture bound. Returns the pen's x after the text.
  float Quads(float x, float baseline, const char* text) const;
  GLuint Texture() const { return texture_; }

 private:
  struct Glyph {
    float width = 0, height = 0, xorig = 0, yorig = 0, advance = 0;
    float s0 = 0, t0 = 0, s1 = 0, t1 = 0;  // texture coordinates of its top-left, bottom-right
  };
  static const Glyph& Of(std::array<Glyph, 96> const& glyphs, char c);
  std::array<Glyph, 96> glyphs_{};
  GLuint texture_ = 0;
};

}  // namespace osd
