#include "render/ViewFrustum.h"

#include <cmath>
#include <glm/geometric.hpp>

#include "base/Degrees.h"
#include "scene/SceneObject.h"

namespace vorn {

ViewFrustum::ViewFrustum(float aspect, float near, float far)
    : aspect(aspect), near(near), far(far) {
  planes.reserve(6);
  corners.reserve(8);
}

void ViewFrustum::updateFromCamera(const glm::vec3& position, const glm::vec3& front,
                                   const glm::vec3& up, const glm::vec3& right,
                                   float fieldOfViewDegrees) {
  eye = position;
  const glm::vec3 f = glm::normalize(front);
  const glm::vec3 u = glm::normalize(up);
  const glm::vec3 r = glm::normalize(right);

  const float t = static_cast<float>(
      std::tan(static_cast<double>(fieldOfViewDegrees * kRadiansPerDegree) / 2.0));
  const float nearHeight = 2.0f * t * near;
  const float nearWidth = nearHeight * aspect;

  const glm::vec3 nearCentre = position + f * near;
  const glm::vec3 farCentre = position + f * far;
  const glm::vec3 halfUp = u * (nearHeight / 2.0f);
  const glm::vec3 halfRight = r * (nearWidth / 2.0f);
  const glm::vec3 nearTopLeft = nearCentre + halfUp - halfRight;
  const glm::vec3 nearBottomLeft = nearCentre - halfUp - halfRight;
  const glm::vec3 nearBottomRight = nearCentre - halfUp + halfRight;

  // Each side plane passes through the eye and one near edge; the cross products are ordered so
  // that the normals point into the frustum.
  planes.clear();
  planes.emplace_back(nearCentre, f);
  planes.emplace_back(farCentre, -f);
  planes.emplace_back(nearTopLeft, glm::normalize(glm::cross(nearTopLeft - position, r)));
  planes.emplace_back(nearBottomLeft, glm::normalize(glm::cross(r, nearBottomLeft - position)));
  planes.emplace_back(nearBottomRight, glm::normalize(glm::cross(u, nearBottomRight - position)));
  planes.emplace_back(nearBottomLeft, glm::normalize(glm::cross(nearBottomLeft - position, u)));
}

void ViewFrustum::updateAsBox(const glm::vec3& centre, float horizontalHalfExtent,
                              float verticalHalfExtent) {
  const float h = horizontalHalfExtent;
  const float v = verticalHalfExtent;
  planes.clear();
  planes.emplace_back(centre + glm::vec3(h, 0, 0), glm::vec3(-1, 0, 0));
  planes.emplace_back(centre - glm::vec3(h, 0, 0), glm::vec3(1, 0, 0));
  planes.emplace_back(centre + glm::vec3(0, v, 0), glm::vec3(0, -1, 0));
  planes.emplace_back(centre - glm::vec3(0, v, 0), glm::vec3(0, 1, 0));
  planes.emplace_back(centre + glm::vec3(0, 0, h), glm::vec3(0, 0, -1));
  planes.emplace_back(centre - glm::vec3(0, 0, h), glm::vec3(0, 0, 1));
}

bool ViewFrustum::contains(const std::vector<glm::vec4>& points) const {
  // Only the side of the plane matters, so the offset is not normalised: a point lying exactly on
  // a plane then gives 0 and counts as inside.
  for (const scene::Plane& plane : planes) {
    bool anyInside = false;
    for (const glm::vec4& q : points) {
      if (glm::dot(plane.normal, glm::vec3(q) - plane.point) >= 0.0f) {
        anyInside = true;
        break;
      }
    }
    if (!anyInside) return false;
  }
  return true;
}

bool ViewFrustum::contains(scene::SceneObject& object) {
  object.fillWorldCorners(corners);
  return contains(corners);
}

}  // namespace vorn
