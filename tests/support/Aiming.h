#pragma once

#include <glm/vec3.hpp>

#include "base/Degrees.h"
#include "scene/SceneObject.h"

namespace vorn::test {

constexpr float kDegrees = kRadiansPerDegree;

// The pitch (degrees) at which a box thrown from the eye flies through the target, or NaN.
// The box starts one unit ahead (horizontally) and half a unit below the eye at ten times the
// view direction and then falls freely.
float throwPitch(const glm::vec3& eye, const glm::vec3& target);

// The yaw (degrees) that looks from one point towards the other.
float yawTowards(const glm::vec3& from, const glm::vec3& to);

// The height of the object's bounding box in the world.
float heightOf(scene::SceneObject& object);

}  // namespace vorn::test
