#include "support/GameDriver.h"

#include <cmath>

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "app/World.h"
#include "scene/CameraActor.h"

namespace vorn::test {

GameDriver::GameDriver(int width, int height, bool scriptedInput) : game(width, height, 0, 60) {
  auto manualClock = std::make_unique<ManualClock>();
  clock = manualClock.get();
  game.clock = std::move(manualClock);
  if (scriptedInput) {
    auto scripted = std::make_unique<ScriptedInput>();
    input = scripted.get();
    input->width = width;
    input->height = height;
    game.input = std::move(scripted);
  }
  game.startUp();
}

GameDriver::~GameDriver() { game.shutDown(); }

void GameDriver::frame(float dt) {
  clock->time += dt;
  game.runFrame();
}

void GameDriver::standAt(const glm::vec3& point, float yaw, float pitch) {
  scene::CameraActor& camera = *world().camera;
  // The camera puts its controller's centre 1.6 above the translation it is given.
  camera.transform(glm::translate(glm::mat4(1.0f), point), false);
  camera.jumping = false;
  look(yaw, pitch);
}

void GameDriver::look(float yaw, float pitch) {
  scene::CameraActor& camera = *world().camera;
  camera.yaw = yaw;
  camera.pitch = pitch;
  camera.getViewMatrix();  // the game refreshes front and position only when it draws
}

glm::vec3 GameDriver::feet() const {
  const glm::dvec3 centre = world().camera->controller->getPosition();
  return glm::vec3(centre.x, centre.y - 1.6, centre.z);
}

glm::vec3 GameDriver::eye() const { return feet() + glm::vec3(0.0f, 2.6f, 0.0f); }

bool GameDriver::walkTo(const glm::vec3& target, float radius, float seconds, float dt) {
  scene::CameraActor& camera = *world().camera;
  bool arrived = false;
  for (float t = 0; t < seconds && !arrived; t += dt) {
    const glm::vec3 to = target - feet();
    const float distance = std::sqrt(to.x * to.x + to.z * to.z);
    arrived = distance < radius;
    if (arrived) break;
    camera.yaw = std::atan2(to.z, to.x) / 0.017453292f;
    input->keys.insert(GLFW_KEY_W);
    frame(dt);
  }
  input->keys.erase(GLFW_KEY_W);
  return arrived;
}

void GameDriver::moveMouse(int right, int down) {
  input->cursorX = input->width / 2 + right;
  input->cursorY = input->height / 2 + down;
}

void GameDriver::throwBox() {
  input->clicks.insert(GLFW_MOUSE_BUTTON_LEFT);
  frame();
}

glm::vec3 centreOf(scene::SceneObject& object) {
  glm::vec3 sum(0.0f);
  const auto corners = object.getWorldCorners();
  for (const glm::vec4& c : corners) sum += glm::vec3(c);
  return sum / static_cast<float>(corners.size());
}

}  // namespace vorn::test
