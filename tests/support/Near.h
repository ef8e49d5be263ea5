#pragma once

#include <gtest/gtest.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

namespace vorn::test {

// Each component of the vector within eps of the expected one.
inline void expectNear(const glm::vec3& actual, const glm::vec3& expected, float eps = 1e-5f) {
  for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], eps) << axis;
}

inline void expectNear(const glm::mat4& actual, const glm::mat4& expected, float eps = 1e-5f) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(actual[c][r], expected[c][r], eps) << c << "," << r;
}

}  // namespace vorn::test
