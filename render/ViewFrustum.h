#pragma once

#include <glm/vec3.hpp>
#include <glm/vec4.hpp>
#include <vector>

#include "scene/Lights.h"

namespace vorn {

namespace scene {
class SceneObject;
}

// The camera frustum (or a light's box) as inward-facing planes, for culling by bounding points.
class ViewFrustum {
 public:
  ViewFrustum(float aspect, float near, float far);

  void updateFromCamera(const glm::vec3& position, const glm::vec3& front, const glm::vec3& up,
                        const glm::vec3& right, float fieldOfViewDegrees);
  void updateAsBox(const glm::vec3& centre, float horizontalHalfExtent, float verticalHalfExtent);
  // True unless every point lies outside one plane; a point on a plane counts as inside. An empty
  // point list is never inside (unless there are no planes at all).
  bool contains(const std::vector<glm::vec4>& points) const;
  // The same for the corners of the object's bounding box as it stands in the world. Every pass
  // asks this of every object every frame, so the corners go through a buffer of the frustum's
  // own that allocates nothing once it has grown.
  bool contains(scene::SceneObject& object);

  float aspect;
  float near;
  float far;
  glm::vec3 eye{0.0f};
  // Rebuilt by every update; the storage for six planes is reserved once and then reused.
  std::vector<scene::Plane> planes;

 private:
  std::vector<glm::vec4> corners;
};

}  // namespace vorn
