#pragma once

#include <glm/vec3.hpp>
#include <gtest/gtest.h>

namespace vorn::test {

// Each component of the vector within eps of the expected one.
inline void expectNear(const glm::vec3& actual, const glm::vec3& expected, float eps = 1e-5f) {
  for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], eps) << axis;
}

}  // namespace vorn::test
