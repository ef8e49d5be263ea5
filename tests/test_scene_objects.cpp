// Scene objects, derived objects and the registry: pose and matrix conversions, placing objects
// through their physics actors, the four name-ordered maps and their ownership.
#include <algorithm>
#include <limits>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/quaternion.hpp>

#include "scene/DerivedObject.h"
#include "scene/SceneObject.h"
#include "scene/SceneRegistry.h"
#include "support/Near.h"
#include "test_physics_helpers.h"

namespace vorn {
namespace {

using scene::DerivedObject;
using scene::matrixToPose;
using scene::poseToMatrix;
using scene::SceneObject;

constexpr float kEps = 1e-5f;

glm::mat4 rotationY(float degrees) {
  return glm::rotate(glm::mat4(1.0f), glm::radians(degrees), glm::vec3(0, 1, 0));
}

glm::mat4 translation(const glm::vec3& t) { return glm::translate(glm::mat4(1.0f), t); }

using test::expectNear;

// Quaternions q and -q are the same rotation.
void expectSameRotation(const glm::quat& actual, const glm::quat& expected) {
  const float sign = glm::dot(actual, expected) < 0.0f ? -1.0f : 1.0f;
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], sign * expected[i], kEps) << i;
}

glm::vec3 turn(const Pose& pose, const glm::vec3& v) {
  return glm::vec3(poseToMatrix(pose) * glm::vec4(v, 0.0f));
}

// Pose and matrix

