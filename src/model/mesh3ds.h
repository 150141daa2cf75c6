// A 3DS scene that lib3ds has loaded, turned into vertex arrays that OpenGL
// draws with one interleaved-array call and one indexed draw per object.
#pragma once
#include <cstdint>
#include <vector>

#include "shell/base/glapi.h"
#include "shell/base/result.h"
#include "texture/tex.h"

typedef struct Lib3dsFile Lib3dsFile;
typedef struct Lib3dsNode Lib3dsNode;
typedef struct Lib3dsMesh Lib3dsMesh;
class CTexLib;

// GL_T2F_N3F_V3F, tightly packed.
struct MeshVertex {
  float u, v;
  float nx, ny, nz;
  float x, y, z;
};
static_assert(sizeof(MeshVertex) == 32, "MeshVertex must match GL_T2F_N3F_V3F");

// Kinds of a texture slot.
enum : int32_t { kTexNone = 0, kTexMap = 1, kTexReflection = 2 };

struct MeshObject {
  Lib3dsNode* node = nullptr;  // the object node it came from (lives in the file)
  Lib3dsMesh* mesh = nullptr;  // the mesh of that name (lives in the file)
  uint32_t vertexCount = 0;
  uint32_t faceCount = 0;
  std::vector<MeshVertex> vertices;  // one per point
  std::vector<uint16_t> indices;     // three per face
  bool textured = false;
  float diffuse[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  int32_t texMode[2] = {kTexNone, kTexNone};
  uint32_t texId[2] = {kNoTexture, kNoTexture};
};

struct MeshLight {
  float position[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  float diffuse[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};

class C3DSMesh {
 public:
  C3DSMesh() = default;
  C3DSMesh(const C3DSMesh&) = delete;
  C3DSMesh& operator=(const C3DSMesh&) = delete;

  // Builds `objects` from the top-level object nodes that have a mesh and
  // `lights` from the light nodes that have a light. The file must outlive
  // the mesh. Textures come from pTexLib.
  Result Create(Lib3dsFile* p3DSFile, CTexLib* pTexLib, bool positionNormals);
  // Lighting from `lights` (at most seven, GL_LIGHT0..6), positions taken
  // under the current modelview matrix; no lights disables lighting.
  void SetLights();
  // Draws every object; sphere-map generation is set on the active unit.
  void Render();
  // Draws one object; the caller sets the generation mode.
  void RenderObject(uint32_t index);

  GLenum envMode = GL_MODULATE;
  std::vector<MeshObject> objects;
  std::vector<MeshLight> lights;

 private:
  // Texture state and colour of one object, then its draw call. With
  // `lastBound` a texture already bound on its unit in this pass is not
  // bound again.
  void DrawObject(const MeshObject& object, uint32_t* lastBound);
};
