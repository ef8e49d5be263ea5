#include "bench/BenchGame.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/World.h"
#include "bench/Allocations.h"
#include "bench/Stats.h"
#include "render/Bloom.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"

namespace bench {

const char* const kPhaseNames[kPhaseCount] = {"physics step", "game logic",   "shadow pass",
                                              "scene pass",   "post-process", "swap + events"};

class BenchGame::Clock : public vorn::Clock {
 public:
  double now() override { return time; }
  double time = 100.0;
};

namespace {

// Keys and buttons all up, the pointer resting at the window centre.
class IdleInput : public vorn::InputSource {
 public:
  IdleInput(int width, int height) : width(width), height(height) {}
  bool keyDown(int) override { return false; }
  bool mouseButtonDown(int) override { return false; }
  void getWindowSize(int& w, int& h) override { w = width, h = height; }
  void getCursorPos(double& x, double& y) override { x = width / 2, y = height / 2; }
  void setCursorPos(double, double) override {}

 private:
  int width;
  int height;
};

// Times consecutive stretches of a frame and counts their allocations.
class Laps {
 public:
  explicit Laps(PhaseFigures& figures) : figures(figures) { restart(); }
  void restart() {
    start = nowMs();
    startAllocations = allocations();
  }
  void lap(Phase phase) {
    figures.ms[phase] = nowMs() - start;
    figures.allocations[phase] = allocations() - startAllocations;
    restart();
  }

 private:
  PhaseFigures& figures;
  double start = 0.0;
  uint64_t startAllocations = 0;
};

vorn::RenderSettings settingsOf(const vorn::Game& game) {
  return {game.frustumCulling, game.transparencyEnabled, game.bilinearFiltering, game.mipmapMode};
}

bool postProcessing(const vorn::Game& game) { return game.effectsEnabled && !game.wireframe; }

void shadowPhase(vorn::Game& game) {
  vorn::World& w = vorn::world();
  if (game.effectsEnabled)
    vorn::shadowPass(*w.pointShadowMap, *w.pointShadowShader, *w.lightingShader, ::scene(),
                     *w.frustum, settingsOf(game));
}

void scenePhase(vorn::Game& game) {
  vorn::World& w = vorn::world();
  if (postProcessing(game)) glBindFramebuffer(GL_FRAMEBUFFER, w.bloom->framebuffer);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
  glViewport(0, 0, game.width, game.height);
  glDisable(GL_POLYGON_OFFSET_FILL);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, w.spotShadowMap->depthTexture);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_CUBE_MAP, w.pointShadowMap->depthTexture);
  w.lightingShader->use();
  glUniform3fv(w.lightingShader->cameraPos, 1, &w.camera->position.x);
  const glm::mat4 view = w.camera->getViewMatrix();
  const glm::mat4 projection = vorn::perspectiveMatrix(
      w.camera->fieldOfView, static_cast<float>(game.width) / static_cast<float>(game.height),
      game.nearPlane, game.farPlane);
  vorn::scenePass(projection * view, *w.lightingShader, ::scene(), *w.frustum, *w.camera,
                  settingsOf(game), game.reportDrawCount);
}

void postPhase(vorn::Game& game) {
  vorn::World& w = vorn::world();
  if (!postProcessing(game)) return;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  vorn::postProcess(*w.bloom, *w.blurA, *w.blurB, *w.blurShader, *w.compositeShader,
                    *w.textureObject, game.width, game.height, settingsOf(game));
}

}  // namespace

BenchGame::BenchGame(int width, int height) : game(width, height, 0, 60) {
  auto ownClock = std::make_unique<Clock>();
  clock = ownClock.get();
  game.clock = std::move(ownClock);
  game.input = std::make_unique<IdleInput>(width, height);
  game.startUp();
}

BenchGame::~BenchGame() { game.shutDown(); }

void BenchGame::frame() {
  clock->time += kFrameDt;
  game.runFrame();
  glFinish();
}

PhaseFigures BenchGame::phasedFrame() {
  PhaseFigures figures;
  // The clock stays put: the next frame() then measures one frame since the last runFrame.
  game.measureFrame(kFrameDt);
  Laps laps(figures);
  physicsStep();
  laps.lap(kPhysics);
  logic();
  laps.lap(kLogic);
  shadowPhase(game);
  glFinish();
  laps.lap(kShadow);
  scenePhase(game);
  glFinish();
  laps.lap(kScene);
  postPhase(game);
  glFinish();
  laps.lap(kPost);
  glfwSwapBuffers(game.window);
  glfwPollEvents();
  glFinish();
  laps.lap(kSwap);
  return figures;
}

void BenchGame::physicsStep() {
  if (vorn::PhysicsScene* scene = game.physics->getScene()) scene->simulate(kFrameDt);
}

void BenchGame::logic() {
  game.applyCensoring();
  game.handleInput(kFrameDt);
  game.checkWin();
  game.animateArm(kFrameDt);
  game.checkLightSwitch();
  game.updateLightEvents(kFrameDt);
  game.updateConsoleTimers();
}

void BenchGame::renderPhases() {
  shadowPhase(game);
  scenePhase(game);
  postPhase(game);
}

}  // namespace bench
