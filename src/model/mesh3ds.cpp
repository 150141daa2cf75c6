#include "model/mesh3ds.h"

#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <algorithm>

#include "shell/base/vec3.h"
#include "texture/texlib.h"

namespace {

constexpr size_t kMaxLights = 7;

// Sets up one texture unit for a slot: texturing on, no blending, sphere-map
// generation for reflection maps only, the environment mode, the texture.
void SetUnit(int32_t mode, uint32_t texture, GLenum envMode, uint32_t* lastBound) {
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  if (mode == kTexReflection) {
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
  } else {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLint(envMode));
  if (lastBound == nullptr || *lastBound != texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    if (lastBound != nullptr) *lastBound = texture;
  }
}

// A textured object takes the material of its first face: its diffuse
// colour and its texture map and reflection map from the texture library. An
// object whose material is missing or has neither map is drawn untextured.
Result BindMaterial(Lib3dsFile* p3DSFile, CTexLib* pTexLib, MeshObject* object) {
  object->diffuse[0] = object->diffuse[1] = object->diffuse[2] = object->diffuse[3] = 1.0f;
  Lib3dsMaterial* material =
      lib3ds_file_material_by_name(p3DSFile, object->mesh->faceL[0].material);
  if (material == nullptr) {
    object->textured = false;
    return Result(0, "");
  }
  std::copy(material->diffuse, material->diffuse + 4, object->diffuse);
  const bool hasMap = material->texture1_map.name[0] != '\0';
  const bool hasReflection = material->reflection_map.name[0] != '\0';
  if (!hasMap && !hasReflection) {
    object->textured = false;
  } else if (hasMap && !hasReflection) {
    Result added = pTexLib->Add(material->texture1_map.name, &object->texId[0]);
    if (added.code != 0) return Result(3, "C3DSMesh::Create() : " + added.message);
    object->texMode[0] = kTexMap;
  } else if (!hasMap && hasReflection) {
    Result added = pTexLib->Add(material->reflection_map.name, &object->texId[0]);
    if (added.code != 0) return Result(6, "C3DSMesh::Create() : " + added.message);
    object->texMode[0] = kTexReflection;
  } else {
    Result added = pTexLib->Add(material->texture1_map.name, &object->texId[0]);
    if (added.code != 0) return Result(4, "C3DSMesh::Create() : " + added.message);
    object->texMode[0] = kTexMap;
    added = pTexLib->Add(material->reflection_map.name, &object->texId[1]);
    if (added.code != 0) return Result(5, "C3DSMesh::Create() : " + added.message);
    object->texMode[1] = kTexReflection;
  }
  return Result(0, "");
}

}  // namespace

