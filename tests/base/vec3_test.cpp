#include "shell/base/vec3.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Normalising gives unit length; the zero vector stays zero instead of NaN.
TEST(Vec3Test, NormalizeScalesToUnitLengthAndKeepsZero) {
  CVec3 v(3, 0, 4), w(-2, 2, 1), zero(0, 0, 0);
  v.Normalize(), w.Normalize(), zero.Normalize();
  EXPECT_TRUE(v.x == 0.6f && v.y == 0.0f && v.z == 0.8f) << v.x << " " << v.y << " " << v.z;
  EXPECT_NEAR(std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z), 1.0f, 1e-6f);
  EXPECT_TRUE(zero.x == 0.0f && zero.y == 0.0f && zero.z == 0.0f)
      << zero.x << " " << zero.y << " " << zero.z;
}

}  // namespace
