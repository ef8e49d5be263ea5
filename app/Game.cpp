#include "app/Game.h"

#include <cmath>
#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/GlfwPlatform.h"
#include "app/Hud.h"
#include "app/Sounds.h"
#include "app/World.h"
#include "base/Fatal.h"
#include "render/Bloom.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "scene/AssetCache.h"
#include "scene/CameraActor.h"
#include "scene/MeshObject.h"
#include "scene/SceneRegistry.h"

namespace vorn {

namespace {

[[noreturn]] void windowFailed() {
  std::cerr << "ERROR: Could not open window" << std::endl;
  glfwTerminate();
  pauseAndExit();
}

}  // namespace

Game::Game(int32_t width, int32_t height, int32_t fullscreen, int32_t refreshRate)
    : width(width), height(height), fullscreen(fullscreen), refreshRate(refreshRate) {}

Game::~Game() = default;

void Game::run() {
  startUp();
  while (!shouldClose()) runFrame();
  shutDown();
}

void Game::startUp() {
  basePath = "./";
  // The files are read while the window opens and the GL objects are made.
  world().assets = std::make_unique<scene::AssetCache>();
  world().assets->readAhead(worldModelFiles());
  if (!glfwInit()) fatalStop("ERROR: Could not init glfw");

  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
  glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  // The configured size holds for the whole run: the viewport and the frame buffers follow it.
  glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
  GLFWmonitor* monitor = nullptr;
  if (fullscreen != 0) {
    monitor = glfwGetPrimaryMonitor();
    glfwWindowHint(GLFW_REFRESH_RATE, refreshRate);
  }
  window = glfwCreateWindow(width, height, "Blotwise", monitor, nullptr);
  if (!window) windowFailed();
  glfwMakeContextCurrent(window);
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) windowFailed();
  glGetError();  // GLEW's probing leaves GL_INVALID_ENUM behind on core profiles

  physics = std::make_unique<Physics>();
  if (!clock) clock = std::make_unique<GlfwClock>();
  if (!input) input = std::make_unique<GlfwInput>(window);

  input->setCursorPos(width / 2, height / 2);
  glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
  // Input is polled once a frame; sticky keys and buttons keep a press that ended before the poll.
  glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_TRUE);
  glfwSetInputMode(window, GLFW_STICKY_MOUSE_BUTTONS, GLFW_TRUE);

  initWorld(window);
  // The window system reports the pointer where it stood while the window appeared and the world
  // was built; that is no mouse movement of the player's, so it must not turn the view.
  glfwPollEvents();
  input->setCursorPos(width / 2, height / 2);
  lastTime = clock->now() - 0.01;
}

bool Game::shouldClose() const { return glfwWindowShouldClose(window); }

void Game::runFrame() {
  const double now = clock->now();
  const float dt = static_cast<float>(now - lastTime);
  lastTime = now;
  measureFrame(dt);

  stepPhysics(dt);
  updateLogic(dt);
  renderFrame(dt);

  glfwSwapBuffers(window);
  glfwPollEvents();
}

void Game::updateLogic(float dt) {
  applyCensoring();
  handleInput(dt);
  checkWin();
  animateArm(dt);
  checkLightSwitch();
  updateLightEvents(dt);
  updateConsoleTimers();
  const scene::CameraActor& camera = *world().camera;
  world().sounds->placeListener(camera.position, camera.front, camera.up);
}

void Game::announce(const std::string& message) {
  std::cout << message << std::endl;
  world().hud->post(message.c_str());
}

bool Game::hasSoundDevice() const { return world().sounds->hasDevice(); }

// The fraction of a millisecond is carried, not dropped: dropped every frame, each millisecond
// timer would stand still at frames under 1 ms, and after the win the window would never close.
void Game::measureFrame(float dt) {
  // Whole microseconds keep frames of whole milliseconds exact (16 ms stays 16, never 15.999).
  const int64_t micros = std::llround(static_cast<double>(dt) * 1e6) + carriedMicroseconds;
  if (micros <= 0) {
    frameMillis = 0;
    carriedMicroseconds = 0;
    return;
  }
  frameMillis = static_cast<uint32_t>(micros / 1000);
  carriedMicroseconds = micros % 1000;
}

void Game::stepPhysics(float dt) {
  if (PhysicsScene* scene = physics->getScene()) scene->simulate(dt);
}

void Game::updateConsoleTimers() {
  if (showFrameTime) {
    if (frameTimeMs > 1000) {
      std::cout << "avg frametime: " << 1000.0 / frameCount << " ms"
                << " = " << frameCount << " fps" << std::endl;
      frameTimeMs = 0;
      frameCount = 0;
    } else {
      frameTimeMs += frameMillis;
      frameCount += 1;
    }
  }
  if (frustumCulling) {
    if (drawReportTimerMs > 1000) {
      reportDrawCount = true;
      drawReportTimerMs = 0;
    } else {
      drawReportTimerMs += frameMillis;
    }
  }
  if (hasWon) {
    if (winTimerMs > kCloseAfterWinMs) glfwSetWindowShouldClose(window, GLFW_TRUE);
    else winTimerMs += frameMillis;
  }
}

void Game::renderFrame(float dt) {
  renderShadows();
  renderScene();
  renderPostProcess();
  renderHud(dt);
}

bool Game::postProcessing() const { return effectsEnabled && !wireframe && hasScreenQuad; }

RenderSettings Game::renderSettings() const {
  return {frustumCulling, transparencyEnabled, bilinearFiltering, mipmapMode, wireframe};
}

void Game::renderShadows() {
  World& w = world();
  if (effectsEnabled)
    w.pointShadowCache->pass(*w.pointShadowMap, *w.pointShadowShader, *w.lightingShader, ::scene(),
                             *w.frustum, renderSettings());
}

void Game::renderScene() {
  World& w = world();
  if (postProcessing()) glBindFramebuffer(GL_FRAMEBUFFER, w.bloom->framebuffer);

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
  glViewport(0, 0, width, height);
  glDisable(GL_POLYGON_OFFSET_FILL);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, w.spotShadowMap->depthTexture);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_CUBE_MAP, w.pointShadowMap->depthTexture);
  w.lightingShader->use();
  glUniform3fv(w.lightingShader->cameraPos, 1, &w.camera->position.x);

  // The view also brings the camera's position and view direction up to date.
  const glm::mat4 view = w.camera->getViewMatrix();
  // The spot shadow program serves as the depth pre-pass's depth-only program.
  frameViewProjection = projectionMatrix() * view;
  objectsDrawn = scenePass(frameViewProjection, {*w.lightingShader, w.spotShadowShader.get()},
                           ::scene(), *w.frustum, *w.camera, renderSettings(), reportDrawCount);
}

glm::mat4 Game::projectionMatrix() const {
  return perspectiveMatrix(world().camera->fieldOfView,
                           static_cast<float>(width) / static_cast<float>(height), nearPlane,
                           farPlane);
}

void Game::renderPostProcess() {
  if (!postProcessing()) return;
  World& w = world();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  postProcess(*w.bloom, *w.blurA, *w.blurB, *w.reduceShader, *w.blurShader, *w.compositeShader,
              *w.textureObject, width, height, renderSettings());
}

void Game::renderHud(float dt) {
  Hud& hud = *world().hud;
  updateAim();
  hud.update(*this, dt);
  hud.render();
}

void Game::shutDown() {
  destroyWorld();
  glfwTerminate();
  window = nullptr;
}

}  // namespace vorn
