// The player's camera actor: viewing directions from yaw and pitch, the eye above the capsule,
// walking, falling and jumping through the character controller.
#include <cmath>
#include <memory>
#include <sstream>
#include <string>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/matrix_inverse.hpp>
#include <gtest/gtest.h>

#include "physics/Physics.h"
#include "scene/CameraActor.h"
#include "support/GlContext.h"
#include "support/ScratchDirectory.h"
#include "test_physics_helpers.h"

namespace vorn {
namespace {

using scene::CameraActor;

static_assert(scene::kMoveForward == 2 && scene::kMoveBackward == 4 && scene::kMoveLeft == 8 &&
                  scene::kMoveRight == 16 && scene::kMoveJump == 32,
              "the input handling sets these bits");

constexpr float kDt = 1.0f / 60.0f;

void expectNear(const glm::vec3& actual, const glm::vec3& expected, float eps) {
  EXPECT_NEAR(actual.x, expected.x, eps);
  EXPECT_NEAR(actual.y, expected.y, eps);
  EXPECT_NEAR(actual.z, expected.z, eps);
}

glm::vec3 centreOf(const CameraActor& camera) {
  return glm::vec3(camera.controller->getPosition());
}

class SceneCamera : public ::testing::Test {
 protected:
  // Puts the capsule's centre 1.6 above the point and lets the view follow.
  void placeAt(const glm::vec3& point) {
    camera->transform(glm::translate(glm::mat4(1.0f), point), false);
    camera->getViewMatrix();
  }

  // Moves until the controller reports ground below (a few frames at most).
  void settle() {
    for (int i = 0; i < 30; ++i) camera->move(0, kDt);
  }

