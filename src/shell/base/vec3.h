// Three floats, the vector type of cameras, particles and normals.
#pragma once

class CVec3 {
 public:
  CVec3() = default;
  CVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
  CVec3(const CVec3&) = default;
  CVec3& operator=(const CVec3&) = default;
  ~CVec3() = default;

  // Scales the vector to unit length. A zero vector has no direction and is
  // left as it is rather than turned into NaNs.
  void Normalize();

  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};
