#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <glm/gtc/matrix_transform.hpp>

#include "app/Game.h"
#include "app/Hud.h"
#include "app/Sounds.h"
#include "app/World.h"
#include "base/Degrees.h"
#include "render/LightSetup.h"
#include "render/ShaderProgram.h"
#include "scene/BuildingPlan.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"

namespace vorn {

namespace {

using scene::kUpperFloor;
constexpr uint32_t kFlickerPeriodMs = 500;
constexpr float kArmSpeed = 60.0f;    // degrees per second
constexpr float kOrbitSpeed = 25.0f;  // degrees per second
const glm::vec3 kOrbitCentre(0.0f, 0.0f, 9.0f);

bool inWinRoom(const glm::vec3& eye) {
  return scene::kWinRoom.contains(eye.x, eye.z) && eye.y > kUpperFloor;
}

bool onStaircase(const glm::vec3& eye) { return scene::kStaircaseSwitch.contains(eye.x, eye.z); }

// Between 0 and 1, whatever RAND_MAX the platform has.
double randomUnit() { return std::rand() / static_cast<double>(RAND_MAX); }

glm::mat4 rotationAbout(float degrees, const glm::vec3& axis) {
  return glm::rotate(glm::mat4(1.0f), degrees * kRadiansPerDegree, axis);
}

}  // namespace

// The room's red light alone does not say why the game goes on.
void Game::tellWhatIsLeft() {
  char message[64];
  std::snprintf(message, sizeof message, "%d more to censor before you can win here",
                scene::kCensorableCount - censoredCount);
  world().hud->post(message);
}

void Game::checkWin() {
  World& w = world();
  const bool entered = !wasInWinRoom;
  wasInWinRoom = inWinRoom(w.camera->position);
  if (!wasInWinRoom) return;
  if (entered && censoredCount < scene::kCensorableCount) tellWhatIsLeft();
  const std::shared_ptr<scene::PointLight> light = ::scene().getPointLight("point3");
  if (!light) return;
  if (censoredCount >= scene::kCensorableCount) {
    if (!hasWon) {
      std::cout << "YOU WON!" << std::endl;
      w.sounds->play(Cue::Win);
      hasWon = true;
      light->color = glm::vec3(0.0f, 1.0f, 0.0f);
    }
  } else {
    light->color = glm::vec3(1.0f, 0.0f, 0.0f);
  }
  w.lightingShader->use();
  updatePointLight(*w.lightingShader, 2, *light);
}

void Game::animateArm(float dt) {
  float step = dt * kArmSpeed;
  if (armAngle <= -30.0f) armRising = true;
  else if (armAngle >= 0.0f) armRising = false;
  if (!armRising) step = -step;
  armAngle += step;

  const std::shared_ptr<scene::SceneObject> arm = ::scene().get(scene::kArmDerivedName);
  if (!arm) return;
  glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 3.0f, 0.0f));
  m = m * rotationAbout(step, glm::vec3(0.0f, 0.0f, 1.0f));
  m = glm::translate(m, glm::vec3(0.0f, -3.0f, 0.0f));
  arm->transform(m, true);
}

void Game::checkLightSwitch() {
  World& w = world();
  const glm::vec3& eye = w.camera->position;
  if (!onStaircase(eye)) return;
  const bool upstairs = eye.y > kUpperFloor;
  if (upstairs == lightsSwitched) return;
  lightsSwitched = upstairs;
  announce("Lights switched!");
  w.sounds->play(Cue::LightSwitch);
  setupLights(*w.lightingShader, ::scene(), lightsSwitched);
}

void Game::updateLightEvents(float dt) {
  World& w = world();
  if (lightsSwitched) {
    const std::shared_ptr<scene::PointLight> light = ::scene().getPointLight("point1");
    if (!light) return;
    const glm::vec4 offset(light->position - kOrbitCentre, 1.0f);
    light->position =
        glm::vec3(rotationAbout(dt * kOrbitSpeed, glm::vec3(0.0f, 1.0f, 0.0f)) * offset) +
        kOrbitCentre;
    w.lightingShader->use();
    updatePointLight(*w.lightingShader, 0, *light);
    return;
  }

  if (flickerTimerMs <= kFlickerPeriodMs) {
    flickerTimerMs += frameMillis;
    return;
  }
  flickerTimerMs = 0;
  const std::shared_ptr<scene::SpotLight> spot1 = ::scene().getSpotLight("spot1");
  const std::shared_ptr<scene::SpotLight> spot2 = ::scene().getSpotLight("spot2");
  if (!spot1 || !spot2) return;
  const double r1 = randomUnit();
  const double r2 = randomUnit();
  const double r3 = randomUnit();
  spot1->color = glm::vec3(r1, r2, r3);
  spot1->direction = glm::vec3(2 * r1 - 1, 2 * r2 - 1, 2 * r3 - 1);
  w.lightingShader->use();
  updateSpotLight(*w.lightingShader, 0, *spot1);
  w.sounds->playAt(Cue::Flicker, spot1->position);
  spot2->color = r1 < 0.3 ? glm::vec3(0.0f) : glm::vec3(1.0f, 0.9f, 0.8f);
  w.lightingShader->use();
  updateSpotLight(*w.lightingShader, 1, *spot2);
}

}  // namespace vorn
