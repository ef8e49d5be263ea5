#include "app/Throw.h"

#include <algorithm>

#include <glm/geometric.hpp>

#include "app/Game.h"

namespace vorn {

namespace {

// Half the diagonal of the largest box (half a unit wide): kept clear of a wall, the box touches
// it with no corner inside, whichever way the wall faces.
constexpr float kBoxReach = 0.45f;
// The flight is followed in straight pieces this long; a piece strays from the true curve by
// g t^2 / 8, about a centimetre.
constexpr float kFlightPiece = 0.1f;
constexpr float kLongestFlight = 4.0f;
const glm::vec3 kFall(0.0f, -kGravity, 0.0f);

}  // namespace

ThrowStart throwStart(const PhysicsScene& scene, const glm::vec3& eye, const glm::vec3& front) {
  const glm::vec3 ahead(eye.x + front.x,
                        static_cast<float>(static_cast<double>(eye.y) - kThrowDrop),
                        eye.z + front.z);
  const ThrowStart start{ahead, front * kThrowSpeed};
  const RayHit wall = scene.castRay(eye, ahead, RayTargets::Static);
  if (!wall.actor) return start;
  const float length = glm::length(ahead - eye);
  const float clear = std::max(0.0f, wall.fraction - kBoxReach / length);
  return {eye + (ahead - eye) * clear, start.velocity};
}

RayHit firstTouch(const PhysicsScene& scene, const ThrowStart& start) {
  glm::vec3 from = start.point;
  for (float t = kFlightPiece; t <= kLongestFlight + 1e-4f; t += kFlightPiece) {
    const glm::vec3 to = start.point + start.velocity * t + 0.5f * kFall * (t * t);
    const RayHit hit = scene.castRay(from, to, RayTargets::Bodies);
    if (hit.actor) return hit;
    from = to;
  }
  return {};
}

}  // namespace vorn
