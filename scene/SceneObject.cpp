#include "scene/SceneObject.h"

#include <cmath>
#include <iostream>
#include <stdexcept>
#include <utility>

namespace vorn {
namespace scene {

glm::mat4 poseToMatrix(const Pose& pose) {
  const float x = pose.q.x, y = pose.q.y, z = pose.q.z, w = pose.q.w;
  const float x2 = 2.0f * x, y2 = 2.0f * y, z2 = 2.0f * z;
  glm::mat4 m(1.0f);
  m[0] = glm::vec4(1.0f - y2 * y - z2 * z, x2 * y + z2 * w, x2 * z - y2 * w, 0.0f);
  m[1] = glm::vec4(x2 * y - z2 * w, 1.0f - x2 * x - z2 * z, y2 * z + x2 * w, 0.0f);
  m[2] = glm::vec4(x2 * z + y2 * w, y2 * z - x2 * w, 1.0f - x2 * x - y2 * y, 0.0f);
  m[3] = glm::vec4(pose.p, 1.0f);
  return m;
}

Pose matrixToPose(const glm::mat4& mat) {
  // glm indexes column first; the formulas below read row r, column c.
  auto m = [&mat](int r, int c) { return mat[c][r]; };
  float x, y, z, w;
  const float t = m(0, 0) + m(1, 1) + m(2, 2);
  if (t >= 0.0f) {
    const float h = static_cast<float>(std::sqrt(static_cast<double>(t) + 1.0));
    w = 0.5f * h;
    const float s = 0.5f / h;
    x = (m(2, 1) - m(1, 2)) * s;
    y = (m(0, 2) - m(2, 0)) * s;
    z = (m(1, 0) - m(0, 1)) * s;
  } else {
    int i = 0;
    if (m(1, 1) > m(0, 0)) i = 1;
    if (m(2, 2) > m(i, i)) i = 2;
    if (i == 0) {
      const float h =
          static_cast<float>(std::sqrt(static_cast<double>(m(0, 0) - (m(1, 1) + m(2, 2))) + 1.0));
      x = 0.5f * h;
      const float s = 0.5f / h;
      y = (m(0, 1) + m(1, 0)) * s;
      z = (m(0, 2) + m(2, 0)) * s;
      w = (m(2, 1) - m(1, 2)) * s;
    } else if (i == 1) {
      const float h =
          static_cast<float>(std::sqrt(static_cast<double>(m(1, 1) - (m(2, 2) + m(0, 0))) + 1.0));
      y = 0.5f * h;
      const float s = 0.5f / h;
      z = (m(1, 2) + m(2, 1)) * s;
      x = (m(0, 1) + m(1, 0)) * s;
      w = (m(0, 2) - m(2, 0)) * s;
    } else {
      const float h =
          static_cast<float>(std::sqrt(static_cast<double>(m(2, 2) - (m(0, 0) + m(1, 1))) + 1.0));
      z = 0.5f * h;
      const float s = 0.5f / h;
      x = (m(0, 2) + m(2, 0)) * s;
      y = (m(1, 2) + m(2, 1)) * s;
      w = (m(1, 0) - m(0, 1)) * s;
    }
  }
  return Pose(glm::quat(w, x, y, z), glm::vec3(mat[3]));
}

SceneObject::SceneObject(std::string name, int32_t kind) : name(std::move(name)), kind(kind) {}

SceneObject::~SceneObject() = default;

void SceneObject::transform(const glm::mat4& m, bool local) {
  if (!hasPose()) {
    std::cerr << "ERROR: cannot transform '" << name << "': it has no physics actor" << std::endl;
    return;
  }
  const glm::mat4 current = poseToMatrix(getGlobalPose());
  const Pose next = matrixToPose(local ? current * m : m * current);
  for (Actor* actor : actors) actor->setGlobalPose(next, true);
}

void SceneObject::drawGeometry() { draw(true, 1); }

Pose SceneObject::getGlobalPose() { return getActor()->getGlobalPose(); }

Actor* SceneObject::getActor() { return actors.at(0); }

void SceneObject::setVelocity(const glm::vec3& v) {
  Actor* actor = actors.empty() ? nullptr : getActor();
  if (actor == nullptr || !actor->isDynamic()) {
    std::cerr << "ERROR: cannot set the velocity of '" << name
              << "': its first actor is not a dynamic body" << std::endl;
    return;
  }
  kind = kDynamicBody;
  actor->setLinearVelocity(v, true);
}

MaterialFactors SceneObject::getMaterial() {
  MaterialFactors factors;
  factors.ambient = ambient;
  factors.diffuse = diffuse;
  factors.specular = specular;
  factors.shininess = shininess;
  return factors;
}

float SceneObject::getOpacity() { return opacity; }

std::vector<glm::vec4> SceneObject::getWorldCorners() {
  std::vector<glm::vec4> world;
  world.reserve(8);
  fillWorldCorners(world);
  return world;
}

void SceneObject::fillWorldCorners(std::vector<glm::vec4>& out) {
  out.resize(corners.size());  // a buffer reused from object to object keeps its capacity
  if (corners.empty()) return;
  const glm::mat4 pose = poseToMatrix(getGlobalPose());
  for (std::size_t i = 0; i < corners.size(); ++i) out[i] = pose * corners[i];
}

const std::string& SceneObject::getName() { return name; }

uint32_t SceneObject::getFilterGroup() { return filterGroup; }

uint32_t SceneObject::getFilterMask() { return filterMask; }

void SceneObject::setFilterGroup(uint32_t group) { filterGroup = group; }

void SceneObject::setFilterMask(uint32_t mask) { filterMask = mask; }

bool SceneObject::hasPose() {
  try {
    return getActor() != nullptr;
  } catch (const std::out_of_range&) {
    return false;
  }
}

}  // namespace scene
}  // namespace vorn
