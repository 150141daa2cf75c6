// A texture that receives a copy of the frame buffer's lower-left corner:
// effects draw their scene small into that corner, copy it here, and lay the
// copy stretched over the full-size picture as a glow.
//
// With the fast drawing, where the driver has framebuffer objects, the small
// pass draws straight into the texture instead (with a depth buffer of the
// drawable's depth): no copy, and the software renderer need not finish the
// whole frame drawn so far before the copy can be taken. The target starts
// each capture as the corner starts a frame, cleared with the current clear
// colour and depth; the picture is the same but for the odd edge pixel, as
// the drawable's rows are stored top-down and a texture's bottom-up.
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
  // corner of the drawable (or of the texture's own target).
  void BeginCapture();
  // Copies the lower-left corner into the texture (or goes back to the
  // drawable) and restores the viewport that was current at BeginCapture.
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

 private:
  void MakeTarget();
  void DeleteTarget();

  // The framebuffer object drawing into the texture, and its depth buffer;
  // 0 where there is none (the copy is taken then).
  uint32_t target_ = 0;
  uint32_t targetDepth_ = 0;
  // The framebuffer bound when the capture through the target began.
  int outerFramebuffer_ = 0;
  bool inTarget_ = false;
};

// Draws the bound frame-buffer copy upright over the rectangle with opposite
// corners (x1, y1) and (x2, y2) of the 2D overlay.
void DrawScreenQuad(float x1, float y1, float x2, float y2, const float colour[4]);
