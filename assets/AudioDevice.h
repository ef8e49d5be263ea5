#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <AL/alc.h>
#include <glm/vec3.hpp>

namespace vorn {

struct SoundSamples;

// A loaded sound, by its index; kNoSound plays as silence.
using SoundId = int32_t;
constexpr SoundId kNoSound = -1;

// The sound output (OpenAL): one device and context, the loaded sounds, and the listener, which
// stands where the player's ears are. Each sound has a source of its own that keeps its buffer,
// so playing allocates nothing; playing a sound again restarts it.
class AudioDevice {
 public:
  // The system's default device, or nullptr when there is none.
  static std::unique_ptr<AudioDevice> open();
  // Takes over an opened device and its context, made current (a test's own device).
  AudioDevice(ALCdevice* device, ALCcontext* context);
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  SoundId load(const SoundSamples& sound);

  // Plays the sound once at the listener's place, or at a point of the world: there it is as loud
  // as given within the reference distance and fades with the distance beyond it.
  void play(SoundId sound, float gain);
  void playAt(SoundId sound, float gain, const glm::vec3& position, float referenceDistance);

  void placeListener(const glm::vec3& position, const glm::vec3& front, const glm::vec3& up);
  // Silences everything, also what is playing, until unmuted.
  void setMuted(bool muted);

 private:
  struct Sound {
    uint32_t buffer;
    uint32_t source;
  };

  void start(SoundId sound, float gain, bool atListener, const glm::vec3& position,
             float referenceDistance);

  ALCdevice* device;
  ALCcontext* context;
  std::vector<Sound> sounds;
};

}  // namespace vorn
