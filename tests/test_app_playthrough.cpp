// The whole game played as a player plays it, through the keys and the mouse alone: from the start
// through the doors and up the staircase, every censorable object hit by thrown boxes, then the
// win room, and the game closes itself. What it plays is recorded in full; what it prints is the
// game's own console lines and nothing else.
#include <chrono>
#include <cstdio>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/PlayerBot.h"
#include "support/LoopbackAudio.h"

namespace vorn {
namespace {

using test::GameDriver;
using test::PlayerBot;

struct Case {
  const char* name;
  float frameTime;
  bool effects;
  int extraBoxes;  // thrown into the corridor and the staircase before the play begins
};

void PrintTo(const Case& run, std::ostream* out) { *out << run.name; }

class PlayThrough : public ::testing::TestWithParam<Case> {};

TEST_P(PlayThrough, FromTheStartToTheWin) {
  const Case& run = GetParam();
  const auto start = std::chrono::steady_clock::now();
  GameDriver driver;
  const double startTime = driver.clock->time;
  Game& game = driver.game;
  test::CoutCapture console;
  PlayerBot bot(driver, run.frameTime);
  if (!run.effects) bot.press(GLFW_KEY_F7);
  bot.litter(run.extraBoxes);
  ASSERT_EQ(game.effectsEnabled, run.effects);
  ASSERT_EQ(game.boxCount, run.extraBoxes);

  EXPECT_TRUE(bot.censorAll());
  EXPECT_EQ(game.censoredCount, scene::kCensorableCount);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    if (scene::isCensorable(entry.name)) {
      EXPECT_EQ(::scene().get(entry.name)->getName(), std::string(entry.name) + "_censored");
    }
  }
  EXPECT_TRUE(bot.win());
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s (%s, %.0f s wall time)\n", bot.summary().c_str(), run.name, wall);
  EXPECT_LE(bot.boxes, 20);
  EXPECT_LE(bot.playTime(), 300.0f);
  EXPECT_EQ(::scene().getPointLight("point3")->color, glm::vec3(0, 1, 0));

  // The console: the game's own lines, the win announced once; the HUD and the sound add none.
  const std::string printed = console.text();
  EXPECT_NE(printed.find("Lights switched!\n"), std::string::npos);
  EXPECT_NE(printed.find("Censor IT!\n"), std::string::npos);
  EXPECT_NE(printed.find("YOU WON!\n"), std::string::npos);
  EXPECT_EQ(printed.find("YOU WON!"), printed.rfind("YOU WON!"));
  std::istringstream lines(printed);
  const std::regex gameLine(
      "Censor IT!|Lights switched!|YOU WON!|Objects drawn: [0-9]+|Effects: (On|Off)");
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(std::regex_match(line, gameLine)) << "printed: " << line;

  // The recording holds every frame's game time, and something was heard: what each cue sounds
  // like, and when, the sound table checks.
  const std::vector<float>& played = driver.sound.played;
  EXPECT_NEAR(played.size() / static_cast<double>(test::LoopbackAudio::kRate),
              driver.clock->time - startTime, 0.05);
  EXPECT_GT(test::peak(played, 0, played.size()), 0.1f) << played.size() << " samples recorded";
}

INSTANTIATE_TEST_SUITE_P(
    Bot, PlayThrough,
    ::testing::Values(Case{"SixtyFramesWithEffects", 1.0f / 60.0f, true, 0},
                      Case{"FifteenFramesPastSixtyBoxes", 1.0f / 15.0f, false, 60}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorn
