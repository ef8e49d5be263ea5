// The whole game played through its input: every censorable object is hit by a thrown box, the
// staircase is climbed, the win room entered, and the game closes itself. What it plays is
// recorded and listened to; what it prints is the game's own console lines and nothing else.
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/Aiming.h"
#include "support/GameDriver.h"
#include "support/Routes.h"
#include "support/ScratchDirectory.h"

namespace vorn {
namespace {

using test::centreOf;
using test::GameDriver;
using test::heightOf;
using test::kDegrees;
using test::throwPitch;
using test::yawTowards;

// OpenAL's "wave" back-end writes what the game plays into a file, at the pace of the wall clock.
// Set up before the game opens its audio device.
class SoundRecording {
 public:
  static constexpr int kRate = 8000;

  SoundRecording() : directory("recording"), wav(directory.file("played.wav")) {
    const std::string config = directory.write(
        "alsoft.conf", "[general]\ndrivers=wave\nfrequency=" + std::to_string(kRate) +
                           "\nchannels=mono\nsample-type=int16\n[wave]\nfile=" + wav + "\n");
    setenv("ALSOFT_CONF", config.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
  }

  // The recording, complete once the game has closed its device.
  std::vector<float> samples() const {
    SF_INFO info{};
    SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> out(static_cast<size_t>(info.frames) * info.channels);
    out.resize(static_cast<size_t>(sf_readf_float(file, out.data(), info.frames)));
    sf_close(file);
    return out;
  }

 private:
  test::ScratchDirectory directory;
  std::string wav;
};

// The amplitude of each frequency in a Hann-windowed stretch of the recording.
std::vector<float> amplitudes(const std::vector<float>& samples, size_t start, size_t length,
                              std::initializer_list<float> frequencies) {
  std::vector<float> result;
  for (float frequency : frequencies) {
    double re = 0.0, im = 0.0, weights = 0.0;
    for (size_t i = 0; i < length; ++i) {
      const double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / length);
      const double phase = 2 * M_PI * frequency * i / SoundRecording::kRate;
      re += w * samples[start + i] * std::cos(phase);
      im += w * samples[start + i] * std::sin(phase);
      weights += w;
    }
    result.push_back(static_cast<float>(2.0 * std::hypot(re, im) / weights));
  }
  return result;
}

// Stretches of 40 ms (every 20 ms) in which all the tones sound and stand well above the
// frequencies between them.
std::vector<size_t> stretchesWith(const std::vector<float>& samples,
                                  std::initializer_list<float> tones,
                                  std::initializer_list<float> between) {
  const size_t length = SoundRecording::kRate / 25;
  std::vector<size_t> found;
  for (size_t start = 0; start + length <= samples.size(); start += length / 2) {
    const std::vector<float> loud = amplitudes(samples, start, length, tones);
    const std::vector<float> quiet = amplitudes(samples, start, length, between);
    const float quietest = *std::min_element(loud.begin(), loud.end());
    if (quietest > 0.01f && quietest > 8.0f * *std::max_element(quiet.begin(), quiet.end()))
      found.push_back(start);
  }
  return found;
}

class PlayThrough : public ::testing::Test {
 protected:
  // Stands somewhere around the target from where a box reaches it, throws, and waits for the
  // censor swap. True once the object is censored.
  bool censor(const std::string& name) {
    const int before = game.censoredCount;
    const auto target = ::scene().get(name);
    if (!target) return false;
    const glm::vec3 centre = centreOf(*target);
    const float floorY = centre.y >= 5.9f ? 6.0f : 0.0f;
    // Aim at the middle, or higher up where a shelf or a table edge covers the middle.
    const glm::vec3 raised = centre + glm::vec3(0.0f, 0.25f * heightOf(*target), 0.0f);
    for (float distance : {3.0f, 2.2f, 4.0f}) {
      for (int step = 0; step < 16; ++step) {
        const float heading = step * 22.5f * kDegrees;
        const glm::vec3 spot(centre.x + distance * std::cos(heading), floorY,
                             centre.z + distance * std::sin(heading));
        if (!standStill(spot)) continue;
        for (const glm::vec3& aim : {centre, raised}) {
          if (throwAt(aim, before)) {
            std::printf("%s censored from (%.1f, %.1f, %.1f)\n", name.c_str(), spot.x, spot.y, spot.z);
            return true;
          }
          if (!standStill(spot)) break;
        }
      }
    }
    return false;
  }

