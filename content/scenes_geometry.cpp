// Vector maths, the mesh maker and the shapes the scenes are modelled from.
#include <algorithm>
#include <cmath>
#include <utility>

#include "content/scenes_internal.h"

namespace content {
namespace scenes {

float Length(V3 a) { return std::sqrt(Dot(a, a)); }

V3 Normalized(V3 a) {
  const float length = Length(a);
  return length > 1e-12f ? a * (1.0f / length) : V3{};
}

V3 Lerp3(V3 a, V3 b, float t) { return a + (b - a) * t; }

float Radians(float degrees) { return degrees * (kPi / 180.0f); }

// ------------------------------------------------------------- Xform ---

V3 Xform::Apply(V3 p) const { return ApplyDirection(p) + t; }

V3 Xform::ApplyDirection(V3 d) const {
  return {m[0] * d.x + m[1] * d.y + m[2] * d.z, m[3] * d.x + m[4] * d.y + m[5] * d.z,
          m[6] * d.x + m[7] * d.y + m[8] * d.z};
}

Xform Xform::operator*(const Xform& first) const {
  Xform out;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      out.m[row * 3 + column] = m[row * 3] * first.m[column] +
                                m[row * 3 + 1] * first.m[3 + column] +
                                m[row * 3 + 2] * first.m[6 + column];
    }
  }
  out.t = Apply(first.t);
  return out;
}

Xform Xform::Translate(V3 offset) {
  Xform out;
  out.t = offset;
  return out;
}

Xform Xform::Rotate(V3 axis, float degrees) {
  const V3 n = Normalized(axis);
  const float a = Radians(degrees);
  const float c = std::cos(a), s = std::sin(a), k = 1.0f - c;
  Xform out;
  out.m[0] = c + n.x * n.x * k;
  out.m[1] = n.x * n.y * k - n.z * s;
  out.m[2] = n.x * n.z * k + n.y * s;
  out.m[3] = n.y * n.x * k + n.z * s;
  out.m[4] = c + n.y * n.y * k;
  out.m[5] = n.y * n.z * k - n.x * s;
  out.m[6] = n.z * n.x * k - n.y * s;
  out.m[7] = n.z * n.y * k + n.x * s;
  out.m[8] = c + n.z * n.z * k;
  return out;
}

Xform Xform::Scale(V3 factors) {
  Xform out;
  out.m[0] = factors.x;
  out.m[4] = factors.y;
  out.m[8] = factors.z;
  return out;
}

namespace {

// A map with a negative determinant mirrors, and turns every face's winding
// round with it.
bool Mirrors(const Xform& xf) {
  const float* m = xf.m;
  const float det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                    m[2] * (m[3] * m[7] - m[4] * m[6]);
  return det < 0.0f;
}

}  // namespace

// --------------------------------------------------------- MeshMaker ---

MeshMaker::MeshMaker(std::string name, std::string material)
    : name_(std::move(name)), material_(std::move(material)) {}

uint16_t MeshMaker::Point(V3 p, float u, float v) {
  if (points_.size() >= 65535) {
    overflow_ = true;
    return 0;
  }
  points_.push_back(p);
  texels_.push_back({u, v});
  return uint16_t(points_.size() - 1);
}

void MeshMaker::Triangle(uint16_t a, uint16_t b, uint16_t c) {
  if (overflow_) return;
  const V3 n = Cross(points_[b] - points_[a], points_[c] - points_[a]);
  const float scale =
      std::max({Length(points_[b] - points_[a]), Length(points_[c] - points_[a]), 1e-6f});
  if (Length(n) < 1e-6f * scale * scale) return;
  faces_.push_back({a, b, c, material_});
}

void MeshMaker::Quad(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  Triangle(a, b, c);
  Triangle(a, c, d);
}

void MeshMaker::FlatPolygon(const std::vector<V3>& corners, const std::vector<float>& us,
                            const std::vector<float>& vs) {
  std::vector<uint16_t> ids;
  for (size_t i = 0; i < corners.size(); ++i) ids.push_back(Point(corners[i], us[i], vs[i]));
  for (size_t i = 1; i + 1 < ids.size(); ++i) Triangle(ids[0], ids[i], ids[i + 1]);
}

