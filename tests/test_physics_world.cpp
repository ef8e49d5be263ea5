#include <gtest/gtest.h>

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/quaternion.hpp>

#include "physics/BulletPose.h"
#include "test_physics_helpers.h"

namespace vorn {
namespace {

using test::addBody;
using test::BodyObject;
using test::cubeMesh;
using test::simulateFor;

constexpr float kFrame = 1.0f / 60.0f;

// The lowest point of a convex actor's hull in the world.
float lowestPoint(const Actor& actor) {
  const auto& hull = *static_cast<const btConvexHullShape*>(actor.getBody()->getCollisionShape());
  float lowest = INFINITY;
  for (int i = 0; i < hull.getNumPoints(); ++i) {
    lowest = std::min(lowest, (actor.getBody()->getWorldTransform() * hull.getUnscaledPoints()[i]).y());
  }
  return lowest;
}

TEST(PhysicsPose, ConvertsToAndFromTransform) {
  const glm::quat rotation = glm::angleAxis(0.7f, glm::normalize(glm::vec3(1, 2, 3)));
  const Pose pose(rotation, glm::vec3(4, -5, 6));
  const btTransform transform = toTransform(pose);

  const glm::vec3 point(0.3f, -1.2f, 2.5f);
  const glm::vec3 expected = rotation * point + pose.p;
  const btVector3 moved = transform(toBullet(point));
  EXPECT_NEAR(moved.x(), expected.x, 1e-5f);
  EXPECT_NEAR(moved.y(), expected.y, 1e-5f);
  EXPECT_NEAR(moved.z(), expected.z, 1e-5f);

  const Pose back = toPose(transform);
  // q and -q are the same rotation.
  EXPECT_NEAR(std::fabs(glm::dot(back.q, rotation)), 1.0f, 1e-6f);
  EXPECT_NEAR(glm::length(back.p - pose.p), 0.0f, 1e-6f);
}

TEST(PhysicsWorld, BodyFallsOntoGroundPlaneAndSleeps) {
  Physics physics;
  BodyObject box("box", 1);
  Actor* actor = addBody(*physics.getScene(), box, cubeMesh(1.0f), glm::vec3(0, 5, 0));
  ASSERT_NE(actor, nullptr);
  simulateFor(*physics.getScene(), 1.0f);
  EXPECT_LT(actor->getGlobalPose().p.y, 5.0f - 1.0f);  // it fell under gravity
  simulateFor(*physics.getScene(), 5.0f);
  EXPECT_NEAR(lowestPoint(*actor), 0.0f, 0.02f);
  EXPECT_TRUE(actor->isSleeping());
}

// The sleep threshold is a kinetic energy per mass with the turning in it: a small body turning
// slowly holds far less of it than a large one turning as fast.
TEST(PhysicsWorld, SlowTurningLetsASmallBodySleepButNotALargeOne) {
  Physics physics;
  BodyObject small("small", 1), large("large", 1);
  Actor* pebble = addBody(*physics.getScene(), small, cubeMesh(0.1f), glm::vec3(-5, 5, 0));
  Actor* crate = addBody(*physics.getScene(), large, cubeMesh(2.0f), glm::vec3(5, 5, 0));
  ASSERT_NE(pebble, nullptr);
  ASSERT_NE(crate, nullptr);
  for (Actor* actor : {pebble, crate}) actor->getBody()->setGravity(btVector3(0, 0, 0));
  // Both float and keep turning at 2 per second about the vertical, for longer than a body takes
  // to fall asleep.
  for (int frame = 0; frame < 4 * 60; ++frame) {
    for (Actor* actor : {pebble, crate}) {
      if (!actor->isSleeping()) actor->getBody()->setAngularVelocity(btVector3(0, 2, 0));
    }
    physics.getScene()->simulate(kFrame);
  }
  EXPECT_TRUE(pebble->isSleeping());  // 2^2 x (I/m = 0.1^2 / 6) / 2 is far below 0.75
  EXPECT_FALSE(crate->isSleeping());  // 2^2 x (I/m = 2^2 / 6) / 2 = 1.33 is above it
}

TEST(PhysicsWorld, StaticActorNeverMoves) {
  Physics physics;
  BodyObject table("table", 0), box("box", 1);
  Actor* fixed = addBody(*physics.getScene(), table, cubeMesh(1.0f), glm::vec3(2, 0.5f, 0));
  addBody(*physics.getScene(), box, cubeMesh(0.5f), glm::vec3(2, 2, 0));
  ASSERT_EQ(fixed->getShapes().size(), 1u);
  EXPECT_EQ(fixed->getShapes()[0].flags, 11u);
  EXPECT_FALSE(fixed->isDynamic());
  fixed->setLinearVelocity(glm::vec3(5, 0, 0));
  simulateFor(*physics.getScene(), 2.0f);
  const Pose pose = fixed->getGlobalPose();
  EXPECT_EQ(pose.p, glm::vec3(2, 0.5f, 0));
  EXPECT_EQ(pose.q, glm::quat(1, 0, 0, 0));
  // The box came to rest on top of the static body.
  EXPECT_NEAR(box.getActor()->getGlobalPose().p.y, 1.25f, 0.03f);
}

TEST(PhysicsFilter, RuleOutcomes) {
  const FilterData box{2, 4, 0, 0}, censorable{4, 2, 0, 0}, plain{4, 1, 0, 0};
  EXPECT_EQ(Physics::filterShader(0, box, 0, censorable), 0x405u);
  EXPECT_EQ(Physics::filterShader(0, box, 0, plain), 0x401u);
  EXPECT_EQ(Physics::filterShader(0, FilterData{}, 0, FilterData{}), 0x401u);
  EXPECT_EQ(Physics::filterShader(kFilterObjectTrigger, box, 0, censorable), 0x414u);
  EXPECT_EQ(Physics::filterShader(0, plain, kFilterObjectTrigger, plain), 0x414u);
}

TEST(PhysicsFilter, SetupFilteringWritesFirstActorShapes) {
  Physics physics;
  BodyObject object("c_two_meshes", 1);
  Actor* first = addBody(*physics.getScene(), object, cubeMesh(1.0f), glm::vec3(0, 1, 0));
  Actor* second = addBody(*physics.getScene(), object, cubeMesh(1.0f), glm::vec3(0, 3, 0));
  Physics::setupFiltering(&object, 4, 2);
  EXPECT_EQ(object.getFilterGroup(), 4u);
  EXPECT_EQ(object.getFilterMask(), 2u);
  for (const Shape& shape : first->getShapes()) {
    EXPECT_EQ(shape.filterData.word0, 4u);
    EXPECT_EQ(shape.filterData.word1, 2u);
    EXPECT_EQ(shape.filterData.word2, 0u);
  }
  for (const Shape& shape : second->getShapes()) EXPECT_EQ(shape.filterData.word0, 0u);

  BodyObject empty("unreadable", 1);
  testing::internal::CaptureStderr();
  Physics::setupFiltering(&empty, 2, 4);
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("ERROR: ", 0), 0u);
  EXPECT_EQ(empty.getFilterGroup(), 2u);
}

// A box (group 2) and a target (group 4) as the game sets them up.
struct TriggerWorld {
  Physics physics;
  PhysicsScene& scene = *physics.getScene();
  BodyObject box{"box1", 1};
  BodyObject target{"c_screen", 0};
  BodyObject wall{"wall", 0};