  Physics physics;
  std::unique_ptr<CameraActor> camera = std::make_unique<CameraActor>(
      physics.getScene(), glm::vec3(0, 1, 0), -90.0f, 0.0f, "Resources/Human/basic_male.obj");
};

TEST_F(SceneCamera, StartsAsAnUnregisteredMeshWithItsController) {
  EXPECT_EQ(camera->getName(), "cameraactor");
  EXPECT_EQ(camera->kind, 2);
  EXPECT_TRUE(camera->actors.empty());
  ASSERT_NE(camera->getActor(), nullptr);
  EXPECT_EQ(camera->getActor(), camera->controller->getActor());
  EXPECT_TRUE(camera->hasPose());
}

TEST_F(SceneCamera, YawAndPitchGiveTheViewingDirections) {
  camera->getViewMatrix();
  expectNear(camera->front, {0, 0, -1}, 1e-6f);
  expectNear(camera->right, {1, 0, 0}, 1e-6f);
  expectNear(camera->up, {0, 1, 0}, 1e-6f);

  camera->yaw = -370.0f;
  camera->getViewMatrix();
  expectNear(camera->front, {0.98481f, 0, -0.17365f}, 1e-4f);

  camera->yaw = 0.0f;
  camera->pitch = 30.0f;
  camera->getViewMatrix();
  expectNear(camera->front, {0.86603f, 0.5f, 0}, 1e-4f);
  expectNear(camera->right, {0, 0, 1}, 1e-5f);
  expectNear(camera->up, {-0.5f, 0.86603f, 0}, 1e-4f);
}

TEST_F(SceneCamera, ViewMatrixLooksFromTheEyeAlongFront) {
  placeAt({2, 0, 3});
  camera->yaw = 20.0f;
  camera->pitch = -35.0f;
  const glm::mat4 view = camera->getViewMatrix();
  const glm::vec3 eye = camera->position;
  // The eye goes to the origin, the point ahead onto -z, up onto +y, right onto +x.
  expectNear(glm::vec3(view * glm::vec4(eye, 1)), {0, 0, 0}, 1e-4f);
  expectNear(glm::vec3(view * glm::vec4(eye + camera->front, 1)), {0, 0, -1}, 1e-4f);
  expectNear(glm::vec3(view * glm::vec4(eye + camera->up, 1)), {0, 1, 0}, 1e-4f);
  expectNear(glm::vec3(view * glm::vec4(eye + camera->right, 1)), {1, 0, 0}, 1e-4f);
  EXPECT_NEAR(glm::dot(camera->front, camera->up), 0.0f, 1e-6f);
}

TEST_F(SceneCamera, TransformPutsTheCentreAboveThePointAndTheEyeAboveThat) {
  testing::internal::CaptureStderr();
  camera->transform(glm::translate(glm::mat4(1.0f), glm::vec3(3, 10, -4)), false);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "the camera has a pose to transform";

  const glm::dvec3 centre = camera->controller->getPosition();
  EXPECT_NEAR(centre.x, 3.0, 1e-6);
  EXPECT_NEAR(centre.y, 11.6, 1e-6);
  EXPECT_NEAR(centre.z, -4.0, 1e-6);
  expectNear(camera->getGlobalPose().p, {3, 11.6f, -4}, 1e-5f);

  const glm::mat4 view = camera->getViewMatrix();
  expectNear(camera->position, {3, 12.6f, -4}, 1e-5f);
  expectNear(glm::vec3(glm::inverse(view)[3]), {3, 12.6f, -4}, 1e-4f);
}

// High above the ground nothing is in the way, so every move is exactly the displacement.
TEST_F(SceneCamera, KeysMoveHorizontallyAtWalkingSpeedWhileGravityPulls) {
  struct Case {
    const char* what;
    uint32_t flags;
    glm::vec2 xz;
  };
  const float s = 5.0f * 0.1f;
  const Case cases[] = {
      {"forward", scene::kMoveForward, {0, -s}},
      {"backward", scene::kMoveBackward, {0, s}},
      {"left", scene::kMoveLeft, {-s, 0}},
      {"right", scene::kMoveRight, {s, 0}},
      {"forward and backward cancel", scene::kMoveForward | scene::kMoveBackward, {0, 0}},
      {"all four cancel", scene::kMoveForward | scene::kMoveBackward | scene::kMoveLeft |
                              scene::kMoveRight, {0, 0}},
      {"forward and right", scene::kMoveForward | scene::kMoveRight, {s, -s}},
      {"unused bit", 1, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    placeAt({0, 100, 0});
    const glm::vec3 before = centreOf(*camera);
    camera->move(c.flags, 0.1f);
    const glm::vec3 step = centreOf(*camera) - before;
    EXPECT_NEAR(step.x, c.xz.x, 1e-4f);
    EXPECT_NEAR(step.z, c.xz.y, 1e-4f);
    EXPECT_NEAR(step.y, -1.5f, 1e-4f);
    EXPECT_FALSE(camera->jumping);
  }
}

TEST_F(SceneCamera, LookingSteeplyUpSlowsWalkingWithoutLifting) {
  placeAt({0, 100, 0});
  camera->pitch = 89.0f;
  camera->getViewMatrix();
  const glm::vec3 before = centreOf(*camera);
  camera->move(scene::kMoveForward, 0.1f);
  const glm::vec3 step = centreOf(*camera) - before;
  EXPECT_NEAR(std::hypot(step.x, step.z), 0.5f * std::cos(glm::radians(89.0f)), 1e-4f);
  EXPECT_NEAR(step.y, -1.5f, 1e-4f);
}

TEST_F(SceneCamera, JumpFollowsItsCurveAndEndsOnTheGround) {
  placeAt({0, 0, 0});  // feet on the world's ground plane
  settle();
  ASSERT_FALSE(camera->jumping);
  const float standing = centreOf(*camera).y;
  EXPECT_NEAR(standing, 1.6f, 0.15f);

  camera->move(scene::kMoveJump, kDt);
  EXPECT_TRUE(camera->jumping);
  EXPECT_FLOAT_EQ(camera->jumpTime, 0.0001f + kDt) << "the first frame already advances the curve";
  const float t = 0.0001f + kDt;
  EXPECT_NEAR(centreOf(*camera).y - standing, 2.5f * (19 * t - 50 * t * t) * kDt, 1e-3f);

  camera->move(scene::kMoveJump, kDt);
  EXPECT_FLOAT_EQ(camera->jumpTime, 0.0001f + 2 * kDt) << "a press during a jump does not restart";

  float highest = standing;
  int frames = 0;
  while (camera->jumping && frames < 120) {
    camera->move(scene::kMoveJump, kDt);
    highest = std::max(highest, centreOf(*camera).y);
    ++frames;
  }
  EXPECT_FALSE(camera->jumping) << "landed";
  // The curve rises for 0.38 s; the stretched rise integrates to about 1.14 units.
  EXPECT_NEAR(highest - standing, 1.14f, 0.1f);
  EXPECT_NEAR(centreOf(*camera).y, standing, 0.15f);
  EXPECT_GT(frames, 20);

  camera->move(scene::kMoveJump, kDt);
  EXPECT_TRUE(camera->jumping);
  EXPECT_FLOAT_EQ(camera->jumpTime, 0.0001f + kDt) << "after landing a press starts a new jump";
}

// Whatever the slope, the first collision below ends a jump: here high up on a 60 degree roof,
// long before the player has slid down to the floor.
TEST_F(SceneCamera, LandingOnASteepSlopeEndsTheJump) {
  test::BodyObject roof("roof", 0);
  test::addBody(*physics.getScene(), roof, test::ramp(60.0f, 6.0f), glm::vec3(1, 0, 0));
  placeAt({4, 6, 0});  // above the roof, which is 5.2 high there
  camera->move(scene::kMoveJump, kDt);
  for (int frame = 0; frame < 120 && camera->jumping; ++frame) camera->move(0, kDt);
  EXPECT_FALSE(camera->jumping);
  EXPECT_GT(centreOf(*camera).y, 1.6f + 3.0f);
}

TEST_F(SceneCamera, JumpIntoEmptySpaceNeverEnds) {
  placeAt({0, 1000, 0});
  camera->move(scene::kMoveJump, kDt);
  float previous = centreOf(*camera).y;
  float lastStep = 0.0f;
  for (int i = 0; i < 90; ++i) {
    camera->move(0, kDt);
    const float y = centreOf(*camera).y;
    lastStep = y - previous;
    previous = y;
  }
  EXPECT_TRUE(camera->jumping);
  // At t = 1.5 s the curve gives v = 19 t - 50 t^2, far faster than the standing fall.
  const float t = camera->jumpTime;
  EXPECT_NEAR(lastStep, (19 * t - 50 * t * t) * kDt, 0.02f);
  EXPECT_LT(lastStep, -15.0f * kDt);
}

// A floor that is a loaded model: the capsule stands on it, walks across it and falls off its edge.
class SceneCameraOnFloor : public test::GlTest {
 protected:
  test::ScratchDirectory scratch{"camera"};
  Physics physics;
};

TEST_F(SceneCameraOnFloor, WalksOnAStaticMeshAndFallsOffItsEdge) {
  // A slab 40 x 1 x 40 whose top is at y = 5, well above the world's ground plane.
  std::ostringstream obj;
  for (int i = 0; i < 8; ++i)
    obj << "v " << (i & 1 ? 20 : -20) << " " << (i & 2 ? 5 : 4) << " " << (i & 4 ? 20 : -20)
        << "\n";
  obj << "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
  const std::string path = scratch.write("floor.obj", obj.str());
  scene::AssetCache assets;
  scene::MeshObject floor("floor", path, 0);
  ASSERT_TRUE(floor.loadModel(assets, physics.createMaterial(0.5f, 0.5f, 0.5f),
                              physics.getCooking(), physics.getScene(), 1, 1, 1));

  CameraActor camera(physics.getScene(), glm::vec3(0, 1, 0), -90.0f, 0.0f, path);
  camera.transform(glm::translate(glm::mat4(1.0f), glm::vec3(0, 5, 0)), false);
  camera.getViewMatrix();
  for (int i = 0; i < 10; ++i) camera.move(0, kDt);
  EXPECT_FALSE(camera.jumping);
  EXPECT_NEAR(centreOf(camera).y, 6.6f, 0.15f);

  for (int i = 0; i < 60; ++i) camera.move(scene::kMoveForward, kDt);
  expectNear(centreOf(camera), {0, 6.6f, -5}, 0.15f);
  camera.getViewMatrix();
  EXPECT_NEAR(camera.position.y, centreOf(camera).y + 1.0f, 1e-5f);

  // Four more seconds carry the player 20 units further, past the edge at z = -20.
  for (int i = 0; i < 240; ++i) camera.move(scene::kMoveForward, kDt);
  EXPECT_NEAR(centreOf(camera).z, -25.0f, 0.3f);
  EXPECT_NEAR(centreOf(camera).y, 1.6f, 0.15f) << "down on the ground plane";
}

}  // namespace
}  // namespace vorn
