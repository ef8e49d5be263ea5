#include <GL/glew.h>
#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include <glm/geometric.hpp>

#include "app/World.h"
#include "bench/Allocations.h"
#include "bench/BenchGame.h"
#include "bench/Sections.h"
#include "bench/Stats.h"
#include "scene/AssetCache.h"
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
constexpr int kProbeThrows = 15;
constexpr int kThrowsForTheCaches = 1000;
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

// Puts the eye over the spot, looking out a little downwards along the golden angle times the
// throw's number, so the boxes of one spot spread around it.
void aimFrom(vorn::Game& game, const glm::vec3& spot) {
  vorn::scene::CameraActor& camera = *vorn::world().camera;
  const float heading = 2.39996f * static_cast<float>(game.boxCount);
  camera.position = spot + glm::vec3(0.0f, kEyeAboveFeet, 0.0f);
  camera.front = glm::normalize(glm::vec3(std::cos(heading), -0.2f, std::sin(heading)));
}

// Puts the camera back where the game had it when the throws are over.
class KeptCamera {
 public:
  KeptCamera() : camera(*vorn::world().camera), position(camera.position), front(camera.front) {}
  ~KeptCamera() {
    camera.position = position;
    camera.front = front;
  }

 private:
  vorn::scene::CameraActor& camera;
  glm::vec3 position;
  glm::vec3 front;
};

struct ThrowTimes {
  double wall = 0.0;
  double cpu = 0.0;  // this thread's
};

ThrowTimes timedThrow(vorn::Game& game) {
  const double start = nowMs();
  const double startCpu = threadCpuMs();
  game.throwBox();
  return {nowMs() - start, threadCpuMs() - startCpu};
}

// Takes the last box thrown out of the world the way a hit does.
void removeLastBox(vorn::Game& game) {
  const auto box = ::scene().get("box" + std::to_string(game.boxCount));
  if (!box) return;
  game.physics->pendingTrigger = box.get();
  game.applyCensoring();
}

// Throws rounds of one box from every spot, letting each round fly off before the next, until the
// registry holds the wanted number of boxes (a box that hits a censorable object is gone).
void throwBoxes(vorn::Game& game, int wanted, const std::vector<glm::vec3>& spots) {
  const KeptCamera kept;
  int boxes = 0, sleeping = 0;
  for (countBoxes(boxes, sleeping); boxes < wanted; countBoxes(boxes, sleeping)) {
    for (std::size_t spot = 0; spot < spots.size() && boxes < wanted; ++spot, ++boxes) {
      aimFrom(game, spots[spot]);
      game.throwBox();
    }
    stepWorld(game, kSettleFramesBetweenRounds);
  }
}

// Median times of one Game::throwBox among the boxes already there. The probe boxes stay, as a
// player's do, so every throw takes fresh memory as in the game.
ThrowTimes throwCost(vorn::Game& game, const std::vector<glm::vec3>& spots) {
  const KeptCamera kept;
  std::vector<double> wall, cpu;
  for (int i = 0; i < kProbeThrows; ++i) {
    aimFrom(game, spots[static_cast<std::size_t>(i) % spots.size()]);
    const ThrowTimes times = timedThrow(game);
    wall.push_back(times.wall);
    cpu.push_back(times.cpu);
  }
  stepWorld(game, kSettleFramesBetweenRounds);
  return {median(wall), median(cpu)};
}

// Median thread CPU time of finding the aim mark once from each spot, and the heap allocations all
// of them made.
void printAimCost(vorn::Game& game, const std::vector<glm::vec3>& spots) {
  const KeptCamera kept;
  std::vector<double> cpu;
  uint64_t allocated = 0;
  for (int i = 0; i < kProbeThrows; ++i) {
    aimFrom(game, spots[static_cast<std::size_t>(i) % spots.size()]);
    const uint64_t allocationsBefore = allocations();
    const double start = threadCpuMs();
    game.updateAim();
    const double spent = threadCpuMs() - start;
    allocated += allocations() - allocationsBefore;
    cpu.push_back(spent);
  }
  printTarget("  aim mark (Game::updateAim), thread CPU", median(cpu), "ms", 0.05);
  printTarget("    heap allocations in all those aim marks", static_cast<double>(allocated), "",
              0.0, true);
}

void printThrowCost(const ThrowTimes& times, bool withTarget) {
  if (withTarget) printTarget("  Game::throwBox, thread CPU", times.cpu, "ms", 1.0);
  else printFigure("  Game::throwBox, thread CPU", times.cpu, "ms");
  printFigure("    wall time", times.wall, "ms");
}

// What the caches and the heap hold before and after many throws whose boxes are taken out again:
// a thrown box's collision hull is its own and goes with it.
void printCachesAfterThrows(vorn::Game& game, const std::vector<glm::vec3>& spots) {
  const auto heapInUse = [] {
    glFinish();
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<double>(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0);
  };
  const KeptCamera kept;
  const double heapBefore = heapInUse();
  const double shapesBefore = static_cast<double>(vorn::world().assets->shapes.size());
  for (int i = 0; i < kThrowsForTheCaches; ++i) {
    aimFrom(game, spots[static_cast<std::size_t>(i) % spots.size()]);
    game.throwBox();
    removeLastBox(game);
  }
  char name[100];
  std::snprintf(name, sizeof name, "collision shapes cached, before / after %d throws and removals",
                kThrowsForTheCaches);
  printFigure(name, shapesBefore, "");
  printTarget("  after", static_cast<double>(vorn::world().assets->shapes.size()), "", shapesBefore,
              true);
  printFigure("heap in use, before", heapBefore, "MiB");
  printFigure("  after", heapInUse(), "MiB");
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
  printThrowCost(throwCost(game.game, spots), false);
  printAimCost(game.game, spots);
  printCachesAfterThrows(game.game, spots);
  for (int wanted : kBoxCounts) {
    throwBoxes(game.game, wanted, spots);
    int boxes = 0, sleeping = 0;
    const double settled = settle(game.game, boxes, sleeping);
    char name[100];
    std::snprintf(name, sizeof name, "%d boxes, %d asleep after %.1f s", boxes, sleeping, settled);
    printStep(name, physicsStep(game.game), wanted >= 2000);
    printFigure("  whole frame (Game::runFrame + glFinish)", wholeFrame(game), "ms");
    printThrowCost(throwCost(game.game, spots), wanted >= 2000);
    printAimCost(game.game, spots);
  }
}

}  // namespace bench
