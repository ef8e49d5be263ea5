// The whole game played as a player plays it, through the keys and the mouse alone, to the win,
// recorded in full and printing the game's own console lines only. Sound files arrive as mono
// samples or are refused; every sound the game makes is heard in the frame that makes it, on a
// loopback device mixed in game time, matched against the cue's own sound played alone.
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <AL/alc.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "assets/AudioDevice.h"
#include "assets/SoundFile.h"
#include "assets/SoundFiles.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/LoopbackAudio.h"
#include "support/PlayerBot.h"
#include "support/ScratchDirectory.h"

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

struct Cue {
  const char* name;
  const char* file;
  glm::vec3 ear;                      // where the player's eye stands in the frame
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
  const Cue cases[] = {
      {"throw", kThrowSound, {-15, 1.7f, 0}, click},
      {"bleep near", kCensorSound, kTelevision + glm::vec3(1.5f, 0, 0), hitTelevision},
      {"bleep across the room", kCensorSound, kTelevision + glm::vec3(10, 0, 0), hitTelevision},
      {"clunk", kLightSwitchSound, {18, 6.5f, 0}, nothing},  // on the staircase, upstairs
      {"crackle near", kFlickerSound, kFlickeringLight + glm::vec3(0, -0.8f, 1), flicker},
      {"crackle far", kFlickerSound, kFlickeringLight + glm::vec3(20, -0.8f, 0), flicker},
      {"jingle", kWinSound, {5, 8.6f, -15}, tab},  // in the win room
  };
  std::map<std::string, std::vector<float>> own;
  for (const Cue& c : cases) own.emplace(c.file, alone(c.file));

  std::map<std::string, Heard> heard;
  for (const Cue& c : cases) {
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

// The value a test WAV holds in a frame on a channel: channels apart by 2000, frames by 3 (in
// runs of 100), so the mix-down of the wrong channel or frame shows.
short valueAt(long frame, int channel) {
  return static_cast<short>(1000 + 2000 * channel + 3 * (frame % 100));
}

// A 16-bit WAV of valueAt.
std::string writeWav(const test::ScratchDirectory& dir, int channels, int rate, long frames) {
  SF_INFO info{0, rate, channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
  const std::string path = dir.file(std::to_string(channels) + "x" + std::to_string(rate) + "x" +
                                    std::to_string(frames) + ".wav");
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<short> samples(static_cast<size_t>(frames) * channels);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = valueAt(static_cast<long>(i) / channels, static_cast<int>(i) % channels);
  sf_writef_short(file, samples.data(), frames);
  sf_close(file);
  return path;
}

TEST(AssetsSound, PlausibleFilesArriveMixedToMonoOthersAreRefused) {
  const test::ScratchDirectory dir("sound");
  const struct {
    int channels, rate;
    long frames;
    bool loads;
  } cases[] = {
      {1, 1000, 100, true},       {2, 384000, 10, true},
      {8, 44100, 10, true},       {9, 44100, 10, false},
      {1, 999, 100, false},       {1, 384001, 10, false},
      {1, 8000, 8000 * 30, true}, {1, 8000, 8000 * 30 + 1, false},
      {1, 8000, 0, false},
  };
  for (const auto& c : cases) {
    const std::string path = writeWav(dir, c.channels, c.rate, c.frames);
    SCOPED_TRACE(path);
    SoundSamples sound;
    testing::internal::CaptureStderr();
    EXPECT_EQ(readSoundFile(path, sound), c.loads);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("ERROR: Could not load sound " + path + ": ", 0),
              c.loads ? std::string::npos : 0u);
    if (!c.loads) continue;
    EXPECT_EQ(sound.rate, c.rate);
    ASSERT_EQ(sound.samples.size(), static_cast<size_t>(c.frames));
    long mismatches = 0;  // against the channels' mean
    for (long frame = 0; frame < c.frames; ++frame) {
      int sum = 0;
      for (int channel = 0; channel < c.channels; ++channel) sum += valueAt(frame, channel);
      mismatches += sound.samples[static_cast<size_t>(frame)] != sum / c.channels;
    }
    EXPECT_EQ(mismatches, 0);
  }
}

// The game's own output, on OpenAL Soft's silent driver in place of a sound card, which a test
// machine may lack: it opens ready to play, its context current.
TEST(AudioOutput, TheDefaultDeviceOpensReadyToPlay) {
  setenv("ALSOFT_DRIVERS", "null", 1);
  const std::unique_ptr<AudioDevice> device = AudioDevice::open();
  ASSERT_TRUE(device);
  EXPECT_NE(alcGetCurrentContext(), nullptr);
}

}  // namespace
}  // namespace vorn
