#include "scene/DerivedObject.h"

namespace vorn {
namespace scene {

DerivedObject::DerivedObject(SceneObject* meshSource, SceneObject* anchor)
    : SceneObject(meshSource->getName() + "_derived", kNoBody), meshSource(meshSource),
      anchor(anchor) {}

// The product order follows the previous call's flag, so the first call after construction
// multiplies on the right whatever it asks for; every later call with local set then works in
// the anchor's frame.
void DerivedObject::transform(const glm::mat4& m, bool local) {
  localMatrix = lastLocal == 0 ? localMatrix * m : m * localMatrix;
  lastLocal = local ? 1 : 0;
}

void DerivedObject::draw(bool linearFiltering, int mipmapMode) {
  meshSource->draw(linearFiltering, mipmapMode);
}

void DerivedObject::drawGeometry() { meshSource->drawGeometry(); }

Pose DerivedObject::getGlobalPose() {
  const glm::mat4 anchorMatrix = poseToMatrix(anchor->getGlobalPose());
  return matrixToPose(lastLocal == 0 ? localMatrix * anchorMatrix : anchorMatrix * localMatrix);
}

Actor* DerivedObject::getActor() { return anchor->getActor(); }

void DerivedObject::setVelocity(const glm::vec3& v) { anchor->setVelocity(v); }

MaterialFactors DerivedObject::getMaterial() { return meshSource->getMaterial(); }

float DerivedObject::getOpacity() { return meshSource->getOpacity(); }

// Culled with the anchor's box; getWorldCorners reaches this through the base class.
void DerivedObject::fillWorldCorners(std::vector<glm::vec4>& out) { anchor->fillWorldCorners(out); }

uint32_t DerivedObject::getFilterGroup() { return meshSource->getFilterGroup(); }

uint32_t DerivedObject::getFilterMask() { return meshSource->getFilterMask(); }

void DerivedObject::setFilterGroup(uint32_t group) { meshSource->setFilterGroup(group); }

void DerivedObject::setFilterMask(uint32_t mask) { meshSource->setFilterMask(mask); }

}  // namespace scene
}  // namespace vorn
