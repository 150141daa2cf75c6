// A keyframed 3DS scene played through one of its own cameras.
#pragma once
#include <cstdint>
#include <string>

#include "shell/base/result.h"

typedef struct Lib3dsFile Lib3dsFile;
typedef struct Lib3dsCamera Lib3dsCamera;
class C3DSMesh;
class CTexLib;

class CAnimModel {
 public:
  CAnimModel() = default;
  ~CAnimModel();
  CAnimModel(const CAnimModel&) = delete;
  CAnimModel& operator=(const CAnimModel&) = delete;

  // Loads "scenes\\" + name and builds its mesh with face normals. A second
  // call releases the scene, mesh and chosen camera of the first.
  Result Load3DS(const std::string& name, CTexLib* pTexLib);
  // Chooses camera `index` of the scene's list; past the end, the last one.
  Result SetCamera(uint16_t index);
  // Evaluates the scene at keyframer frame `frame` and draws it through the
  // chosen camera: replaces the projection, leaves the modelview matrix
  // current and at identity. Draws nothing (and changes no state) without a
  // loaded scene, a chosen camera, or the camera's camera and target nodes.
  void Render(float frame);
  // The scene's keyframer frame count; 0 without a scene.
  uint32_t GetFrames() const;

  float zNear = 0.5f;
  float zFar = 0.0f;
  Lib3dsCamera* camera = nullptr;  // inside `file`
  Lib3dsFile* file = nullptr;      // owned
  C3DSMesh* mesh = nullptr;        // owned

 private:
  void Release();
  bool loaded_ = false;  // the last Load3DS succeeded
};
