#include "support/LoopbackAudio.h"

#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vorn::test {

namespace {

template <typename Function>
Function extension(ALCdevice* device, const char* name) {
  auto function = reinterpret_cast<Function>(alcGetProcAddress(device, name));
  if (!function) {
    std::fprintf(stderr, "sound test: OpenAL has no %s (ALC_SOFT_loopback)\n", name);
    std::abort();
  }
  return function;
}

}  // namespace

std::unique_ptr<AudioDevice> LoopbackAudio::open() {
  const auto openLoopback =
      extension<LPALCLOOPBACKOPENDEVICESOFT>(nullptr, "alcLoopbackOpenDeviceSOFT");
  device = openLoopback(nullptr);
  // The limiter would bend loud passages; the recording is to hold exactly what was played.
  const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_MONO_SOFT, ALC_FORMAT_TYPE_SOFT,
                               ALC_FLOAT_SOFT,           ALC_FREQUENCY, kRate,
                               ALC_OUTPUT_LIMITER_SOFT,  ALC_FALSE,     0};
  ALCcontext* context = device ? alcCreateContext(device, attributes) : nullptr;
  if (!context || !alcMakeContextCurrent(context)) {
    std::fprintf(stderr, "sound test: no OpenAL loopback device at %d Hz mono\n", kRate);
    std::abort();
  }
  carriedSamples = 0.0;
  return std::make_unique<AudioDevice>(device, context);
}

void LoopbackAudio::render(double seconds) {
  if (!device) return;
  static const auto renderSamples =
      extension<LPALCRENDERSAMPLESSOFT>(device, "alcRenderSamplesSOFT");
  carriedSamples += seconds * kRate;
  const auto count = static_cast<size_t>(std::floor(carriedSamples));
  carriedSamples -= static_cast<double>(count);
  if (count == 0) return;
  const size_t at = played.size();
  played.resize(at + count);
  renderSamples(device, played.data() + at, static_cast<ALCsizei>(count));
}

float peak(const std::vector<float>& samples, size_t start, size_t length) {
  float loudest = 0.0f;
  for (size_t i = start; i < std::min(samples.size(), start + length); ++i)
    loudest = std::max(loudest, std::abs(samples[i]));
  return loudest;
}

}  // namespace vorn::test
