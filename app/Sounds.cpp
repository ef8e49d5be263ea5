#include "app/Sounds.h"

#include <iostream>

#include "assets/SoundFile.h"
#include "assets/SoundFiles.h"

namespace vorn {

namespace {

struct CueSound {
  const char* file;
  float gain;
  // Within it a sound placed in the world is heard at full gain; beyond, it fades with distance.
  float referenceDistance;
};

// In the order of Cue. The crackle comes every half second on the ground floor, so it is kept
// faint: a listener hears it only near the flickering light.
constexpr CueSound kCueSounds[] = {
    {kThrowSound, 0.6f, 1.0f},       {kCensorSound, 1.0f, 3.0f},  {kWinSound, 0.9f, 1.0f},
    {kLightSwitchSound, 0.7f, 1.0f}, {kFlickerSound, 0.2f, 3.0f},
};
static_assert(std::size(kCueSounds) == static_cast<size_t>(Cue::Count));

const CueSound& soundOf(Cue cue) { return kCueSounds[static_cast<size_t>(cue)]; }

}  // namespace

Sounds::Sounds(const std::string& basePath, std::unique_ptr<AudioDevice> output)
    : device(std::move(output)) {
  sounds.fill(kNoSound);
  if (!device) {
    std::cout << "No audio device: the game runs without sound" << std::endl;
    return;
  }
  for (size_t i = 0; i < sounds.size(); ++i) {
    SoundSamples samples;
    if (readSoundFile(basePath + kSoundFolder + kCueSounds[i].file, samples))
      sounds[i] = device->load(samples);
  }
}

void Sounds::play(Cue cue) {
  if (device) device->play(sounds[static_cast<size_t>(cue)], soundOf(cue).gain);
}

void Sounds::playAt(Cue cue, const glm::vec3& position) {
  if (device)
    device->playAt(sounds[static_cast<size_t>(cue)], soundOf(cue).gain, position,
                   soundOf(cue).referenceDistance);
}

void Sounds::placeListener(const glm::vec3& eye, const glm::vec3& front, const glm::vec3& up) {
  if (device) device->placeListener(eye, front, up);
}

void Sounds::setEnabled(bool enabled) {
  if (device) device->setMuted(!enabled);
}

}  // namespace vorn
