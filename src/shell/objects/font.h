// A bitmap font: 96 display lists, one per character from 32 to 127, and
// printf-style printing at a raster position.
#pragma once
#include <cstdint>
#include <string>

class CFont {
 public:
  CFont() = default;
  ~CFont();
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  // Builds the lists from the installed font nearest to `face`, `height`
  // pixels high, bold for weights of 600 and more. Needs a current context;
  // without one (or without a font) the lists stay empty. Called again, it
  // replaces the lists.
  void Create(void* deviceContext, const std::string& face, int height, int weight);
  // Draws one line at (x, y), the left end of its baseline. Lines longer than
  // 255 characters are cut.
  void Print(float x, float y, const char* format, ...) __attribute__((format(printf, 4, 5)));

  float color[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  uint32_t listBase = 0;
};
