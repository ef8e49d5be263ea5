#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "render/ViewFrustum.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/PlayerBot.h"

namespace vorn {
namespace {

constexpr float kFrameTime = 1.0f / 30.0f;
constexpr int kTexels = 6 * ShadowMapFBO::kSize * ShadowMapFBO::kSize;
using Work = PointShadowCache::Work;

// After every frame the driver runs, holds the point shadow map the game keeps against the whole
// pass drawn afresh into a map of the test's own, texel for texel.
class AgainstWholePass {
 public:
  explicit AgainstWholePass(test::GameDriver& driver) : game(driver.game) {
    reference.initPoint();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    driver.afterFrame = [this] { check(); };
  }

  std::string step = "start";
  int failedFrames = 0;
  std::array<int, 4> work{};    // frames by what the game's pass did
  int fewestRedrawn = kTexels;  // over the static casters' depth

 private:
  void check() {
    ++frames;
    // With effects off nothing draws the map: it still holds the last pass's depth.
    if (game.effectsEnabled) {
      const PointShadowCache& cache = *world().pointShadowCache;
      ++work[static_cast<int>(cache.lastWork)];
      if (cache.lastWork == Work::kLooseOverStatic) {
        int texels = 0;
        for (const FaceRect& r : cache.redrawn) texels += r.empty() ? 0 : r.width * r.height;
        fewestRedrawn = std::min(fewestRedrawn, texels);
      }
      shadowPass(reference, *world().pointShadowShader, *world().lightingShader, ::scene(), frustum,
                 game.renderSettings());
      read(reference.depthTexture, expected);
    }
    read(world().pointShadowMap->depthTexture, kept);
    if (kept == expected) return;
    const auto differing = std::inner_product(kept.begin(), kept.end(), expected.begin(), 0,
                                              std::plus<>(), std::not_equal_to<>());
    if (failedFrames++ < 5)
      ADD_FAILURE() << differing << " texels differ after frame " << frames << " (" << step << ")";
  }

  static void read(GLuint cubeMap, std::vector<GLuint>& texels) {
    texels.resize(kTexels);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap);
    const int faceTexels = kTexels / 6;
    for (int face = 0; face < 6; ++face)
      glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT,
                    texels.data() + face * faceTexels);
    glBindTexture(GL_TEXTURE_CUBE_MAP, static_cast<GLuint>(bound));
  }

  Game& game;
  ShadowMapFBO reference;
  ViewFrustum frustum{1.0f, 0.1f, 50.0f};
  std::vector<GLuint> kept;
  std::vector<GLuint> expected;
  int frames = 0;
};

// A walk through everything that changes what the shadow pass draws: boxes flying through the
// light's reach and past it, boxes coming to rest there, a box flown round the light and close
// over it, across the faces' edges and near planes, a censor swap within it, a static caster
// leaving and coming back, the staircase moving the light and the light circling upstairs, and
// the toggles that change what the pass draws or whether it runs.
TEST(ShadowCache, KeptMapIsTheWholePassAfterEveryFrame) {
  test::GameDriver driver;
  Game& game = driver.game;
  AgainstWholePass check(driver);
  test::PlayerBot bot(driver, kFrameTime);

  check.step = "standing at the start";
  driver.run(1.0f, kFrameTime);
  check.step = "a box flying outside the light's reach";
  driver.throwBox();
  driver.run(1.0f, kFrameTime);

  check.step = "boxes thrown through the light's reach at a screen there";
  ASSERT_TRUE(bot.censor("c_ap1_screen1"));
  // Its neighbour too: a box touching it below the light would be taken out of the world.
  ASSERT_TRUE(bot.censor("c_ap1_screen2"));
  check.step = "the boxes coming to rest";
  driver.run(3.0f, kFrameTime);

  // Across the near planes and the edges of the faces, close over the light and round it.
  check.step = "a box flown over the light and round it";
  driver.throwBox();
  const std::shared_ptr<scene::SceneObject> box =
      ::scene().get("box" + std::to_string(game.boxCount));
  ASSERT_TRUE(box);
  const glm::vec3 light = ::scene().getPointLight("point1")->position;
  for (int frame = 0; frame < 48; ++frame) {
    ASSERT_FALSE(box->actors.empty()) << "the box left the world at frame " << frame;
    const float angle = 0.4f * static_cast<float>(frame);
    const float reach = 1.2f - 0.05f * static_cast<float>(frame);
    test::holdAt(*box, light + glm::vec3(reach * std::cos(angle), 0.35f, reach * std::sin(angle)));
    driver.frame(kFrameTime);
  }
  driver.run(2.0f, kFrameTime);

  // As a censor swap of a static object does.
  check.step = "a static caster taken away";
  const std::shared_ptr<scene::SceneObject> chair = ::scene().get("ap1_chair");
  ASSERT_TRUE(chair);
  ::scene().remove(chair.get(), "ap1_chair");
  driver.run(0.2f, kFrameTime);
  check.step = "the static caster back";
  ::scene().insert("ap1_chair", chair);
  driver.run(0.2f, kFrameTime);

  check.step = "up the staircase, the light circling";
  ASSERT_TRUE(bot.walkTo("stair top"));
  EXPECT_TRUE(game.lightsSwitched);
  driver.run(0.5f, kFrameTime);
  check.step = "back down";
  ASSERT_TRUE(bot.walkTo("door 1"));
  EXPECT_FALSE(game.lightsSwitched);

  check.step = "effects off, a box thrown meanwhile, effects on";
  bot.press(GLFW_KEY_F7);
  ASSERT_FALSE(game.effectsEnabled);
  driver.run(0.5f, kFrameTime);
  driver.throwBox();
  driver.run(0.5f, kFrameTime);
  bot.press(GLFW_KEY_F7);
  driver.run(0.5f, kFrameTime);

  // A box thrown while the toggle is in effect finds the static casters' map drawn before.
  for (int key : {GLFW_KEY_F8, GLFW_KEY_F3}) {
    check.step = key == GLFW_KEY_F8 ? "culling off, a box thrown, on" : "wire frame, a box thrown";
    bot.press(key);
    driver.run(0.5f, kFrameTime);
    const int thrown = game.boxCount;
    driver.throwBox();
    ASSERT_EQ(game.boxCount, thrown + 1);
    driver.run(0.5f, kFrameTime);
    bot.press(key);
    driver.run(0.3f, kFrameTime);
  }
  ASSERT_TRUE(game.effectsEnabled && game.frustumCulling && !game.wireframe);

  EXPECT_EQ(check.failedFrames, 0);
  // The walk met every way of bringing the map up to date.
  EXPECT_GT(check.work[static_cast<int>(Work::kNothing)], 0);
  EXPECT_GT(check.work[static_cast<int>(Work::kLooseOverStatic)], 0);
  EXPECT_GT(check.work[static_cast<int>(Work::kStaticThenLoose)], 0);
  EXPECT_GT(check.work[static_cast<int>(Work::kWholePass)], 0);
  // A box in the air takes a small part of a face to draw again, not whole faces.
  EXPECT_LT(check.fewestRedrawn, kTexels / 60);
}

}  // namespace
}  // namespace vorn
