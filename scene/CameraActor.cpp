#include "scene/CameraActor.h"

#include <cmath>
#include <utility>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "base/Degrees.h"

namespace vorn {
namespace scene {

namespace {

constexpr float kFallSpeed = 15.0f;
constexpr float kMinMoveDistance = 0.001f;

CapsuleControllerDesc capsuleDesc(const glm::vec3& worldUp) {
  CapsuleControllerDesc desc;
  desc.radius = 0.7f;
  desc.height = 1.8f;
  desc.upDirection = worldUp;
  desc.stepOffset = 1.0f;
  desc.slopeLimit = 0.707f;
  desc.contactOffset = 0.1f;
  desc.density = 1.0f;
  desc.material = PhysicsMaterial{0.5f, 0.5f, 0.5f};
  return desc;
}

// Upward speed along the jump curve t seconds into the jump; the rising part is stretched.
float jumpSpeed(float t) {
  const float v = 19.0f * t - 50.0f * t * t;
  return v > 0.0f ? static_cast<float>(v * 2.5) : v;
}

}  // namespace

CameraActor::CameraActor(PhysicsScene* scene, glm::vec3 worldUp, float yaw, float pitch,
                         std::string path)
    : MeshObject("cameraactor", std::move(path), 2),
      controller(std::make_unique<CharacterController>(*scene, capsuleDesc(worldUp))),
      worldUp(worldUp), yaw(yaw), pitch(pitch) {}

// The base transform only reads the pose here (the camera has no actors of its own); the
// controller is what actually moves.
void CameraActor::transform(const glm::mat4& m, bool local) {
  MeshObject::transform(m, local);
  controller->setPosition(glm::dvec3(m[3].x, m[3].y + kCentreAbovePoint, m[3].z));
}

Actor* CameraActor::getActor() { return controller->getActor(); }

glm::mat4 CameraActor::getViewMatrix() {
  const float yawRadians = yaw * kRadiansPerDegree;
  const float pitchRadians = pitch * kRadiansPerDegree;
  front = glm::normalize(glm::vec3(std::cos(yawRadians) * std::cos(pitchRadians),
                                   std::sin(pitchRadians),
                                   std::sin(yawRadians) * std::cos(pitchRadians)));
  right = glm::normalize(glm::cross(front, worldUp));
  up = glm::normalize(glm::cross(right, front));
  const glm::dvec3 centre = controller->getPosition();
  position = glm::vec3(centre.x, centre.y + kEyeAboveCentre, centre.z);
  return glm::lookAt(position, position + front, up);
}

void CameraActor::move(uint32_t flags, float dt) {
  const float s = movementSpeed * dt;
  // Only the horizontal parts of front and right: looking up or down never lifts the player.
  glm::vec3 step(0.0f);
  if (flags & kMoveForward) {
    step.x += front.x * s;
    step.z += front.z * s;
  }
  if (flags & kMoveBackward) {
    step.x -= front.x * s;
    step.z -= front.z * s;
  }
  if (flags & kMoveLeft) {
    step.x -= right.x * s;
    step.z -= right.z * s;
  }
  if (flags & kMoveRight) {
    step.x += right.x * s;
    step.z += right.z * s;
  }

  if ((flags & kMoveJump) && !jumping) {
    jumping = true;
    jumpTime = 0.0001f;
  }
  if (jumping) {
    jumpTime += dt;
    step.y = jumpSpeed(jumpTime) * dt;
  } else {
    // Standing is falling onto the ground, which stops the capsule.
    step.y = -kFallSpeed * dt;
  }

  const uint32_t collisions = controller->move(step, kMinMoveDistance, dt);
  if (collisions & kCollisionDown) jumping = false;
}

}  // namespace scene
}  // namespace vorn
