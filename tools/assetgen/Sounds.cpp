// The game's sounds, synthesised: mono 16-bit WAV files at 44.1 kHz under Resources/Sound/.
// Noise comes from a fixed integer generator, so every run writes the same bytes.

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "assets/SoundFiles.h"
#include "tools/assetgen/Generators.h"
#include "tools/assetgen/ModelBuilder.h"

namespace assetgen {

namespace {

constexpr int kRate = 44100;
constexpr double kTau = 6.283185307179586;

using Samples = std::vector<double>;

Samples silence(double seconds) { return Samples(static_cast<size_t>(seconds * kRate), 0.0); }

double timeOf(size_t i) { return static_cast<double>(i) / kRate; }

// White noise in -1..1 from a 32-bit xorshift generator.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state(seed) {}
  double next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state / 2147483647.5 - 1.0;
  }

 private:
  uint32_t state;
};

// Raised-cosine edges of the given length, so a sound starts and stops without a click.
void softenEdges(Samples& s, double seconds) {
  const size_t n = std::min(s.size() / 2, static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < n; ++i) {
    const double g = 0.5 - 0.5 * std::cos(kTau * 0.5 * i / n);
    s[i] *= g;
    s[s.size() - 1 - i] *= g;
  }
}

// Adds a decaying tone with a soft second harmonic, starting at the given time.
void addNote(Samples& s, double start, double frequency, double length, double level) {
  const size_t first = static_cast<size_t>(start * kRate);
  const size_t count = static_cast<size_t>(length * kRate);
  for (size_t i = 0; i < count && first + i < s.size(); ++i) {
    const double t = timeOf(i);
    const double attack = std::min(1.0, t / 0.008);
    const double envelope = attack * std::exp(-3.0 * t / length);
    const double tone = std::sin(kTau * frequency * t) + 0.25 * std::sin(kTau * 2 * frequency * t);
    s[first + i] += level * envelope * tone;
  }
}

// The censor bleep: a steady 1 kHz tone, the sound that covers a word on television.
Samples bleep() {
  Samples s = silence(0.4);
  for (size_t i = 0; i < s.size(); ++i) s[i] = 0.45 * std::sin(kTau * 1000.0 * timeOf(i));
  softenEdges(s, 0.004);
  return s;
}

// A throw: noise through a resonant band-pass whose centre sweeps up and back down, a whoosh.
Samples whoosh() {
  Samples s = silence(0.28);
  Noise noise(12345);
  double low = 0.0;
  double band = 0.0;
  for (size_t i = 0; i < s.size(); ++i) {
    const double u = timeOf(i) / 0.28;
    const double centre = 350.0 + 1400.0 * std::sin(3.14159265 * u);
    const double f = 2.0 * std::sin(3.14159265 * centre / kRate);
    low += f * band;
    const double high = noise.next() - low - 0.35 * band;
    band += f * high;
    const double envelope = std::min(1.0, u / 0.15) * std::pow(1.0 - u, 1.5);
    s[i] = 0.55 * envelope * band;
  }
  softenEdges(s, 0.005);
  return s;
}

// The win: a rising arpeggio ending on a held major chord (G4 C5 E5 G5, then C5 E5 G5).
Samples jingle() {
  Samples s = silence(1.2);
  const double notes[] = {392.00, 523.25, 659.26, 783.99};
  for (int i = 0; i < 4; ++i) addNote(s, 0.11 * i, notes[i], 0.3, 0.22);
  for (int i = 1; i < 4; ++i) addNote(s, 0.44, notes[i], 0.76, 0.18);
  softenEdges(s, 0.01);
  return s;
}

// The staircase switch: a click, a low thump falling in pitch, and the switch settling.
Samples clunk() {
  Samples s = silence(0.3);
  Noise noise(777);
  double phase = 0.0;
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = timeOf(i);
    phase += kTau * (55.0 + 65.0 * std::exp(-t / 0.04)) / kRate;
    double v = 0.55 * std::exp(-t / 0.07) * std::sin(phase);
    v += 0.3 * std::exp(-t / 0.004) * noise.next();
    if (t > 0.065) v += 0.12 * std::exp(-(t - 0.065) / 0.003) * noise.next();
    s[i] = v;
  }
  softenEdges(s, 0.002);
  return s;
}

// A flickering light: a few faint electric pops over a soft mains buzz.
Samples crackle() {
  Samples s = silence(0.18);
  Noise noise(4242);
  double popLevel = 0.0;
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = timeOf(i);
    if (noise.next() > 0.9985) popLevel = 0.2 + 0.2 * std::abs(noise.next());
    popLevel *= 0.985;
    const double buzz = 0.03 * std::sin(kTau * 100.0 * t) + 0.015 * std::sin(kTau * 300.0 * t);
    s[i] = popLevel * noise.next() + buzz;
  }
  softenEdges(s, 0.01);
  return s;
}

bool writeWav(const std::string& path, const Samples& samples) {
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    std::cerr << "ERROR: cannot write " << path << ": " << sf_strerror(nullptr) << std::endl;
    return false;
  }
  std::vector<short> pcm(samples.size());
  std::transform(samples.begin(), samples.end(), pcm.begin(), [](double v) {
    return static_cast<short>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
  });
  const bool written = sf_write_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size())) ==
                       static_cast<sf_count_t>(pcm.size());
  sf_close(file);
  if (!written) std::cerr << "ERROR: cannot write " << path << std::endl;
  return written;
}

}  // namespace

bool writeSounds(const std::string& resourcesDir) {
  const std::string dir = resourcesDir + "/Sound";
  if (!makeDirectories(dir)) return false;
  const std::pair<const char*, std::function<Samples()>> sounds[] = {
      {vorn::kThrowSound, whoosh},      {vorn::kCensorSound, bleep},    {vorn::kWinSound, jingle},
      {vorn::kLightSwitchSound, clunk}, {vorn::kFlickerSound, crackle},
  };
  bool ok = true;
  for (const auto& [file, make] : sounds) ok = writeWav(dir + "/" + file, make()) && ok;
  return ok;
}

}  // namespace assetgen