TEST(ScenePose, EveryPivotGivesTheRotationBack) {
  struct Case {
    const char* what;
    float degrees;
    glm::vec3 axis;
  };
  // Traces below zero need the pivot of the largest diagonal element; exact 180 degree turns hit
  // the ties between diagonal elements.
  const Case cases[] = {
      {"trace positive", 30, {0.2f, 1, 0.3f}}, {"pivot x", 170, {1, 0.1f, 0.2f}},
      {"pivot y", 170, {0.1f, 1, -0.2f}},      {"pivot z", 170, {0.2f, -0.1f, 1}},
      {"half turn about x", 180, {1, 0, 0}},   {"half turn about y", 180, {0, 1, 0}},
      {"half turn about z", 180, {0, 0, 1}},   {"tie x and y", 180, {1, 1, 0}},
      {"tie y and z", 180, {0, 1, 1}},         {"tie x and z", 180, {1, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const glm::quat q = glm::angleAxis(glm::radians(c.degrees), glm::normalize(c.axis));
    const glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(-4, 5, 6)) * glm::mat4_cast(q);
    const Pose pose = matrixToPose(m);
    expectSameRotation(pose.q, q);
    EXPECT_NEAR(glm::length(pose.q), 1.0f, kEps);
    expectNear(pose.p, glm::vec3(-4, 5, 6));
    expectNear(poseToMatrix(pose), m);
  }
}

// Objects placed through their actors

using TestObject = test::BodyObject;

class SceneObjects : public ::testing::Test {
 protected:
  // Gives the object one actor at the identity pose, as the model import does (a loose body for
  // kind 1).
  void giveActor(SceneObject& object) {
    test::addBody(*physics.getScene(), object, test::cubeMesh(1.0f), glm::vec3(0.0f));
  }

  std::shared_ptr<TestObject> placeable(const std::string& name, float opacity = 1.0f) {
    auto object = std::make_shared<TestObject>(name, 0, &log);
    object->opacity = opacity;
    giveActor(*object);
    return object;
  }

  std::vector<std::string> log;
  Physics physics;
  SceneRegistry registry;
};

TEST_F(SceneObjects, LocalTransformsActInTheObjectsFrameWorldTransformsInTheWorlds) {
  auto object = placeable("o");
  object->transform(translation({5, 0, 0}), false);
  object->transform(rotationY(90), true);
  expectNear(object->getGlobalPose().p, glm::vec3(5, 0, 0));
  expectNear(turn(object->getGlobalPose(), {1, 0, 0}), glm::vec3(0, 0, -1));

  auto other = placeable("w");
  other->transform(translation({5, 0, 0}), false);
  other->transform(rotationY(90), false);
  expectNear(other->getGlobalPose().p, glm::vec3(0, 0, -5));
}

// Objects without actors are not placed, static ones not set moving, and nothing breaks; a loose
// body takes its velocity.
TEST_F(SceneObjects, ObjectsWithoutActorsAreNotPlacedButNothingBreaks) {
  auto bare = std::make_shared<TestObject>("bare");
  EXPECT_THROW(bare->getActor(), std::out_of_range);
  EXPECT_FALSE(bare->hasPose());

  testing::internal::CaptureStderr();
  bare->transform(translation({1, 0, 0}), false);
  registry.addObject({1, 0, 0}, "bare", bare, 0.0f);
  registry.insert("bare", bare);
  registry.addObject({1, 0, 0}, "null", nullptr, 0.0f);
  placeable("wall")->setVelocity({1, 0, 0});
  const std::string err = testing::internal::GetCapturedStderr();
  for (const char* line : {"transform 'bare'", "place 'bare'", "register 'bare'", "place 'null'",
                           "set the velocity of 'wall'"})
    EXPECT_NE(err.find(std::string("ERROR: cannot ") + line), std::string::npos) << err;
  auto box = std::make_shared<TestObject>("box", 1);
  giveActor(*box);
  box->setVelocity({0, 0, -10});
  expectNear(box->getActor()->getLinearVelocity(), glm::vec3(0, 0, -10));
  EXPECT_TRUE(registry.getOpaqueObjects().empty());
  EXPECT_TRUE(registry.getTransparentObjects().empty());
}

TEST_F(SceneObjects, WorldCornersFollowThePoseInImportOrder) {
  auto object = placeable("box");
  EXPECT_TRUE(object->getWorldCorners().empty());
  object->corners = {{-1, 0, -2, 1}, {1, 0, -2, 1}, {-1, 3, -2, 1}, {-1, 0, 2, 1},
                     {-1, 3, 2, 1},  {1, 0, 2, 1},  {1, 3, -2, 1},  {1, 3, 2, 1}};
  const std::vector<glm::vec4> atIdentity = object->getWorldCorners();
  ASSERT_EQ(atIdentity.size(), 8u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(atIdentity[i], object->corners[i]);

  object->transform(translation({10, 0, 0}) * rotationY(90), false);
  std::vector<glm::vec4> buffer(3);
  object->fillWorldCorners(buffer);
  ASSERT_EQ(buffer.size(), 8u);
  // (x, y, z) turned 90 degrees about y is (z, y, -x).
  for (int i = 0; i < 8; ++i) {
    const glm::vec4& c = object->corners[i];
    expectNear(glm::vec3(buffer[i]), glm::vec3(10 + c.z, c.y, -c.x));
    EXPECT_NEAR(buffer[i].w, 1.0f, kEps);
  }
  EXPECT_EQ(object->getWorldCorners(), buffer);
}

// Registry

// Opacity chooses the map; a name looked up that is not there adds nothing to any.
TEST_F(SceneObjects, OpacityChoosesTheMapAndGetOfAnUnknownNameAddsNothing) {
  registry.insert("opaque", placeable("opaque", 1.0f));
  registry.insert("glass", placeable("glass", 0.999f));
  registry.insert("nan", placeable("nan", std::numeric_limits<float>::quiet_NaN()));
  EXPECT_EQ(registry.get("unknown"), nullptr);
  EXPECT_EQ(registry.getPointLight("unknown"), nullptr);
  EXPECT_EQ(registry.getSpotLight("unknown"), nullptr);
  const ObjectMap opaque = registry.getOpaqueObjects();
  EXPECT_EQ(opaque.size(), 2u);
  EXPECT_EQ(opaque.count("nan"), 1u);
  EXPECT_EQ(registry.getTransparentObjects().size(), 1u);
  EXPECT_EQ(registry.getTransparentObjects().count("glass"), 1u);
}

TEST_F(SceneObjects, SameNameReplacesInOneMapAndCoexistsAcrossMaps) {
  auto first = placeable("first");
  auto second = placeable("second");
  auto glass = placeable("glass", 0.5f);
  registry.insert("x", first);
  registry.insert("x", second);
  EXPECT_EQ(registry.get("x"), second);
  EXPECT_EQ(first.use_count(), 1) << "the registry let go of the replaced handle";

  registry.insert("x", glass);
  EXPECT_EQ(registry.getOpaqueObjects().at("x"), second);
  EXPECT_EQ(registry.getTransparentObjects().at("x"), glass);
  EXPECT_EQ(registry.get("x"), second) << "get prefers the opaque entry";
  registry.remove(second.get(), "x");
  EXPECT_EQ(registry.get("x"), glass);
}

TEST_F(SceneObjects, RemoveChoosesTheMapByTheCurrentOpacity) {
  auto object = placeable("fading", 0.5f);
  registry.insert("fading", object);
  object->opacity = 1.0f;
  registry.remove(object.get(), "fading");
  EXPECT_EQ(registry.getTransparentObjects().count("fading"), 1u) << "looked in the opaque map";

  object->opacity = 0.5f;
  registry.remove(object.get(), "fading");
  EXPECT_TRUE(registry.getTransparentObjects().empty());
  registry.remove(object.get(), "fading");  // already gone: nothing happens

  testing::internal::CaptureStderr();
  registry.remove(nullptr, "fading");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("ERROR: "), std::string::npos);
}

// A replacement that cannot take over the pose (no body, none at all, no such name, not in the
// opaque map) is refused and the old object stays; one that can takes over the old pose, and the
// registry lets the old object go.
TEST_F(SceneObjects, ReplaceTakesOverTheOldPoseOrKeepsTheOldObject) {
  auto old = placeable("c_tv");
  registry.addObject({3, 1, -2}, "c_tv", old, 45.0f);
  auto glass = placeable("glass", 0.5f);
  registry.insert("glass", glass);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(registry.replace("c_tv", std::make_shared<TestObject>("c_tv_censored")));
  EXPECT_FALSE(registry.replace("c_tv", nullptr));
  EXPECT_FALSE(registry.replace("missing", placeable("new")));
  EXPECT_FALSE(
      registry.replace("glass", placeable("new glass")));  // only the opaque map is searched
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 4) << err;
  EXPECT_EQ(err.rfind("ERROR: ", 0), 0u) << err;
  EXPECT_EQ(registry.get("c_tv"), old);
  EXPECT_EQ(registry.get("glass"), glass);
  EXPECT_EQ(registry.get("missing"), nullptr);

  auto censored = placeable("c_tv_censored");
  EXPECT_TRUE(registry.replace("c_tv", censored));
  EXPECT_EQ(registry.get("c_tv"), censored);
  EXPECT_EQ(old.use_count(), 1);
  expectNear(censored->getGlobalPose().p, old->getGlobalPose().p);
  expectSameRotation(censored->getGlobalPose().q, old->getGlobalPose().q);
}

