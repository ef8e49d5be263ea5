#pragma once

#include <cstdint>

#include <glm/mat4x4.hpp>

#include "scene/SceneObject.h"

namespace vorn {
namespace scene {

// Draws the mesh of one object at a pose derived from a second object (the anchor) and a local
// matrix of its own. Owns nothing; both objects must outlive it.
class DerivedObject : public SceneObject {
 public:
  DerivedObject(SceneObject* meshSource, SceneObject* anchor);

  void transform(const glm::mat4& m, bool local) override;
  void draw(bool linearFiltering, int mipmapMode) override;
  void drawGeometry() override;
  Pose getGlobalPose() override;
  Actor* getActor() override;
  void setVelocity(const glm::vec3& v) override;
  MaterialFactors getMaterial() override;
  float getOpacity() override;
  void fillWorldCorners(std::vector<glm::vec4>& out) override;
  uint32_t getFilterGroup() override;
  uint32_t getFilterMask() override;
  void setFilterGroup(uint32_t group) override;
  void setFilterMask(uint32_t mask) override;

  SceneObject* meshSource;
  SceneObject* anchor;
  glm::mat4 localMatrix{1.0f};
  int32_t lastLocal = 0;
};

}  // namespace scene
}  // namespace vorn