void MeshMaker::Grid(int nu, int nv, const std::function<V3(float, float)>& at, float uScale,
                     float vScale, bool inward, float u0, float v0) {
  const uint16_t base = uint16_t(points_.size());
  for (int j = 0; j <= nv; ++j) {
    for (int i = 0; i <= nu; ++i) {
      const float s = float(i) / float(nu), t = float(j) / float(nv);
      Point(at(s, t), u0 + s * uScale, v0 + t * vScale);
    }
  }
  const int row = nu + 1;
  for (int j = 0; j < nv; ++j) {
    for (int i = 0; i < nu; ++i) {
      const uint16_t p00 = uint16_t(base + j * row + i), p10 = uint16_t(p00 + 1);
      const uint16_t p01 = uint16_t(p00 + row), p11 = uint16_t(p01 + 1);
      if (inward) {
        Quad(p00, p01, p11, p10);
      } else {
        Quad(p00, p10, p11, p01);
      }
    }
  }
}

void MeshMaker::FacetGrid(int nu, int nv, const std::function<V3(float, float)>& at, float uScale,
                          float vScale, bool inward) {
  for (int j = 0; j < nv; ++j) {
    for (int i = 0; i < nu; ++i) {
      const float s0 = float(i) / float(nu), s1 = float(i + 1) / float(nu);
      const float t0 = float(j) / float(nv), t1 = float(j + 1) / float(nv);
      const uint16_t p00 = Point(at(s0, t0), s0 * uScale, t0 * vScale);
      const uint16_t p10 = Point(at(s1, t0), s1 * uScale, t0 * vScale);
      const uint16_t p11 = Point(at(s1, t1), s1 * uScale, t1 * vScale);
      const uint16_t p01 = Point(at(s0, t1), s0 * uScale, t1 * vScale);
      if (inward) {
        Quad(p00, p01, p11, p10);
      } else {
        Quad(p00, p10, p11, p01);
      }
    }
  }
}

void MeshMaker::Append(const MeshMaker& other, const Xform& xf) {
  if (other.overflow_ || points_.size() + other.points_.size() > 65535) {
    overflow_ = true;
    return;
  }
  const uint16_t base = uint16_t(points_.size());
  for (size_t i = 0; i < other.points_.size(); ++i) {
    points_.push_back(xf.Apply(other.points_[i]));
    texels_.push_back(other.texels_[i]);
  }
  const bool flip = Mirrors(xf);
  for (const SceneFace& f : other.faces_) {
    SceneFace face{uint16_t(base + f.a), uint16_t(base + f.b), uint16_t(base + f.c), material_};
    if (flip) std::swap(face.b, face.c);
    faces_.push_back(face);
  }
}

void MeshMaker::Transform(const Xform& xf) {
  for (V3& p : points_) p = xf.Apply(p);
  if (Mirrors(xf)) {
    for (SceneFace& f : faces_) std::swap(f.b, f.c);
  }
}

void MeshMaker::Retexture(size_t from, const std::function<SceneTexel(V3)>& map) {
  for (size_t i = from; i < points_.size(); ++i) texels_[i] = map(points_[i]);
}

SceneMesh MeshMaker::Take() const {
  SceneMesh mesh;
  mesh.name = name_;
  mesh.points = points_;
  mesh.texels = texels_;
  mesh.faces = faces_;
  return mesh;
}

// ------------------------------------------------------------ shapes ---

