// The texture library: loads every texture file once and hands out its
// OpenGL texture name to whoever asks for the same file again.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "shell/base/result.h"
#include "texture/tex.h"

class CTexLib {
 public:
  CTexLib() = default;
  ~CTexLib();
  CTexLib(const CTexLib&) = delete;
  CTexLib& operator=(const CTexLib&) = delete;

  void SetPath(const std::string& newPath);
  // The texture for path + name, loaded on first request. *outId is the
  // texture name, or kNoTexture when the file could not be loaded.
  Result Add(const std::string& name, uint32_t* outId);
  // Width and height of the stored texture with that name; (0, 0) if none.
  void GetSize(uint32_t id, float* width, float* height) const;

  std::vector<CTex> textures;
  bool mipmaps = true;
  std::string path;
};
