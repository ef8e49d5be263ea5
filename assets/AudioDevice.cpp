#include "assets/AudioDevice.h"

#include <AL/al.h>
#include <alsa/asoundlib.h>

#include <cstdlib>

#include "assets/SoundFile.h"

namespace vorn {

namespace {

// ALSA writes each step of a failed open to the console; the game's own line about the missing
// device is what the player needs to read.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::unique_ptr<AudioDevice> AudioDevice::open() {
  // OpenAL Soft logs its errors unless told otherwise; a level the player set stays.
  setenv("ALSOFT_LOGLEVEL", "0", 0);
  snd_lib_error_set_handler(ignoreAlsaError);
  ALCdevice* device = alcOpenDevice(nullptr);
  snd_lib_error_set_handler(nullptr);
  if (!device) return nullptr;
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    return nullptr;
  }
  return std::unique_ptr<AudioDevice>(new AudioDevice(device, context));
}

AudioDevice::AudioDevice(ALCdevice* device, ALCcontext* context)
    : device(device), context(context) {}

AudioDevice::~AudioDevice() {
  for (const Sound& sound : sounds) {
    alSourceStop(sound.source);
    alDeleteSources(1, &sound.source);
    alDeleteBuffers(1, &sound.buffer);
  }
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
  alcCloseDevice(device);
}

SoundId AudioDevice::load(const SoundSamples& samples) {
  if (samples.samples.empty()) return kNoSound;
  Sound sound{};
  alGenBuffers(1, &sound.buffer);
  alBufferData(sound.buffer, AL_FORMAT_MONO16, samples.samples.data(),
               static_cast<ALsizei>(samples.samples.size() * sizeof(int16_t)), samples.rate);
  alGenSources(1, &sound.source);
  alSourcei(sound.source, AL_BUFFER, static_cast<ALint>(sound.buffer));
  sounds.push_back(sound);
  return static_cast<SoundId>(sounds.size() - 1);
}

void AudioDevice::play(SoundId sound, float gain) {
  start(sound, gain, true, glm::vec3(0.0f), 1.0f);
}

void AudioDevice::playAt(SoundId sound, float gain, const glm::vec3& position,
                         float referenceDistance) {
  start(sound, gain, false, position, referenceDistance);
}

void AudioDevice::start(SoundId sound, float gain, bool atListener, const glm::vec3& position,
                        float referenceDistance) {
  if (sound == kNoSound) return;
  const ALuint source = sounds[static_cast<size_t>(sound)].source;
  alSourcef(source, AL_GAIN, gain);
  alSourcei(source, AL_SOURCE_RELATIVE, atListener ? AL_TRUE : AL_FALSE);
  alSourcefv(source, AL_POSITION, &position.x);
  alSourcef(source, AL_REFERENCE_DISTANCE, referenceDistance);
  alSourcePlay(source);
}

void AudioDevice::placeListener(const glm::vec3& position, const glm::vec3& front,
                                const glm::vec3& up) {
  const ALfloat orientation[6] = {front.x, front.y, front.z, up.x, up.y, up.z};
  alListenerfv(AL_POSITION, &position.x);
  alListenerfv(AL_ORIENTATION, orientation);
}

void AudioDevice::setMuted(bool muted) { alListenerf(AL_GAIN, muted ? 0.0f : 1.0f); }

}  // namespace vorn