  TriggerWorld() {
    addBody(scene, target, cubeMesh(1.0f), glm::vec3(0, 0.5f, 0));
    addBody(scene, wall, cubeMesh(1.0f), glm::vec3(5, 0.5f, 0));
    Physics::setupFiltering(&target, 4, 2);
  }
  void throwBox(const glm::vec3& from, const glm::vec3& velocity) {
    addBody(scene, box, cubeMesh(0.4f), from);
    Physics::setupFiltering(&box, 2, 4);
    box.setVelocity(velocity);
  }
};

TEST(PhysicsTrigger, BoxTouchingCensorableIsRecordedAndPrintedOnce) {
  TriggerWorld world;
  world.throwBox(glm::vec3(0, 1.2f, 0), glm::vec3(0));  // resting on the target
  testing::internal::CaptureStdout();
  simulateFor(world.scene, 1.0f);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Censor IT!\n");
  EXPECT_EQ(world.physics.pendingTrigger, &world.box);
  EXPECT_EQ(world.physics.pendingTarget, &world.target);
}

TEST(PhysicsTrigger, DynamicCensorableIsRecordedOnceThoughBothHaveTriggers) {
  Physics physics;
  BodyObject box("box1", 1), statue("c_statue", 1);
  addBody(*physics.getScene(), statue, cubeMesh(1.0f), glm::vec3(0, 0.5f, 0));
  addBody(*physics.getScene(), box, cubeMesh(0.4f), glm::vec3(0, 1.2f, 0));
  Physics::setupFiltering(&statue, 4, 2);
  Physics::setupFiltering(&box, 2, 4);
  testing::internal::CaptureStdout();
  simulateFor(*physics.getScene(), 1.0f);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Censor IT!\n");
  EXPECT_EQ(physics.pendingTrigger, &box);
  EXPECT_EQ(physics.pendingTarget, &statue);
}

TEST(PhysicsTrigger, WallAndReversedGroupsRecordNothing) {
  TriggerWorld world;
  world.throwBox(glm::vec3(5, 1.3f, 0), glm::vec3(0));  // drops onto the wall
  // A censorable body's trigger resting on a box-group static body.
  BodyObject falling("c_statue", 1), base("box_base", 0);
  addBody(world.scene, base, cubeMesh(1.0f), glm::vec3(-5, 0.5f, 0));
  addBody(world.scene, falling, cubeMesh(0.4f), glm::vec3(-5, 1.3f, 0));
  Physics::setupFiltering(&base, 2, 4);
  Physics::setupFiltering(&falling, 4, 2);
  testing::internal::CaptureStdout();
  simulateFor(world.scene, 1.0f);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(world.physics.pendingTrigger, nullptr);
  EXPECT_EQ(world.physics.pendingTarget, nullptr);
}

// Every pair the scene reports, by the names of its actors and its status.
struct RecordingCallback : SimulationEventCallback {
  std::vector<std::string> seen;
  void onTrigger(const TriggerPair* pairs, uint32_t count) override {
    for (uint32_t i = 0; i < count; ++i) {
      const char* status = pairs[i].status == kTouchFound ? " found " : " lost ";
      seen.push_back(pairs[i].triggerActor->getName() + status + pairs[i].otherActor->getName());
    }
  }
};

// A box dropped from 5 m onto a censorable slab: whatever the frame time, it lands when 5 m of
// free fall take (within a sub-step) and its trigger reports are the same.
TEST(PhysicsWorld, DroppedBoxKeepsRealTimeAndReportsAlikeAtAnyFrameRate) {
  const float fallTime = std::sqrt(2.0f * 5.0f / 9.8f);
  std::vector<std::string> firstReports;
  for (float dt : {1.0f / 144.0f, 1.0f / 7.0f}) {
    RecordingCallback callback;
    PhysicsScene scene(&Physics::filterShader, &callback);
    BodyObject slab("c_slab", 0), box("box1", 1);
    addBody(scene, slab, test::boxMesh(glm::vec3(-3, 0, -3), glm::vec3(3, 1, 3)), glm::vec3(0));
    Actor* actor = addBody(scene, box, cubeMesh(1.0f), glm::vec3(0, 6.5f, 0));
    Physics::setupFiltering(&slab, 4, 2);
    Physics::setupFiltering(&box, 2, 4);
    float landedAt = 0.0f;
    for (float t = dt; t < 4.0f; t += dt) {
      scene.simulate(dt);
      const bool landed = actor->getLinearVelocity().y > 0.0f || lowestPoint(*actor) < 1.05f;
      if (landed && landedAt == 0.0f) landedAt = t;
    }
    // The landing falls into the frame that ends at landedAt.
    EXPECT_GT(landedAt, fallTime - PhysicsScene::kFixedStep) << "dt " << dt;
    EXPECT_LT(landedAt - dt, fallTime + PhysicsScene::kFixedStep) << "dt " << dt;
    ASSERT_FALSE(callback.seen.empty()) << "dt " << dt;
    EXPECT_EQ(callback.seen.front(), "box1 found c_slab");
    if (firstReports.empty()) firstReports = callback.seen;
    EXPECT_EQ(callback.seen, firstReports) << "dt " << dt;
  }
}

TEST(PhysicsTrigger, TouchInEarlySubStepOfLongFrameIsReported) {
  TriggerWorld world;
  // Resting on the target but already leaving it: the touch lasts only the first sub-step.
  world.throwBox(glm::vec3(0, 1.2f, 0), glm::vec3(0, 6, 0));
  testing::internal::CaptureStdout();
  world.scene.simulate(0.1f);  // twelve sub-steps
  // Found and lost within the frame: only the touch counts as a hit.
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Censor IT!\n");
  EXPECT_GT(world.box.getActor()->getGlobalPose().p.y, 1.4f);
  EXPECT_EQ(world.physics.pendingTrigger, &world.box);
  EXPECT_EQ(world.physics.pendingTarget, &world.target);
}

TEST(PhysicsTrigger, RemovingAnActorClearsRecordsThatNameItsObject) {
  TriggerWorld world;
  world.throwBox(glm::vec3(0, 1.2f, 0), glm::vec3(0));
  testing::internal::CaptureStdout();
  simulateFor(world.scene, 0.2f);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(world.physics.pendingTrigger, &world.box);
  world.scene.removeActor(world.box.actors.front());
  world.box.actors.clear();
  EXPECT_EQ(world.physics.pendingTrigger, nullptr);
  EXPECT_EQ(world.physics.pendingTarget, &world.target);  // still to be censored
  EXPECT_EQ(world.scene.actorCount(), 2u);
  simulateFor(world.scene, 0.2f);  // no report may name the destroyed actor
}

// Records every pair; removes the first pair's trigger actor while the report is being read.
struct RemovingCallback : SimulationEventCallback {
  PhysicsScene* scene = nullptr;
  std::vector<TriggerPair> seen;
  void onTrigger(const TriggerPair* pairs, uint32_t count) override {
    for (uint32_t i = 0; i < count; ++i) {
      if (i == 0 && pairs[0].triggerActor) scene->removeActor(pairs[0].triggerActor);
      seen.push_back(pairs[i]);
    }
  }
};

TEST(PhysicsTrigger, ActorRemovedDuringReportIsMarkedInLaterPairs) {
  RemovingCallback callback;
  PhysicsScene scene(&Physics::filterShader, &callback);
  callback.scene = &scene;
  BodyObject left("left", 0), right("right", 0), box("box", 1);
  addBody(scene, left, cubeMesh(1.0f), glm::vec3(-0.5f, 0.5f, 0));
  addBody(scene, right, cubeMesh(1.0f), glm::vec3(0.5f, 0.5f, 0));
  addBody(scene, box, cubeMesh(0.4f), glm::vec3(0, 1.2f, 0));  // bridges both blocks
  scene.simulate(kFrame);
  ASSERT_GE(callback.seen.size(), 2u);
  for (std::size_t i = 1; i < callback.seen.size(); ++i) {
    const TriggerPair& pair = callback.seen[i];
    EXPECT_EQ(pair.triggerActor, nullptr);
    EXPECT_TRUE(pair.flags & kRemovedShapeTrigger);
  }
  callback.seen.clear();
  simulateFor(scene, 0.5f);
  EXPECT_TRUE(callback.seen.empty());
}

TEST(PhysicsWorld, FastBoxDoesNotTunnelThroughThinWall) {
  for (float speed : {10.0f, 40.0f}) {
    Physics physics;
    BodyObject wall("wall", 0), box("box", 1);
    addBody(*physics.getScene(), wall, test::boxMesh(glm::vec3(1.0f, 0, -2), glm::vec3(1.2f, 3, 2)),
            glm::vec3(0));
    addBody(*physics.getScene(), box, cubeMesh(0.2f), glm::vec3(0, 1.5f, 0));
    box.setVelocity(glm::vec3(speed, 0, 0));
    for (int frame = 0; frame < 20; ++frame) physics.getScene()->simulate(0.1f);
    EXPECT_LT(box.getActor()->getGlobalPose().p.x, 1.0f) << "speed " << speed;
  }
}

}  // namespace
}  // namespace vorn
