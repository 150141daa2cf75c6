#include "shell/objects/font.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/glyphs.h"
#include "shell/base/glapi.h"

namespace {
constexpr int kFirstChar = 32;
constexpr int kCharCount = 96;
}  // namespace

CFont::~CFont() {
  if (listBase != 0) glDeleteLists(listBase, kCharCount);
}

void CFont::Create(void* deviceContext, const std::string& face, int height, int weight) {
  // Made again for another size (the picture followed the window): the old
  // lists go first.
  if (listBase != 0) glDeleteLists(listBase, kCharCount);
  listBase = glGenLists(kCharCount);
  if (deviceContext == nullptr || listBase == 0) return;
  std::vector<platform::GlyphBitmap> glyphs;
  if (!platform::RasterizeGlyphs(face, height, weight, kFirstChar, kCharCount, &glyphs)) return;
  for (int k = 0; k < kCharCount; ++k) {
    const platform::GlyphBitmap& glyph = glyphs[static_cast<size_t>(k)];
    glNewList(listBase + static_cast<GLuint>(k), GL_COMPILE);
    glBitmap(glyph.width, glyph.height, glyph.xorig, glyph.yorig, glyph.advance, 0.0f,
             glyph.bits.empty() ? nullptr : glyph.bits.data());
    glEndList();
  }
}

void CFont::Print(float x, float y, const char* format, ...) {
  if (format == nullptr) return;
  char text[256];
  va_list args;
  va_start(args, format);
  const int wanted = std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  if (wanted < 0) return;
  int length =
      wanted < static_cast<int>(sizeof(text)) ? wanted : static_cast<int>(sizeof(text)) - 1;
  // Only characters 32..127 have lists; anything else would call some other
  // list of the program, so it prints as '?'.
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < kFirstChar || c >= kFirstChar + kCharCount) text[i] = '?';
  }
  glColor4fv(color);
  const float position[2] = {x, y};
  glRasterPos2fv(position);
  glPushAttrib(GL_LIST_BIT);
  glListBase(listBase - kFirstChar);
  glCallLists(length, GL_UNSIGNED_BYTE, text);
  glPopAttrib();
  glRasterPos2f(0, 0);
}
