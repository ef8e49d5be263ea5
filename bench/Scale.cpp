#include <GL/glew.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include <glm/geometric.hpp>

#include "app/World.h"
#include "bench/BenchGame.h"
#include "bench/Sections.h"
#include "bench/Stats.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"

namespace bench {

namespace {

constexpr int kBoxCounts[] = {100, 500, 2000};
constexpr int kSettleFramesBeforeStart = 5 * 60;
constexpr int kSettleFramesBetweenRounds = 15;
constexpr int kMaxSettleFrames = 60 * 30;
constexpr int kPhysicsRuns = 120;
constexpr int kFrames = 20;
constexpr float kEyeAboveFeet = 2.6f;

// Feet positions over open floor in the corridors and flats of both storeys, away from the
// player's start in the corridor (touching the player's capsule keeps a box awake).
std::vector<glm::vec3> throwingSpots() {
  std::vector<glm::vec3> spots;
  for (float floorY : {0.0f, 6.0f}) {
    for (float x = -8.0f; x <= 12.0f; x += 5.0f) spots.push_back({x, floorY, 0.0f});
    for (float z : {-15.0f, -8.0f, 8.0f, 15.0f}) {
      for (float x = -18.0f; x <= 18.0f; x += 6.0f) {
        if (floorY > 0.0f && (x < -12.0f || x > 10.0f)) continue;  // the upper flats are narrower
        spots.push_back({x, floorY, z});
      }
    }
  }
  return spots;
}

// The boxes in the registry and how many of them sleep.
void countBoxes(int& boxes, int& sleeping) {
  boxes = sleeping = 0;
  for (const auto& entry : ::scene().opaque()) {
    if (entry.first.compare(0, 3, "box") != 0) continue;
    ++boxes;
    if (entry.second->actors.front()->isSleeping()) ++sleeping;
  }
}

void stepWorld(vorn::Game& game, int frames) {
  for (int i = 0; i < frames; ++i) {
    game.physics->getScene()->simulate(kFrameDt);
    game.applyCensoring();
  }
}

// Throws rounds of one box from every spot, letting each round fly off before the next, until the
// registry holds the wanted number of boxes (a box that hits a censorable object is gone).
// Returns the median time of one Game::throwBox.
double throwBoxes(vorn::Game& game, int wanted, const std::vector<glm::vec3>& spots) {
  vorn::scene::CameraActor& camera = *vorn::world().camera;
  const glm::vec3 savedPosition = camera.position;
  const glm::vec3 savedFront = camera.front;
  std::vector<double> throwTimes;
  int boxes = 0, sleeping = 0;
  for (countBoxes(boxes, sleeping); boxes < wanted; countBoxes(boxes, sleeping)) {
    for (std::size_t spot = 0; spot < spots.size() && boxes < wanted; ++spot, ++boxes) {
      const float heading = 2.39996f * static_cast<float>(game.boxCount);  // the golden angle
      camera.position = spots[spot] + glm::vec3(0.0f, kEyeAboveFeet, 0.0f);
      camera.front = glm::normalize(glm::vec3(std::cos(heading), -0.2f, std::sin(heading)));
      const double start = nowMs();
      game.throwBox();
      throwTimes.push_back(nowMs() - start);
    }
    stepWorld(game, kSettleFramesBetweenRounds);
  }
  camera.position = savedPosition;
  camera.front = savedFront;
  return median(throwTimes);
}

// Steps until every box sleeps, or the time runs out; returns the simulated seconds.
double settle(vorn::Game& game, int& boxes, int& sleeping) {
  int frames = 0;
  for (countBoxes(boxes, sleeping); sleeping < boxes && frames < kMaxSettleFrames; frames += 30) {
    stepWorld(game, 30);
    countBoxes(boxes, sleeping);
  }
  return frames * kFrameDt;
}

// Median wall and thread CPU time of the physics step; the step runs on this thread alone.
struct StepTimes {
  double wall = 0.0;
  double cpu = 0.0;
};

StepTimes physicsStep(vorn::Game& game) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < kPhysicsRuns; ++i) {
    const double start = nowMs();
    const double startCpu = threadCpuMs();
    game.physics->getScene()->simulate(kFrameDt);
    cpu.push_back(threadCpuMs() - startCpu);
    wall.push_back(nowMs() - start);
  }
  return {median(wall), median(cpu)};
}

void printStep(const char* name, const StepTimes& step, bool withTarget) {
  char fullName[100];
  std::snprintf(fullName, sizeof fullName, "%s, physics step CPU", name);
  if (withTarget) printTarget(fullName, step.cpu, "ms", 4.0);
  else printFigure(fullName, step.cpu, "ms");
  printFigure("  physics step wall time", step.wall, "ms");
}

double wholeFrame(BenchGame& game) {
  std::vector<double> times;
  for (int i = 0; i < kFrames; ++i) {
    const double start = nowMs();
    game.frame();
    times.push_back(nowMs() - start);
  }
  return median(times);
}

}  // namespace

void scaleSection() {
  BenchGame game(800, 600);
  const std::vector<glm::vec3> spots = throwingSpots();
  printHeading("Scale: thrown boxes resting in the building, 800 x 600, effects on");
  stepWorld(game.game, kSettleFramesBeforeStart);  // the level's loose objects come to rest
  printStep("no boxes", physicsStep(game.game), false);
  for (int wanted : kBoxCounts) {
    const double throwMs = throwBoxes(game.game, wanted, spots);
    int boxes = 0, sleeping = 0;
    const double settled = settle(game.game, boxes, sleeping);
    char name[100];
    std::snprintf(name, sizeof name, "%d boxes, %d asleep after %.1f s", boxes, sleeping, settled);
    printStep(name, physicsStep(game.game), wanted >= 2000);
    printFigure("  whole frame (Game::runFrame + glFinish)", wholeFrame(game), "ms");
    printTarget("  Game::throwBox (upload from the caches, hull)", throwMs, "ms", 2.0);
  }
}

}  // namespace bench
