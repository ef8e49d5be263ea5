#pragma once

#include <memory>
#include <string>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "physics/CharacterController.h"
#include "scene/MeshObject.h"

namespace vorn {
namespace scene {

enum MovementFlags : uint32_t {
  kMoveForward = 2,
  kMoveBackward = 4,
  kMoveLeft = 8,
  kMoveRight = 16,
  kMoveJump = 32,
};

// The player: first-person camera carried by a capsule character controller.
// transform() puts the capsule centre this far above the requested point, and the eye sits this
// far above the centre.
constexpr double kCentreAbovePoint = 1.6;
constexpr double kEyeAboveCentre = 1.0;

class CameraActor : public MeshObject {
 public:
  CameraActor(PhysicsScene* scene, glm::vec3 worldUp, float yaw, float pitch, std::string path);

  void transform(const glm::mat4& m, bool local) override;
  Actor* getActor() override;

  glm::mat4 getViewMatrix();
  void move(uint32_t flags, float dt);

  std::unique_ptr<CharacterController> controller;
  glm::vec3 position{0.0f};
  glm::vec3 front{0.0f, 0.0f, -1.0f};
  glm::vec3 up{0.0f};
  glm::vec3 right{0.0f};
  glm::vec3 worldUp;
  float yaw;
  float pitch;
  float movementSpeed = 5.0f;
  float mouseSensitivity = 100.0f;  // a thousandth of a degree of turn per pixel of mouse movement
  float fieldOfView = 45.0f;
  bool jumping = false;
  float jumpTime = 0.0f;
};

}  // namespace scene
}  // namespace vorn
