// Every sound the game makes, heard in the frame that makes it: the game plays into a loopback
// device that mixes each frame's game time after the frame, and each recording is matched against
// the cue's own sound played alone.
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "assets/SoundFile.h"
#include "assets/SoundFiles.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/LoopbackAudio.h"

namespace vorn {
namespace {

using test::GameDriver;
using test::LoopbackAudio;

// A quarter second: long enough to tell the cues apart, short enough to end before the next
// flicker of the ground floor's light sounds.
constexpr size_t kWindow = LoopbackAudio::kRate / 4;

// The cue's file played once at the listener, at full gain, alone.
std::vector<float> alone(const std::string& file) {
  LoopbackAudio output;
  SoundSamples samples;
  EXPECT_TRUE(readSoundFile(std::string(BLOTWISE_RUN_DIR) + "/" + kSoundFolder + file, samples));
  {
    std::unique_ptr<AudioDevice> device = output.open();
    device->play(device->load(samples), 1.0f);
    output.render(static_cast<double>(kWindow) / LoopbackAudio::kRate);
  }
  return output.played;
}

struct Heard {
  double likeness;  // normalised correlation with the cue alone, 1 for the same shape
  double level;     // against the cue alone at full gain
};

Heard compare(const std::vector<float>& played, size_t start, const std::vector<float>& cue) {
  double both = 0.0, heard = 0.0, own = 0.0;
  for (size_t i = 0; i < cue.size() && start + i < played.size(); ++i) {
    both += static_cast<double>(played[start + i]) * cue[i];
    heard += static_cast<double>(played[start + i]) * played[start + i];
    own += static_cast<double>(cue[i]) * cue[i];
  }
  if (heard == 0.0) return {0.0, 0.0};
  return {both / std::sqrt(heard * own), std::sqrt(heard / own)};
}

struct Case {
  const char* name;
  const char* file;
  glm::vec3 ear;                     // where the player's eye stands in the frame
  void (*cause)(GameDriver& driver);  // before the frame that is to make the sound
};

void click(GameDriver& d) { d.input->clicks.insert(GLFW_MOUSE_BUTTON_LEFT); }
void hitTelevision(GameDriver& d) {
  d.game.physics->pendingTarget = ::scene().get("c_ap5_tv").get();
}
void flicker(GameDriver& d) { d.game.flickerTimerMs = 501; }
void tab(GameDriver& d) { d.input->taps = {GLFW_KEY_TAB}; }
void nothing(GameDriver&) {}

void standAt(const glm::vec3& eye) { world().camera->position = eye; }  // until the next draw

// The television upstairs (centre near (-1, 10.5, 9)) and the ground floor's flickering light.
const glm::vec3 kTelevision(-1.0f, 10.5f, 9.0f);
const glm::vec3 kFlickeringLight(-17.5f, 2.5f, -15.0f);

TEST(Sound, EachCueSoundsInTheFrameThatMakesItLouderNearItsPlace) {
  const Case cases[] = {
      {"throw", kThrowSound, {-15, 1.7f, 0}, click},
      {"bleep near", kCensorSound, kTelevision + glm::vec3(1.5f, 0, 0), hitTelevision},
      {"bleep across the room", kCensorSound, kTelevision + glm::vec3(10, 0, 0), hitTelevision},
      {"clunk", kLightSwitchSound, {18, 6.5f, 0}, nothing},  // on the staircase, upstairs
      {"crackle near", kFlickerSound, kFlickeringLight + glm::vec3(0, -0.8f, 1), flicker},
      {"crackle far", kFlickerSound, kFlickeringLight + glm::vec3(20, -0.8f, 0), flicker},
      {"jingle", kWinSound, {5, 8.6f, -15}, tab},  // in the win room
  };
  std::map<std::string, std::vector<float>> own;
  for (const Case& c : cases) own.emplace(c.file, alone(c.file));

  std::map<std::string, Heard> heard;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameDriver driver(160, 120);
    driver.game.effectsEnabled = false;
    driver.frame();  // at the start, far from every place that sounds
    const size_t frameStart = driver.sound.played.size();
    c.cause(driver);
    for (size_t end = frameStart + kWindow; driver.sound.played.size() < end;) {
      standAt(c.ear);
      driver.frame();
    }
    EXPECT_EQ(test::peak(driver.sound.played, 0, frameStart), 0.0f) << "a sound before";
    const Heard h = compare(driver.sound.played, frameStart, own.at(c.file));
    EXPECT_GT(h.likeness, 0.95) << "level " << h.level;
    heard[c.name] = h;
  }
  EXPECT_GT(heard["bleep near"].level, 2.0 * heard["bleep across the room"].level);
  EXPECT_LT(heard["crackle far"].level, 0.25 * heard["crackle near"].level);
  EXPECT_GT(heard["crackle near"].level, 0.1);
}

}  // namespace
}  // namespace vorn
