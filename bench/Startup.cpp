#include <time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchGame.h"
#include "bench/Hooks.h"
#include "bench/Sections.h"
#include "bench/Stats.h"

namespace bench {

namespace {

constexpr int kRuns = 5;

// How long ago the process started, to a clock tick: the start time in /proc/self/stat counts
// ticks since boot.
double processAgeMs() {
  std::ifstream statFile("/proc/self/stat");
  const std::string stat{std::istreambuf_iterator<char>(statFile), std::istreambuf_iterator<char>()};
  // The fields after the command name (which may hold spaces) start at the state, field 3; the
  // start time is field 22.
  std::size_t at = stat.rfind(')');
  for (int field = 2; field < 22 && at != std::string::npos; ++field) at = stat.find(' ', at + 1);
  if (at == std::string::npos) return 0.0;
  const double startTicks = std::stod(stat.substr(at + 1));
  timespec sinceBoot{};
  clock_gettime(CLOCK_BOOTTIME, &sinceBoot);
  const double bootMs = sinceBoot.tv_sec * 1000.0 + sinceBoot.tv_nsec / 1e6;
  return bootMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct StartUpRun {
  double startUp = 0.0;     // Game construction and Game::startUp
  double firstFrame = 0.0;  // the first frame, until it is shown
  StartupParts parts;
};

StartUpRun startUpOnce(double& processAge) {
  StartUpRun run;
  startupParts() = StartupParts();
  const double begin = nowMs();
  BenchGame game(800, 600);
  const double started = nowMs();
  game.frame();
  processAge = processAgeMs();
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
  double firstShown = 0.0;  // process age when the first start-up showed its first frame
  for (int i = 0; i < kRuns; ++i) {
    double processAge = 0.0;
    runs.push_back(startUpOnce(processAge));
    if (i == 0) firstShown = processAge;
  }

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
  printTarget("first start-up: process start to first frame shown", firstShown, "ms", 2000.0);
  printFigure("  of which Game construction to first frame",
              runs.front().startUp + runs.front().firstFrame, "ms");
}

}  // namespace bench
