#include <GL/glew.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/World.h"
#include "bench/Allocations.h"
#include "bench/BareFrame.h"
#include "bench/BenchGame.h"
#include "bench/Hooks.h"
#include "bench/Sections.h"
#include "bench/Stats.h"
#include "render/LightSetup.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "scene/SceneRegistry.h"

namespace bench {

namespace {

constexpr int kWarmUpFrames = 30;
constexpr int kFrames = 60;

// Time, allocations and GL calls of a stretch of work.
struct Sample {
  double ms = 0.0;
  double allocations = 0.0;
  double draws = 0.0;
  double otherCalls = 0.0;
  double cpuMs = 0.0;             // this thread's
  double imGuiAllocations = 0.0;  // among the allocations
};

template <typename Work>
Sample sample(Work work) {
  const GlCallCounts calls = glCallCounts();
  const uint64_t allocated = allocations();
  const uint64_t allocatedByImGui = imGuiAllocations();
  const double start = nowMs();
  const double startCpu = threadCpuMs();
  work();
  const double cpuMs = threadCpuMs() - startCpu;
  const double ms = nowMs() - start;
  return {ms,
          static_cast<double>(allocations() - allocated),
          static_cast<double>(glCallCounts().draws - calls.draws),
          static_cast<double>(glCallCounts().others - calls.others),
          cpuMs,
          static_cast<double>(imGuiAllocations() - allocatedByImGui)};
}

// Median times; allocations and GL calls as means.
Sample summary(const std::vector<Sample>& samples) {
  std::vector<double> times, cpuTimes;
  Sample mean;
  for (const Sample& s : samples) {
    times.push_back(s.ms);
    cpuTimes.push_back(s.cpuMs);
    mean.allocations += s.allocations / samples.size();
    mean.draws += s.draws / samples.size();
    mean.otherCalls += s.otherCalls / samples.size();
    mean.imGuiAllocations += s.imGuiAllocations / samples.size();
  }
  mean.ms = median(times);
  mean.cpuMs = median(cpuTimes);
  return mean;
}

void printFrames(const char* name, const Sample& frames) {
  char remark[100];
  std::snprintf(remark, sizeof remark, "%.1f allocations, %.0f draw calls, %.0f other GL calls",
                frames.allocations, frames.draws, frames.otherCalls);
  printFigure(name, frames.ms, "ms", remark);
}

void printPhases(BenchGame& game) {
  std::array<std::vector<Sample>, kPhaseCount> phases;
  std::vector<double> shadowTriangles;
  for (int i = 0; i < kFrames; ++i) {
    const PhaseFigures figures = game.phasedFrame();
    for (int p = 0; p < kPhaseCount; ++p) {
      Sample phase;
      phase.ms = figures.ms[p];
      phase.cpuMs = figures.cpuMs[p];
      phase.allocations = static_cast<double>(figures.allocations[p]);
      phases[p].push_back(phase);
    }
    shadowTriangles.push_back(static_cast<double>(figures.shadowTriangles));
  }
  for (int p = 0; p < kPhaseCount; ++p) {
    const Sample phase = summary(phases[p]);
    char remark[80];
    std::snprintf(remark, sizeof remark, "%.1f allocations, CPU time of all threads %.3f ms",
                  phase.allocations, phase.cpuMs);
    printFigure(kPhaseNames[p], phase.ms, "ms", remark);
  }
  if (game.game.effectsEnabled)
    printFigure("  triangles the shadow pass sends to the cube faces", median(shadowTriangles), "");
}

// The lit scene pass against the same draws with a fragment stage that only samples the diffuse
// map, each object drawn once: what plain texturing costs. Taken in turns and in the CPU time of
// all the process's threads (the driver rasterises on its own); the figure is the median of the
// pairs' ratios. The second ratio gives the texture-only pass the lit pass's depth
// pre-pass as well.
void printLightingCost(BenchGame& game) {
  auto textureOnly = std::make_unique<vorn::LightingShader>(
      "./Shader/blinn_phong.vert", BLOTWISE_BENCH_DIR "/texture_only.frag");
  const auto cpuMs = [](auto work) {
    const double start = processCpuMs();
    work();
    return processCpuMs() - start;
  };
  std::vector<double> lit, plain, ratios, ratiosWithPrePass;
  for (int i = 0; i < kFrames / 2; ++i) {
    game.frame();
    lit.push_back(cpuMs([&] { game.scenePass(); }));
    plain.push_back(cpuMs([&] { game.scenePass(&textureOnly, false); }));
    const double plainWithPrePass = cpuMs([&] { game.scenePass(&textureOnly); });
    ratios.push_back(lit.back() / plain.back());
    ratiosWithPrePass.push_back(lit.back() / plainWithPrePass);
  }
  printFigure("scene pass, CPU time of all threads: lit", median(lit), "ms");
  printFigure("  texture-only fragment stage", median(plain), "ms");
  printTarget("lit scene pass / texture-only scene pass", median(ratios), "", 2.0, true);
  printFigure("  the same, texture-only after the depth pre-pass too", median(ratiosWithPrePass),
              "");
}

// Our frames and bare frames of the same picture, taken in turns so that a load arriving on the
// machine meets both alike.
void printAgainstTheLimit(BenchGame& game) {
  game.frame();
  BareFrame bare(game.game);
  std::vector<Sample> ours;
  std::vector<Sample> limit;
  for (int i = 0; i < kFrames; ++i) {
    ours.push_back(sample([&] { game.frame(); }));
    limit.push_back(sample([&] {
      bare.draw();
      glFinish();
    }));
  }
  const Sample our = summary(ours);
  const Sample bareFrames = summary(limit);
  printFrames("whole frame: Game::runFrame + glFinish", our);
  printFrames("bare loop of the same GL calls + glFinish", bareFrames);
  printTarget("our frame / bare frame", our.ms / bareFrames.ms, "", 1.05, true);
}

// The HUD's work in each of the frames: laid out by the game and Dear ImGui, then drawn by Dear
// ImGui's back-end, whose GL calls go through its own loader and are never muted. Both are
// measured in the HUD's place in the frame, after the passes and before the swap: drawn straight
// after a swap, the HUD would be the first to draw into the window's new back buffer, and would
// pay the driver's taking it up (0.1 to 0.15 ms on llvmpipe), which in the game's frame falls on
// the scene pass or on the bloom's last pass.
struct HudWork {
  Sample layout;
  Sample drawing;
};

HudWork hudWork(BenchGame& game) {
  std::vector<Sample> layout, drawing;
  for (int i = 0; i < kFrames; ++i) {
    game.frameUpToHud();
    layout.push_back(sample([&] { game.layOutHud(); }));
    drawing.push_back(sample([&] { game.drawHud(); }));
    game.frameAfterHud();
  }
  return {summary(layout), summary(drawing)};
}

// The game's own CPU work (the physics step aside), in this thread's CPU time, and its
// allocations. Each measured frame follows a real one, so it meets the caches as a frame of the
// game does: cold after the driver's rasterising. The render phases run with their GL calls muted.
void printOwnWork(BenchGame& game) {
  std::vector<Sample> physics, logic, passes;
  for (int i = 0; i < kFrames; ++i) {
    game.frame();
    physics.push_back(sample([&] { game.physicsStep(); }));
    logic.push_back(sample([&] { game.logic(); }));
    muteFrameGl(true);
    passes.push_back(sample([&] { game.renderPhases(); }));
    muteFrameGl(false);
  }
  const Sample physicsWork = summary(physics);
  const Sample logicWork = summary(logic);
  const Sample passWork = summary(passes);
  const HudWork hud = hudWork(game);
  const double hudMs = hud.layout.cpuMs + hud.drawing.cpuMs;
  const double total = logicWork.cpuMs + passWork.cpuMs + hudMs;
  char name[80];
  std::snprintf(name, sizeof name, "game's own CPU work: logic %.3f + passes %.3f + HUD %.3f",
                logicWork.cpuMs, passWork.cpuMs, hudMs);
  printTarget(name, total, "ms", 0.5);
  std::snprintf(name, sizeof name, "  HUD's share: layout %.3f + drawing %.3f", hud.layout.cpuMs,
                hud.drawing.cpuMs);
  printFigure(name, 100.0 * hudMs / total, "%");
  std::snprintf(name, sizeof name, "game's own allocations in %d frames (Dear ImGui's aside)",
                kFrames);
  const double imGuiOwn = hud.layout.imGuiAllocations + hud.drawing.imGuiAllocations;
  printTarget(name,
              kFrames * (logicWork.allocations + passWork.allocations + hud.layout.allocations -
                         hud.layout.imGuiAllocations),
              "", 0.0, true);
  std::snprintf(name, sizeof name, "  Dear ImGui's own allocations in %d frames", kFrames);
  printFigure(name, kFrames * imGuiOwn, "");
  std::snprintf(name, sizeof name, "  the GL driver's while the HUD draws, in %d frames", kFrames);
  printFigure(name, kFrames * (hud.drawing.allocations - hud.drawing.imGuiAllocations), "");
  std::snprintf(name, sizeof name, "  physics step allocations in %d frames", kFrames);
  printFigure(name, kFrames * physicsWork.allocations, "");

  game.game.showHelp = true;
  for (int i = 0; i < kWarmUpFrames; ++i) game.frame();
  const HudWork overlay = hudWork(game);
  game.game.showHelp = false;
  printFigure("HUD with the F1 overlay open: layout + drawing",
              overlay.layout.cpuMs + overlay.drawing.cpuMs, "ms");
  std::snprintf(name, sizeof name, "  Dear ImGui's own allocations in %d frames", kFrames);
  printFigure(name, kFrames * (overlay.layout.imGuiAllocations + overlay.drawing.imGuiAllocations),
              "");
  std::snprintf(name, sizeof name, "  our own allocations in %d frames", kFrames);
  printFigure(name, kFrames * (overlay.layout.allocations - overlay.layout.imGuiAllocations), "");
}

void measureFrames(BenchGame& game, bool effects) {
  game.game.effectsEnabled = effects;
  for (int i = 0; i < kWarmUpFrames; ++i) game.frame();

  char heading[160];
  std::snprintf(heading, sizeof heading,
                "Frame, 800 x 600, effects %s: medians of %d frames, allocations and GL calls per "
                "frame; render phases end with glFinish",
                effects ? "on" : "off", kFrames);
  printHeading(heading);
  printPhases(game);
  if (effects) printLightingCost(game);
  printAgainstTheLimit(game);
  printOwnWork(game);
}

// The sections above run a minute or more apart, so a load that comes or goes on a shared machine
// between them shows as a difference between effects on and off; taken in turns, it cannot.
struct EffectsInTurns {
  double on = 0.0;
  double off = 0.0;
  double ratio = 0.0;     // the median of each pair's on / off
  double cpuRatio = 0.0;  // the same in the CPU time of all the process's threads
};

EffectsInTurns effectsInTurns(BenchGame& game) {
  std::vector<double> on, off, ratios, cpuRatios;
  const auto frameIn = [&](bool effects, std::vector<double>& times) {
    game.game.effectsEnabled = effects;
    const double startCpu = processCpuMs();
    times.push_back(sample([&] { game.frame(); }).ms);
    return processCpuMs() - startCpu;
  };
  for (int i = 0; i < kFrames / 2; ++i) {
    const double onCpu = frameIn(true, on);
    const double offCpu = frameIn(false, off);
    ratios.push_back(on.back() / off.back());
    cpuRatios.push_back(onCpu / offCpu);
  }
  return {median(on), median(off), median(ratios), median(cpuRatios)};
}

void printEffectsInTurns(const EffectsInTurns& small, const EffectsInTurns& large) {
  char heading[160];
  std::snprintf(heading, sizeof heading,
                "Whole frame (Game::runFrame + glFinish), effects on and off in turns: medians of "
                "%d frames each, 800 x 600 beside 1920 x 1080",
                kFrames / 2);
  printHeading(heading);
  printFigure("whole frame, effects on: 800 x 600", small.on, "ms");
  printFigure("  1920 x 1080", large.on, "ms");
  printFigure("whole frame, effects off: 800 x 600", small.off, "ms");
  printFigure("  1920 x 1080", large.off, "ms");
  printTarget("effects on / effects off: 800 x 600", small.ratio, "", 1.30, true);
  printFigure("  1920 x 1080", large.ratio, "");
  printFigure("  the same in CPU time of all threads: 800 x 600", small.cpuRatio, "");
  printFigure("  1920 x 1080", large.cpuRatio, "");
}

// The shadow pass's median time over frames of the game, each after the given change, and the
// whole pass drawn afresh after each of those frames, as every frame drew it before the map was
// kept: the same light and bodies under the same load.
struct ShadowTimes {
  double kept = 0.0;
  double whole = 0.0;
};

template <typename Change>
ShadowTimes shadowPassMs(BenchGame& game, Change change) {
  vorn::World& w = vorn::world();
  std::vector<double> kept, whole;
  for (int i = 0; i < kFrames; ++i) {
    change(i);
    kept.push_back(game.phasedFrame().ms[kShadow]);
    const double start = nowMs();
    vorn::shadowPass(*w.pointShadowMap, *w.pointShadowShader, *w.lightingShader, ::scene(),
                     *w.frustum, game.game.renderSettings());
    glFinish();
    whole.push_back(nowMs() - start);
  }
  return {median(kept), median(whole)};
}

void printShadowCase(const char* name, const ShadowTimes& times, double limit) {
  printTarget(name, times.kept, "ms", limit, true);
  printFigure("  the whole pass drawn afresh, in turns", times.whole, "ms");
}

// A light that moves every frame leaves nothing to keep: the pass is drawn whole, and may cost
// what the whole pass drawn afresh beside it costs, within the noise of the medians.
void printWholePassCase(const char* name, const ShadowTimes& times) {
  printFigure(name, times.kept, "ms");
  printFigure("  the whole pass drawn afresh, in turns", times.whole, "ms");
  printTarget("  kept / whole pass", times.kept / times.whole, "", 1.10, true);
}

// The shadow pass keeps the static casters' depth and draws only what changed: nothing while
// nothing moves within the light's reach, the loose bodies over a copy of that depth where one
// moved, everything when the light moves (upstairs it circles every frame).
void printShadowCases(BenchGame& game) {
  game.game.effectsEnabled = true;
  char heading[120];
  std::snprintf(heading, sizeof heading, "Shadow pass, 800 x 600: medians of %d frames", kFrames);
  printHeading(heading);
  printShadowCase("shadow pass, nothing moving in the light's reach",
                  shadowPassMs(game, [](int) {}), 0.3);

  game.game.throwBox();
  const std::shared_ptr<vorn::scene::SceneObject> box =
      ::scene().get("box" + std::to_string(game.game.boxCount));
  // Round and round in the air of the light's room, a turn a second.
  const auto fly = [&](int frame) {
    const float angle = 6.2831853f * static_cast<float>(frame) * kFrameDt;
    const glm::vec3 to(16.0f + 1.5f * std::cos(angle), 3.5f, 12.0f + 1.5f * std::sin(angle));
    glm::mat4 move(1.0f);
    move[3] = glm::vec4(to - box->getGlobalPose().p, 1.0f);
    box->transform(move, false);
    box->setVelocity(glm::vec3(0.0f));
  };
  printShadowCase("shadow pass, a box flying through the light's reach", shadowPassMs(game, fly),
                  2.0);

  game.game.lightsSwitched = true;
  vorn::setupLights(*vorn::world().lightingShader, ::scene(), true);
  printWholePassCase("shadow pass, the light orbiting", shadowPassMs(game, [](int) {}));
}

}  // namespace

void frameSection() {
  EffectsInTurns small, large;
  {
    BenchGame game(800, 600);
    std::printf("\nRenderer: %s, %s\n", glGetString(GL_RENDERER), glGetString(GL_VERSION));
    measureFrames(game, true);
    measureFrames(game, false);
    small = effectsInTurns(game);
    printShadowCases(game);
  }
  {
    BenchGame game(1920, 1080);
    for (int i = 0; i < kWarmUpFrames; ++i) game.frame();
    large = effectsInTurns(game);
  }
  printEffectsInTurns(small, large);
}

}  // namespace bench
