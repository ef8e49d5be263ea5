#include <GL/glew.h>

#include <vector>

#include "bench/BenchGame.h"
#include "bench/Hooks.h"
#include "bench/Sections.h"
#include "bench/Stats.h"

namespace bench {

namespace {

constexpr int kRuns = 5;

struct StartUpRun {
  double startUp = 0.0;     // Game construction and Game::startUp
  double firstFrame = 0.0;  // the first frame, until it is shown
  StartupParts parts;
};

StartUpRun startUpOnce() {
  StartUpRun run;
  startupParts() = StartupParts();
  const double begin = nowMs();
  BenchGame game(800, 600);
  const double started = nowMs();
  game.frame();
  run.startUp = started - begin;
  run.firstFrame = nowMs() - started;
  run.parts = startupParts();
  return run;
}

template <typename Field>
double medianOf(const std::vector<StartUpRun>& runs, Field field) {
  std::vector<double> values;
  for (const StartUpRun& run : runs) values.push_back(field(run));
  return median(values);
}

}  // namespace

void startUpSection() {
  std::vector<StartUpRun> runs;
  for (int i = 0; i < kRuns; ++i) runs.push_back(startUpOnce());

  printHeading("Start-up, 800 x 600 (median of 5 start-ups in one process)");
  printTarget("Game construction to first frame shown",
              medianOf(runs, [](const StartUpRun& r) { return r.startUp + r.firstFrame; }), "ms",
              2000.0);
  printFigure("  Game::startUp", medianOf(runs, [](const StartUpRun& r) { return r.startUp; }), "ms");
  printFigure("  first frame", medianOf(runs, [](const StartUpRun& r) { return r.firstFrame; }), "ms");
  printFigure("  asset import (Assimp)",
           medianOf(runs, [](const StartUpRun& r) { return r.parts.import; }), "ms");
  printFigure("  texture decoding (FreeImage)",
           medianOf(runs, [](const StartUpRun& r) { return r.parts.decoding; }), "ms");
  printFigure("  collision cooking (Bullet)",
           medianOf(runs, [](const StartUpRun& r) { return r.parts.cooking; }), "ms");
  printFigure("  shader compilation and linking",
           medianOf(runs, [](const StartUpRun& r) { return r.parts.shaders; }), "ms");
  printFigure("  GL uploads (buffers, textures, mipmaps)",
           medianOf(runs, [](const StartUpRun& r) { return r.parts.uploads; }), "ms");
  printFigure("  first start-up of the process",
           runs.front().startUp + runs.front().firstFrame, "ms");
}

}  // namespace bench
