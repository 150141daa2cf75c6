// Fuzz target: a scene file as the program loads it. The chunk checker sees
// the bytes first; a file it accepts goes to lib3ds from disk (through the same
// checked load the layers use), is built into meshes both ways, and its
// keyframes are evaluated through the camera the animated model picks. Every
// texture the materials name is made known to the library beforehand, so
// nothing needs GL and every material path of the mesh builder is reached.
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "model/animmodel.h"
#include "model/mesh3ds.h"
#include "model/validate3ds.h"
#include "texture/texlib.h"

namespace {

// What the checked loader needs around it: a folder of its own holding
// scenes/, entered on the first input (libFuzzer is given absolute paths).
void EnterScratchFolder() {
  static std::string folder;
  if (!folder.empty()) return;
  folder = fuzzsupport::MakeScratchFolder("velmora-fuzz-3ds");
  std::filesystem::create_directory(folder + "/scenes");
  if (chdir(folder.c_str()) != 0) fuzzsupport::Fail("cannot enter the scratch folder");
}

void Register(CTexLib* lib, const char* name) {
  if (name[0] == '\0') return;
  const std::string full = lib->path + name;
  for (const CTex& tex : lib->textures)
    if (tex.fileName == full) return;
  lib->textures.emplace_back();
  lib->textures.back().fileName = full;
  lib->textures.back().id = uint32_t(lib->textures.size());
}

// What the builder promises the draw calls: every index names a point of
// its object, three per face.
void CheckBuilt(const C3DSMesh& mesh) {
  for (const MeshObject& object : mesh.objects) {
    if (object.vertices.size() != object.vertexCount ||
        object.indices.size() != size_t(object.faceCount) * 3) {
      fuzzsupport::Fail("a built object's arrays disagree with its counts");
    }
    for (uint16_t index : object.indices)
      if (index >= object.vertexCount) fuzzsupport::Fail("a built face names a missing point");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratchFolder();
  if (!model::Check3DS(data, size).empty()) return 0;
  if (!fuzzsupport::WriteFile("scenes/case.3ds", data, size)) return 0;
  Lib3dsFile* file = model::Load3DSChecked("scenes\\case.3ds");
  if (file == nullptr) return 0;

  CTexLib lib;
  lib.SetPath("textures\\");
  for (Lib3dsMaterial* m = file->materials; m != nullptr; m = m->next) {
    Register(&lib, m->texture1_map.name);
    Register(&lib, m->reflection_map.name);
  }
  for (bool positionNormals : {false, true}) {
    C3DSMesh mesh;
    if (mesh.Create(file, &lib, positionNormals).code == 0) CheckBuilt(mesh);
  }
  lib3ds_file_free(file);

  CAnimModel moving;
  if (moving.Load3DS("case.3ds", &lib).code == 0) {
    CheckBuilt(*moving.mesh);
    for (uint16_t camera : {0, 1, 65535}) moving.SetCamera(camera);
    const float last = float(moving.GetFrames());
    for (float frame : {0.0f, 0.5f, last * 0.5f, last, last + 3.0f, -1.0f})
      lib3ds_file_eval(moving.file, frame);
  }
  lib.textures.clear();  // registered names only: no GL textures to delete
  return 0;
}