void Lathe(MeshMaker& mesh, const std::vector<ProfilePoint>& profile, int segments, const Xform& xf,
           float uRepeat, float vRepeat, bool inward, bool hard) {
  // v follows the profile's length so that the texture is not stretched.
  std::vector<float> along(profile.size(), 0.0f);
  for (size_t i = 1; i < profile.size(); ++i) {
    along[i] =
        along[i - 1] + std::hypot(profile[i].r - profile[i - 1].r, profile[i].z - profile[i - 1].z);
  }
  const float total = std::max(along.back(), 1e-6f);
  const int rows = int(profile.size()) - 1;
  const bool flip = inward != Mirrors(xf);
  auto at = [&](int i, int j) {
    const float angle = float(i) / float(segments) * kTwoPi;
    return xf.Apply({profile[j].r * std::cos(angle), profile[j].r * std::sin(angle), profile[j].z});
  };
  auto u = [&](int i) { return float(i) / float(segments) * uRepeat; };
  auto v = [&](int j) { return along[j] / total * vRepeat; };
  if (hard) {
    for (int j = 0; j < rows; ++j) {
      for (int i = 0; i < segments; ++i) {
        const uint16_t p00 = mesh.Point(at(i, j), u(i), v(j));
        const uint16_t p10 = mesh.Point(at(i + 1, j), u(i + 1), v(j));
        const uint16_t p11 = mesh.Point(at(i + 1, j + 1), u(i + 1), v(j + 1));
        const uint16_t p01 = mesh.Point(at(i, j + 1), u(i), v(j + 1));
        if (flip) {
          mesh.Quad(p00, p01, p11, p10);
        } else {
          mesh.Quad(p00, p10, p11, p01);
        }
      }
    }
    return;
  }
  const uint16_t base = uint16_t(mesh.PointCount());
  for (int j = 0; j <= rows; ++j) {
    for (int i = 0; i <= segments; ++i) mesh.Point(at(i, j), u(i), v(j));
  }
  const int row = segments + 1;
  for (int j = 0; j < rows; ++j) {
    for (int i = 0; i < segments; ++i) {
      const uint16_t p00 = uint16_t(base + j * row + i), p10 = uint16_t(p00 + 1);
      const uint16_t p01 = uint16_t(p00 + row), p11 = uint16_t(p01 + 1);
      if (flip) {
        mesh.Quad(p00, p01, p11, p10);
      } else {
        mesh.Quad(p00, p10, p11, p01);
      }
    }
  }
}

void Tube(MeshMaker& mesh, const std::vector<V3>& path, const std::function<float(float)>& radius,
          int sides, float vPerUnit, Caps caps) {
  const size_t n = path.size();
  if (n < 2) return;
  std::vector<float> along(n, 0.0f);
  for (size_t i = 1; i < n; ++i) along[i] = along[i - 1] + Length(path[i] - path[i - 1]);
  const float total = std::max(along.back(), 1e-6f);

  // Tangents, and normals carried along the path without twisting.
  std::vector<V3> tangent(n), normal(n), binormal(n);
  for (size_t i = 0; i < n; ++i) {
    const V3 a = path[i == 0 ? 0 : i - 1], b = path[i + 1 < n ? i + 1 : n - 1];
    tangent[i] = Normalized(b - a);
  }
  V3 seed = std::fabs(tangent[0].z) < 0.9f ? V3{0, 0, 1} : V3{1, 0, 0};
  normal[0] = Normalized(seed - tangent[0] * Dot(seed, tangent[0]));
  for (size_t i = 1; i < n; ++i) {
    V3 carried = normal[i - 1] - tangent[i] * Dot(normal[i - 1], tangent[i]);
    if (Length(carried) < 1e-6f) carried = normal[i - 1];
    normal[i] = Normalized(carried);
  }
  for (size_t i = 0; i < n; ++i) binormal[i] = Cross(tangent[i], normal[i]);

  auto ring = [&](size_t i, float angle) {
    const float r = radius(along[i] / total);
    return path[i] + (normal[i] * std::cos(angle) + binormal[i] * std::sin(angle)) * r;
  };
  mesh.Grid(
      sides, int(n) - 1,
      [&](float s, float t) {
        const size_t i = std::min(n - 1, size_t(std::lround(t * float(n - 1))));
        return ring(i, s * kTwoPi);
      },
      1.0f, total * vPerUnit);

  for (int end = caps == Caps::kBoth ? 0 : 1; end < 2 && caps != Caps::kNone; ++end) {
    const size_t i = end == 0 ? 0 : n - 1;
    if (radius(along[i] / total) <= 0.0f) continue;
    const uint16_t centre = mesh.Point(path[i], 0.5f, 0.5f);
    std::vector<uint16_t> rim;
    for (int k = 0; k <= sides; ++k) {
      const float angle = float(k) / float(sides) * kTwoPi;
      rim.push_back(
          mesh.Point(ring(i, angle), 0.5f + 0.5f * std::cos(angle), 0.5f + 0.5f * std::sin(angle)));
    }
    for (int k = 0; k < sides; ++k) {
      if (end == 0) {
        mesh.Triangle(centre, rim[k + 1], rim[k]);
      } else {
        mesh.Triangle(centre, rim[k], rim[k + 1]);
      }
    }
  }
}

