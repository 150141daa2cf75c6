// A texture that receives a copy of the frame buffer's lower-left corner:
// effects draw their scene small into that corner, copy it here, and lay the
// copy stretched over the full-size picture as a glow.
#pragma once
#include <cstdint>

class CRenderTexture {
 public:
  CRenderTexture() = default;
  ~CRenderTexture();
  CRenderTexture(const CRenderTexture&) = delete;
  CRenderTexture& operator=(const CRenderTexture&) = delete;

  // Makes a black RGB texture; both sides must be 64, 128, 256 or 512,
  // otherwise nothing happens. Remembers the viewport current now.
  void Create(unsigned int newWidth, unsigned int newHeight);
  // Small pass: the viewport becomes the texture's size, in the lower-left
  // corner of the drawable.
  void BeginCapture();
  // Copies the lower-left corner into the texture and restores the viewport
  // that was current at BeginCapture.
  void EndCapture();
  // Binds the texture on unit 0 with source-alpha blend factors.
  void Bind();
  void Unbind();

  uint32_t id = 0;
  int width = 0;
  int height = 0;
  // The viewport to come back to after a capture.
  int viewportX = 0;
  int viewportY = 0;
  int viewportWidth = 0;
  int viewportHeight = 0;
};

// Draws the bound frame-buffer copy upright over the rectangle with opposite
// corners (x1, y1) and (x2, y2) of the 2D overlay.
void DrawScreenQuad(float x1, float y1, float x2, float y2, const float colour[4]);
