// The bench's bare loop stands for the game's frame draw for draw, so that the frame against it
// compares like with like. It is written apart from the passes, so it is checked against them here:
// in every state of the toggles that changes what a frame draws, the bare loop recorded from a
// game frame makes as many draw calls as that frame.
#include <gtest/gtest.h>

#include "bench/BareFrame.h"
#include "bench/Hooks.h"
#include "support/GameDriver.h"

namespace vorn {
namespace {

template <typename Frame>
uint64_t drawsOf(Frame frame) {
  const uint64_t before = bench::glCallCounts().draws;
  frame();
  return bench::glCallCounts().draws - before;
}

TEST(BareFrame, DrawsWhatTheGamesFrameDraws) {
  test::GameDriver driver(160, 120);
  Game& game = driver.game;
  driver.run(1.0f);  // the loose bodies at rest, so that the shadow pass settles too
  struct State {
    const char* name;
    bool effects, wireframe, culling, transparency;
  };
  const State states[] = {
      {"everything on", true, false, true, true},     {"effects off", false, false, true, true},
      {"wire frame", true, true, true, true},         {"culling off", true, false, false, true},
      {"transparency off", true, false, true, false},
  };
  for (const State& state : states) {
    SCOPED_TRACE(state.name);
    game.effectsEnabled = state.effects;
    game.wireframe = state.wireframe;
    game.frustumCulling = state.culling;
    game.transparencyEnabled = state.transparency;
    driver.frame();  // the shadow map brought up to date for the new state
    const uint64_t ours = drawsOf([&] { driver.frame(); });
    bench::BareFrame bare(game);
    const uint64_t bareDraws = drawsOf([&] { bare.draw(); });
    EXPECT_GT(ours, 20u);
    EXPECT_EQ(bareDraws, ours);
  }
}

}  // namespace
}  // namespace vorn
