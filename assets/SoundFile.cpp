#include "assets/SoundFile.h"

#include <sndfile.h>

#include <iostream>

namespace vorn {

namespace {

// The game's sounds are short; a longer file is damaged or not one of ours.
constexpr double kLongestSeconds = 30.0;
constexpr int kMaxChannels = 8;

bool fail(const std::string& path, const char* reason) {
  std::cerr << "ERROR: Could not load sound " << path << ": " << reason << std::endl;
  return false;
}

class SoundFile {
 public:
  explicit SoundFile(const std::string& path) : handle(sf_open(path.c_str(), SFM_READ, &info)) {}
  ~SoundFile() {
    if (handle) sf_close(handle);
  }
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;

  SF_INFO info{};
  SNDFILE* handle;
};

}  // namespace

bool readSoundFile(const std::string& path, SoundSamples& out) {
  SoundFile file(path);
  if (!file.handle) return fail(path, sf_strerror(nullptr));
  const SF_INFO& info = file.info;
  if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1000 ||
      info.samplerate > 384000)
    return fail(path, "unsupported channel count or sample rate");
  if (info.frames <= 0) return fail(path, "no samples");
  if (info.frames > kLongestSeconds * info.samplerate) return fail(path, "longer than 30 seconds");

  std::vector<short> interleaved(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t frames = sf_readf_short(file.handle, interleaved.data(), info.frames);
  if (frames <= 0) return fail(path, "no samples could be read");

  out.rate = info.samplerate;
  out.samples.resize(static_cast<size_t>(frames));
  for (size_t i = 0; i < out.samples.size(); ++i) {
    int sum = 0;
    for (int c = 0; c < info.channels; ++c) sum += interleaved[i * info.channels + c];
    out.samples[i] = static_cast<int16_t>(sum / info.channels);
  }
  return true;
}

}  // namespace vorn
