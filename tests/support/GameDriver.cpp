#include "support/GameDriver.h"

#include <GLFW/glfw3.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "support/GlContext.h"

namespace vorn::test {

GameDriver::GameDriver(int width, int height, bool scriptedInput, bool loopbackSound)
    : game(width, height, 0, 60) {
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
  if (loopbackSound) game.audioDevice = sound.open();
  game.startUp();
  failOnGlErrors();
}

GameDriver::~GameDriver() { game.shutDown(); }

void GameDriver::frame(float dt) {
  clock->time += dt;
  game.runFrame();
  sound.render(dt);
  if (afterFrame) afterFrame();
}

glm::vec3 GameDriver::feet() const {
  const glm::dvec3 centre = world().camera->controller->getPosition();
  return glm::vec3(centre.x, centre.y - scene::kCentreAbovePoint, centre.z);
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

void holdAt(scene::SceneObject& object, const glm::vec3& point) {
  glm::mat4 move(1.0f);
  move[3] = glm::vec4(point - object.getGlobalPose().p, 1.0f);
  object.transform(move, false);
  object.setVelocity(glm::vec3(0.0f));
}

}  // namespace vorn::test
