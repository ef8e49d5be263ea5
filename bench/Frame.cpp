#include <GL/glew.h>

#include <array>
#include <cstdio>
#include <vector>

#include "bench/Allocations.h"
#include "bench/BenchGame.h"
#include "bench/Hooks.h"
#include "bench/Sections.h"
#include "bench/Stats.h"

namespace bench {

namespace {

constexpr int kWarmUpFrames = 30;
constexpr int kFrames = 60;
constexpr int kCpuRuns = 200;

// Frames through Game::runFrame: median time and allocations per frame.
void wholeFrames(BenchGame& game, double& ms, double& allocationsPerFrame) {
  std::vector<double> times;
  const uint64_t before = allocations();
  for (int i = 0; i < kFrames; ++i) {
    const double start = nowMs();
    game.frame();
    times.push_back(nowMs() - start);
  }
  ms = median(times);
  allocationsPerFrame = static_cast<double>(allocations() - before) / kFrames;
}

// The render phases with their GL calls muted: the passes' own CPU work and allocations.
double renderCpu(BenchGame& game, double& allocationsPerRun) {
  std::vector<double> times;
  muteFrameGl(true);
  const uint64_t before = allocations();
  for (int i = 0; i < kCpuRuns; ++i) {
    const double start = nowMs();
    game.renderPhases();
    times.push_back(nowMs() - start);
  }
  allocationsPerRun = static_cast<double>(allocations() - before) / kCpuRuns;
  muteFrameGl(false);
  return median(times);
}

void measureFrames(BenchGame& game, bool effects) {
  game.game.effectsEnabled = effects;
  for (int i = 0; i < kWarmUpFrames; ++i) game.frame();

  std::array<std::vector<double>, kPhaseCount> phaseTimes;
  std::array<uint64_t, kPhaseCount> phaseAllocations{};
  for (int i = 0; i < kFrames; ++i) {
    const PhaseFigures figures = game.phasedFrame();
    for (int p = 0; p < kPhaseCount; ++p) {
      phaseTimes[p].push_back(figures.ms[p]);
      phaseAllocations[p] += figures.allocations[p];
    }
  }
  double frameMs = 0.0;
  double frameAllocations = 0.0;
  wholeFrames(game, frameMs, frameAllocations);
  const double logicMs = median(phaseTimes[kLogic]);
  double passAllocations = 0.0;
  const double cpuMs = logicMs + renderCpu(game, passAllocations);

  char heading[160];
  std::snprintf(heading, sizeof heading,
                "Frame, 800 x 600, effects %s (median of %d frames; phases end with glFinish)",
                effects ? "on" : "off", kFrames);
  printHeading(heading);
  for (int p = 0; p < kPhaseCount; ++p) {
    char name[80];
    std::snprintf(name, sizeof name, "%-14s (%.1f allocations/frame)", kPhaseNames[p],
                  static_cast<double>(phaseAllocations[p]) / kFrames);
    printRow(name, median(phaseTimes[p]), "ms");
  }
  printRow("whole frame (Game::runFrame + glFinish)", frameMs, "ms");
  printRow("  allocations per frame", frameAllocations, "", "target 0");
  printRow("game's own CPU work (logic + passes, GL muted)", cpuMs, "ms", "target < 0.5 ms");
  printRow("  allocations per frame in the passes, GL muted", passAllocations, "", "target 0");
}

}  // namespace

void frameSection() {
  BenchGame game(800, 600);
  measureFrames(game, true);
  measureFrames(game, false);
}

}  // namespace bench
