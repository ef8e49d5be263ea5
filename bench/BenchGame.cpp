#include "bench/BenchGame.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/Hud.h"
#include "app/World.h"
#include "bench/Allocations.h"
#include "bench/Stats.h"
#include "render/ShaderProgram.h"

namespace bench {

const char* const kPhaseNames[kPhaseCount] = {"physics step", "game logic",   "shadow pass",
                                              "scene pass",   "post-process", "HUD",
                                              "swap + events"};

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
    startCpu = processCpuMs();
    startAllocations = allocations();
  }
  void lap(Phase phase) {
    figures.ms[phase] = nowMs() - start;
    figures.cpuMs[phase] = processCpuMs() - startCpu;
    figures.allocations[phase] = allocations() - startAllocations;
    restart();
  }

 private:
  PhaseFigures& figures;
  double start = 0.0;
  double startCpu = 0.0;
  uint64_t startAllocations = 0;
};

}  // namespace

BenchGame::BenchGame(int width, int height) : game(width, height, 0, 60) {
  auto ownClock = std::make_unique<Clock>();
  clock = ownClock.get();
  game.clock = std::move(ownClock);
  game.input = std::make_unique<IdleInput>(width, height);
  game.startUp();
  glGenQueries(1, &primitivesQuery);
}

BenchGame::~BenchGame() {
  glDeleteQueries(1, &primitivesQuery);
  game.shutDown();
}

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
  glBeginQuery(GL_PRIMITIVES_GENERATED, primitivesQuery);
  game.renderShadows();
  glFinish();
  laps.lap(kShadow);
  glEndQuery(GL_PRIMITIVES_GENERATED);
  GLuint64 triangles = 0;
  glGetQueryObjectui64v(primitivesQuery, GL_QUERY_RESULT, &triangles);
  figures.shadowTriangles = triangles;
  game.renderScene();
  glFinish();
  laps.lap(kScene);
  game.renderPostProcess();
  glFinish();
  laps.lap(kPost);
  game.renderHud(kFrameDt);
  glFinish();
  laps.lap(kHud);
  frameAfterHud();
  laps.lap(kSwap);
  return figures;
}

void BenchGame::physicsStep() { game.stepPhysics(kFrameDt); }

void BenchGame::logic() { game.updateLogic(kFrameDt); }

void BenchGame::scenePass(std::unique_ptr<vorn::LightingShader>* standIn, bool depthPrePass) {
  vorn::World& w = vorn::world();
  std::unique_ptr<vorn::ShadowShader> noDepthProgram;
  if (standIn) w.lightingShader.swap(*standIn);
  if (!depthPrePass) w.spotShadowShader.swap(noDepthProgram);
  game.renderScene();
  glFinish();
  if (!depthPrePass) w.spotShadowShader.swap(noDepthProgram);
  if (standIn) w.lightingShader.swap(*standIn);
}

void BenchGame::layOutHud() { vorn::world().hud->update(game, kFrameDt); }

void BenchGame::drawHud() { vorn::world().hud->render(); }

void BenchGame::frameUpToHud() {
  // The clock stays put, as for phasedFrame.
  game.measureFrame(kFrameDt);
  physicsStep();
  logic();
  renderPhases();
  glFinish();
}

void BenchGame::frameAfterHud() {
  glfwSwapBuffers(game.window);
  glfwPollEvents();
  glFinish();
}

void BenchGame::renderPhases() {
  game.renderShadows();
  game.renderScene();
  game.renderPostProcess();
}

}  // namespace bench
