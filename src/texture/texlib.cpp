#include "texture/texlib.h"

CTexLib::~CTexLib() {
  for (CTex& tex : textures) tex.Relase();
  textures.clear();
  path.clear();
}

void CTexLib::SetPath(const std::string& newPath) { path = newPath; }

Result CTexLib::Add(const std::string& name, uint32_t* outId) {
  uint32_t ignored = 0;
  if (outId == nullptr) outId = &ignored;
  *outId = kNoTexture;

  // The key is the full path as written: case and separators count.
  const std::string fullName = path + name;
  for (const CTex& tex : textures) {
    if (tex.fileName == fullName) {
      *outId = tex.id;
      return Result(0, "CTexLib::Add() : ok! texture " + name + "founded in lib.");
    }
  }

  CTex tex;
  Result loaded = tex.Load(fullName, mipmaps);
  if (loaded.code != 0) return Result(1, "CTexLib::Add() : " + loaded.message);
  *outId = tex.id;
  textures.push_back(tex);
  return Result(0, "CTexLib::Add() : ok! texture added to lib.");
}

void CTexLib::GetSize(uint32_t id, float* width, float* height) const {
  float w = 0.0f;
  float h = 0.0f;
  for (const CTex& tex : textures) {
    if (tex.id == id) {
      w = static_cast<float>(tex.width);
      h = static_cast<float>(tex.height);
      break;
    }
  }
  if (width != nullptr) *width = w;
  if (height != nullptr) *height = h;
}
