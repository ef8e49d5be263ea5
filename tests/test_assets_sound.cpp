// Sound files: WAVs of plausible shape arrive as mono samples, the channels mixed down; files of
// absurd shape are refused with an "ERROR: " line naming them.
#include <sndfile.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/SoundFile.h"
#include "support/ScratchDirectory.h"

namespace vorn {
namespace {

// The value a test WAV holds in a frame on a channel: channels apart by 2000, frames by 3 (in
// runs of 100), so the mix-down of the wrong channel or frame shows.
short valueAt(long frame, int channel) {
  return static_cast<short>(1000 + 2000 * channel + 3 * (frame % 100));
}

// A 16-bit WAV of valueAt.
std::string writeWav(const test::ScratchDirectory& dir, int channels, int rate, long frames) {
  SF_INFO info{0, rate, channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
  const std::string path = dir.file(std::to_string(channels) + "x" + std::to_string(rate) + "x" +
                                    std::to_string(frames) + ".wav");
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<short> samples(static_cast<size_t>(frames) * channels);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = valueAt(static_cast<long>(i) / channels, static_cast<int>(i) % channels);
  sf_writef_short(file, samples.data(), frames);
  sf_close(file);
  return path;
}

TEST(AssetsSound, PlausibleFilesArriveMixedToMonoOthersAreRefused) {
  const test::ScratchDirectory dir("sound");
  const struct {
    int channels, rate;
    long frames;
    bool loads;
  } cases[] = {
      {1, 1000, 100, true},       {2, 384000, 10, true},  {8, 44100, 10, true},
      {9, 44100, 10, false},      {1, 999, 100, false},   {1, 384001, 10, false},
      {1, 8000, 8000 * 30, true}, {1, 8000, 8000 * 30 + 1, false}, {1, 8000, 0, false},
  };
  for (const auto& c : cases) {
    const std::string path = writeWav(dir, c.channels, c.rate, c.frames);
    SCOPED_TRACE(path);
    SoundSamples sound;
    testing::internal::CaptureStderr();
    EXPECT_EQ(readSoundFile(path, sound), c.loads);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors.rfind("ERROR: Could not load sound " + path + ": ", 0),
              c.loads ? std::string::npos : 0u);
    if (!c.loads) continue;
    EXPECT_EQ(sound.rate, c.rate);
    ASSERT_EQ(sound.samples.size(), static_cast<size_t>(c.frames));
    long mismatches = 0;  // against the channels' mean
    for (long frame = 0; frame < c.frames; ++frame) {
      int sum = 0;
      for (int channel = 0; channel < c.channels; ++channel) sum += valueAt(frame, channel);
      mismatches += sound.samples[static_cast<size_t>(frame)] != sum / c.channels;
    }
    EXPECT_EQ(mismatches, 0);
  }
}

}  // namespace
}  // namespace vorn
