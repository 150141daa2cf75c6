#include "content/scene_builder.h"

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <set>

namespace content {
namespace {

// Names live in char[64] fields of lib3ds, the keyframer header's in 13.
constexpr size_t kMaxName = 63;

struct Quat {
  double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
};

// The usual rotation of `degrees` about `axis` (counter-clockwise looking
// down the axis towards the origin). A zero axis gives no rotation.
Quat FromAxisAngle(SceneVec3 axis, float degrees) {
  const double length =
      std::sqrt(double(axis.x) * axis.x + double(axis.y) * axis.y + double(axis.z) * axis.z);
  if (length < 1e-12) return Quat{};
  const double half = 0.5 * double(degrees) * (3.14159265358979323846 / 180.0);
  const double s = std::sin(half) / length;
  return Quat{axis.x * s, axis.y * s, axis.z * s, std::cos(half)};
}

Quat Multiply(const Quat& a, const Quat& b) {
  return Quat{
      a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
      a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Quat Conjugate(const Quat& q) { return Quat{-q.x, -q.y, -q.z, q.w}; }

// lib3ds keeps a rotation track as steps: key k turns by its own axis and
// angle on top of key k-1 (in world axes), and its angle turns clockwise
// where the usual convention turns counter-clockwise. This writes the step
// that leads from `previous` to `current` by the short way round.
void StoreStep(const Quat& previous, const Quat& current, Lib3dsQuatKey* key) {
  Quat step = Multiply(current, Conjugate(previous));
  if (step.w < 0.0) step = Quat{-step.x, -step.y, -step.z, -step.w};
  const double w = step.w > 1.0 ? 1.0 : step.w;
  const double sine = std::sqrt(step.x * step.x + step.y * step.y + step.z * step.z);
  if (sine < 1e-9) {
    key->axis[0] = 0.0f;
    key->axis[1] = 0.0f;
    key->axis[2] = 1.0f;
    key->angle = 0.0f;
    return;
  }
  key->axis[0] = float(step.x / sine);
  key->axis[1] = float(step.y / sine);
  key->axis[2] = float(step.z / sine);
  key->angle = float(-2.0 * std::atan2(sine, w));
}

void CopyName(char* field, const std::string& name) {
  std::memset(field, 0, kMaxName + 1);
  std::memcpy(field, name.data(), name.size());
}

void SetRgb(float* rgb, SceneVec3 colour) {
  rgb[0] = colour.x;
  rgb[1] = colour.y;
  rgb[2] = colour.z;
}

void SetVector(float* v, SceneVec3 value) {
  v[0] = value.x;
  v[1] = value.y;
  v[2] = value.z;
}

// Key maps with the frame-0 rule applied: a track that starts later repeats
// its first value at frame 0.
template <typename T>
std::map<int32_t, T> FromFrameZero(const std::map<int32_t, T>& keys) {
  std::map<int32_t, T> result = keys;
  if (!result.empty() && result.begin()->first > 0) result[0] = result.begin()->second;
  return result;
}

void WriteLin3(Lib3dsLin3Track* track, const std::map<int32_t, SceneVec3>& keys) {
  for (const auto& [frame, value] : FromFrameZero(keys)) {
    Lib3dsLin3Key* key = lib3ds_lin3_key_new();
    key->tcb.frame = frame;
    SetVector(key->value, value);
    lib3ds_lin3_track_insert(track, key);
  }
}

void WriteLin1(Lib3dsLin1Track* track, const std::map<int32_t, float>& keys) {
  for (const auto& [frame, value] : FromFrameZero(keys)) {
    Lib3dsLin1Key* key = lib3ds_lin1_key_new();
    key->tcb.frame = frame;
    key->value = value;
    lib3ds_lin1_track_insert(track, key);
  }
}

struct FileDeleter {
  void operator()(Lib3dsFile* file) const { lib3ds_file_free(file); }
};

}  // namespace

SceneMesh MakeBox(const std::string& name, SceneVec3 center, SceneVec3 size,
                  const std::string& material) {
  SceneMesh mesh;
  mesh.name = name;
  const float hx = size.x * 0.5f, hy = size.y * 0.5f, hz = size.z * 0.5f;
  // Each side: its outward axis and two axes spanning it, so that
  // (u axis) x (v axis) = outward and the corners run counter-clockwise.
  struct Side {
    SceneVec3 normal, u, v;
  };
  const Side sides[6] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
      {{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
      {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}},
  };
  const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const Side& side : sides) {
    const uint16_t base = uint16_t(mesh.points.size());
    for (const auto& corner : corners) {
      const float px = side.normal.x + side.u.x * corner[0] + side.v.x * corner[1];
      const float py = side.normal.y + side.u.y * corner[0] + side.v.y * corner[1];
      const float pz = side.normal.z + side.u.z * corner[0] + side.v.z * corner[1];
      mesh.points.push_back({center.x + px * hx, center.y + py * hy, center.z + pz * hz});
      mesh.texels.push_back({(corner[0] + 1.0f) * 0.5f, (corner[1] + 1.0f) * 0.5f});
    }
    mesh.faces.push_back({base, uint16_t(base + 1), uint16_t(base + 2), material});
    mesh.faces.push_back({base, uint16_t(base + 2), uint16_t(base + 3), material});
  }
  return mesh;
}

SceneMesh MakeQuad(const std::string& name, float x0, float y0, float x1, float y1, float z,
                   const std::string& material) {
  SceneMesh mesh;
  mesh.name = name;
  mesh.points = {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
  mesh.texels = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  mesh.faces = {{0, 1, 2, material}, {0, 2, 3, material}};
  return mesh;
}

SceneNodeId SceneBuilder::AddNode(Kind kind, const std::string& name, SceneNodeId parent,
                                  SceneVec3 pivot) {
  Node node;
  node.kind = kind;
  node.name = name;
  node.parent = parent;
  node.pivot = pivot;
  nodes_.push_back(node);
  return SceneNodeId(nodes_.size() - 1);
}

SceneNodeId SceneBuilder::AddObjectNode(const std::string& meshName, SceneNodeId parent,
                                        SceneVec3 pivot) {
  return AddNode(Kind::kObject, meshName, parent, pivot);
}

SceneNodeId SceneBuilder::AddCameraNode(const std::string& cameraName) {
  return AddNode(Kind::kCamera, cameraName, kSceneRoot, {});
}

SceneNodeId SceneBuilder::AddTargetNode(const std::string& cameraName) {
  return AddNode(Kind::kTarget, cameraName, kSceneRoot, {});
}

SceneNodeId SceneBuilder::AddLightNode(const std::string& lightName) {
  return AddNode(Kind::kLight, lightName, kSceneRoot, {});
}

SceneBuilder::Node* SceneBuilder::Find(SceneNodeId node) {
  if (node >= nodes_.size()) {
    if (deferredError_.empty())
      deferredError_ = "key for node " + std::to_string(node) + " which does not exist";
    return nullptr;
  }
  return &nodes_[node];
}

void SceneBuilder::AddPositionKey(SceneNodeId node, int32_t frame, SceneVec3 position) {
  if (Node* n = Find(node)) n->position[frame] = position;
}

void SceneBuilder::AddRotationKey(SceneNodeId node, int32_t frame, SceneVec3 axis, float degrees) {
  if (Node* n = Find(node)) n->rotation[frame] = Rotation{axis, degrees};
}

void SceneBuilder::AddScaleKey(SceneNodeId node, int32_t frame, SceneVec3 scale) {
  if (Node* n = Find(node)) n->scale[frame] = scale;
}

void SceneBuilder::AddFovKey(SceneNodeId node, int32_t frame, float degrees) {
  if (Node* n = Find(node)) n->fov[frame] = degrees;
}

void SceneBuilder::AddRollKey(SceneNodeId node, int32_t frame, float degrees) {
  if (Node* n = Find(node)) n->roll[frame] = degrees;
}

bool SceneBuilder::Save(const std::string& path, std::string* error) const {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  auto fail = [error](const std::string& why) {
    *error = why;
    return false;
  };
  if (!deferredError_.empty()) return fail(deferredError_);
  if (frames_ < 0) return fail("negative frame count");

  // Everything is checked before anything is built, so that lib3ds is only
  // ever handed a consistent scene.
  auto nameFits = [](const std::string& name) { return name.size() <= kMaxName; };
  for (const SceneMaterial& m : materials_) {
    if (!nameFits(m.name) || !nameFits(m.textureMap) || !nameFits(m.reflectionMap))
      return fail("material name or map name too long: " + m.name);
  }
  for (const SceneMesh& mesh : meshes_) {
    if (!nameFits(mesh.name)) return fail("mesh name too long: " + mesh.name);
    if (mesh.points.size() > 65535 || mesh.faces.size() > 65535)
      return fail("mesh " + mesh.name + " has more than 65535 points or faces");
    if (!mesh.texels.empty() && mesh.texels.size() != mesh.points.size())
      return fail("mesh " + mesh.name + " needs one texel per point");
    for (const SceneFace& face : mesh.faces) {
      if (face.a >= mesh.points.size() || face.b >= mesh.points.size() ||
          face.c >= mesh.points.size())
        return fail("mesh " + mesh.name + " has a face index past its points");
      if (!nameFits(face.material)) return fail("face material name too long");
    }
  }
  for (const SceneLight& light : lights_) {
    if (!nameFits(light.name)) return fail("light name too long: " + light.name);
  }
  for (const SceneCamera& camera : cameras_) {
    if (!nameFits(camera.name)) return fail("camera name too long: " + camera.name);
  }
  if (nodes_.size() >= kSceneRoot) return fail("too many nodes");
  for (const Node& node : nodes_) {
    if (!nameFits(node.name)) return fail("node name too long: " + node.name);
    if (node.parent != kSceneRoot && node.parent >= nodes_.size())
      return fail("node " + node.name + " has a parent that does not exist");
    auto negative = [](const auto& keys) { return !keys.empty() && keys.begin()->first < 0; };
    if (negative(node.position) || negative(node.rotation) || negative(node.scale) ||
        negative(node.fov) || negative(node.roll))
      return fail("node " + node.name + " has a key before frame 0");
  }
  // Parents are checked for cycles: lib3ds would recurse on them for ever.
  for (size_t i = 0; i < nodes_.size(); ++i) {
    size_t steps = 0;
    for (SceneNodeId p = nodes_[i].parent; p != kSceneRoot; p = nodes_[p].parent) {
      if (++steps > nodes_.size()) return fail("node " + nodes_[i].name + " is its own ancestor");
    }
  }

  std::unique_ptr<Lib3dsFile, FileDeleter> file(lib3ds_file_new());
  if (!file) return fail("out of memory");
  file->frames = frames_;
  file->segment_from = 0;
  file->segment_to = frames_;

  for (const SceneMaterial& m : materials_) {
    Lib3dsMaterial* material = lib3ds_material_new();
    CopyName(material->name, m.name);
    SetRgb(material->ambient, m.ambient);
    SetRgb(material->diffuse, m.diffuse);
    SetRgb(material->specular, m.specular);
    material->ambient[3] = material->diffuse[3] = material->specular[3] = 1.0f;
    material->two_sided = m.twoSided ? LIB3DS_TRUE : LIB3DS_FALSE;
    CopyName(material->texture1_map.name, m.textureMap);
    material->texture1_map.percent = 1.0f;
    CopyName(material->reflection_map.name, m.reflectionMap);
    material->reflection_map.percent = 1.0f;
    lib3ds_file_insert_material(file.get(), material);
  }

  for (const SceneMesh& m : meshes_) {
    Lib3dsMesh* mesh = lib3ds_mesh_new(m.name.c_str());
    lib3ds_file_insert_mesh(file.get(), mesh);  // owned by the file from here on
    for (int column = 0; column < 4; ++column)
      for (int row = 0; row < 4; ++row) mesh->matrix[column][row] = m.matrix[column * 4 + row];
    if (!m.points.empty()) {
      lib3ds_mesh_new_point_list(mesh, Lib3dsDword(m.points.size()));
      for (size_t i = 0; i < m.points.size(); ++i) SetVector(mesh->pointL[i].pos, m.points[i]);
    }
    if (!m.texels.empty()) {
      lib3ds_mesh_new_texel_list(mesh, Lib3dsDword(m.texels.size()));
      for (size_t i = 0; i < m.texels.size(); ++i) {
        mesh->texelL[i][0] = m.texels[i].u;
        mesh->texelL[i][1] = m.texels[i].v;
      }
    }
    if (!m.faces.empty()) {
      lib3ds_mesh_new_face_list(mesh, Lib3dsDword(m.faces.size()));
      for (size_t i = 0; i < m.faces.size(); ++i) {
        Lib3dsFace& face = mesh->faceL[i];
        face.points[0] = m.faces[i].a;
        face.points[1] = m.faces[i].b;
        face.points[2] = m.faces[i].c;
        face.flags = 0x7;  // all three edges visible
        face.smoothing = 1;
        CopyName(face.material, m.faces[i].material);
      }
    }
  }

  for (const SceneLight& l : lights_) {
    Lib3dsLight* light = lib3ds_light_new(l.name.c_str());
    SetRgb(light->color, l.color);
    SetVector(light->position, l.position);
    light->multiplier = l.multiplier;
    lib3ds_file_insert_light(file.get(), light);
  }

  for (const SceneCamera& c : cameras_) {
    Lib3dsCamera* camera = lib3ds_camera_new(c.name.c_str());
    SetVector(camera->position, c.position);
    SetVector(camera->target, c.target);
    camera->fov = c.fov;
    camera->roll = c.roll;
    camera->near_range = c.nearRange;
    camera->far_range = c.farRange;
    lib3ds_file_insert_camera(file.get(), camera);
  }

  auto findCamera = [this](const std::string& name) -> const SceneCamera* {
    for (const SceneCamera& c : cameras_)
      if (c.name == name) return &c;
    return nullptr;
  };
  auto findLight = [this](const std::string& name) -> const SceneLight* {
    for (const SceneLight& l : lights_)
      if (l.name == name) return &l;
    return nullptr;
  };

  for (size_t id = 0; id < nodes_.size(); ++id) {
    const Node& n = nodes_[id];
    Lib3dsNode* node = nullptr;
    switch (n.kind) {
      case Kind::kObject: {
        node = lib3ds_node_new_object();
        Lib3dsObjectData& data = node->data.object;
        SetVector(data.pivot, n.pivot);
        WriteLin3(&data.pos_track, n.position);
        WriteLin3(&data.scl_track, n.scale);
        Quat previous;
        for (const auto& [frame, rotation] : FromFrameZero(n.rotation)) {
          const Quat current = FromAxisAngle(rotation.axis, rotation.degrees);
          Lib3dsQuatKey* key = lib3ds_quat_key_new();
          key->tcb.frame = frame;
          StoreStep(previous, current, key);
          lib3ds_quat_track_insert(&data.rot_track, key);
          previous = current;
        }
        break;
      }
      case Kind::kCamera: {
        node = lib3ds_node_new_camera();
        Lib3dsCameraData& data = node->data.camera;
        const SceneCamera* camera = findCamera(n.name);
        auto position = n.position;
        auto fov = n.fov;
        auto roll = n.roll;
        if (camera != nullptr) {
          if (position.empty()) position[0] = camera->position;
          if (fov.empty()) fov[0] = camera->fov;
          if (roll.empty()) roll[0] = camera->roll;
        }
        WriteLin3(&data.pos_track, position);
        WriteLin1(&data.fov_track, fov);
        WriteLin1(&data.roll_track, roll);
        break;
      }
      case Kind::kTarget: {
        node = lib3ds_node_new_target();
        const SceneCamera* camera = findCamera(n.name);
        auto position = n.position;
        if (camera != nullptr && position.empty()) position[0] = camera->target;
        WriteLin3(&node->data.target.pos_track, position);
        break;
      }
      case Kind::kLight: {
        node = lib3ds_node_new_light();
        const SceneLight* light = findLight(n.name);
        auto position = n.position;
        if (light != nullptr && position.empty()) position[0] = light->position;
        WriteLin3(&node->data.light.pos_track, position);
        if (light != nullptr) {
          Lib3dsLin3Key* key = lib3ds_lin3_key_new();
          key->tcb.frame = 0;
          SetRgb(key->value, light->color);
          lib3ds_lin3_track_insert(&node->data.light.col_track, key);
        }
        break;
      }
    }
    CopyName(node->name, n.name);
    node->node_id = Lib3dsWord(id);
    node->parent_id = n.parent;
    lib3ds_file_insert_node(file.get(), node);
  }

  if (!lib3ds_file_save(file.get(), path.c_str())) return fail("cannot write " + path);
  return true;
}

}  // namespace content
