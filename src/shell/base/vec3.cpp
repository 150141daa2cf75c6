#include "shell/base/vec3.h"

#include <cmath>

void CVec3::Normalize() {
  const float length = std::sqrt(x * x + y * y + z * z);
  if (length == 0.0f) return;
  x /= length;
  y /= length;
  z /= length;
}
