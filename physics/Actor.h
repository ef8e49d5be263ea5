#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/vec3.hpp>

#include "physics/Pose.h"

class btCollisionShape;
class btRigidBody;

namespace vorn {

namespace scene {
class SceneObject;
}

class PhysicsScene;

// Shape flag values; a shape is either a simulation shape or a trigger shape.
enum ShapeFlag : uint32_t {
  kSimulationShape = 1,
  kSceneQueryShape = 2,
  kTriggerShape = 4,
  kVisualization = 8,
};

// The four filter words a shape carries; the filter rule reads word0 (group) and word1 (mask).
struct FilterData {
  uint32_t word0 = 0;
  uint32_t word1 = 0;
  uint32_t word2 = 0;
  uint32_t word3 = 0;
};

struct Shape {
  uint32_t flags = 0;
  FilterData filterData;
};

// A rigid actor of the physics scene: static (triangle mesh) or dynamic (convex hull with a
// trigger shape and a simulation shape of the same geometry). The scene owns its actors;
// everybody else holds plain pointers, which PhysicsScene::removeActor invalidates.
class Actor {
 public:
  enum class Type { Static, Dynamic, Kinematic };

  ~Actor();
  Actor(const Actor&) = delete;
  Actor& operator=(const Actor&) = delete;

  Type type() const { return actorType; }
  bool isDynamic() const { return actorType == Type::Dynamic; }

  Pose getGlobalPose() const;
  void setGlobalPose(const Pose& pose, bool wake = true);
  void setLinearVelocity(const glm::vec3& velocity, bool wake = true);
  glm::vec3 getLinearVelocity() const;
  float getMass() const;
  void setSleepThreshold(float massNormalisedEnergy);
  bool isSleeping() const;

  const std::string& getName() const { return name; }
  void setName(const std::string& newName) { name = newName; }

  std::vector<Shape>& getShapes() { return shapes; }
  const std::vector<Shape>& getShapes() const { return shapes; }

  // The scene this actor is in, or null once it was removed.
  PhysicsScene* getScene() const { return owner; }

  btRigidBody* getBody() const { return body.get(); }

  // The scene object that owns this actor (set by the model import), or null.
  scene::SceneObject* userData = nullptr;

 private:
  friend class PhysicsScene;
  friend class Cooking;
  friend class CharacterController;
  Actor(Type type, std::unique_ptr<btCollisionShape> geometry, float mass);

  Type actorType;
  std::string name;
  std::vector<Shape> shapes;
  std::unique_ptr<btCollisionShape> geometry;
  std::unique_ptr<btRigidBody> body;
  PhysicsScene* owner = nullptr;
};

}  // namespace vorn
