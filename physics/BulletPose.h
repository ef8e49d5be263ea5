#pragma once

#include <LinearMath/btTransform.h>
#include <glm/vec3.hpp>

#include "physics/Pose.h"

namespace vorn {

inline btVector3 toBullet(const glm::vec3& v) { return btVector3(v.x, v.y, v.z); }
inline glm::vec3 toGlm(const btVector3& v) { return glm::vec3(v.x(), v.y(), v.z()); }

inline btTransform toTransform(const Pose& pose) {
  return btTransform(btQuaternion(pose.q.x, pose.q.y, pose.q.z, pose.q.w), toBullet(pose.p));
}

inline Pose toPose(const btTransform& transform) {
  const btQuaternion r = transform.getRotation();
  return Pose(glm::quat(r.w(), r.x(), r.y(), r.z()), toGlm(transform.getOrigin()));
}

}  // namespace vorn
