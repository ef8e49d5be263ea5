// The whole game played through its input: every censorable object is hit by a thrown box, the
// staircase is climbed, the win room entered, and the game closes itself.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/Aiming.h"
#include "support/GameDriver.h"
#include "support/Routes.h"

namespace vorn {
namespace {

using test::centreOf;
using test::GameDriver;
using test::heightOf;
using test::kDegrees;
using test::throwPitch;
using test::yawTowards;

class PlayThrough : public ::testing::Test {
 protected:
  // Stands somewhere around the target from where a box reaches it, throws, and waits for the
  // censor swap. True once the object is censored.
  bool censor(const std::string& name) {
    const int before = game.censoredCount;
    const auto target = ::scene().get(name);
    if (!target) return false;
    const glm::vec3 centre = centreOf(*target);
    const float floorY = centre.y >= 5.9f ? 6.0f : 0.0f;
    // Aim at the middle, or higher up where a shelf or a table edge covers the middle.
    const glm::vec3 raised = centre + glm::vec3(0.0f, 0.25f * heightOf(*target), 0.0f);
    for (float distance : {3.0f, 2.2f, 4.0f}) {
      for (int step = 0; step < 16; ++step) {
        const float heading = step * 22.5f * kDegrees;
        const glm::vec3 spot(centre.x + distance * std::cos(heading), floorY,
                             centre.z + distance * std::sin(heading));
        if (!standStill(spot)) continue;
        for (const glm::vec3& aim : {centre, raised}) {
          if (throwAt(aim, before)) {
            std::printf("%s censored from (%.1f, %.1f, %.1f)\n", name.c_str(), spot.x, spot.y, spot.z);
            return true;
          }
          if (!standStill(spot)) break;
        }
      }
    }
    return false;
  }

  // Throws from where the player stands so that the box flies through the point; true once the
  // censor count has grown.
  bool throwAt(const glm::vec3& aim, int before) {
    const glm::vec3 eye = driver.eye();
    const float pitch = throwPitch(eye, aim);
    if (std::isnan(pitch)) return false;
    driver.runUntil([] { return false; }, 0.35f);  // the cool-down of any earlier throw
    driver.look(yawTowards(eye, aim), pitch);
    driver.throwBox();
    return driver.runUntil([&] { return game.censoredCount > before; }, 2.0f);
  }

  // Puts the player at the spot and lets the controller settle; false when the spot is inside
  // something or has no floor.
  bool standStill(const glm::vec3& spot) {
    driver.standAt(spot + glm::vec3(0.0f, 0.05f, 0.0f), 0.0f, 0.0f);
    driver.runUntil([] { return false; }, 0.25f);
    const glm::vec3 feet = driver.feet();
    return std::hypot(feet.x - spot.x, feet.z - spot.z) < 0.2f && std::abs(feet.y - spot.y) < 0.3f;
  }

  GameDriver driver;
  Game& game = driver.game;
};

TEST_F(PlayThrough, CensorEverythingClimbTheStairsAndWin) {
  test::CoutCapture console;
  game.effectsEnabled = false;  // keeps the long run affordable on a software renderer
  driver.runUntil([] { return false; }, 0.5f);

  std::vector<std::string> missed;
  for (const scene::LevelEntry& entry : scene::levelLayout())
    if (scene::isCensorable(entry.name) && !censor(entry.name)) missed.push_back(entry.name);
  EXPECT_TRUE(missed.empty()) << "not censored: " << ::testing::PrintToString(missed);
  EXPECT_EQ(game.censoredCount, 13);
  EXPECT_EQ(game.boxCount >= 13, true);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    if (!scene::isCensorable(entry.name)) continue;
    EXPECT_EQ(::scene().get(entry.name)->getName(), std::string(entry.name) + "_censored");
  }

  // From the start along the hallway, up the staircase and into the win room.
  driver.standAt({-15, 0, 0}, 0, 0);
  for (const glm::vec3& waypoint : test::routeToWinRoom())
    ASSERT_TRUE(driver.walkTo(waypoint)) << "stuck before " << waypoint.x << ", " << waypoint.z;
  int frames = 0;
  while (!glfwWindowShouldClose(game.window) && frames < 600) {
    driver.frame(1.0f / 60.0f);
    ++frames;
  }
  const std::string printed = console.text();
  EXPECT_NE(printed.find("Lights switched!"), std::string::npos);
  EXPECT_NE(printed.find("YOU WON!"), std::string::npos);
  EXPECT_NE(printed.find("Censor IT!"), std::string::npos);
  EXPECT_TRUE(game.hasWon);
  EXPECT_EQ(::scene().getPointLight("point3")->color, glm::vec3(0, 1, 0));
  EXPECT_TRUE(glfwWindowShouldClose(game.window));
}

}  // namespace
}  // namespace vorn
