// Writes 3DS scene files through lib3ds's own writer.
//
// A scene is described in memory - meshes from point, texel and face lists,
// materials with a texture map and a reflection map, omni lights, cameras
// with their targets, and keyframer nodes with position, rotation, scale,
// field-of-view and roll keys - and saved as a .3ds file that lib3ds reads
// back exactly. The builder takes care of the traps of the writer: every node
// gets a unique id and a real parent, every track starts at frame 0, new
// lights get a colour and a multiplier, and rotation keys are given as
// absolute orientations (the file stores each one relative to the previous
// key, turning the other way round).
//
// Conventions of the scenes: 3DS space has +Z up; cameras look from their
// position to their target; fov and roll are in degrees; frames are whole
// keyframer frames from 0.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace content {

struct SceneVec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

struct SceneTexel {
  float u = 0.0f;
  float v = 0.0f;
};

// One triangle: three indices into the mesh's points, counter-clockwise seen
// from the front, and the name of its material ("" for none).
struct SceneFace {
  uint16_t a = 0;
  uint16_t b = 0;
  uint16_t c = 0;
  std::string material;
};

// Colours are 0..1; the file stores them as bytes (0.5 reads back 0.50196).
struct SceneMaterial {
  std::string name;
  SceneVec3 ambient{0.2f, 0.2f, 0.2f};
  SceneVec3 diffuse{0.8f, 0.8f, 0.8f};
  SceneVec3 specular{0.0f, 0.0f, 0.0f};
  std::string textureMap;     // file name of texture map 1, "" for none
  std::string reflectionMap;  // file name of the reflection map, "" for none
  bool twoSided = false;
};

struct SceneMesh {
  std::string name;
  std::vector<SceneVec3> points;   // in world space, as 3DS stores them
  std::vector<SceneTexel> texels;  // none, or exactly one per point
  std::vector<SceneFace> faces;
  // The object's transform when it was modelled, column-major (m[column * 4 +
  // row]); keyframed drawing undoes it, since the points are in world space.
  std::array<float, 16> matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct SceneLight {
  std::string name;
  SceneVec3 position;
  SceneVec3 color{1.0f, 1.0f, 1.0f};
  float multiplier = 1.0f;
};

struct SceneCamera {
  std::string name;
  SceneVec3 position;
  SceneVec3 target{0.0f, 1.0f, 0.0f};
  float fov = 45.0f;  // degrees
  float roll = 0.0f;  // degrees
  float nearRange = 0.0f;
  float farRange = 1000.0f;
};

// Node ids are handed out by the builder, 0 upwards in the order of adding.
using SceneNodeId = uint16_t;
constexpr SceneNodeId kSceneRoot = 65535;  // "no parent"

// A box of 24 points (four per side, so each side has its own texels running
// 0..1) and 12 faces facing outwards, all of one material.
SceneMesh MakeBox(const std::string& name, SceneVec3 center, SceneVec3 size,
                  const std::string& material);
// A rectangle in the plane z = `z`, facing +Z, from (x0, y0) to (x1, y1),
// with texels 0..1 across it (u along x, v along y).
SceneMesh MakeQuad(const std::string& name, float x0, float y0, float x1, float y1, float z,
                   const std::string& material);

class SceneBuilder {
 public:
  // The keyframer's frame count (100 when never set).
  void SetFrames(int32_t frames) { frames_ = frames; }

  void AddMaterial(const SceneMaterial& material) { materials_.push_back(material); }
  void AddMesh(const SceneMesh& mesh) { meshes_.push_back(mesh); }
  void AddLight(const SceneLight& light) { lights_.push_back(light); }
  void AddCamera(const SceneCamera& camera) { cameras_.push_back(camera); }

  // Keyframer nodes. An object node draws the mesh of its name; a name without
  // a mesh makes a dummy, which only passes its motion on to its children.
  // Camera and target nodes carry the name of their camera, light nodes that
  // of their light. A node without keys on a track keeps the static value:
  // the camera's position, fov and roll, its target, the light's position,
  // for objects the origin, no rotation and scale 1.
  SceneNodeId AddObjectNode(const std::string& meshName, SceneNodeId parent = kSceneRoot,
                            SceneVec3 pivot = {});
  SceneNodeId AddCameraNode(const std::string& cameraName);
  SceneNodeId AddTargetNode(const std::string& cameraName);
  SceneNodeId AddLightNode(const std::string& lightName);

  // Keys; a second key on the same frame of a track replaces the first. A
  // track whose first key lies after frame 0 gets that key's value at frame 0
  // too. Two keys interpolate linearly, three or more along a TCB spline.
  void AddPositionKey(SceneNodeId node, int32_t frame, SceneVec3 position);
  // The node's absolute orientation at that frame: `degrees` about `axis`,
  // counter-clockwise when the axis points at the viewer.
  void AddRotationKey(SceneNodeId node, int32_t frame, SceneVec3 axis, float degrees);
  void AddScaleKey(SceneNodeId node, int32_t frame, SceneVec3 scale);
  void AddFovKey(SceneNodeId node, int32_t frame, float degrees);   // camera nodes
  void AddRollKey(SceneNodeId node, int32_t frame, float degrees);  // camera nodes

  // Writes the scene. False, with the reason, when the description is
  // inconsistent (a face index past the points, texels not one per point, a
  // node key on a missing node or a negative frame, a parent that does not
  // exist, a name too long for the file) or the file cannot be written.
  bool Save(const std::string& path, std::string* error) const;

 private:
  enum class Kind { kObject, kCamera, kTarget, kLight };
  struct Rotation {
    SceneVec3 axis;
    float degrees = 0.0f;
  };
  struct Node {
    Kind kind = Kind::kObject;
    std::string name;
    SceneNodeId parent = kSceneRoot;
    SceneVec3 pivot;
    std::map<int32_t, SceneVec3> position;
    std::map<int32_t, Rotation> rotation;
    std::map<int32_t, SceneVec3> scale;
    std::map<int32_t, float> fov;
    std::map<int32_t, float> roll;
  };

  SceneNodeId AddNode(Kind kind, const std::string& name, SceneNodeId parent, SceneVec3 pivot);
  Node* Find(SceneNodeId node);

  int32_t frames_ = 100;
  std::vector<SceneMaterial> materials_;
  std::vector<SceneMesh> meshes_;
  std::vector<SceneLight> lights_;
  std::vector<SceneCamera> cameras_;
  std::vector<Node> nodes_;
  std::string deferredError_;  // first misuse of a key call, reported by Save
};

}  // namespace content
