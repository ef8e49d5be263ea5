#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

// One sound as mono 16-bit samples.
struct SoundSamples {
  std::vector<int16_t> samples;
  int rate = 0;  // samples per second
};

// Reads a sound file (WAV and the other formats libsndfile knows), mixing its channels down to
// one. On failure writes an "ERROR: " line naming the file and returns false.
bool readSoundFile(const std::string& path, SoundSamples& out);

}  // namespace vorn