Result C3DSMesh::Create(Lib3dsFile* p3DSFile, CTexLib* pTexLib, bool positionNormals) {
  if (p3DSFile == nullptr) return Result(1, "C3DSMesh::Create() : p3DSFile == NULL!");
  if (pTexLib == nullptr) return Result(1, "C3DSMesh::Create() : pTexLib == NULL!");

  // Only the top of the hierarchy: children are never visited.
  for (Lib3dsNode* node = p3DSFile->nodes; node != nullptr; node = node->next) {
    if (node->type == LIB3DS_LIGHT_NODE) {
      Lib3dsLight* light = lib3ds_file_light_by_name(p3DSFile, node->name);
      if (light != nullptr) {
        MeshLight record;
        std::copy(light->position, light->position + 3, record.position);
        std::copy(light->color, light->color + 3, record.diffuse);
        lights.push_back(record);
      }
      continue;
    }
    if (node->type != LIB3DS_OBJECT_NODE) continue;
    Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(p3DSFile, node->name);
    if (mesh == nullptr) continue;  // a dummy

    MeshObject object;
    object.node = node;
    object.mesh = mesh;
    if (mesh->points == 0 || mesh->pointL == nullptr)
      return Result(2, "C3DSMesh::Create() : no vertexes!");
    object.vertexCount = mesh->points;
    object.faceCount = mesh->faces;
    object.vertices.assign(mesh->points, MeshVertex{0, 0, 0, 0, 0, 0, 0, 0});
    for (uint32_t i = 0; i < mesh->points; ++i) {
      object.vertices[i].x = mesh->pointL[i].pos[0];
      object.vertices[i].y = mesh->pointL[i].pos[1];
      object.vertices[i].z = mesh->pointL[i].pos[2];
    }
    if (mesh->texels == mesh->points && mesh->texelL != nullptr) {
      for (uint32_t i = 0; i < mesh->points; ++i) {
        object.vertices[i].u = mesh->texelL[i][0];
        object.vertices[i].v = mesh->texelL[i][1];
      }
      object.textured = true;
    }

    const bool hasFaces = mesh->faces != 0 && mesh->faceL != nullptr;
    if (positionNormals) {
      // A point at the origin has no direction; CVec3 leaves it (0, 0, 0).
      for (MeshVertex& vertex : object.vertices) {
        CVec3 normal(vertex.x, vertex.y, vertex.z);
        normal.Normalize();
        vertex.nx = normal.x;
        vertex.ny = normal.y;
        vertex.nz = normal.z;
      }
    } else {
      if (!hasFaces) return Result(3, "C3DSMesh::Create() : no faces!");
    }
    if (!hasFaces) return Result(4, "C3DSMesh::Create() : no faces!");

    // Every corner must name a point of this mesh: the index array goes
    // straight to the draw call.
    object.indices.resize(size_t(mesh->faces) * 3);
    for (uint32_t f = 0; f < mesh->faces; ++f) {
      const Lib3dsFace& face = mesh->faceL[f];
      for (int k = 0; k < 3; ++k) {
        if (face.points[k] >= mesh->points)
          return Result(7, "C3DSMesh::Create() : face index out of range!");
        object.indices[size_t(f) * 3 + size_t(k)] = face.points[k];
      }
    }
    if (!positionNormals) {
      // The last face in file order that touches a corner gives its normal.
      for (uint32_t f = 0; f < mesh->faces; ++f) {
        const Lib3dsFace& face = mesh->faceL[f];
        for (int k = 0; k < 3; ++k) {
          MeshVertex& vertex = object.vertices[face.points[k]];
          vertex.nx = face.normal[0];
          vertex.ny = face.normal[1];
          vertex.nz = face.normal[2];
        }
      }
    }

    if (object.textured) {
      const Result bound = BindMaterial(p3DSFile, pTexLib, &object);
      if (bound.code != 0) return bound;
    }
    objects.push_back(std::move(object));
  }
  return Result(0, "C3DSMesh::Create() : ok!");
}

void C3DSMesh::SetLights() {
  if (lights.empty()) {
    glDisable(GL_LIGHTING);
    return;
  }
  glEnable(GL_LIGHTING);
  static const float kAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  static const float kSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const size_t used = std::min(lights.size(), kMaxLights);
  for (size_t i = 0; i < used; ++i) {
    const GLenum light = GLenum(GL_LIGHT0 + i);
    glLightfv(light, GL_POSITION, lights[i].position);
    glLightfv(light, GL_AMBIENT, kAmbient);
    glLightfv(light, GL_SPECULAR, kSpecular);
    glLightfv(light, GL_DIFFUSE, lights[i].diffuse);
    glEnable(light);
  }
}

void C3DSMesh::DrawObject(const MeshObject& object, uint32_t* lastBound) {
  // Without the multitexture entry point there is one unit only: it gets
  // slot 0 and the second slot is left out, instead of unit-1 state landing
  // on unit 0.
  const bool twoUnits = glActiveTextureARB != nullptr;
  if (object.textured) {
    SelectTextureUnit(GL_TEXTURE0_ARB);
    SetUnit(object.texMode[0], object.texId[0], GL_MODULATE,
            lastBound != nullptr ? &lastBound[0] : nullptr);
    if (twoUnits) {
      SelectTextureUnit(GL_TEXTURE1_ARB);
      if (object.texMode[1] == kTexNone) {
        glDisable(GL_TEXTURE_2D);
      } else {
        SetUnit(object.texMode[1], object.texId[1], envMode,
                lastBound != nullptr ? &lastBound[1] : nullptr);
      }
    }
    glColor3f(1.0f, 1.0f, 1.0f);
  } else {
    SelectTextureUnit(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    if (twoUnits) {
      SelectTextureUnit(GL_TEXTURE1_ARB);
      glDisable(GL_TEXTURE_2D);
    }
    glColor4fv(object.diffuse);
  }
  glInterleavedArrays(GL_T2F_N3F_V3F, 0, object.vertices.data());
  glDrawElements(GL_TRIANGLES, GLsizei(object.faceCount * 3), GL_UNSIGNED_SHORT,
                 object.indices.data());
}

void C3DSMesh::Render() {
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  uint32_t lastBound[2] = {kNoTexture, kNoTexture};
  for (const MeshObject& object : objects) DrawObject(object, lastBound);
}

void C3DSMesh::RenderObject(uint32_t index) {
  if (index >= objects.size()) return;
  DrawObject(objects[index], nullptr);
}
