#include <gtest/gtest.h>

#include <cmath>

#include "physics/CharacterController.h"
#include "physics/SceneImpl.h"
#include "test_physics_helpers.h"

namespace vorn {
namespace {

using test::addBody;
using test::BodyObject;
using test::boxMesh;
using test::MeshBuffers;

constexpr float kDt = 1.0f / 60.0f;
constexpr float kSpeed = 5.0f;
// Capsule centre height when standing on y = 0: skin + radius + half height.
constexpr double kStandingHeight = 0.1 + 0.7 + 0.9;

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

// A player capsule in a world of static blocks, moved as the camera moves it.
struct Walker {
  Physics physics;
  PhysicsScene& scene = *physics.getScene();
  std::vector<std::unique_ptr<BodyObject>> blocks;
  CharacterController controller{scene, CapsuleControllerDesc{}};
  uint32_t seenFlags = 0;

  Walker() { controller.setPosition(glm::dvec3(0, kStandingHeight, 0)); }

  Actor* addBlock(const MeshBuffers& mesh, int32_t kind = 0, const glm::vec3& at = glm::vec3(0)) {
    blocks.push_back(std::make_unique<BodyObject>("block", kind));
    return addBody(scene, *blocks.back(), mesh, at);
  }
  Actor* addBlock(const glm::vec3& low, const glm::vec3& high) { return addBlock(boxMesh(low, high)); }

