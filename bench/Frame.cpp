#include <GL/glew.h>

#include <array>
#include <cstdio>
#include <vector>

#include "bench/Allocations.h"
#include "bench/BareFrame.h"
#include "bench/BenchGame.h"
#include "bench/Hooks.h"
#include "bench/Sections.h"
#include "bench/Stats.h"

namespace bench {

namespace {

constexpr int kWarmUpFrames = 30;
constexpr int kFrames = 60;
constexpr int kCpuRuns = 200;

// The render phases with their GL calls muted: the passes' own CPU work and allocations.
double renderCpu(BenchGame& game, double& allocationsPerRun) {
  std::vector<double> times;
  times.reserve(kCpuRuns);
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

struct Sample {
  double ms = 0.0;
  uint64_t allocations = 0;
  GlCallCounts calls;
};

template <typename DrawFrame>
Sample sample(DrawFrame drawFrame) {
  const GlCallCounts calls = glCallCounts();
  const uint64_t allocated = allocations();
  const double start = nowMs();
  drawFrame();
  Sample result;
  result.ms = nowMs() - start;
  result.allocations = allocations() - allocated;
  result.calls.draws = glCallCounts().draws - calls.draws;
  result.calls.others = glCallCounts().others - calls.others;
  return result;
}

void printPerFrame(const char* what, const std::vector<Sample>& samples) {
  std::vector<double> times;
  double draws = 0.0, others = 0.0, allocated = 0.0;
  for (const Sample& s : samples) {
    times.push_back(s.ms);
    draws += static_cast<double>(s.calls.draws) / samples.size();
    others += static_cast<double>(s.calls.others) / samples.size();
    allocated += static_cast<double>(s.allocations) / samples.size();
  }
  char name[100];
  std::snprintf(name, sizeof name, "%s", what);
  printRow(name, median(times), "ms");
  std::snprintf(name, sizeof name, "  draw calls %.0f, other GL calls %.0f, allocations %.1f", draws,
                others, allocated);
  printRow(name, 0.0, "", "(per frame)");
}

// Our frames and bare frames of the same picture, taken in turns so that a load arriving on the
// machine meets both alike.
void againstTheLimit(BenchGame& game) {
  game.frame();
  BareFrame bare(game.game);
  std::vector<Sample> ours;
  std::vector<Sample> limit;
  std::vector<double> ourTimes;
  std::vector<double> limitTimes;
  for (int i = 0; i < kFrames; ++i) {
    ours.push_back(sample([&] { game.frame(); }));
    limit.push_back(sample([&] {
      bare.draw();
      glFinish();
    }));
    ourTimes.push_back(ours.back().ms);
    limitTimes.push_back(limit.back().ms);
  }
  printPerFrame("whole frame (Game::runFrame + glFinish)", ours);
  printPerFrame("bare loop of the same GL calls + glFinish", limit);
  printRow("our frame / bare frame", median(ourTimes) / median(limitTimes), "", "target <= 1.05");
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
  againstTheLimit(game);
  printRow("game's own CPU work (logic + passes, GL muted)", cpuMs, "ms", "target < 0.5 ms");
  printRow("  allocations per frame in the passes, GL muted", passAllocations, "", "target 0");
  printRow("  allocations per frame in the passes, GL muted", passAllocations, "", "target 0");
}

}  // namespace

void frameSection() {
  BenchGame game(800, 600);
  measureFrames(game, true);
  measureFrames(game, false);
}

}  // namespace bench