void Ellipsoid(MeshMaker& mesh, V3 centre, V3 radii, int nu, int nv, const Xform& xf,
               const std::function<float(float, float)>& bump, float uRepeat, float vRepeat) {
  const bool flip = Mirrors(xf);
  mesh.Grid(
      nu, nv,
      [&](float s, float t) {
        const float theta = s * kTwoPi, phi = (t - 0.5f) * kPi;
        const V3 n{std::cos(phi) * std::cos(theta), std::cos(phi) * std::sin(theta), std::sin(phi)};
        const float k = 1.0f + (bump ? bump(s, t) : 0.0f);
        return xf.Apply(centre + V3{n.x * radii.x, n.y * radii.y, n.z * radii.z} * k);
      },
      uRepeat, vRepeat, flip);
}

void Torus(MeshMaker& mesh, float major, float minor, int nu, int nv, const Xform& xf,
           float uRepeat, float vRepeat) {
  mesh.Grid(
      nu, nv,
      [&](float s, float t) {
        const float theta = s * kTwoPi, phi = t * kTwoPi;
        const float r = major + minor * std::cos(phi);
        return xf.Apply({r * std::cos(theta), r * std::sin(theta), minor * std::sin(phi)});
      },
      uRepeat, vRepeat, Mirrors(xf));
}

