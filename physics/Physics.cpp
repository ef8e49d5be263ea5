#include "physics/Physics.h"

#include <iostream>

#include "scene/SceneObject.h"

namespace vorn {

Physics::Physics() : scene(std::make_unique<PhysicsScene>(&Physics::filterShader, this)) {}

Physics::~Physics() = default;

PhysicsMaterial Physics::createMaterial(float staticFriction, float dynamicFriction,
                                        float restitution) const {
  return PhysicsMaterial{staticFriction, dynamicFriction, restitution};
}

void Physics::onTrigger(const TriggerPair* pairs, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    const TriggerPair& pair = pairs[i];
    if (pair.flags & (kRemovedShapeTrigger | kRemovedShapeOther)) continue;
    // A box leaving an object has not hit it again.
    if (pair.status != kTouchFound) continue;
    if (!pair.triggerActor || !pair.otherActor) continue;
    scene::SceneObject* box = pair.triggerActor->userData;
    scene::SceneObject* target = pair.otherActor->userData;
    if (!box || !target) continue;
    if (box->getFilterGroup() == kBoxGroup && target->getFilterGroup() == kCensorableGroup) {
      pendingTrigger = box;
      pendingTarget = target;
      std::cout << "Censor IT!" << std::endl;
    }
  }
}

// An object whose actor leaves the scene is being released: a record of it would dangle.
void Physics::onActorRemoved(const Actor& actor) {
  if (actor.userData == nullptr) return;
  if (pendingTrigger == actor.userData) pendingTrigger = nullptr;
  if (pendingTarget == actor.userData) pendingTarget = nullptr;
}

void Physics::setupFiltering(scene::SceneObject* object, uint32_t group, uint32_t mask) {
  if (object == nullptr) {
    std::cerr << "ERROR: setupFiltering needs an object" << std::endl;
    return;
  }
  object->setFilterGroup(group);
  object->setFilterMask(mask);
  if (object->actors.empty()) {
    std::cerr << "ERROR: setupFiltering: '" << object->getName() << "' has no physics actor"
              << std::endl;
    return;
  }
  for (Shape& shape : object->actors.front()->getShapes())
    shape.filterData = FilterData{group, mask, 0, 0};
}

uint32_t Physics::filterShader(uint32_t attributes0, FilterData data0, uint32_t attributes1,
                               FilterData data1) {
  if ((attributes0 | attributes1) & kFilterObjectTrigger) return kPairFlagsTrigger;
  if ((data0.word0 & data1.word1) && (data1.word0 & data0.word1)) return kPairFlagsContactNotify;
  return kPairFlagsContact;
}

}  // namespace vorn
