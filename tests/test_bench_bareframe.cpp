// The bench's bare loop stands for the game's frame draw for draw, so that the frame against it
// compares like with like. It is written apart from the passes, so it is checked against them here:
// in every state of the toggles that changes what a frame draws, the bare loop recorded from a
// game frame makes as many draw calls as that frame.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/World.h"
#include "bench/BareFrame.h"
#include "bench/Hooks.h"
#include "render/ShadowMap.h"
#include "scene/SceneRegistry.h"
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

  // A box moving in the air of the light's room: over the static casters' depth the game draws
  // again only the loose bodies that reach where the box was and is.
  SCOPED_TRACE("a box moving near the light");
  game.effectsEnabled = game.frustumCulling = game.transparencyEnabled = true;
  game.wireframe = false;
  driver.throwBox();
  const std::shared_ptr<scene::SceneObject> box =
      ::scene().get("box" + std::to_string(game.boxCount));
  ASSERT_TRUE(box);
  // Held beside the light, away from the screens, until whatever the throw stirred is at rest.
  for (int i = 0; i < 90; ++i) {
    test::holdAt(*box, glm::vec3(17.5f, 3.5f, 15.3f));
    driver.frame();
  }
  test::holdAt(*box, glm::vec3(17.5f, 3.5f, 15.0f));
  const uint64_t ours = drawsOf([&] { driver.frame(); });
  ASSERT_EQ(world().pointShadowCache->lastWork, PointShadowCache::Work::kLooseOverStatic);
  // The screens on the light's other side are not drawn again: the bare loop must leave them out.
  const std::vector<scene::SceneObject*>& redrawn = world().pointShadowCache->redrawnLoose;
  ASSERT_EQ(std::count(redrawn.begin(), redrawn.end(), ::scene().get("c_ap1_screen1").get()), 0);
  bench::BareFrame bare(game);
  EXPECT_EQ(drawsOf([&] { bare.draw(); }), ours);
}

}  // namespace
}  // namespace vorn