TEST_F(SceneObjects, DestructionReleasesLightsThenOpaqueThenTransparentObjects) {
  auto registered = std::make_unique<SceneRegistry>();
  auto logged = [this](auto* light) {
    log.push_back(light->name);
    delete light;
  };
  registered->addPointLight("point1", std::shared_ptr<scene::PointLight>(
                                          new scene::PointLight("point1", {}, {}, {}), logged));
  registered->addSpotLight("spot1", std::shared_ptr<scene::SpotLight>(
                                        new scene::SpotLight("spot1", {}, {}, {}, {}, 0), logged));
  registered->insert("z_glass", placeable("z_glass", 0.3f));
  registered->insert("b_wall", placeable("b_wall"));
  auto owned = new TestObject("a_owned", 0, &log);
  giveActor(*owned);
  registered->addOwned(owned, "a_owned");
  auto kept = placeable("kept");
  registered->insert("kept", kept);

  EXPECT_TRUE(log.empty());
  registered.reset();
  // Map by map; within one map the order is the container's business.
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0], "point1");
  EXPECT_EQ(log[1], "spot1");
  EXPECT_EQ(std::set<std::string>(log.begin() + 2, log.begin() + 4),
            (std::set<std::string>{"a_owned", "b_wall"}));
  EXPECT_EQ(log[4], "z_glass");
  EXPECT_EQ(kept.use_count(), 1) << "a handle held elsewhere keeps its object alive";
}