void Box(MeshMaker& mesh, V3 lo, V3 hi, const Xform& xf, float texelsPerUnit) {
  const V3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
                   {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
  // Corners of each side, counter-clockwise from outside.
  const int sides[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {2, 3, 7, 6}, {1, 2, 6, 5}, {3, 0, 4, 7}};
  const bool flip = Mirrors(xf);
  for (const auto& side : sides) {
    std::vector<V3> corners;
    std::vector<float> us, vs;
    const V3 e1 = c[side[1]] - c[side[0]], e2 = c[side[3]] - c[side[0]];
    for (int k = 0; k < 4; ++k) {
      const V3 d = c[side[k]] - c[side[0]];
      corners.push_back(xf.Apply(c[side[k]]));
      us.push_back(Dot(d, Normalized(e1)) * texelsPerUnit);
      vs.push_back(Dot(d, Normalized(e2)) * texelsPerUnit);
    }
    if (flip) {
      std::reverse(corners.begin(), corners.end());
      std::reverse(us.begin(), us.end());
      std::reverse(vs.begin(), vs.end());
    }
    mesh.FlatPolygon(corners, us, vs);
  }
}

std::vector<int> Triangulate(const std::vector<Flat>& polygon) {
  std::vector<int> out;
  const int n = int(polygon.size());
  if (n < 3) return out;
  float area = 0.0f;
  for (int i = 0; i < n; ++i) {
    const Flat& a = polygon[i];
    const Flat& b = polygon[(i + 1) % n];
    area += a.x * b.y - b.x * a.y;
  }
  std::vector<int> left(n);
  for (int i = 0; i < n; ++i) left[i] = area >= 0.0f ? i : n - 1 - i;  // counter-clockwise

  auto cross = [&](int a, int b, int c) {
    const Flat &p = polygon[a], &q = polygon[b], &r = polygon[c];
    return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
  };
  auto inside = [&](int a, int b, int c, int p) {
    return cross(a, b, p) >= 0.0f && cross(b, c, p) >= 0.0f && cross(c, a, p) >= 0.0f;
  };
  int guard = n * n;
  while (left.size() > 3 && guard-- > 0) {
    const int m = int(left.size());
    bool clipped = false;
    for (int k = 0; k < m; ++k) {
      const int a = left[(k + m - 1) % m], b = left[k], c = left[(k + 1) % m];
      if (cross(a, b, c) <= 0.0f) continue;  // reflex corner
      bool ear = true;
      for (int other : left) {
        if (other == a || other == b || other == c) continue;
        if (inside(a, b, c, other)) {
          ear = false;
          break;
        }
      }
      if (!ear) continue;
      out.insert(out.end(), {a, b, c});
      left.erase(left.begin() + k);
      clipped = true;
      break;
    }
    if (!clipped) break;  // not a simple polygon: leave the rest open
  }
  if (left.size() == 3) out.insert(out.end(), {left[0], left[1], left[2]});
  return out;
}

void Prism(MeshMaker& mesh, const std::vector<Flat>& outline, float z0, float z1, float bevel,
           const Xform& xf, float texelsPerUnit) {
  // Counter-clockwise seen from +z.
  std::vector<Flat> ring = outline;
  float area = 0.0f;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Flat& a = ring[i];
    const Flat& b = ring[(i + 1) % ring.size()];
    area += a.x * b.y - b.x * a.y;
  }
  if (area < 0.0f) std::reverse(ring.begin(), ring.end());
  const size_t n = ring.size();

  // The inset outline of the bevelled caps: each corner moved inwards along
  // the bisector of its two edges' inward normals.
  std::vector<Flat> inset(n);
  for (size_t i = 0; i < n; ++i) {
    const Flat& prev = ring[(i + n - 1) % n];
    const Flat& here = ring[i];
    const Flat& next = ring[(i + 1) % n];
    auto inwardNormal = [](Flat a, Flat b) {
      const float dx = b.x - a.x, dy = b.y - a.y, l = std::max(std::hypot(dx, dy), 1e-6f);
      return Flat{-dy / l, dx / l};
    };
    const Flat n1 = inwardNormal(prev, here), n2 = inwardNormal(here, next);
    Flat bis{n1.x + n2.x, n1.y + n2.y};
    const float dot =
        std::max(0.35f, (bis.x * n1.x + bis.y * n1.y) / std::max(std::hypot(bis.x, bis.y), 1e-6f));
    const float l = std::max(std::hypot(bis.x, bis.y), 1e-6f);
    inset[i] = {here.x + bis.x / l * bevel / dot, here.y + bis.y / l * bevel / dot};
  }

  const bool flip = Mirrors(xf);
  auto face = [&](std::vector<V3> corners, std::vector<float> us, std::vector<float> vs) {
    if (flip) {
      std::reverse(corners.begin(), corners.end());
      std::reverse(us.begin(), us.end());
      std::reverse(vs.begin(), vs.end());
    }
    for (V3& c : corners) c = xf.Apply(c);
    mesh.FlatPolygon(corners, us, vs);
  };
  const float lowSide = z0 + bevel, highSide = z1 - bevel;
  float perimeter = 0.0f;
  for (size_t i = 0; i < n; ++i) {
    const Flat& a = ring[i];
    const Flat& b = ring[(i + 1) % n];
    const Flat& ai = inset[i];
    const Flat& bi = inset[(i + 1) % n];
    const float length = std::hypot(b.x - a.x, b.y - a.y);
    const float u0 = perimeter * texelsPerUnit, u1 = (perimeter + length) * texelsPerUnit;
    perimeter += length;
    face({{a.x, a.y, lowSide}, {b.x, b.y, lowSide}, {b.x, b.y, highSide}, {a.x, a.y, highSide}},
         {u0, u1, u1, u0},
         {lowSide * texelsPerUnit, lowSide * texelsPerUnit, highSide * texelsPerUnit,
          highSide * texelsPerUnit});
    if (bevel > 0.0f) {
      const float vt = z1 * texelsPerUnit, vb = z0 * texelsPerUnit;
      face({{a.x, a.y, highSide}, {b.x, b.y, highSide}, {bi.x, bi.y, z1}, {ai.x, ai.y, z1}},
           {u0, u1, u1, u0}, {highSide * texelsPerUnit, highSide * texelsPerUnit, vt, vt});
      face({{ai.x, ai.y, z0}, {bi.x, bi.y, z0}, {b.x, b.y, lowSide}, {a.x, a.y, lowSide}},
           {u0, u1, u1, u0}, {vb, vb, lowSide * texelsPerUnit, lowSide * texelsPerUnit});
    }
  }
  // Caps, triangulated once on the outline and laid on the inset corners.
  const std::vector<int> triangles = Triangulate(ring);
  for (int cap = 0; cap < 2; ++cap) {
    const float z = cap == 0 ? z0 : z1;
    for (size_t k = 0; k + 2 < triangles.size(); k += 3) {
      int ids[3] = {triangles[k], triangles[k + 1], triangles[k + 2]};
      if (cap == 0) std::swap(ids[1], ids[2]);
      std::vector<V3> corners;
      std::vector<float> us, vs;
      for (int id : ids) {
        corners.push_back({inset[id].x, inset[id].y, z});
        us.push_back(inset[id].x * texelsPerUnit);
        vs.push_back(inset[id].y * texelsPerUnit);
      }
      face(corners, us, vs);
    }
  }
}