  // Throws from where the player stands so that the box flies through the point; true once the
  // censor count has grown.
  bool throwAt(const glm::vec3& aim, int before) {
    const glm::vec3 eye = driver.eye();
    const float pitch = throwPitch(eye, aim);
    if (std::isnan(pitch)) return false;
    driver.runUntil([] { return false; }, 0.35f);  // the cool-down of any earlier throw
    driver.look(yawTowards(eye, aim), pitch);
    driver.throwBox();
    return driver.runUntil([&] { return game.censoredCount > before; }, 2.0f);
  }

  // Puts the player at the spot and lets the controller settle; false when the spot is inside
  // something or has no floor.
  bool standStill(const glm::vec3& spot) {
    driver.standAt(spot + glm::vec3(0.0f, 0.05f, 0.0f), 0.0f, 0.0f);
    driver.runUntil([] { return false; }, 0.25f);
    const glm::vec3 feet = driver.feet();
    return std::hypot(feet.x - spot.x, feet.z - spot.z) < 0.2f && std::abs(feet.y - spot.y) < 0.3f;
  }

  SoundRecording recording;
  std::unique_ptr<GameDriver> session = std::make_unique<GameDriver>();
  GameDriver& driver = *session;
  Game& game = driver.game;
};

TEST_F(PlayThrough, CensorEverythingClimbTheStairsAndWin) {
  test::CoutCapture console;
  game.effectsEnabled = false;  // keeps the long run affordable on a software renderer
  driver.runUntil([] { return false; }, 0.5f);

  std::vector<std::string> missed;
  for (const scene::LevelEntry& entry : scene::levelLayout())
    if (scene::isCensorable(entry.name) && !censor(entry.name)) missed.push_back(entry.name);
  EXPECT_TRUE(missed.empty()) << "not censored: " << ::testing::PrintToString(missed);
  EXPECT_EQ(game.censoredCount, 13);
  EXPECT_EQ(game.boxCount >= 13, true);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    if (!scene::isCensorable(entry.name)) continue;
    EXPECT_EQ(::scene().get(entry.name)->getName(), std::string(entry.name) + "_censored");
  }

  // From the start along the hallway, up the staircase and into the win room.
  driver.standAt({-15, 0, 0}, 0, 0);
  for (const glm::vec3& waypoint : test::routeToWinRoom())
    ASSERT_TRUE(driver.walkTo(waypoint)) << "stuck before " << waypoint.x << ", " << waypoint.z;
  int frames = 0;
  while (!glfwWindowShouldClose(game.window) && frames < 600) {
    driver.frame(1.0f / 60.0f);
    ++frames;
  }
  EXPECT_TRUE(game.hasWon);
  EXPECT_EQ(::scene().getPointLight("point3")->color, glm::vec3(0, 1, 0));
  EXPECT_TRUE(glfwWindowShouldClose(game.window));

  // The console: the game's own lines, the win announced once; the HUD and the sound add none.
  const std::string printed = console.text();
  EXPECT_NE(printed.find("Lights switched!\n"), std::string::npos);
  EXPECT_NE(printed.find("Censor IT!\n"), std::string::npos);
  EXPECT_NE(printed.find("YOU WON!\n"), std::string::npos);
  EXPECT_EQ(printed.find("YOU WON!"), printed.rfind("YOU WON!"));
  std::istringstream lines(printed);
  const std::regex gameLine("Censor IT!|Lights switched!|YOU WON!|Objects drawn: [0-9]+");
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(std::regex_match(line, gameLine)) << "printed: " << line;

  // The bleep of the censored objects (1 kHz), then the win's jingle (its closing chord); the
  // device plays on while the wall clock runs, until the game closes it.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  session.reset();
  const std::vector<float> played = recording.samples();
  const std::vector<size_t> bleeps = stretchesWith(played, {1000.0f}, {875.0f, 1125.0f});
  const std::vector<size_t> chords =
      stretchesWith(played, {523.25f, 659.26f, 783.99f}, {590.0f, 720.0f, 850.0f});
  ASSERT_FALSE(bleeps.empty()) << played.size() << " samples recorded";
  ASSERT_FALSE(chords.empty());
  EXPECT_GT(chords.front(), bleeps.front());
}

}  // namespace
}  // namespace vorn
