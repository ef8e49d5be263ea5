#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <glm/vec3.hpp>

#include "physics/Actor.h"

class btTriangleMesh;

namespace vorn {

namespace scene {
class SceneObject;
}

// Outcomes of the filter rule (pair flag words).
constexpr uint32_t kPairFlagsTrigger = 0x414;        // touch found, touch lost, discrete detection
constexpr uint32_t kPairFlagsContact = 0x401;        // solve contact, discrete detection
constexpr uint32_t kPairFlagsContactNotify = 0x405;  // contact plus touch-found report
constexpr uint32_t kFilterObjectTrigger = 1u << 5;   // object attribute: the shape is a trigger

// Trigger pair status and flags.
constexpr uint32_t kTouchFound = 1u << 2;
constexpr uint32_t kTouchLost = 1u << 4;
constexpr uint32_t kRemovedShapeTrigger = 1u << 0;
constexpr uint32_t kRemovedShapeOther = 1u << 1;

struct TriggerPair {
  Actor* triggerActor = nullptr;
  Actor* otherActor = nullptr;
  uint32_t status = 0;  // kTouchFound or kTouchLost
  uint32_t flags = 0;   // kRemovedShape* bits
};

// Receives the scene's reports on the main thread, after the step that produced them.
class SimulationEventCallback {
 public:
  virtual ~SimulationEventCallback() = default;
  virtual void onTrigger(const TriggerPair* pairs, uint32_t count) = 0;
  // Called just before a removed actor is destroyed, so no record keeps pointing at it or at the
  // object it carries.
  virtual void onActorRemoved(const Actor& /*actor*/) {}
};

// The filter rule: pair flags for two shapes from their object attributes and filter words.
using FilterShader = uint32_t (*)(uint32_t attributes0, FilterData data0, uint32_t attributes1,
                                  FilterData data1);

// Vertex and index data of one mesh, as the model import hands it over (positions already scaled).
struct MeshData {
  const float* points = nullptr;  // x, y, z triples, stride 12 bytes
  uint32_t vertexCount = 0;
  const uint32_t* indices = nullptr;  // three per face
  uint32_t faceCount = 0;
};

// What a ray met first on its way.
struct RayHit {
  Actor* actor = nullptr;  // null when it met nothing
  float fraction = 1.0f;   // of the way from its start to its end
  glm::vec3 point{0.0f};
};

// Which bodies a ray can meet: static geometry and the ground only, or every body a thrown box
// collides with except the kinematic ones (the player's capsule, which moves out of its way).
enum class RayTargets { Static, Bodies };

enum class CookResult { Ok, InvalidDescriptor, CookingFailed, ShapeFailed };

// Downward acceleration of everything that falls freely, units per second squared.
constexpr float kGravity = 9.8f;

// Collision filter words: a thrown box and a censorable object accept each other's trigger pairs.
constexpr uint32_t kBoxGroup = 2;
constexpr uint32_t kBoxMask = 4;
constexpr uint32_t kCensorableGroup = 4;
constexpr uint32_t kCensorableMask = 2;

// The dynamics world: gravity, the ground plane, actors, fixed-step simulation and trigger reports.
class PhysicsScene {
 public:
  PhysicsScene(FilterShader filterShader, SimulationEventCallback* callback);
  ~PhysicsScene();
  PhysicsScene(const PhysicsScene&) = delete;
  PhysicsScene& operator=(const PhysicsScene&) = delete;

  // Takes ownership; the actor joins the simulation.
  void addActor(std::unique_ptr<Actor> actor);
  // Removes and destroys the actor; trigger pairs that name it are dropped (pairs already handed
  // to the callback are marked removed and lose the pointer).
  void removeActor(Actor* actor);
  std::size_t actorCount() const;
  // The moving actor passes through the other (a box through the capsule of the player who
  // throws it from inside it) until their bounds no longer overlap; then the two collide again.
  void passThrough(Actor& moving, Actor& other);

