// One JPEG file as one OpenGL 2D texture.
#pragma once
#include <cstdint>
#include <string>

#include "shell/base/result.h"

// The texture name that stands for "no texture".
constexpr uint32_t kNoTexture = 0xFFFFFFFF;

class CTex {
 public:
  // Decodes the JPEG at fileName (as the program names it, "textures\\x.jpg")
  // and uploads it: with mipmaps, a full chain built by GLU; without, level 0
  // only. On success the new texture is left bound. On failure nothing is
  // created and the object is unchanged.
  Result Load(const std::string& fileName, bool mipmaps);
  // Deletes the texture, if there is one. Copies share the texture, so only
  // the owner calls this.
  Result Relase();

  uint32_t GetID() const { return id; }
  std::string GetName() const { return fileName; }

  uint32_t id = kNoTexture;
  int32_t width = 0;
  int32_t height = 0;
  std::string fileName;
};
