#include "shell/vec3.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shell/glapi.h"

namespace {

TEST(Vec3Test, NormalizeScalesToUnitLength) {
  CVec3 v(3, 0, 4);
  v.Normalize();
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_FLOAT_EQ(v.y, 0.0f);
  EXPECT_FLOAT_EQ(v.z, 0.8f);

  CVec3 w(-2, 2, 1);
  w.Normalize();
  EXPECT_NEAR(std::sqrt(w.x * w.x + w.y * w.y + w.z * w.z), 1.0f, 1e-6f);
}

TEST(Vec3Test, ZeroVectorStaysZeroInsteadOfNaN) {
  CVec3 zero(0, 0, 0);
  zero.Normalize();
  EXPECT_FALSE(std::isnan(zero.x) || std::isnan(zero.y) || std::isnan(zero.z));
  EXPECT_EQ(zero.x, 0.0f);
  EXPECT_EQ(zero.y, 0.0f);
  EXPECT_EQ(zero.z, 0.0f);
}

TEST(Vec3Test, DegreesToRadiansIsTheSinglePrecisionFactor) {
  // Exactly the float 0.017453293, one step below what a float-only product
  // of 3.14159274f and 1/180.f would give.
  EXPECT_EQ(kDegToRad, 0.017453293f);
}

}  // namespace