  // The first of the targets on the segment; allocates nothing.
  RayHit castRay(const glm::vec3& from, const glm::vec3& to, RayTargets targets) const;

  // Advances the world by dt (at most kMaxFrameTime) in as many fixed sub-steps as it holds; the
  // rest of a sub-step carries over to the next call. Then reports trigger pairs to the callback.
  void simulate(float dt);

  static constexpr float kFixedStep = 1.0f / 120.0f;
  static constexpr float kMaxFrameTime = 0.25f;

  struct Impl;
  Impl& impl() { return *state; }

 private:
  std::unique_ptr<Impl> state;
};

// Collision geometry cooked from one mesh. Several actors may share it; its owner keeps it until
// the last of them has left the scene.
struct CookedShape {
  CookedShape();
  ~CookedShape();
  CookedShape(const CookedShape&) = delete;
  CookedShape& operator=(const CookedShape&) = delete;

  std::unique_ptr<btTriangleMesh> triangles;  // the data a triangle-mesh geometry reads
  std::unique_ptr<btCollisionShape> geometry;
  float volume = 0.0f;           // of a convex hull
  glm::vec3 centreOfMass{0.0f};  // of a convex hull, where its geometry's origin sits
};

// Builds collision geometry ("cooking") and the actors that carry it.
class Cooking {
 public:
  static constexpr int kHullVertexLimit = 50;
  // Loose bodies reach at most this far from their mesh origin in any axis; larger ones (a damaged
  // model) make the solver's contacts with ordinary bodies turn into NaN, which then spreads.
  static constexpr float kMaxHullReach = 1.0e5f;

  // A triangle mesh for a static body.
  static CookResult cookTriangleMesh(const MeshData& mesh, std::unique_ptr<CookedShape>& out);
  // A convex hull of at most kHullVertexLimit vertices, for a dynamic body. Points beyond
  // kMaxHullReach give no hull.
  static CookResult cookConvexHull(const MeshData& mesh, std::unique_ptr<CookedShape>& out);

  // A static actor with one shape (flags simulation | scene query | visualisation) over the cooked
  // triangle mesh, which it borrows.
  static std::unique_ptr<Actor> createStaticActor(const PhysicsMaterial& material,
                                                  CookedShape& shape);
  // A dynamic actor with a trigger shape and a simulation shape of the cooked hull, which it
  // borrows; mass = density x hull volume.
  static std::unique_ptr<Actor> createDynamicActor(const PhysicsMaterial& material,
                                                   CookedShape& shape, float density);
};

// The game's physics world: one scene with its ground plane, the filter rule, and the record of
// the last box (group 2) whose trigger touched a censorable object (group 4).
class Physics : public SimulationEventCallback {
 public:
  // Objects of the trigger actor and of the other actor of the last accepted trigger pair. The
  // consumer clears them; an object whose actor leaves the scene is cleared here, so neither ever
  // names a released object.
  scene::SceneObject* pendingTrigger = nullptr;
  scene::SceneObject* pendingTarget = nullptr;

  Physics();
  ~Physics() override;
  Physics(const Physics&) = delete;
  Physics& operator=(const Physics&) = delete;

  PhysicsMaterial createMaterial(float staticFriction, float dynamicFriction,
                                 float restitution) const;
  PhysicsScene* getScene() { return scene.get(); }
  Cooking* getCooking() { return &cooking; }

  // Records a touch found between a box's trigger and a censorable object and prints "Censor IT!".
  void onTrigger(const TriggerPair* pairs, uint32_t count) override;
  void onActorRemoved(const Actor& actor) override;

  // Stores group and mask in the object and in every shape of its first actor.
  static void setupFiltering(scene::SceneObject* object, uint32_t group, uint32_t mask);
  static uint32_t filterShader(uint32_t attributes0, FilterData data0, uint32_t attributes1,
                               FilterData data1);

 private:
  Cooking cooking;
  std::unique_ptr<PhysicsScene> scene;
};

}  // namespace vorn