std::vector<V3> Spline(const std::vector<V3>& knots, int perSpan) {
  std::vector<V3> out;
  const size_t n = knots.size();
  if (n < 2) return knots;
  for (size_t i = 0; i + 1 < n; ++i) {
    const V3 p0 = knots[i == 0 ? 0 : i - 1], p1 = knots[i], p2 = knots[i + 1];
    const V3 p3 = knots[i + 2 < n ? i + 2 : n - 1];
    for (int k = 0; k < perSpan; ++k) {
      const float t = float(k) / float(perSpan), t2 = t * t, t3 = t2 * t;
      out.push_back((p1 * 2.0f + (p2 - p0) * t + (p0 * 2.0f - p1 * 5.0f + p2 * 4.0f - p3) * t2 +
                     (p1 * 3.0f - p0 - p2 * 3.0f + p3) * t3) *
                    0.5f);
    }
  }
  out.push_back(knots.back());
  return out;
}

uint32_t Dice::Next() {
  // mulberry32
  state_ += 0x6D2B79F5u;
  uint32_t z = state_;
  z = (z ^ (z >> 15)) * (z | 1u);
  z ^= z + (z ^ (z >> 7)) * (z | 61u);
  return z ^ (z >> 14);
}

float Dice::Uniform() { return float(Next() >> 8) * (1.0f / 16777216.0f); }

float Dice::Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

// ---------------------------------------------------------- SceneOut ---

SceneNodeId SceneOut::AddObject(const MeshMaker& mesh, SceneVec3 pivot) {
  if (mesh.overflowed() && error.empty()) error = "mesh " + mesh.name() + " has too many points";
  triangles += mesh.TriangleCount();
  builder.AddMesh(mesh.Take());
  return builder.AddObjectNode(mesh.name(), kSceneRoot, pivot);
}

SceneNodeId SceneOut::AddMovingObject(const MeshMaker& mesh, V3 centre) {
  if (mesh.overflowed() && error.empty()) error = "mesh " + mesh.name() + " has too many points";
  triangles += mesh.TriangleCount();
  SceneMesh stored = mesh.Take();
  stored.matrix[12] = centre.x;
  stored.matrix[13] = centre.y;
  stored.matrix[14] = centre.z;
  builder.AddMesh(stored);
  const SceneNodeId node = builder.AddObjectNode(mesh.name());
  builder.AddPositionKey(node, 0, centre);
  return node;
}

void SceneOut::AddTexturedMaterial(const std::string& name, const std::string& texture,
                                   const std::string& reflection, SceneVec3 diffuse) {
  SceneMaterial material;
  material.name = name;
  material.diffuse = diffuse;
  material.textureMap = texture;
  material.reflectionMap = reflection;
  builder.AddMaterial(material);
  for (const std::string& file : {texture, reflection}) {
    if (!file.empty() && std::find(textures.begin(), textures.end(), file) == textures.end())
      textures.push_back(file);
  }
}

void SceneOut::AddLight(const std::string& name, V3 position, V3 colour, float multiplier) {
  builder.AddLight({name, position, colour, multiplier});
  builder.AddLightNode(name);
}

}  // namespace scenes
}  // namespace content
