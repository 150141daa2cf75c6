#include "model/staticmodel.h"

#include <lib3ds/file.h>

#include "model/mesh3ds.h"
#include "model/validate3ds.h"
#include "platform/failure_note.h"
#include "timeline/show/show.h"

CStaticModel::~CStaticModel() { Release(); }

void CStaticModel::Release() {
  // The mesh points into the file, so it goes first.
  delete mesh;
  mesh = nullptr;
  if (file != nullptr) lib3ds_file_free(file);
  file = nullptr;
  loaded_ = false;
}

Result CStaticModel::Load3DS(const std::string& name, CTexLib* pTexLib, bool positionNormals) {
  Release();
  file = model::Load3DSChecked(show::kSceneFolder + name);
  if (file == nullptr) return Result(2, "CStaticModel::Load3DS() : error!");
  mesh = new C3DSMesh();
  Result built = mesh->Create(file, pTexLib, positionNormals);
  if (built.code != 0) {
    // A texture that failed has noted itself already; this notes the rest.
    platform::NoteLoadFailure("scene", show::kSceneFolder + name,
                              "its objects could not be built (" + built.message + ")");
    return Result(1, "CStaticModel::Load3DS() :" + built.message);
  }
  loaded_ = true;
  return Result(0, "CStaticModel::Load3DS() : ok!");
}

void CStaticModel::Render() {
  if (!loaded_) return;
  mesh->SetLights();
  mesh->Render();
}
