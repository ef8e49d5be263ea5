// The player's camera actor: viewing directions from yaw and pitch, the eye above the capsule,
// walking, falling and jumping through the character controller.
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "scene/CameraActor.h"
#include "support/Near.h"
#include "test_physics_helpers.h"

namespace vorn {
namespace {

using scene::CameraActor;

constexpr float kDt = 1.0f / 60.0f;

using test::expectNear;

class SceneCamera : public ::testing::Test {
 protected:
  // Puts the capsule's centre 1.6 above the point and lets the view follow.
  void placeAt(const glm::vec3& point) {
    camera.transform(glm::translate(glm::mat4(1.0f), point), false);
    camera.getViewMatrix();
  }
  float height() const { return static_cast<float>(camera.controller->getPosition().y); }

  Physics physics;
  CameraActor camera{physics.getScene(), glm::vec3(0, 1, 0), -90.0f, 0.0f, "Resources/Human/basic_male.obj"};
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
    expectNear(glm::vec3(camera.controller->getPosition()) - before, {c.xz.x, -1.5f, c.xz.y}, 1e-4f);
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
