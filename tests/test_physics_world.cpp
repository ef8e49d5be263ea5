// The physics world (cooking, rest and sleep, the filter rule, trigger reports), the player's
// character controller on steps, slopes and walls, and the camera actor that walks through it.
#include <algorithm>
#include <cmath>
#include <functional>

#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "physics/CharacterController.h"
#include "physics/SceneImpl.h"
#include "scene/CameraActor.h"
#include "support/Near.h"
#include "test_physics_helpers.h"

namespace vorn {
namespace {

using test::addBody;
using test::BodyObject;
using test::cubeMesh;
using test::expectNear;
using test::MeshBuffers;
using test::simulateFor;

TEST(PhysicsCooking, MeshesGiveActorsOrAreRefused) {
  const MeshBuffers two{{0, 0, 0, 1, 1, 1}, {}};
  const MeshBuffers flat{{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {0, 1, 2, 0, 2, 3}};
  MeshBuffers outOfRange = cubeMesh(1.0f), notANumber = cubeMesh(1.0f);
  outOfRange.indices[4] = 8;
  notANumber.points[1] = std::nanf("");
  const struct {
    const char* what;
    const MeshBuffers& mesh;
    bool convex;
    CookResult expected;
  } cases[] = {
      {"two points, convex", two, true, CookResult::InvalidDescriptor},
      {"two points, static", two, false, CookResult::InvalidDescriptor},
      {"index out of range", outOfRange, false, CookResult::InvalidDescriptor},
      {"not a number", notANumber, true, CookResult::InvalidDescriptor},
      {"a flat poster still gets a body", flat, true, CookResult::Ok},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CookResult result = CookResult::Ok;
    const std::unique_ptr<Actor> actor = test::cookActor(c.mesh.data(), c.convex, &result);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(actor != nullptr, c.expected == CookResult::Ok);
    EXPECT_TRUE(!actor || actor->getMass() > 0.0f);
  }
}

TEST(PhysicsCooking, HullMassIsDensityTimesVolumeAndManyPointsAreCapped) {
  std::unique_ptr<Actor> actor = test::cookActor(cubeMesh(2).data(), true);
  ASSERT_TRUE(actor);
  EXPECT_NEAR(actor->getMass(), 0.5f * 8.0f, 1e-4f);

  MeshBuffers sphere;  // 500 points spread evenly over the unit sphere
  for (int i = 0; i < 500; ++i) {
    const float y = 1.0f - (i + 0.5f) / 250.0f, ring = std::sqrt(1.0f - y * y);
    sphere.addPoint(glm::vec3(ring * std::cos(2.4f * i), y, ring * std::sin(2.4f * i)));
  }
  actor = test::cookActor(sphere.data(), true);
  ASSERT_TRUE(actor);
  const auto& hull = *static_cast<const btConvexHullShape*>(actor->getBody()->getCollisionShape());
  EXPECT_LE(hull.getNumPoints(), Cooking::kHullVertexLimit);
  EXPECT_GE(hull.getNumPoints(), 20);
}

// A threshold that is no energy (negative, NaN) leaves a moving body's thresholds as they were.
TEST(PhysicsSleep, ThresholdOfNoEnergyIsIgnored) {
  const std::unique_ptr<Actor> actor = test::cookActor(cubeMesh(2).data(), true);
  ASSERT_TRUE(actor);
  actor->setSleepThreshold(0.5f);
  for (float energy : {-1.0f, std::nanf("")}) {
    actor->setSleepThreshold(energy);
    EXPECT_FLOAT_EQ(actor->getBody()->getLinearSleepingThreshold(), 1.0f) << energy;
  }
}

// Bodies fall, come to rest on the ground plane or on static meshes (one without indices takes its
// points as triangles) and go to sleep; a static body never moves; a fast box does not pass a thin
// wall; a body whose mesh origin lies outside it keeps the mesh's frame.
TEST(PhysicsWorld, BodiesComeToRestOnStaticGround) {
  Physics physics;
  PhysicsScene& scene = *physics.getScene();
  BodyObject table("table", 0), box("box", 1), onTable("on table", 1), onShelf("on shelf", 1),
      wall("wall", 0), fast("fast", 1), statue("c_statue", 1);
  Actor* fixed = addBody(scene, table, cubeMesh(1.0f), glm::vec3(2, 0.5f, 0));
  Actor* falling = addBody(scene, box, cubeMesh(1.0f), glm::vec3(0, 5, 0));
  addBody(scene, onTable, cubeMesh(0.5f), glm::vec3(2, 2, 0));
  const MeshBuffers soup{{-9, 1, -5, -5, 1, 5, -1, 1, -5}, {}};
  std::unique_ptr<Actor> shelf = test::cookActor({soup.points.data(), 3, nullptr, 0}, false);
  ASSERT_TRUE(shelf);
  scene.addActor(std::move(shelf));
  addBody(scene, onShelf, cubeMesh(0.5f), glm::vec3(-5, 2, 0));
  addBody(scene, wall, test::boxMesh(glm::vec3(1.0f, 0, 8), glm::vec3(1.2f, 3, 12)), glm::vec3(0));
  addBody(scene, fast, cubeMesh(0.2f), glm::vec3(0, 1.5f, 10));
  fast.setVelocity(glm::vec3(100, 0, 0));  // past the wall and itself in one sub-step
  Actor* offCentre = addBody(scene, statue, test::boxMesh(glm::vec3(2, 0, 0), glm::vec3(3, 1, 1)),
                             glm::vec3(0, 0.5f, -8));
  btVector3 low, high;
  offCentre->getBody()->getAabb(low, high);
  EXPECT_NEAR(low.x(), 2.0f, 0.03f);
  EXPECT_NEAR(high.y(), 1.5f, 0.03f);

  fixed->setLinearVelocity(glm::vec3(5, 0, 0));
  simulateFor(scene, 1.0f);
  EXPECT_LT(falling->getGlobalPose().p.y, 5.0f - 1.0f);  // it fell under gravity
  simulateFor(scene, 5.0f);
  EXPECT_NEAR(falling->getGlobalPose().p.y, 0.5f, 0.02f);
  EXPECT_TRUE(falling->isSleeping());
  EXPECT_EQ(fixed->getGlobalPose().p, glm::vec3(2, 0.5f, 0));
  EXPECT_NEAR(onTable.getActor()->getGlobalPose().p.y, 1.25f, 0.03f);
  EXPECT_NEAR(onShelf.getActor()->getGlobalPose().p.y, 1.25f, 0.03f);
  EXPECT_LT(fast.getActor()->getGlobalPose().p.x, 1.0f);
  // The statue dropped straight down without tumbling.
  EXPECT_NEAR(glm::length(offCentre->getGlobalPose().p - glm::vec3(0, 0, -8)), 0.0f, 0.03f);
  EXPECT_NEAR(std::fabs(offCentre->getGlobalPose().q.w), 1.0f, 1e-3f);
}

// The sleep threshold is a kinetic energy per mass with the turning in it: a small body turning
// slowly holds far less of it than a large one turning as fast.
TEST(PhysicsWorld, SlowTurningLetsASmallBodySleepButNotALargeOne) {
  Physics physics;
  BodyObject small("small", 1), large("large", 1);
  Actor* pebble = addBody(*physics.getScene(), small, cubeMesh(0.1f), glm::vec3(-5, 5, 0));
  Actor* crate = addBody(*physics.getScene(), large, cubeMesh(2.0f), glm::vec3(5, 5, 0));
  for (Actor* actor : {pebble, crate}) actor->getBody()->setGravity(btVector3(0, 0, 0));
  // Both float and keep turning at 2 per second, for longer than a body takes to fall asleep.
  for (int frame = 0; frame < 4 * 60; ++frame) {
    for (Actor* actor : {pebble, crate}) {
      if (!actor->isSleeping()) actor->getBody()->setAngularVelocity(btVector3(0, 2, 0));
    }
    physics.getScene()->simulate(1.0f / 60.0f);
  }
  EXPECT_TRUE(pebble->isSleeping());  // 2^2 x (I/m = 0.1^2 / 6) / 2 is far below 0.75
  EXPECT_FALSE(crate->isSleeping());  // 2^2 x (I/m = 2^2 / 6) / 2 = 1.33 is above it
}

TEST(PhysicsFilter, RuleOutcomes) {
  const FilterData box{2, 4, 0, 0}, censorable{4, 2, 0, 0}, plain{4, 1, 0, 0};
  EXPECT_EQ(Physics::filterShader(0, box, 0, censorable), kPairFlagsContactNotify);
  EXPECT_EQ(Physics::filterShader(0, box, 0, plain), kPairFlagsContact);
  EXPECT_EQ(Physics::filterShader(kFilterObjectTrigger, box, 0, censorable), kPairFlagsTrigger);
  EXPECT_EQ(Physics::filterShader(0, plain, kFilterObjectTrigger, plain), kPairFlagsTrigger);

  BodyObject empty("unreadable", 1);
  testing::internal::CaptureStderr();
  Physics::setupFiltering(&empty, 2, 4);  // an object whose model gave no actor
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("ERROR: ", 0), 0u);
}

// A body of the first group resting on one of the second: only a box (group 2) touching a
// censorable object (group 4) is a hit, recorded and printed once.
TEST(PhysicsTrigger, OnlyABoxTouchingACensorableIsRecorded) {
  const struct {
    const char* what;
    uint32_t upperGroup, lowerGroup;
    int32_t lowerKind;
    bool hit;
  } cases[] = {
      {"box on a censorable", 2, 4, 0, true},
      {"box on a loose censorable; both have triggers", 2, 4, 1, true},
      {"box on a wall", 2, 0, 0, false},
      {"censorable on a box-group base", 4, 2, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Physics physics;
    BodyObject upper("upper", 1), lower("lower", c.lowerKind);
    addBody(*physics.getScene(), lower, cubeMesh(1.0f), glm::vec3(0, 0.5f, 0));
    addBody(*physics.getScene(), upper, cubeMesh(0.4f), glm::vec3(0, 1.2f, 0));
    Physics::setupFiltering(&upper, c.upperGroup, c.lowerGroup);
    if (c.lowerGroup) Physics::setupFiltering(&lower, c.lowerGroup, c.upperGroup);
    for (const Shape& shape : upper.getActor()->getShapes())
      EXPECT_EQ(shape.filterData.word1, c.lowerGroup);
    testing::internal::CaptureStdout();
    simulateFor(*physics.getScene(), 1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.hit ? "Censor IT!\n" : "");
    EXPECT_EQ(physics.pendingTrigger, c.hit ? &upper : nullptr);
    EXPECT_EQ(physics.pendingTarget, c.hit ? &lower : nullptr);
  }
}

// Every pair the scene reports, by the names of its actors and its status; passed on to the game.
// It may remove the first pair's trigger actor while the report is being read.
struct RecordingCallback : SimulationEventCallback {
  Physics* game = nullptr;
  PhysicsScene* removeFirstFrom = nullptr;
  std::vector<std::string> seen;
  void onTrigger(const TriggerPair* pairs, uint32_t count) override {
    if (removeFirstFrom && pairs[0].triggerActor)
      removeFirstFrom->removeActor(pairs[0].triggerActor);
    for (const TriggerPair* p = pairs; p != pairs + count; ++p) {
      const std::string trigger = p->flags & kRemovedShapeTrigger ? "removed" : "";
      seen.push_back((p->triggerActor ? p->triggerActor->getName() : trigger) +
                     (p->status == kTouchFound ? " found " : " lost ") + p->otherActor->getName());
    }
    if (game) game->onTrigger(pairs, count);
  }
  void onActorRemoved(const Actor& actor) override {
    if (game) game->onActorRemoved(actor);
  }
};

// A box and a censorable slab as the game sets them up, reporting to the callback and through it
// to the game's physics.
struct TriggerWorld {
  Physics game;
  RecordingCallback callback;
  PhysicsScene scene{&Physics::filterShader, &callback};
  BodyObject box{"box1", 1}, slab{"c_slab", 0};
  Actor* boxActor;

  TriggerWorld(const glm::vec3& boxAt, const glm::vec3& velocity) {
    callback.game = &game;
    addBody(scene, slab, test::boxMesh(glm::vec3(-3, 0, -3), glm::vec3(3, 1, 3)), glm::vec3(0));
    boxActor = addBody(scene, box, cubeMesh(1.0f), boxAt);
    Physics::setupFiltering(&slab, 4, 2);
    Physics::setupFiltering(&box, 2, 4);
    box.setVelocity(velocity);
  }
};

// A box dropped from 5 m onto the slab: whatever the frame time, it lands when 5 m of free fall
// take (within a sub-step) and its trigger reports are the same.
TEST(PhysicsTrigger, DroppedBoxKeepsRealTimeAndReportsAlikeAtAnyFrameRate) {
  const float fallTime = std::sqrt(2.0f * 5.0f / 9.8f);
  std::vector<std::string> firstReports;
  for (float dt : {1.0f / 144.0f, 1.0f / 7.0f}) {
    SCOPED_TRACE(dt);
    TriggerWorld world(glm::vec3(0, 6.5f, 0), glm::vec3(0));
    float landedAt = 0.0f;
    for (float t = dt; t < 4.0f; t += dt) {
      world.scene.simulate(dt);
      const Actor& box = *world.boxActor;
      const bool landed = box.getLinearVelocity().y > 0 || box.getGlobalPose().p.y < 1.55f;
      if (landed && landedAt == 0.0f) landedAt = t;
    }
    // The landing falls into the frame that ends at landedAt.
    EXPECT_GT(landedAt, fallTime - PhysicsScene::kFixedStep);
    EXPECT_LT(landedAt - dt, fallTime + PhysicsScene::kFixedStep);
    ASSERT_FALSE(world.callback.seen.empty());
    EXPECT_EQ(world.callback.seen.front(), "box1 found c_slab");
    if (firstReports.empty()) firstReports = world.callback.seen;
    EXPECT_EQ(world.callback.seen, firstReports);
  }
}

TEST(PhysicsTrigger, TouchInEarlySubStepOfLongFrameIsReported) {
  // Resting on the slab but already leaving it: the touch lasts only the first sub-step.
  TriggerWorld world(glm::vec3(0, 1.5f, 0), glm::vec3(0, 6, 0));
  testing::internal::CaptureStdout();
  world.scene.simulate(0.1f);  // twelve sub-steps
  // Found and lost within the frame: only the touch counts as a hit.
  EXPECT_EQ(world.callback.seen,
            (std::vector<std::string>{"box1 found c_slab", "box1 lost c_slab"}));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Censor IT!\n");
  EXPECT_EQ(world.game.pendingTrigger, &world.box);
  EXPECT_EQ(world.game.pendingTarget, &world.slab);
}

TEST(PhysicsTrigger, RemovingAnActorClearsRecordsThatNameItsObject) {
  TriggerWorld world(glm::vec3(0, 1.5f, 0), glm::vec3(0));
  const Physics& game = world.game;
  testing::internal::CaptureStdout();
  simulateFor(world.scene, 0.2f);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(game.pendingTrigger, &world.box);
  world.scene.removeActor(world.boxActor);
  world.box.actors.clear();
  EXPECT_EQ(game.pendingTrigger, nullptr);
  EXPECT_EQ(game.pendingTarget, &world.slab);  // still to be censored
  EXPECT_EQ(world.scene.actorCount(), 1u);
  simulateFor(world.scene, 0.2f);  // no report may name the destroyed actor
}

TEST(PhysicsTrigger, ActorRemovedDuringReportIsMarkedInItsPairs) {
  RecordingCallback callback;
  PhysicsScene scene(&Physics::filterShader, &callback);
  callback.removeFirstFrom = &scene;
  BodyObject left("left", 0), right("right", 0), box("box", 1);
  addBody(scene, left, cubeMesh(1.0f), glm::vec3(-0.5f, 0.5f, 0));
  addBody(scene, right, cubeMesh(1.0f), glm::vec3(0.5f, 0.5f, 0));
  addBody(scene, box, cubeMesh(0.4f), glm::vec3(0, 1.2f, 0));  // bridges both blocks
  scene.simulate(1.0f / 60.0f);
  std::sort(callback.seen.begin(), callback.seen.end());
  EXPECT_EQ(callback.seen, (std::vector<std::string>{"removed found left", "removed found right"}));
  simulateFor(scene, 0.5f);
  EXPECT_EQ(callback.seen.size(), 2u);
}

constexpr float kSpeed = 5.0f;  // the player's walking speed
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
    probe.setWorldTransform(
        btTransform(btQuaternion::getIdentity(), btVector3(at().x, at().y, at().z)));
    DeepestContact contact;
    scene.impl().world.contactTest(&probe, contact);
    return contact.deepest;
  }
  glm::dvec3 at() const { return controller.getPosition(); }
};

void stairs(Walker& w) {  // twelve steps 0.5 high and deep, the last one a landing
  for (float i = 0; i < 12; ++i)
    w.add({1 + i / 2, 0, -2}, {i == 11 ? 10.5f : 1.5f + i / 2, (i + 1) / 2, 2});
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
      {"standing on the floor",
       [](Walker&) {},
       {0, 0, 0},
       1,
       {-1e-6, h - .02, -1e-6},
       {1e-6, h + .02, 1e-6},
       kCollisionDown,
       kCollisionSides},
      {"pushed out of the floor",
       [](Walker&) {},
       {0, 0, 0},
       .1f,
       {-.01, h - .11, -.01},
       {.01, h + .02, .01},
       kCollisionDown,
       0,
       {0, 0.8, 0}},
      {"falling onto the floor",
       [](Walker&) {},
       {0, 0, 0},
       1.5f,
       {-.01, h - .02, -.01},
       {.01, h + .02, .01},
       kCollisionDown,
       0,
       {0, 20, 0}},
      {"a wall stops it outside",
       [](Walker& w) {
         w.add({2, 0, -5}, {2.5f, 4, 5});
       },
       {1, 0, 0},
       2,
       {1.15, h - .02, -.01},
       {1.3, h + .02, .01},
       kCollisionSides,
       0},
      {"it slides along a wall",
       [](Walker& w) {
         w.add({-5, 0, -2.5f}, {10, 4, -2});
       },
       glm::normalize(glm::vec3(1, 0, -1)),
       1,
       {3, h - .02, -1.3},
       {inf, h + .02, -1.15},
       kCollisionSides,
       0},
      {"up a half-unit step",
       [](Walker& w) {
         w.add({1.5f, 0, -5}, {8, .5f, 5});
       },
       {1, 0, 0},
       1,
       {4, h + .48, -.01},
       {inf, h + .52, .01},
       kCollisionDown,
       0},
      {"not up a step above the offset",
       [](Walker& w) {
         w.add({1.5f, 0, -5}, {8, 1.5f, 5});
       },
       {1, 0, 0},
       1.5f,
       {0, h - .02, -.01},
       {.8, h + .02, .01},
       0,
       0},
      {"up a flight of steps",
       stairs,
       {1, 0, 0},
       1.6f,
       {7, h + 5.98, -.01},
       {inf, h + 6.02, .01},
       kCollisionDown,
       0},
      {"down the flight",
       stairs,
       {-1, 0, 0},
       2,
       {-inf, h - .02, -.01},
       {0, h + .02, .01},
       kCollisionDown,
       0,
       {8, h + 6, 0}},
      {"up a gentle ramp",
       [](Walker& w) {
         w.add(test::ramp(30, 6), 0, {1, 0, 0});
       },
       {1, 0, 0},
       1,
       {2, h + 1, -.01},
       {inf, inf, .01},
       0,
       0},
      {"not up a steep ramp",
       [](Walker& w) {
         w.add(test::ramp(60, 6), 0, {1, 0, 0});
       },
       {1, 0, 0},
       2,
       {0, h - .02, -.01},
       {1, h + .3, .01},
       kCollisionDown,
       0},
      // The capsule (3.3 with its skin) passes the lintel only while not lifted by the step offset.
      {"through a doorway 4 high",
       [](Walker& w) {
         for (float z : {-10.0f, 1.2f}) w.add({2, 0, z}, {2.3f, 8, z + 8.8f});
         w.add({2, 4, -1.2f}, {2.3f, 8, 1.2f});
       },
       {1, 0, 0},
       1.5f,
       {4, h - .15, -.5},
       {inf, h + .15, .5},
       0,
       0},
      // Dropped into a table top of many layers: out beside or on it, never flung across the room.
      {"placed into furniture",
       [](Walker& w) {
         MeshBuffers top;
         for (int i = 0; i < 8; ++i) test::appendBox(top, {-1, 1, -1}, {1, 1.2f + .01f * i, 1});
         w.add(top);
       },
       {0, 0, 0},
       .5f,
       {-1, h - .02, -1.2},
       {2, h + 1.3, 1.8},
       0,
       0,
       {0.5, h, 0.3}},
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

// One fall that lands on a 60 degree roof goes no further than the move asked: what the landing
// left over slides down the roof, what it used up does not slide again.
TEST(PhysicsController, LandingOnASteepRoofGoesNoFurtherThanTheFall) {
  Walker walker;
  walker.add(test::ramp(60, 6), 0, {1, 0, 0});
  const glm::dvec3 start(4, 5.2 + kStanding + 1, 0);  // the roof is 5.2 high at x = 4
  walker.controller.setPosition(start);
  const float fall = 2.0f;
  EXPECT_TRUE(walker.controller.move(glm::vec3(0, -fall, 0), 0.001f, 1.0f / 15) & kCollisionDown);
  const glm::dvec3 moved = walker.at() - start;
  EXPECT_LT(moved.x, -0.1) << "slid down the roof";
  EXPECT_LE(glm::length(moved), fall + 1e-3);
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

using scene::CameraActor;

constexpr float kDt = 1.0f / 60.0f;

class SceneCamera : public ::testing::Test {
 protected:
  // Puts the capsule's centre 1.6 above the point and lets the view follow.
  void placeAt(const glm::vec3& point) {
    camera.transform(glm::translate(glm::mat4(1.0f), point), false);
    camera.getViewMatrix();
  }
  float height() const { return static_cast<float>(camera.controller->getPosition().y); }

  Physics physics;
  CameraActor camera{physics.getScene(), glm::vec3(0, 1, 0), -90.0f, 0.0f,
                     "Resources/Human/basic_male.obj"};
};

TEST_F(SceneCamera, ViewLooksAlongYawAndPitchFromTheEyeAboveTheCentre) {
  camera.yaw = 0.0f;
  camera.pitch = 30.0f;
  placeAt({3, 10, -4});
  expectNear(camera.front, {0.86603f, 0.5f, 0}, 1e-4f);
  expectNear(camera.right, {0, 0, 1}, 1e-5f);
  expectNear(camera.up, {-0.5f, 0.86603f, 0}, 1e-4f);
  expectNear(glm::vec3(camera.controller->getPosition()), {3, 11.6f, -4}, 1e-5f);
  expectNear(camera.position, {3, 12.6f, -4}, 1e-5f);

  camera.yaw = 20.0f;
  camera.pitch = -35.0f;
  const glm::mat4 view = camera.getViewMatrix();
  const glm::vec3 eye = camera.position;
  // The eye goes to the origin, the point ahead onto -z, up onto +y.
  expectNear(glm::vec3(view * glm::vec4(eye, 1)), {0, 0, 0}, 1e-4f);
  expectNear(glm::vec3(view * glm::vec4(eye + camera.front, 1)), {0, 0, -1}, 1e-4f);
  expectNear(glm::vec3(view * glm::vec4(eye + camera.up, 1)), {0, 1, 0}, 1e-4f);
}

// High above the ground nothing is in the way, so every move is exactly the displacement; looking
// up or down never lifts the player.
TEST_F(SceneCamera, KeysMoveHorizontallyAtWalkingSpeedWhileGravityPulls) {
  const float s = 5.0f * 0.1f, steep = s * std::cos(glm::radians(89.0f));
  const struct {
    const char* what;
    uint32_t flags;
    float pitch;
    glm::vec2 xz;
  } cases[] = {
      {"forward", scene::kMoveForward, 0, {0, -s}},
      {"backward", scene::kMoveBackward, 0, {0, s}},
      {"left", scene::kMoveLeft, 0, {-s, 0}},
      {"right", scene::kMoveRight, 0, {s, 0}},
      {"forward and backward cancel", scene::kMoveForward | scene::kMoveBackward, 0, {0, 0}},
      {"forward and right", scene::kMoveForward | scene::kMoveRight, 0, {s, -s}},
      {"unused bit", 1, 0, {0, 0}},
      {"forward looking steeply up", scene::kMoveForward, 89, {0, -steep}},
      {"backward looking steeply down", scene::kMoveBackward, -89, {0, steep}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    camera.pitch = c.pitch;
    placeAt({0, 100, 0});
    const glm::vec3 before(camera.controller->getPosition());
    camera.move(c.flags, 0.1f);
    expectNear(glm::vec3(camera.controller->getPosition()) - before, {c.xz.x, -1.5f, c.xz.y},
               1e-4f);
    EXPECT_FALSE(camera.jumping);
  }
}

TEST_F(SceneCamera, JumpFollowsItsCurveAndEndsOnTheGround) {
  placeAt({0, 0, 0});  // feet on the world's ground plane
  for (int i = 0; i < 30; ++i) camera.move(0, kDt);
  const float standing = height();
  EXPECT_NEAR(standing, 1.6f, 0.15f);
  // Twice: holding the key all the way, then pressing it once; a press during a jump does not
  // restart it, and after landing a press starts a new one.
  for (uint32_t held : {uint32_t{scene::kMoveJump}, 0u}) {
    SCOPED_TRACE(held);
    ASSERT_FALSE(camera.jumping);
    const float from = height();
    camera.move(scene::kMoveJump, kDt);
    EXPECT_TRUE(camera.jumping);
    // The first frame already advances the curve: 2.5 (19 t - 50 t^2) up per second.
    EXPECT_NEAR(height() - from, 2.5f * (19 * kDt - 50 * kDt * kDt) * kDt, 1e-3f);
    float highest = from;
    for (int frame = 0; camera.jumping && frame < 120; ++frame) {
      camera.move(held, kDt);
      highest = std::max(highest, height());
    }
    EXPECT_FALSE(camera.jumping) << "landed";
    // The curve rises for 0.38 s; the stretched rise integrates to about 1.14 units.
    EXPECT_NEAR(highest - from, 1.14f, 0.1f);
    EXPECT_NEAR(height(), standing, 0.15f);
  }
}

// Whatever the slope, the first collision below ends a jump: here high up on a 60 degree roof,
// long before the player has slid down to the floor.
TEST_F(SceneCamera, LandingOnASteepSlopeEndsTheJump) {
  test::BodyObject roof("roof", 0);
  test::addBody(*physics.getScene(), roof, test::ramp(60.0f, 6.0f), glm::vec3(1, 0, 0));
  placeAt({4, 6, 0});  // above the roof, which is 5.2 high there
  camera.move(scene::kMoveJump, kDt);
  for (int frame = 0; frame < 120 && camera.jumping; ++frame) camera.move(0, kDt);
  EXPECT_FALSE(camera.jumping);
  EXPECT_GT(height(), 1.6f + 3.0f);
}

}  // namespace
}  // namespace vorn
