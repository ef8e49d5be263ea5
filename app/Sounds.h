#pragma once

#include <array>
#include <memory>
#include <string>

#include <glm/vec3.hpp>

#include "assets/AudioDevice.h"

namespace vorn {

// The moments the game has a sound for.
enum class Cue { Throw, Censor, Win, LightSwitch, Flicker, Count };

// The game's sounds on an audio device. Without one the game says so once and every cue stays
// silent; a sound file that cannot be read is named and its cue stays silent.
class Sounds {
 public:
  Sounds(const std::string& basePath, std::unique_ptr<AudioDevice> output);

  // At the listener.
  void play(Cue cue);
  // At a point of the world.
  void playAt(Cue cue, const glm::vec3& position);
  // The listener stands at the player's eye and looks where the player looks.
  void placeListener(const glm::vec3& eye, const glm::vec3& front, const glm::vec3& up);
  void setEnabled(bool enabled);

  bool hasDevice() const { return device != nullptr; }

 private:
  std::unique_ptr<AudioDevice> device;
  std::array<SoundId, static_cast<size_t>(Cue::Count)> sounds;
};

}  // namespace vorn