// Derived objects

// The order of the product follows the previous call; the pose is expressed in the anchor's frame.
TEST_F(SceneObjects, DerivedProductOrderFollowsThePreviousCallAndPoseTheAnchor) {
  TestObject arm("arm");
  auto person = placeable("person");
  DerivedObject derived(&arm, person.get());
  const glm::mat4 a = translation({0, 1, 0}) * rotationY(20);
  const glm::mat4 m = translation({3, 0, 0});
  derived.localMatrix = a;
  derived.transform(m, true);  // the first call multiplies on the right whatever it asks for
  expectNear(derived.localMatrix, a * m);
  EXPECT_EQ(derived.lastLocal, 1);
  derived.transform(m, false);  // the previous call was local: m goes on the left
  expectNear(derived.localMatrix, m * a * m);
  EXPECT_EQ(derived.lastLocal, 0);
  derived.transform(m, true);
  expectNear(derived.localMatrix, m * a * m * m);

  registry.addObject({2, 0, 0}, "person", person, 90.0f);
  DerivedObject offset(&arm, person.get());
  offset.transform(translation({1, 0, 0}), true);
  expectNear(offset.getGlobalPose().p, glm::vec3(2, 0, -1));
  // The offset travels with the anchor.
  person->transform(translation({0, 0, 5}), false);
  expectNear(offset.getGlobalPose().p, glm::vec3(2, 0, 4));
  // Before any local call, the local matrix acts in the world frame.
  DerivedObject world(&arm, person.get());
  world.localMatrix = translation({1, 0, 0});
  expectNear(world.getGlobalPose().p, glm::vec3(3, 0, 5));
}

TEST_F(SceneObjects, DerivedObjectBorrowsMeshPropertiesAndAnchorGeometry) {
  TestObject arm("arm");
  arm.opacity = 0.4f;
  arm.specular = 0.7f;
  auto person = placeable("person");
  person->corners = {{0, 0, 0, 1}, {1, 2, 3, 1}};
  person->transform(translation({1, 0, 0}), false);
  auto derived = new DerivedObject(&arm, person.get());

  derived->setFilterGroup(4);
  derived->setFilterMask(2);
  EXPECT_EQ(arm.filterGroup, 4u);
  EXPECT_EQ(arm.filterMask, 2u);
  EXPECT_EQ(derived->getFilterGroup(), 4u);
  EXPECT_EQ(derived->getMaterial().specular, 0.7f);
  EXPECT_EQ(derived->getWorldCorners(), person->getWorldCorners());
  EXPECT_EQ(derived->getActor(), person->getActor());
  derived->draw(true, 1);
  EXPECT_EQ(arm.draws, 1) << "drawn with its mesh's geometry";

  registry.addOwned(derived, derived->getName());
  EXPECT_EQ(registry.getTransparentObjects().count("arm_derived"), 1u);
  EXPECT_TRUE(registry.getOpaqueObjects().empty());

  // Whatever the anchor cannot do, the derived object cannot either.
  TestObject bare("bare");
  DerivedObject unanchored(&arm, &bare);
  EXPECT_FALSE(unanchored.hasPose());
  EXPECT_THROW(unanchored.getGlobalPose(), std::out_of_range);
}

}  // namespace
}  // namespace vorn
