#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/Game.h"
#include "app/Hud.h"
#include "app/Toggles.h"
#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"

namespace vorn {

namespace {

constexpr float kToggleCooldown = 0.3f;
constexpr float kPitchLimit = 89.0f;
// Degrees of turn per pixel of mouse movement and unit of the camera's mouse sensitivity: the
// same hand movement turns the view alike at any frame rate.
constexpr float kTurnPerPixel = 0.001f;

uint32_t movementFlags(InputSource& input) {
  uint32_t flags = 0;
  if (input.keyDown(GLFW_KEY_W)) flags |= scene::kMoveForward;
  if (input.keyDown(GLFW_KEY_S)) flags |= scene::kMoveBackward;
  if (input.keyDown(GLFW_KEY_A)) flags |= scene::kMoveLeft;
  if (input.keyDown(GLFW_KEY_D)) flags |= scene::kMoveRight;
  if (input.keyDown(GLFW_KEY_SPACE)) flags |= scene::kMoveJump;
  return flags;
}

}  // namespace

void Game::handleInput(float dt) {
  keyCooldown -= dt;
  scene::CameraActor& camera = *world().camera;
  camera.move(movementFlags(*input), dt);

  if (input->keyDown(GLFW_KEY_ESCAPE)) glfwSetWindowShouldClose(window, GLFW_TRUE);
  if (input->keyDown(GLFW_KEY_TAB)) {
    // Posted once, not every frame the key is held.
    if (censoredCount != scene::kCensorableCount)
      world().hud->post("Tab: everything counts as censored");
    censoredCount = scene::kCensorableCount;
  }

  // At most one toggle a frame: the first one that fires starts the cool-down for the rest. Every
  // key is read once a frame, also during the cool-down, so a tap counts in the frame after it and
  // never fires later.
  for (std::size_t i = 0; i < kToggleCount; ++i) {
    const Toggle& t = kToggles[i];
    if (!input->keyDown(t.key) || keyCooldown >= 0.0f) continue;
    keyCooldown = kToggleCooldown;
    if (t.needsSoundDevice && !hasSoundDevice()) {
      announce("Sound: there is no audio device");
      continue;
    }
    t.change(*this);
    if (t.message) announce(toggleMessage(t, *this));
    if (t.afterMessage) t.afterMessage(*this);
  }

  int w = 0;
  int h = 0;
  double x = 0.0;
  double y = 0.0;
  input->getWindowSize(w, h);
  input->getCursorPos(x, y);
  const float dx = static_cast<float>(x - w / 2);
  const float dy = static_cast<float>(h / 2 - y);
  camera.yaw += camera.mouseSensitivity * dx * kTurnPerPixel;
  camera.pitch += camera.mouseSensitivity * dy * kTurnPerPixel;
  if (camera.pitch > kPitchLimit) camera.pitch = kPitchLimit;
  if (camera.pitch < -kPitchLimit) camera.pitch = -kPitchLimit;
  input->setCursorPos(w / 2, h / 2);

  if (input->mouseButtonDown(GLFW_MOUSE_BUTTON_LEFT) && keyCooldown < 0.0f) {
    throwBox();
    keyCooldown = kToggleCooldown;
  }
}

}  // namespace vorn
