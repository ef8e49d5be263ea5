#include "audio/AudioDevice.h"

#include <AL/al.h>
#include <AL/alc.h>

#include "assets/SoundFile.h"

namespace vorn {

std::unique_ptr<AudioDevice> AudioDevice::open() {
  ALCdevice* device = alcOpenDevice(nullptr);
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
    : device(device), context(context) {
  alGenSources(kSources, sources.data());
}

AudioDevice::~AudioDevice() {
  alSourceStopv(kSources, sources.data());
  alDeleteSources(kSources, sources.data());
  if (!buffers.empty()) alDeleteBuffers(static_cast<ALsizei>(buffers.size()), buffers.data());
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context);
  alcCloseDevice(device);
}

SoundId AudioDevice::load(const SoundSamples& sound) {
  if (sound.samples.empty()) return 0;
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  alBufferData(buffer, AL_FORMAT_MONO16, sound.samples.data(),
               static_cast<ALsizei>(sound.samples.size() * sizeof(int16_t)), sound.rate);
  buffers.push_back(buffer);
  return buffer;
}

uint32_t AudioDevice::nextSource() {
  for (int i = 0; i < kSources; ++i) {
    const int candidate = (oldest + i) % kSources;
    ALint state = AL_STOPPED;
    alGetSourcei(sources[candidate], AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING) {
      oldest = (candidate + 1) % kSources;
      return sources[candidate];
    }
  }
  const uint32_t source = sources[oldest];
  oldest = (oldest + 1) % kSources;
  alSourceStop(source);
  return source;
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
  if (sound == 0) return;
  const ALuint source = nextSource();
  alSourcei(source, AL_BUFFER, static_cast<ALint>(sound));
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
