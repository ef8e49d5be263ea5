#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "app/Game.h"

namespace vorn {
class LightingShader;
class ShadowShader;
}  // namespace vorn

namespace bench {

constexpr float kFrameDt = 1.0f / 60.0f;

// The steps of one frame in the order the game runs them.
enum Phase { kPhysics, kLogic, kShadow, kScene, kPost, kHud, kSwap, kPhaseCount };
extern const char* const kPhaseNames[kPhaseCount];

struct PhaseFigures {
  std::array<double, kPhaseCount> ms{};
  std::array<double, kPhaseCount> cpuMs{};  // of all the process's threads, the driver's too
  std::array<uint64_t, kPhaseCount> allocations{};
  uint64_t shadowTriangles = 0;  // the shadow pass's geometry stage emitted
};

// The real game (window, level, physics, rendering) with a clock that advances one 60 Hz frame
// per frame and a player who touches nothing. Needs a display.
class BenchGame {
 public:
  BenchGame(int width, int height);
  ~BenchGame();
  BenchGame(const BenchGame&) = delete;
  BenchGame& operator=(const BenchGame&) = delete;

  // One frame through Game::runFrame, then glFinish.
  void frame();
  // One frame step by step as Game::runFrame orders them, with glFinish after every render phase
  // so each phase holds its own GPU work.
  PhaseFigures phasedFrame();
  // Pieces of the frame, for the game's own CPU work: the physics step, the game logic (censoring,
  // input, events, console timers), the render phases, which are meant to run muted, and the HUD:
  // laid out by the game and Dear ImGui, then drawn by Dear ImGui's back-end.
  void physicsStep();
  void logic();
  void renderPhases();
  // The frame's scene pass alone, up to glFinish. A stand-in given takes the lighting program's
  // place; without the depth pre-pass the pass draws every object once, as it comes.
  void scenePass(std::unique_ptr<vorn::LightingShader>* standIn = nullptr,
                 bool depthPrePass = true);
  void layOutHud();
  void drawHud();
  // A frame as Game::runFrame orders it, in two halves around its HUD, which the caller lays out
  // and draws in between: the first half ends when the render phases have finished rasterising,
  // the second swaps the buffers.
  void frameUpToHud();
  void frameAfterHud();

  vorn::Game game;

 private:
  class Clock;
  Clock* clock;
  uint32_t primitivesQuery = 0;  // counts what the shadow pass's geometry stage emits
};

}  // namespace bench
