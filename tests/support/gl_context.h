// An invisible OpenGL context for tests that draw or upload textures.
#pragma once
#include <cstdint>
#include <vector>

namespace testsupport {

// Opens (once per process) an offscreen 800x600 compatibility context with the
// multitexture entry point looked up, and makes it current. Returns false (and
// prints why) when no context can be made.
bool EnsureGLContext();

// Reads the colour buffer back: rows top first, RGB.
std::vector<uint8_t> ReadPixelsTopFirst(int x, int y, int width, int height);
// One pixel at window coordinates measured from the top-left corner.
void PixelAt(int x, int yFromTop, uint8_t rgb[3]);

}  // namespace testsupport
