// The building as the world set-up makes it: what is registered, where, that each of its files is
// read once, and that loose bodies give way to a walking player.
#include <dlfcn.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/PlayerBot.h"

// The files the game reads, counted by the test's own definitions of the two library entry points
// that read them: the game's calls land here and go on to the libraries.
std::map<std::string, int> modelReads;
std::map<std::string, int> imageReads;

template <typename Fn>
Fn libraryDefinition(const char* symbol) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, symbol));
}

const void* countModelRead(void* importer, const char* file, unsigned flags)
    __asm__("_ZN6Assimp8Importer8ReadFileEPKcj");
const void* countModelRead(void* importer, const char* file, unsigned flags) {
  static const auto read = libraryDefinition<const void* (*)(void*, const char*, unsigned)>(
      "_ZN6Assimp8Importer8ReadFileEPKcj");
  ++modelReads[file];
  return read(importer, file, flags);
}

void* countImageRead(int format, const char* file, int flags) __asm__("FreeImage_Load");
void* countImageRead(int format, const char* file, int flags) {
  static const auto read = libraryDefinition<void* (*)(int, const char*, int)>("FreeImage_Load");
  constexpr int kHeaderOnly = 0x8000;  // FIF_LOAD_NOPIXELS: the size check before the decoding
  if (flags != kHeaderOnly) ++imageReads[file];
  return read(format, file, flags);
}

namespace vorn {
namespace {

using test::GameDriver;

TEST(LevelFiles, EachIsReadOnceAcrossTheLevelAndTenThrows) {
  modelReads.clear();
  imageReads.clear();
  GameDriver driver(160, 120);
  for (int i = 0; i < 10; ++i) driver.game.throwBox();
  ASSERT_EQ(driver.game.boxCount, 10);
  EXPECT_EQ(modelReads.count("./Resources/Censorable/box.obj"), 1u);
  EXPECT_GT(modelReads.size(), 25u);
  EXPECT_GT(imageReads.size(), 40u);
  for (const auto& [file, reads] : modelReads) EXPECT_EQ(reads, 1) << file;
  for (const auto& [file, reads] : imageReads) EXPECT_EQ(reads, 1) << file;
}

std::shared_ptr<scene::SceneObject> get(const std::string& name) { return ::scene().get(name); }

// Without the effects, which cost the most to draw and play no part here.
class Level : public ::testing::Test {
 protected:
  Level() { game.effectsEnabled = false; }

  GameDriver driver{160, 120};
  Game& game = driver.game;
};

TEST_F(Level, RegistersEveryObjectOnceAndNothingElse) {
  std::set<std::string> names;
  for (const auto& entry : ::scene().getOpaqueObjects()) names.insert(entry.first);
  for (const auto& entry : ::scene().getTransparentObjects()) names.insert(entry.first);
  EXPECT_EQ(names.size(), 68u);
  EXPECT_EQ(names.count("ap4_collegedude_arm"), 0u);
  EXPECT_EQ(names.count("ap4_collegedude_arm_derived"), 1u);
  EXPECT_EQ(names.count("textureObject"), 0u);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    EXPECT_EQ(names.count(entry.name), 1u) << entry.name;
    // Censorable objects alone take part in the censor filter.
    const bool censorable = scene::isCensorable(entry.name);
    EXPECT_EQ(get(entry.name)->getFilterGroup(), censorable ? 4u : 1u) << entry.name;
    EXPECT_EQ(get(entry.name)->getFilterMask(), censorable ? 2u : 1u) << entry.name;
  }
}

TEST_F(Level, PeopleAndLooseObjectsComeToRestNearTheirPlaces) {
  driver.run(3.0f);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    if (entry.kind != 1) continue;
    // The date-night board stands on the couch a little below where it is placed.
    const glm::vec3 p = get(entry.name)->getGlobalPose().p;
    EXPECT_LT(std::hypot(p.x - entry.position.x, p.z - entry.position.z), 0.5f) << entry.name << " drifted";
    EXPECT_LT(std::abs(p.y - entry.position.y), 1.2f) << entry.name << " fell";
  }
}

TEST_F(Level, ADoorwayFullOfThrownBoxesCanBeWalkedThrough) {
  // At seven frames a second, where a frame's step is half the capsule's width.
  test::PlayerBot bot(driver, 1.0f / 7.0f);
  // Four boxes across the opening (3.8 to 6.2), five deep through it, five high.
  for (int i = 0; i < 100; ++i) {
    game.throwBox();
    const auto box = get("box" + std::to_string(game.boxCount));
    const glm::vec3 spot(4.15f + 0.55f * (i % 4), 0.35f + 0.55f * (i / 20),
                         -4.4f + 0.55f * (i / 4 % 5));
    box->transform(glm::translate(glm::mat4(1.0f), spot - test::centreOf(*box)), false);
    box->setVelocity(glm::vec3(0.0f));
  }
  bot.wait(2.0f);  // the pile settles
  ASSERT_TRUE(bot.walkTo("door 3"));
  EXPECT_TRUE(bot.follow({{5, 0, 0}, {5, 0, -7}})) << "stuck at z " << driver.feet().z;
}

}  // namespace
}  // namespace vorn
