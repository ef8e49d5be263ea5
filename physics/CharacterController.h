#pragma once

#include <cstdint>
#include <memory>

#include <glm/vec3.hpp>

#include "physics/Actor.h"
#include "physics/Physics.h"

namespace vorn {

struct CapsuleControllerDesc {
  float radius = 0.7f;
  float height = 1.8f;  // distance between the two sphere centres
  glm::vec3 upDirection{0.0f, 1.0f, 0.0f};
  float stepOffset = 1.0f;
  float slopeLimit = 0.707f;  // cosine of the steepest walkable slope
  float contactOffset = 0.1f;
  float density = 1.0f;
  PhysicsMaterial material;
};

enum ControllerCollisionFlag : uint32_t {
  kCollisionSides = 1,
  kCollisionUp = 2,
  kCollisionDown = 4,
};

// A kinematic capsule that moves by sweeps against the shapes that take part in scene queries
// (static geometry): move-and-slide along walls, steps up to the step offset, refuses slopes above
// the limit. Its body follows each move over the next physics step with the velocity of the
// move, so the simulation pushes loose bodies out of its way.
class CharacterController {
 public:
  CharacterController(PhysicsScene& scene, const CapsuleControllerDesc& desc);
  ~CharacterController();
  CharacterController(const CharacterController&) = delete;
  CharacterController& operator=(const CharacterController&) = delete;

  // Moves by the displacement; returns the kCollision* flags of what was hit.
  uint32_t move(const glm::vec3& displacement, float minDistance, float dt);

  void setPosition(const glm::dvec3& centre);
  glm::dvec3 getPosition() const;

  // The capsule's own kinematic actor; its pose is the capsule centre.
  Actor* getActor() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> state;
};

}  // namespace vorn
