#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/Game.h"
#include "app/Hud.h"
#include "app/Sounds.h"
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

const char* onOff(bool on) { return on ? "On" : "Off"; }

const char* mipmapName(int32_t mode) {
  if (mode == 0) return "Nearest Neighbor";
  if (mode == 1) return "Linear";
  return "Off";
}

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
  if (input->keyDown(GLFW_KEY_TAB) && censoredCount < scene::kCensorableCount) {
    censoredCount = scene::kCensorableCount;
    world().hud->post("Tab: everything counts as censored");
  }

  // At most one toggle a frame: the first one that fires starts the cool-down for the rest. Every
  // key is read once a frame, also during the cool-down, so a tap counts in the frame after it and
  // never fires later.
  auto toggle = [this](int key) { return input->keyDown(key) && keyCooldown < 0.0f; };
  auto toggled = [this](const std::string& message) {
    announce(message);
    keyCooldown = kToggleCooldown;
  };
  // The help overlay speaks for itself: it is not announced.
  if (toggle(GLFW_KEY_F1)) {
    showHelp = !showHelp;
    keyCooldown = kToggleCooldown;
  }
  if (toggle(GLFW_KEY_F2)) {
    showFrameTime = !showFrameTime;
    if (showFrameTime) frameTimeMs = frameCount = 0;
    toggled(std::string("Frame Time: ") + onOff(showFrameTime));
  }
  if (toggle(GLFW_KEY_F3)) {
    wireframe = !wireframe;
    toggled(std::string("Wire Frame: ") + onOff(wireframe));
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
  }
  if (toggle(GLFW_KEY_F4)) {
    bilinearFiltering = !bilinearFiltering;
    toggled(std::string("Texture Sampling Quality: ") +
            (bilinearFiltering ? "Bilinear" : "Nearest Neighbor"));
  }
  if (toggle(GLFW_KEY_F5)) {
    mipmapMode = mipmapMode == -1 ? 0 : mipmapMode == 0 ? 1 : -1;
    toggled(std::string("MipMapping Quality: ") + mipmapName(mipmapMode));
  }
  if (toggle(GLFW_KEY_F6)) {
    if (hasSoundDevice()) {
      soundEnabled = !soundEnabled;
      world().sounds->setEnabled(soundEnabled);
      toggled(std::string("Sound: ") + onOff(soundEnabled));
    } else {
      toggled("Sound: there is no audio device");
    }
  }
  if (toggle(GLFW_KEY_F7)) {
    effectsEnabled = !effectsEnabled;
    toggled(std::string("Effects: ") + onOff(effectsEnabled));
  }
  if (toggle(GLFW_KEY_F8)) {
    frustumCulling = !frustumCulling;
    toggled(std::string("View-Frustum Culling: ") + onOff(frustumCulling));
  }
  if (toggle(GLFW_KEY_F9)) {
    transparencyEnabled = !transparencyEnabled;
    toggled(std::string("Transparency: ") + onOff(transparencyEnabled));
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
