// Shared pieces of the scene generator: small vector maths, a mesh maker
// with the shapes the scenes are modelled from, the scene writers and the
// material textures they name.
//
// Meshes are drawn with per-face normals: every point takes the normal of
// the last face (in file order) that uses it. Smooth surfaces therefore share
// their points between neighbouring faces (each point then carries the normal
// of one of its faces, close enough for smooth shading and sphere mapping),
// and hard edges get points of their own on each side.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "content/scene_builder.h"

namespace content {

// Vector arithmetic on the builder's points (in its namespace, so that it is
// found wherever the points are used).
inline SceneVec3 operator+(SceneVec3 a, SceneVec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline SceneVec3 operator-(SceneVec3 a, SceneVec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline SceneVec3 operator-(SceneVec3 a) { return {-a.x, -a.y, -a.z}; }
inline SceneVec3 operator*(SceneVec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline SceneVec3 operator*(float s, SceneVec3 a) { return a * s; }

namespace scenes {

using V3 = SceneVec3;

inline float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Length(V3 a);
// Unit length; a zero vector stays zero.
V3 Normalized(V3 a);
V3 Lerp3(V3 a, V3 b, float t);

constexpr float kPi = 3.14159265358979f;
constexpr float kTwoPi = 2.0f * kPi;
float Radians(float degrees);

// An affine map p -> M p + t, M a 3 by 3 matrix stored by rows.
struct Xform {
  float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  V3 t;

  V3 Apply(V3 p) const;
  V3 ApplyDirection(V3 d) const;
  // This map after `first`: (a * b)(p) = a(b(p)).
  Xform operator*(const Xform& first) const;

  static Xform Translate(V3 offset);
  // `degrees` about `axis`, counter-clockwise when the axis points at the
  // viewer.
  static Xform Rotate(V3 axis, float degrees);
  static Xform Scale(V3 factors);
  static Xform Uniform(float factor) { return Scale({factor, factor, factor}); }
};

// Collects the points, texels and faces of one object, all of one material.
class MeshMaker {
 public:
  MeshMaker(std::string name, std::string material);

  const std::string& name() const { return name_; }
  size_t PointCount() const { return points_.size(); }
  size_t TriangleCount() const { return faces_.size(); }
  // More than 65535 points were asked for: the mesh cannot be stored.
  bool overflowed() const { return overflow_; }

  uint16_t Point(V3 p, float u, float v);
  // A triangle counter-clockwise seen from its front. Triangles without area
  // are left out (their normal would have no direction).
  void Triangle(uint16_t a, uint16_t b, uint16_t c);
  // a, b, c, d counter-clockwise seen from the front.
  void Quad(uint16_t a, uint16_t b, uint16_t c, uint16_t d);
  // A flat polygon (convex, counter-clockwise from its front) with points of
  // its own, so that its edges stay hard.
  void FlatPolygon(const std::vector<V3>& corners, const std::vector<float>& us,
                   const std::vector<float>& vs);

  // A surface sampled on an (nu + 1) by (nv + 1) lattice of shared points:
  // at(s, t) for s, t from 0 to 1, texel (u0 + s * uScale, v0 + t * vScale).
  // Its front is the side that d(at)/ds x d(at)/dt points to; `inward` turns
  // it round.
  void Grid(int nu, int nv, const std::function<V3(float s, float t)>& at, float uScale,
            float vScale, bool inward = false, float u0 = 0.0f, float v0 = 0.0f);
  // The same surface with points of their own for every cell: flat facets.
  void FacetGrid(int nu, int nv, const std::function<V3(float s, float t)>& at, float uScale,
                 float vScale, bool inward = false);

  // Adds another maker's points and faces, mapped through `xf`.
  void Append(const MeshMaker& other, const Xform& xf = Xform{});
  // Maps every point.
  void Transform(const Xform& xf);
  // Replaces the texels of the points from index `from` on by map(point):
  // a projection where the surface's own parameters would pinch.
  void Retexture(size_t from, const std::function<SceneTexel(V3)>& map);

  SceneMesh Take() const;

 private:
  std::string name_;
  std::string material_;
  std::vector<V3> points_;
  std::vector<SceneTexel> texels_;
  std::vector<SceneFace> faces_;
  bool overflow_ = false;
};

// ------------------------------------------------------------- shapes ---
// All shapes add to a maker; their fronts face outwards unless `inward`.

// A surface of revolution about +Z: `profile` holds (radius, height) pairs
// from the bottom up. u runs round (uRepeat times), v along the profile by
// its length (vRepeat times over the whole profile). `hard` gives every face
// points of its own (flat facets, for square or faceted turnings).
struct ProfilePoint {
  float r;
  float z;
};
void Lathe(MeshMaker& mesh, const std::vector<ProfilePoint>& profile, int segments, const Xform& xf,
           float uRepeat = 1.0f, float vRepeat = 1.0f, bool inward = false, bool hard = false);

// A tube along a polyline with radius(s) for s from 0 to 1 along its length,
// `sides` round; frames are carried along without twisting. u runs round,
// v along (vPerUnit texture repeats per unit of length). Caps close the
// chosen ends where their radius is not zero.
enum class Caps { kNone, kEnd, kBoth };
void Tube(MeshMaker& mesh, const std::vector<V3>& path, const std::function<float(float)>& radius,
          int sides, float vPerUnit, Caps caps = Caps::kBoth);

// An ellipsoid about `centre` with the given radii, displaced along its
// normal by bump(s, t) (s round, t from the lower pole up) times the radii.
void Ellipsoid(MeshMaker& mesh, V3 centre, V3 radii, int nu, int nv, const Xform& xf,
               const std::function<float(float s, float t)>& bump = nullptr, float uRepeat = 1.0f,
               float vRepeat = 1.0f);

// A torus about +Z: ring radius `major`, tube radius `minor`.
void Torus(MeshMaker& mesh, float major, float minor, int nu, int nv, const Xform& xf,
           float uRepeat = 1.0f, float vRepeat = 1.0f);

// A box with flat sides; each side's texels span `texelsPerUnit` per unit.
void Box(MeshMaker& mesh, V3 low, V3 high, const Xform& xf, float texelsPerUnit);

// A prism: the simple polygon `outline` (x, y pairs, any turning sense) in the
// plane z = 0, extruded from z = z0 to z = z1, both ends capped; each cap is
// bevelled inwards by `bevel` units over `bevel` of height.
struct Flat {
  float x;
  float y;
};
void Prism(MeshMaker& mesh, const std::vector<Flat>& outline, float z0, float z1, float bevel,
           const Xform& xf, float texelsPerUnit);

// Ear-clipping triangulation of a simple polygon: index triples.
std::vector<int> Triangulate(const std::vector<Flat>& polygon);

// Points along a Catmull-Rom curve through `knots`, `perSpan` per span.
std::vector<V3> Spline(const std::vector<V3>& knots, int perSpan);

// A deterministic generator for the scenes' variations.
class Dice {
 public:
  explicit Dice(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
  uint32_t Next();
  float Uniform();                  // [0, 1)
  float Range(float lo, float hi);  // [lo, hi)

 private:
  uint32_t state_;
};

// ------------------------------------------------------------ writers ---

// Everything one scene file needs written: the builder and the textures its
// materials name.
struct SceneOut {
  SceneBuilder builder;
  std::vector<std::string> textures;
  std::string error;  // the first problem met while modelling
  size_t triangles = 0;

  // Adds a finished mesh (recording overflow) and a keyframer node for it.
  SceneNodeId AddObject(const MeshMaker& mesh, SceneVec3 pivot = {});
  // A mesh whose points are kept round `centre`: the node carries the
  // motion, so rotation keys turn it about that centre.
  SceneNodeId AddMovingObject(const MeshMaker& mesh, V3 centre);
  void AddTexturedMaterial(const std::string& name, const std::string& texture,
                           const std::string& reflection = "", SceneVec3 diffuse = {1, 1, 1});
  void AddLight(const std::string& name, V3 position, V3 colour, float multiplier = 1.0f);
};

// The scenes, one function each, written by WriteScenes.
void BuildSphere(SceneOut& out);      // nsphere.3ds
void BuildShell(SceneOut& out);       // object_03.3ds
void BuildLighthouse(SceneOut& out);  // anim_02.3ds
void BuildCableYard(SceneOut& out);   // anim_03.3ds
void BuildDrone(SceneOut& out);       // object_01.3ds
void BuildCrab(SceneOut& out);        // krab.3ds
void BuildTunnel(SceneOut& out);      // tunel_0.3ds
void BuildTree(SceneOut& out);        // strom.3ds
void BuildCone(SceneOut& out);        // cone.3ds
void BuildWheel(SceneOut& out);       // object_04.3ds
void BuildEngine(SceneOut& out);      // anim_05.3ds
void BuildKnight(SceneOut& out);      // igra.3ds

// Keyframe rates and frame counts of the keyframed scenes: each loop lasts
// most of the scene that plays it.
constexpr int kLighthouseFrames = 60;  // 5 fps, 12 s of a 12.3 s scene
constexpr int kCableYardFrames = 160;  // 10 fps, 16 s of a 17 s scene
constexpr int kTunnelFrames = 120;     // 3 fps, 40 s of a 41 s scene
constexpr int kEngineFrames = 225;     // 10 fps, 22.5 s of a 23.28 s scene

// Writes the material texture `name` (a file name such as "sc_hull.jpg")
// into `path`. "" on success; an unknown name or a failed write is reported.
std::string WriteMaterialTexture(const std::string& name, const std::string& path);

}  // namespace scenes
}  // namespace content
