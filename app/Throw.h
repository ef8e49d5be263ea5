#pragma once

#include <glm/vec3.hpp>

#include "physics/Physics.h"

namespace vorn {

// Where a thrown box leaves and how fast it flies off.
struct ThrowStart {
  glm::vec3 point;
  glm::vec3 velocity;
};

// One unit ahead of the eye along the view's horizontal and half a unit below the eye, at ten
// times the view direction. A box created inside a wall stays stuck in it, so when static
// geometry lies between the eye and that point the box starts just in front of it instead.
ThrowStart throwStart(const PhysicsScene& scene, const glm::vec3& eye, const glm::vec3& front);

// The first body that the middle of a box thrown so meets on its flight under gravity; no actor
// when it meets none within a few seconds.
RayHit firstTouch(const PhysicsScene& scene, const ThrowStart& start);

}  // namespace vorn
