// Keys, mouse and the render toggles, through the game's input seam.
#include <string>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"

namespace vorn {
namespace {

using test::GameDriver;

class Input : public ::testing::Test {
 protected:
  // One frame with the keys held down (and nothing else).
  std::string frameWith(std::initializer_list<int> keys, float dt = 1.0f / 60.0f) {
    test::CoutCapture console;
    driver.input->keys = keys;
    driver.frame(dt);
    driver.input->keys.clear();
    return console.text();
  }

  GameDriver driver{160, 120};
  Game& game = driver.game;
};

TEST_F(Input, OneToggleAFrameAndThenACoolDown) {
  driver.frame();
  EXPECT_EQ(frameWith({GLFW_KEY_F2, GLFW_KEY_F3}), "Frame Time: On\n");
  EXPECT_TRUE(game.showFrameTime);
  EXPECT_FALSE(game.wireframe);
  // F3 still held: nothing until 0.3 s have passed.
  for (int i = 0; i < 17; ++i) EXPECT_EQ(frameWith({GLFW_KEY_F3}), "") << "frame " << i;
  EXPECT_EQ(frameWith({GLFW_KEY_F3}), "Wire Frame: On\n");
  GLint mode[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_LINE);
  driver.runUntil([] { return false; }, 0.35f);
  EXPECT_EQ(frameWith({GLFW_KEY_F3}), "Wire Frame: Off\n");
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_FILL);
}

TEST_F(Input, EveryToggleAnnouncesItsNewState) {
  driver.frame();
  const float wait = 0.35f;
  EXPECT_EQ(frameWith({GLFW_KEY_F4}), "Texture Sampling Quality: Nearest Neighbor\n");
  driver.runUntil([] { return false; }, wait);
  EXPECT_EQ(frameWith({GLFW_KEY_F5}), "MipMapping Quality: Off\n");
  driver.runUntil([] { return false; }, wait);
  EXPECT_EQ(frameWith({GLFW_KEY_F5}), "MipMapping Quality: Nearest Neighbor\n");
  driver.runUntil([] { return false; }, wait);
  EXPECT_EQ(frameWith({GLFW_KEY_F5}), "MipMapping Quality: Linear\n");
  EXPECT_EQ(game.mipmapMode, 1);
  driver.runUntil([] { return false; }, wait);
  EXPECT_EQ(frameWith({GLFW_KEY_F7}), "Effects: Off\n");
  driver.runUntil([] { return false; }, wait);
  EXPECT_EQ(frameWith({GLFW_KEY_F8}), "View-Frustum Culling: Off\n");
  driver.runUntil([] { return false; }, wait);
  EXPECT_EQ(frameWith({GLFW_KEY_F9}), "Transparency: Off\n");
  EXPECT_FALSE(game.bilinearFiltering || game.effectsEnabled || game.frustumCulling ||
               game.transparencyEnabled);
}

TEST_F(Input, ClickSoonAfterAToggleThrowsNothingUntilTheCoolDownEnds) {
  driver.frame();
  frameWith({GLFW_KEY_F9});
  driver.input->buttons.insert(GLFW_MOUSE_BUTTON_LEFT);
  driver.runUntil([] { return false; }, 0.25f);
  EXPECT_EQ(game.boxCount, 0);
  driver.runUntil([&] { return game.boxCount > 0; }, 0.1f);
  EXPECT_EQ(game.boxCount, 1);
  driver.input->buttons.clear();
}

TEST_F(Input, EscapeTabAndWalkingIgnoreTheCoolDown) {
  driver.frame();
  frameWith({GLFW_KEY_F2});
  const glm::vec3 before = driver.feet();
  frameWith({GLFW_KEY_W, GLFW_KEY_TAB});
  EXPECT_EQ(game.censoredCount, 13);
  EXPECT_GT(glm::length(driver.feet() - before), 0.01f);
  frameWith({GLFW_KEY_ESCAPE});
  EXPECT_TRUE(glfwWindowShouldClose(game.window));
}

TEST_F(Input, MouseLookTurnsByOffsetTimesSensitivityAndStopsAtEightyNine) {
  driver.frame();
  scene::CameraActor& camera = *world().camera;
  const float yaw = camera.yaw;
  driver.input->cursorX = 80 + 3;  // three pixels right of the middle of 160 x 120
  driver.input->cursorY = 60 - 2;  // two up
  driver.frame(0.01f);
  EXPECT_FLOAT_EQ(camera.yaw, yaw + 100.0f * 3 * 0.01f);
  EXPECT_FLOAT_EQ(camera.pitch, 100.0f * 2 * 0.01f);
  EXPECT_EQ(driver.input->cursorX, 80);  // put back in the middle
  EXPECT_EQ(driver.input->cursorY, 60);

  driver.input->cursorY = 60 - 500;
  driver.frame(0.1f);
  EXPECT_EQ(camera.pitch, 89.0f);
  driver.input->cursorY = 60 + 5000;
  driver.frame(0.1f);
  EXPECT_EQ(camera.pitch, -89.0f);
}

}  // namespace
}  // namespace vorn
