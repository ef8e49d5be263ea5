#include "support/Aiming.h"

#include <algorithm>
#include <cmath>

#include "app/Game.h"

namespace vorn::test {

float throwPitch(const glm::vec3& eye, const glm::vec3& target) {
  const float horizontal = std::hypot(target.x - eye.x, target.z - eye.z);
  for (float pitch = -70.0f; pitch <= 70.0f; pitch += 0.05f) {
    const float c = std::cos(pitch * kDegrees);
    const float s = std::sin(pitch * kDegrees);
    const float ahead = horizontal - c;
    if (ahead <= 0.0f) continue;
    const float t = ahead / (kThrowSpeed * c);
    const float height = static_cast<float>(eye.y - kThrowDrop) + kThrowSpeed * s * t -
                         0.5f * kGravity * t * t;
    if (height >= target.y) return pitch;
  }
  return std::nanf("");
}

float yawTowards(const glm::vec3& from, const glm::vec3& to) {
  return std::atan2(to.z - from.z, to.x - from.x) / kDegrees;
}

float heightOf(scene::SceneObject& object) {
  float low = 1e9f;
  float high = -1e9f;
  for (const glm::vec4& c : object.getWorldCorners()) {
    low = std::min(low, c.y);
    high = std::max(high, c.y);
  }
  return high - low;
}

}  // namespace vorn::test
