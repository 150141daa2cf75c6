// A 3DS scene drawn as it was modelled, under the caller's modelview matrix.
#pragma once
#include <string>

#include "shell/base/result.h"

typedef struct Lib3dsFile Lib3dsFile;
class C3DSMesh;
class CTexLib;

class CStaticModel {
 public:
  CStaticModel() = default;
  ~CStaticModel();
  CStaticModel(const CStaticModel&) = delete;
  CStaticModel& operator=(const CStaticModel&) = delete;

  // Loads "scenes\\" + name and builds its mesh. A second call releases the
  // scene and mesh of the first before loading.
  Result Load3DS(const std::string& name, CTexLib* pTexLib, bool positionNormals);
  // Lights, then every object. Draws nothing unless the last load succeeded.
  void Render();

  Lib3dsFile* file = nullptr;  // owned
  C3DSMesh* mesh = nullptr;    // owned; after a failed build, what was built

 private:
  void Release();
  bool loaded_ = false;  // the last Load3DS succeeded
};
