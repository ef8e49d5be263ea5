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

// Surface response of every shape of an actor.
struct PhysicsMaterial {
  float staticFriction = 0.5f;
  float dynamicFriction = 0.5f;
  float restitution = 0.5f;
};

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

// One shape of an actor. All shapes of an actor share the actor's one geometry; the flags say
// whether the shape collides (simulation) or only reports overlaps (trigger).
struct Shape {
  uint32_t flags = 0;
  FilterData filterData;
};

// A rigid actor of the physics scene: static (triangle mesh or plane), dynamic (convex hull with a
// trigger shape and a simulation shape of the same geometry) or kinematic (moved by its owner).
// The scene owns its actors; everybody else holds plain pointers, which PhysicsScene::removeActor
// invalidates.
class Actor {
 public:
  enum class Type { Static, Dynamic, Kinematic };

  ~Actor();
  Actor(const Actor&) = delete;
  Actor& operator=(const Actor&) = delete;

  Type type() const { return actorType; }
  bool isDynamic() const { return actorType == Type::Dynamic; }

  // The pose of the actor's frame (the frame its geometry was cooked in).
  Pose getGlobalPose() const;
  void setGlobalPose(const Pose& pose, bool wake = true);
  void setLinearVelocity(const glm::vec3& velocity, bool wake = true);
  glm::vec3 getLinearVelocity() const;
  float getMass() const;
  // Below this mass-normalised kinetic energy (v^2 / 2 + w.(I/m)w / 2) for a while, a dynamic
  // actor sleeps.
  void setSleepThreshold(float massNormalisedEnergy);
  bool isSleeping() const;

  const std::string& getName() const { return name; }
  void setName(const std::string& newName) { name = newName; }

  std::vector<Shape>& getShapes() { return shapes; }
  const std::vector<Shape>& getShapes() const { return shapes; }
  // The first shape carrying the flag, or null.
  const Shape* findShape(uint32_t flag) const;

  // The scene this actor is in, or null while it is in none.
  PhysicsScene* getScene() const { return owner; }

  btRigidBody* getBody() const { return body.get(); }

  // The scene object that owns this actor (set by the model import), or null.
  scene::SceneObject* userData = nullptr;

 private:
  friend class PhysicsScene;
  friend class Cooking;
  friend class CharacterController;

  // mass 0 makes a static or kinematic body. centreOfMass is where the geometry's origin sits in
  // the actor's frame: the geometry is cooked around its centre of mass so the body spins about it.
  // The geometry is borrowed: it must outlive the actor.
  Actor(Type type, btCollisionShape& geometry, const PhysicsMaterial& material, float mass,
        const glm::vec3& centreOfMass);
  // The same with a geometry that the actor owns.
  Actor(Type type, std::unique_ptr<btCollisionShape> geometry, const PhysicsMaterial& material,
        float mass, const glm::vec3& centreOfMass);

  Type actorType;
  std::string name;
  std::vector<Shape> shapes;
  glm::vec3 centreOfMass;
  std::unique_ptr<btCollisionShape> ownGeometry;
  std::unique_ptr<btRigidBody> body;
  PhysicsScene* owner = nullptr;
};

}  // namespace vorn
