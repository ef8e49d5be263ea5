#include <time.h>
#include <unistd.h>

#include <cstdio>
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
  const std::string stat{std::istreambuf_iterator<char>(statFile),
                         std::istreambuf_iterator<char>()};
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
  double processAge = 0.0;  // when the first frame was shown
  double cpu = 0.0;         // CPU time of all the process's threads, construction to first frame
  StartupParts parts;
};

StartUpRun startUpOnce() {
  StartUpRun run;
  startupParts() = StartupParts();
  const double begin = nowMs();
  const double beginCpu = processCpuMs();
  BenchGame game(800, 600);
  const double started = nowMs();
  game.frame();
  run.processAge = processAgeMs();
  run.startUp = started - begin;
  run.firstFrame = nowMs() - started;
  run.cpu = processCpuMs() - beginCpu;
  run.parts = startupParts();
  return run;
}

template <typename Field>
double medianOf(const std::vector<StartUpRun>& runs, Field field) {
  std::vector<double> values;
  for (const StartUpRun& run : runs) values.push_back(field(run));
  return median(values);
}

const struct {
  const char* name;
  PartTime StartupParts::*part;
} kParts[] = {
    {"  asset import (Assimp, both threads)", &StartupParts::import},
    {"  texture decoding (FreeImage, both threads)", &StartupParts::decoding},
    {"  collision cooking (Bullet)", &StartupParts::cooking},
    {"  shader compilation and linking", &StartupParts::shaders},
    {"  GL uploads (buffers, textures)", &StartupParts::uploads},
};

}  // namespace

void startUpSection() {
  std::vector<StartUpRun> runs;
  for (int i = 0; i < kRuns; ++i) runs.push_back(startUpOnce());

  char heading[100];
  std::snprintf(heading, sizeof heading,
                "Start-up, 800 x 600: medians of %d start-ups in one process", kRuns);
  printHeading(heading);
  printTarget("Game construction to first frame shown",
              medianOf(runs, [](const StartUpRun& r) { return r.startUp + r.firstFrame; }), "ms",
              350.0);
  printFigure("  in CPU time of all threads",
              medianOf(runs, [](const StartUpRun& r) { return r.cpu; }), "ms");
  printFigure("  Game::startUp", medianOf(runs, [](const StartUpRun& r) { return r.startUp; }),
              "ms");
  printFigure("  first frame", medianOf(runs, [](const StartUpRun& r) { return r.firstFrame; }),
              "ms");
  for (const auto& part : kParts) {
    char remark[60];
    std::snprintf(remark, sizeof remark, "thread CPU %.3f ms",
                  medianOf(runs, [&](const StartUpRun& r) { return (r.parts.*part.part).cpu; }));
    printFigure(part.name,
                medianOf(runs, [&](const StartUpRun& r) { return (r.parts.*part.part).wall; }),
                "ms", remark);
  }
  const StartUpRun& first = runs.front();
  printTarget("first start-up: process start to first frame shown", first.processAge, "ms", 2000.0);
  printFigure("  of which Game construction to first frame", first.startUp + first.firstFrame,
              "ms");
}

}  // namespace bench
