#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include <AL/alc.h>

#include "assets/AudioDevice.h"

namespace vorn::test {

// OpenAL Soft's loopback device: nothing plays by itself, the test mixes the samples of each
// stretch of game time when it has run, so what is heard never depends on how busy the machine is.
// Mono floats at kRate, one output stream for the whole process.
class LoopbackAudio {
 public:
  static constexpr int kRate = 8000;

  // The sound output for the game (or a test) to own; the recording continues across outputs.
  std::unique_ptr<AudioDevice> open();
  // Mixes the next seconds of sound onto the recording (fractions of a sample carried on); does
  // nothing before open().
  void render(double seconds);

  std::vector<float> played;

 private:
  ALCdevice* device = nullptr;
  double carriedSamples = 0.0;
};

// Where the recording is loudest within [start, start + length): the peak absolute sample.
float peak(const std::vector<float>& samples, size_t start, size_t length);

}  // namespace vorn::test
