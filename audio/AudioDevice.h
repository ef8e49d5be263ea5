#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <AL/alc.h>
#include <glm/vec3.hpp>

namespace vorn {

struct SoundSamples;

// A loaded sound; 0 stands for none, which plays as silence.
using SoundId = uint32_t;

// The sound output (OpenAL): one device and context, the loaded sounds and a small pool of
// sources that play them, and the listener, which stands where the player's ears are.
class AudioDevice {
 public:
  // The system's default device, or nullptr when there is none.
  static std::unique_ptr<AudioDevice> open();
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  SoundId load(const SoundSamples& sound);

  // Plays the sound once at the listener's place, or at a point of the world: there it is as loud
  // as given within the reference distance and fades with the distance beyond it. When every
  // source is busy, the sound started longest ago gives way.
  void play(SoundId sound, float gain);
  void playAt(SoundId sound, float gain, const glm::vec3& position, float referenceDistance);

  void placeListener(const glm::vec3& position, const glm::vec3& front, const glm::vec3& up);
  // Silences everything, also what is playing, until unmuted.
  void setMuted(bool muted);

 private:
  AudioDevice(ALCdevice* device, ALCcontext* context);
  uint32_t nextSource();
  void start(SoundId sound, float gain, bool atListener, const glm::vec3& position,
             float referenceDistance);

  static constexpr int kSources = 16;
  ALCdevice* device;
  ALCcontext* context;
  std::array<uint32_t, kSources> sources{};
  std::vector<uint32_t> buffers;
  int oldest = 0;
};

}  // namespace vorn
