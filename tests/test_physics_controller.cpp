#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "physics/CharacterController.h"
#include "physics/SceneImpl.h"
#include "test_physics_helpers.h"

namespace vorn {
namespace {

using test::MeshBuffers;

constexpr float kSpeed = 5.0f;
// Capsule centre height when standing on y = 0: skin + radius + half height.
constexpr double kStanding = 0.1 + 0.7 + 0.9;

// The deepest reach of static geometry into a capsule (0 when nothing overlaps it).
struct DeepestContact : btCollisionWorld::ContactResultCallback {
  float deepest = 0;
  bool needsCollision(btBroadphaseProxy* proxy) const override {
    const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
    return object->isStaticObject() && !object->isKinematicObject();
  }
  btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper*, int, int,
                           const btCollisionObjectWrapper*, int, int) override {
    deepest = std::min(deepest, point.getDistance());
    return 0;
  }
};

// A player capsule in a world of blocks, moved as the camera moves it.
struct Walker {
  Physics physics;
  PhysicsScene& scene = *physics.getScene();
  std::vector<std::unique_ptr<test::BodyObject>> blocks;
  CharacterController controller{scene, CapsuleControllerDesc{}};
  uint32_t seenFlags = 0;

  Walker() { controller.setPosition(glm::dvec3(0, kStanding, 0)); }

  Actor* add(const MeshBuffers& mesh, int32_t kind = 0, const glm::vec3& at = glm::vec3(0)) {
    blocks.push_back(std::make_unique<test::BodyObject>("block", kind));
    return test::addBody(scene, *blocks.back(), mesh, at);
  }
  void add(const glm::vec3& low, const glm::vec3& high) { add(test::boxMesh(low, high)); }

  // Walks in the direction for the time, falling at 15 units per second as the camera does.
  // After every move the capsule must be clear of static geometry.
  uint32_t walk(const glm::vec3& direction, float seconds, float dt = 1.0f / 60.0f) {
    uint32_t flags = 0;
    for (float t = 0; t < seconds; t += dt) {
      scene.simulate(dt);
      const glm::vec3 side = direction * (kSpeed * dt);
      flags = controller.move(glm::vec3(side.x, -15.0f * dt, side.z), 0.001f, dt);
      seenFlags |= flags;
      EXPECT_GT(penetration(), -0.005f) << "at " << at().x << " " << at().y << " " << at().z;
    }
    return flags;
  }
  float penetration() {
    btCapsuleShape capsule(0.7f, 1.8f);
    btCollisionObject probe;
    probe.setCollisionShape(&capsule);
    probe.setWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(at().x, at().y, at().z)));
    DeepestContact contact;
    scene.impl().world.contactTest(&probe, contact);
    return contact.deepest;
  }
  glm::dvec3 at() const { return controller.getPosition(); }
};

void stairs(Walker& w) {  // twelve steps 0.5 high and deep, the last one a landing
  for (float i = 0; i < 12; ++i) w.add({1 + i / 2, 0, -2}, {i == 11 ? 10.5f : 1.5f + i / 2, (i + 1) / 2, 2});
}