  // Walks in the direction for the time, falling at 15 units per second as the camera does.
  // After every move the capsule must be clear of static geometry.
  uint32_t walk(const glm::vec3& direction, float seconds, float dt = kDt) {
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
    probe.setWorldTransform(
        btTransform(btQuaternion::getIdentity(), btVector3(at().x, at().y, at().z)));
    DeepestContact contact;
    scene.impl().world.contactTest(&probe, contact);
    return contact.deepest;
  }
  glm::dvec3 at() const { return controller.getPosition(); }
};

TEST(PhysicsController, StandsAtRestOnTheFloor) {
  Walker walker;
  const uint32_t flags = walker.walk(glm::vec3(0), 1.0f);
  EXPECT_TRUE(flags & kCollisionDown);
  EXPECT_FALSE(flags & kCollisionSides);
  EXPECT_NEAR(walker.at().y, kStandingHeight, 0.02);
  EXPECT_NEAR(walker.at().x, 0.0, 1e-6);
  // The controller's actor follows the capsule centre.
  const Pose pose = walker.controller.getActor()->getGlobalPose();
  EXPECT_NEAR(pose.p.y, walker.at().y, 1e-4);
  EXPECT_FALSE(walker.controller.getActor()->isDynamic());
}

TEST(PhysicsController, KeepsDoublePrecisionPosition) {
  Walker walker;
  walker.controller.setPosition(glm::dvec3(-15.0, 1.6, 0.123456789012));
  EXPECT_EQ(walker.at(), glm::dvec3(-15.0, 1.6, 0.123456789012));
  EXPECT_NEAR(walker.controller.getActor()->getGlobalPose().p.x, -15.0f, 1e-6f);
}

TEST(PhysicsController, FallsOntoTheGroundPlaneWithoutPassingIt) {
  Walker walker;
  walker.controller.setPosition(glm::dvec3(0, 20, 0));
  for (int frame = 0; frame < 60; ++frame) walker.controller.move(glm::vec3(0, -3, 0), 0.001f, kDt);
  EXPECT_NEAR(walker.at().y, kStandingHeight, 0.02);
  // Started halfway into the floor: pushed out, never left inside.
  walker.controller.setPosition(glm::dvec3(0, 0.8, 0));
  EXPECT_LT(walker.penetration(), -0.5f);
  EXPECT_TRUE(walker.walk(glm::vec3(0), 0.1f) & kCollisionDown);
  EXPECT_GE(walker.at().y, kStandingHeight - 0.11);
}

TEST(PhysicsController, WallStopsItOutside) {
  Walker walker;
  walker.addBlock(glm::vec3(2, 0, -5), glm::vec3(2.5f, 4, 5));
  walker.walk(glm::vec3(1, 0, 0), 2.0f);
  EXPECT_TRUE(walker.seenFlags & kCollisionSides);
  EXPECT_LE(walker.at().x, 2.0 - 0.7);
  EXPECT_GE(walker.at().x, 2.0 - 0.7 - 0.15);
  EXPECT_NEAR(walker.at().y, kStandingHeight, 0.02);
}

TEST(PhysicsController, SlidesAlongAWallWhenWalkingDiagonally) {
  Walker walker;
  walker.addBlock(glm::vec3(-5, 0, -2.5f), glm::vec3(10, 4, -2));
  walker.walk(glm::normalize(glm::vec3(1, 0, -1)), 1.0f);
  EXPECT_GE(walker.at().z, -2.0 + 0.7);
  EXPECT_LE(walker.at().z, -2.0 + 0.7 + 0.15);
  // Stopped in z after about 1.2 units, it keeps moving along the wall in x.
  EXPECT_GT(walker.at().x, 3.0);
}

TEST(PhysicsController, ClimbsAHalfUnitStep) {
  Walker walker;
  walker.addBlock(glm::vec3(1.5f, 0, -5), glm::vec3(8, 0.5f, 5));
  const uint32_t flags = walker.walk(glm::vec3(1, 0, 0), 1.0f);
  EXPECT_GT(walker.at().x, 4.0);
  EXPECT_NEAR(walker.at().y, 0.5 + kStandingHeight, 0.02);
  EXPECT_TRUE(flags & kCollisionDown);
}

TEST(PhysicsController, ClimbsAFlightOfTwelveSteps) {
  Walker walker;
  // Each step 0.5 high and 0.5 deep; the last one is a landing.
  for (int i = 0; i < 12; ++i) {
    const float front = 1.0f + 0.5f * i;
    walker.addBlock(glm::vec3(front, 0, -2), glm::vec3(i == 11 ? front + 4 : front + 0.5f, 0.5f * (i + 1), 2));
  }
  walker.walk(glm::vec3(1, 0, 0), 1.6f);  // ends on the landing
  EXPECT_GT(walker.at().x, 7.0);
  EXPECT_NEAR(walker.at().y, 6.0 + kStandingHeight, 0.02);
  // And back down again.
  walker.walk(glm::vec3(-1, 0, 0), 2.0f);
  EXPECT_LT(walker.at().x, 0.0);
  EXPECT_NEAR(walker.at().y, kStandingHeight, 0.02);
}

TEST(PhysicsController, DoesNotClimbAStepAboveTheStepOffset) {
  Walker walker;
  walker.addBlock(glm::vec3(1.5f, 0, -5), glm::vec3(8, 1.5f, 5));
  walker.walk(glm::vec3(1, 0, 0), 1.5f);
  EXPECT_LE(walker.at().x, 1.5 - 0.7);
  EXPECT_NEAR(walker.at().y, kStandingHeight, 0.02);
}

TEST(PhysicsController, WalksUpAGentleRampButNotASteepOne) {
  Walker gentle;
  gentle.addBlock(test::ramp(30.0f, 6.0f), 0, glm::vec3(1, 0, 0));
  gentle.walk(glm::vec3(1, 0, 0), 1.0f);
  EXPECT_GT(gentle.at().y, kStandingHeight + 1.0);

  Walker steep;
  steep.addBlock(test::ramp(60.0f, 6.0f), 0, glm::vec3(1, 0, 0));
  const uint32_t flags = steep.walk(glm::vec3(1, 0, 0), 2.0f);
  EXPECT_LT(steep.at().y, kStandingHeight + 0.3);
  EXPECT_LT(steep.at().x, 1.0);
  EXPECT_TRUE(flags & kCollisionDown);  // still standing on the floor
}

TEST(PhysicsController, CeilingGivesTheUpFlag) {
  Walker walker;
  walker.addBlock(glm::vec3(-3, 3.5f, -3), glm::vec3(3, 4, 3));  // 0.2 above the capsule's top
  const uint32_t flags = walker.controller.move(glm::vec3(0, 0.5f, 0), 0.001f, kDt);
  EXPECT_TRUE(flags & kCollisionUp);
  EXPECT_LE(walker.at().y + 0.9 + 0.7, 3.5);
  // Walking under it does not count as hitting it.
  EXPECT_FALSE(walker.walk(glm::vec3(1, 0, 0), 0.2f) & kCollisionUp);
}

// Loose bodies are no obstacles to the sweeps: the capsule's body pushes them along at its own
// pace, at any frame rate, and never flings them.
TEST(PhysicsController, PushesLooseBodiesAlongAndBoxesBounceOffIt) {
  for (float dt : {1.0f / 60.0f, 1.0f / 7.0f}) {
    Walker walker;
    Actor* crate = walker.addBlock(test::cubeMesh(0.4f), 1, glm::vec3(2, 0.2f, 0));
    float fastest = 0.0f;
    for (int frame = 0; frame < static_cast<int>(std::lround(1.0f / dt)); ++frame) {
      walker.walk(glm::vec3(1, 0, 0), dt, dt);
      fastest = std::max(fastest, glm::length(crate->getLinearVelocity()));
    }
    EXPECT_NEAR(walker.at().x, 5.0, 0.01) << "dt " << dt;  // a second at walking speed
    EXPECT_NEAR(walker.at().y, kStandingHeight, 0.02) << "dt " << dt;
    EXPECT_GT(crate->getGlobalPose().p.x, 5.0f) << "dt " << dt;
    EXPECT_LT(fastest, 2.0f * kSpeed) << "dt " << dt;
    // A placement is no motion: the body is where it is put at once and stays there.
    walker.controller.setPosition(glm::dvec3(-3, kStandingHeight, 0));
    walker.scene.simulate(dt);
    EXPECT_NEAR(walker.controller.getActor()->getGlobalPose().p.x, -3.0f, 1e-4f) << "dt " << dt;
  }

  Walker walker;
  Actor* box = walker.addBlock(test::cubeMesh(0.3f), 1, glm::vec3(walker.at().x - 3, 1.7f, 0));
  box->setLinearVelocity(glm::vec3(10, 0, 0));
  test::simulateFor(walker.scene, 0.5f);
  EXPECT_LT(box->getGlobalPose().p.x, walker.at().x - 0.7);
}

// The same walks at frame rates from 15 to 144 frames per second.
TEST(PhysicsController, StepsWallsAndSlopesHoldAtAnyFrameRate) {
  for (float dt : {1.0f / 15.0f, 1.0f / 30.0f, 1.0f / 144.0f}) {
    Walker stairs;
    for (int i = 0; i < 6; ++i) {
      stairs.addBlock(glm::vec3(1.0f + 0.5f * i, 0, -2), glm::vec3(10, 0.5f * (i + 1), 2));
    }
    stairs.walk(glm::vec3(1, 0, 0), 1.4f, dt);
    EXPECT_NEAR(stairs.at().y, 3.0 + kStandingHeight, 0.02) << "dt " << dt;

    Walker wall;
    wall.addBlock(glm::vec3(2, 0, -5), glm::vec3(2.2f, 4, 5));
    wall.walk(glm::normalize(glm::vec3(1, 0, 0.2f)), 2.0f, dt);
    EXPECT_LE(wall.at().x, 2.0 - 0.7) << "dt " << dt;

    Walker steep;
    steep.addBlock(test::ramp(50.0f, 6.0f), 0, glm::vec3(1, 0, 0));
    steep.walk(glm::vec3(1, 0, 0), 2.0f, dt);
    EXPECT_LT(steep.at().y, kStandingHeight + 0.3) << "dt " << dt;
  }
}

// Wandering through a furnished room never leaves the capsule inside anything or below the floor.
TEST(PhysicsController, WanderingThroughARoomKeepsItClear) {
  Walker walker;
  walker.addBlock(glm::vec3(-6, 0, -6), glm::vec3(6, 3, -5.5f));  // walls
  walker.addBlock(glm::vec3(-6, 0, 5.5f), glm::vec3(6, 3, 6));
  walker.addBlock(glm::vec3(-6, 0, -6), glm::vec3(-5.5f, 3, 6));
  walker.addBlock(glm::vec3(5.5f, 0, -6), glm::vec3(6, 3, 6));
  walker.addBlock(glm::vec3(-2, 0, -2), glm::vec3(-1, 0.8f, 1));     // a bench to step onto
  walker.addBlock(glm::vec3(2, 0, 2), glm::vec3(3.5f, 2, 2.6f));     // a cupboard
  walker.addBlock(test::ramp(40.0f, 3.0f), 0, glm::vec3(1, 0, -4.5f));  // a walkable ramp
  walker.addBlock(glm::vec3(-4, 2.6f, -4), glm::vec3(-2, 2.8f, 4));   // a low beam
  srand(7);
  for (int turn = 0; turn < 40; ++turn) {
    const float heading = static_cast<float>(rand() % 360);
    walker.walk(glm::vec3(std::cos(glm::radians(heading)), 0, std::sin(glm::radians(heading))), 0.5f);
    ASSERT_GE(walker.at().y, kStandingHeight - 0.01);
    ASSERT_LT(std::fabs(walker.at().x), 5.5 - 0.69);
    ASSERT_LT(std::fabs(walker.at().z), 5.5 - 0.69);
  }
}

TEST(PhysicsController, PassesADoorwayLowerThanItsHeightPlusTheStepOffset) {
  // A wall across the way with an opening 2.4 wide and 4.0 high: the capsule (3.3 with its skin)
  // fits below the lintel only while it is not lifted by the full step offset of 1.0.
  Walker walker;
  walker.addBlock({2, 0, -10}, {2.3f, 8, -1.2f});
  walker.addBlock({2, 0, 1.2f}, {2.3f, 8, 10});
  walker.addBlock({2, 4, -1.2f}, {2.3f, 8, 1.2f});
  walker.walk({1, 0, 0}, 1.5f);
  EXPECT_GT(walker.at().x, 4.0);
  EXPECT_NEAR(walker.at().y, kStandingHeight, 0.15);
}

TEST(PhysicsController, PlacedIntoFurnitureItIsPushedOutNearby) {
  // A table top the capsule is dropped into: it must come out beside or on it, never be flung
  // across the room by the many contact points of the mesh.
  Walker walker;
  MeshBuffers top;
  for (int layer = 0; layer < 8; ++layer) test::appendBox(top, {-1, 1.0f, -1}, {1, 1.2f + 0.01f * layer, 1});
  walker.addBlock(top);
  walker.controller.setPosition(glm::dvec3(0.5, kStandingHeight, 0.3));
  walker.walk({0, 0, 0}, 0.5f);
  const glm::dvec3 at = walker.at();
  EXPECT_LT(glm::length(glm::dvec2(at.x - 0.5, at.z - 0.3)), 1.5);
  EXPECT_LT(at.y, kStandingHeight + 1.3);
}

}  // namespace
}  // namespace vorn
