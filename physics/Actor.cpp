#include "physics/Actor.h"

#include <cmath>

#include <btBulletDynamicsCommon.h>

#include "physics/BulletPose.h"
#include "physics/SceneImpl.h"

namespace vorn {

Actor::Actor(Type type, btCollisionShape& geometry, const PhysicsMaterial& material, float mass,
             const glm::vec3& centreOfMassIn)
    : actorType(type), centreOfMass(centreOfMassIn) {
  btVector3 inertia(0, 0, 0);
  if (mass > 0.0f) geometry.calculateLocalInertia(mass, inertia);
  btRigidBody::btRigidBodyConstructionInfo info(mass, nullptr, &geometry, inertia);
  info.m_friction = material.dynamicFriction;
  info.m_restitution = material.restitution;
  info.m_startWorldTransform = toTransform(Pose());
  info.m_startWorldTransform.setOrigin(toBullet(centreOfMass));
  body = std::make_unique<btRigidBody>(info);
  body->setUserPointer(this);
  if (type == Type::Kinematic) {
    body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
    body->setActivationState(DISABLE_DEACTIVATION);
  }
}

Actor::Actor(Type type, std::unique_ptr<btCollisionShape> geometry, const PhysicsMaterial& material,
             float mass, const glm::vec3& centreOfMass)
    : Actor(type, *geometry, material, mass, centreOfMass) {
  ownGeometry = std::move(geometry);
}

Actor::~Actor() = default;

Pose Actor::getGlobalPose() const {
  btTransform frame = body->getWorldTransform();
  frame.setOrigin(frame(toBullet(-centreOfMass)));
  return toPose(frame);
}

void Actor::setGlobalPose(const Pose& pose, bool wake) {
  btTransform frame = toTransform(pose);
  frame.setOrigin(frame(toBullet(centreOfMass)));
  body->setWorldTransform(frame);
  body->setInterpolationWorldTransform(frame);
  if (wake && isDynamic()) body->activate(true);
  // Sleeping and static bodies keep their broadphase bounds until told.
  if (owner) owner->impl().world.updateSingleAabb(body.get());
}

void Actor::setLinearVelocity(const glm::vec3& velocity, bool wake) {
  if (!isDynamic()) return;
  body->setLinearVelocity(toBullet(velocity));
  body->setInterpolationLinearVelocity(toBullet(velocity));
  if (wake) body->activate(true);
}

glm::vec3 Actor::getLinearVelocity() const { return toGlm(body->getLinearVelocity()); }

float Actor::getMass() const { return body->getMass(); }

void Actor::setSleepThreshold(float massNormalisedEnergy) {
  if (!isDynamic() || !(massNormalisedEnergy >= 0.0f)) return;
  // Bullet compares speeds, not energies, and the two kinds apart. Each speed is the one at which
  // its own part of the energy reaches the threshold: v^2 / 2 for the motion, w^2 (I/m) / 2 for a
  // turn about the axis hardest to turn. A small body has little inertia per mass, so the slight
  // turning of a small box at rest among others no longer keeps it (and everything it touches)
  // awake.
  const float linear = std::sqrt(2.0f * massNormalisedEnergy);
  const btVector3& inverseInertia = body->getInvInertiaDiagLocal();
  const btScalar inverseOfLargest = inverseInertia[inverseInertia.minAxis()];
  const float inertiaPerMass =
      inverseOfLargest > 0 ? body->getInvMass() / inverseOfLargest : 0.0f;  // I / m
  const float angular =
      inertiaPerMass > 0.0f ? std::sqrt(2.0f * massNormalisedEnergy / inertiaPerMass) : linear;
  body->setSleepingThresholds(linear, angular);
}

bool Actor::isSleeping() const { return isDynamic() && !body->isActive(); }

const Shape* Actor::findShape(uint32_t flag) const {
  for (const Shape& shape : shapes) {
    if (shape.flags & flag) return &shape;
  }
  return nullptr;
}

}  // namespace vorn