// Each walk, at several frame rates, ends with the capsule centre inside the box [low, high],
// having met the flags it must meet and never those it must not.
TEST(PhysicsController, StepsSlopesAndWallsAtAnyFrameRate) {
  const double h = kStanding, inf = 1e9;
  const struct {
    const char* what;
    std::function<void(Walker&)> build;
    glm::vec3 direction;
    float seconds;
    glm::dvec3 low, high;
    uint32_t met, notMet;
    glm::dvec3 start{0, kStanding, 0};
  } cases[] = {
      {"standing on the floor", [](Walker&) {}, {0, 0, 0}, 1, {-1e-6, h - .02, -1e-6}, {1e-6, h + .02, 1e-6},
       kCollisionDown, kCollisionSides},
      {"pushed out of the floor", [](Walker&) {}, {0, 0, 0}, .1f, {-.01, h - .11, -.01}, {.01, h + .02, .01},
       kCollisionDown, 0, {0, 0.8, 0}},
      {"falling onto the floor", [](Walker&) {}, {0, 0, 0}, 1.5f, {-.01, h - .02, -.01}, {.01, h + .02, .01},
       kCollisionDown, 0, {0, 20, 0}},
      {"a wall stops it outside", [](Walker& w) { w.add({2, 0, -5}, {2.5f, 4, 5}); }, {1, 0, 0}, 2,
       {1.15, h - .02, -.01}, {1.3, h + .02, .01}, kCollisionSides, 0},
      {"it slides along a wall", [](Walker& w) { w.add({-5, 0, -2.5f}, {10, 4, -2}); },
       glm::normalize(glm::vec3(1, 0, -1)), 1, {3, h - .02, -1.3}, {inf, h + .02, -1.15}, kCollisionSides, 0},
      {"up a half-unit step", [](Walker& w) { w.add({1.5f, 0, -5}, {8, .5f, 5}); }, {1, 0, 0}, 1,
       {4, h + .48, -.01}, {inf, h + .52, .01}, kCollisionDown, 0},
      {"not up a step above the offset", [](Walker& w) { w.add({1.5f, 0, -5}, {8, 1.5f, 5}); }, {1, 0, 0},
       1.5f, {0, h - .02, -.01}, {.8, h + .02, .01}, 0, 0},
      {"up a flight of steps", stairs, {1, 0, 0}, 1.6f, {7, h + 5.98, -.01}, {inf, h + 6.02, .01},
       kCollisionDown, 0},
      {"down the flight", stairs, {-1, 0, 0}, 2, {-inf, h - .02, -.01}, {0, h + .02, .01}, kCollisionDown, 0,
       {8, h + 6, 0}},
      {"up a gentle ramp", [](Walker& w) { w.add(test::ramp(30, 6), 0, {1, 0, 0}); }, {1, 0, 0}, 1,
       {2, h + 1, -.01}, {inf, inf, .01}, 0, 0},
      {"not up a steep ramp", [](Walker& w) { w.add(test::ramp(60, 6), 0, {1, 0, 0}); }, {1, 0, 0}, 2,
       {0, h - .02, -.01}, {1, h + .3, .01}, kCollisionDown, 0},
      // The capsule (3.3 with its skin) passes the lintel only while not lifted by the step offset.
      {"through a doorway 4 high",
       [](Walker& w) {
         for (float z : {-10.0f, 1.2f}) w.add({2, 0, z}, {2.3f, 8, z + 8.8f});
         w.add({2, 4, -1.2f}, {2.3f, 8, 1.2f});
       },
       {1, 0, 0}, 1.5f, {4, h - .15, -.5}, {inf, h + .15, .5}, 0, 0},
      // Dropped into a table top of many layers: out beside or on it, never flung across the room.
      {"placed into furniture",
       [](Walker& w) {
         MeshBuffers top;
         for (int i = 0; i < 8; ++i) test::appendBox(top, {-1, 1, -1}, {1, 1.2f + .01f * i, 1});
         w.add(top);
       },
       {0, 0, 0}, .5f, {-1, h - .02, -1.2}, {2, h + 1.3, 1.8}, 0, 0, {0.5, h, 0.3}},
  };
  for (float dt : {1.0f / 60.0f, 1.0f / 15.0f, 1.0f / 144.0f}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " at dt " + std::to_string(dt));
      Walker walker;
      c.build(walker);
      walker.controller.setPosition(c.start);
      walker.walk(c.direction, c.seconds, dt);
      for (int axis = 0; axis < 3; ++axis) {
        EXPECT_GE(walker.at()[axis], c.low[axis]) << "axis " << axis;
        EXPECT_LE(walker.at()[axis], c.high[axis]) << "axis " << axis;
      }
      EXPECT_EQ(walker.seenFlags & c.met, c.met);
      EXPECT_EQ(walker.seenFlags & c.notMet, 0u);
    }
  }
}

TEST(PhysicsController, CeilingGivesTheUpFlagOnlyWhenMovingUp) {
  Walker walker;
  walker.add({-3, 3.5f, -3}, {3, 4, 3});  // 0.2 above the capsule's top
  EXPECT_TRUE(walker.controller.move(glm::vec3(0, 0.5f, 0), 0.001f, 1.0f / 60.0f) & kCollisionUp);
  EXPECT_LE(walker.at().y + 0.9 + 0.7, 3.5);
  walker.walk(glm::vec3(1, 0, 0), 0.2f);
  EXPECT_FALSE(walker.seenFlags & kCollisionUp);
}

// Loose bodies are no obstacles to the sweeps: the capsule's body pushes them along at its own
// pace, at any frame rate, and never flings them.
TEST(PhysicsController, PushesLooseBodiesAlong) {
  for (float dt : {1.0f / 60.0f, 1.0f / 7.0f}) {
    SCOPED_TRACE(dt);
    Walker walker;
    Actor* crate = walker.add(test::cubeMesh(0.4f), 1, glm::vec3(2, 0.2f, 0));
    float fastest = 0.0f;
    for (int frame = 0; frame < static_cast<int>(std::lround(1.0f / dt)); ++frame) {
      walker.walk(glm::vec3(1, 0, 0), dt, dt);
      fastest = std::max(fastest, glm::length(crate->getLinearVelocity()));
    }
    EXPECT_NEAR(walker.at().x, 5.0, 0.01);  // a second at walking speed
    EXPECT_NEAR(walker.at().y, kStanding, 0.02);
    EXPECT_GT(crate->getGlobalPose().p.x, 5.0f);
    EXPECT_LT(fastest, 2.0f * kSpeed);
    // A placement is no motion: the body is where it is put at once and stays there.
    walker.controller.setPosition(glm::dvec3(-3, kStanding, 0));
    walker.scene.simulate(dt);
    EXPECT_NEAR(walker.controller.getActor()->getGlobalPose().p.x, -3.0f, 1e-4f);
  }
}

}  // namespace
}  // namespace vorn
