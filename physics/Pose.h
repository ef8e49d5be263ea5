#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/vec3.hpp>

namespace vorn {

// A rigid pose: unit rotation quaternion (stored x, y, z, w) followed by a position.
struct Pose {
  glm::quat q{1.0f, 0.0f, 0.0f, 0.0f};  // glm's constructor takes w first
  glm::vec3 p{0.0f};

  Pose() = default;
  Pose(const glm::quat& rotation, const glm::vec3& position) : q(rotation), p(position) {}
};

}  // namespace vorn
