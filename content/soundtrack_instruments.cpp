// The soundtrack's instruments, synthesized: drums from noise, filtered
// noise and swept sines; tonal instruments by additive synthesis of saw- and
// square-like spectra through a low-pass response.
//
// Tonal samples are built so that their loops are seamless: every partial
// makes a whole number of cycles over the loop, so the loop end meets its
// start exactly. A sample of period P frames and relative note R plays note
// n at 8363 * 2^((n - 49 + R) / 12) / P Hz; the pairs used here (64, 12) and
// (128, 24) give the same pitch for the same note (C-4 = 261.3 Hz).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "content/soundtrack.h"

namespace content {
namespace music {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDrumRate = 33452.0;  // 8363 * 4: relative note 24 on C-4
constexpr double kKickRate = 16726.0;  // 8363 * 2: relative note 12 on C-4

// Deterministic noise: the same sequence on every run.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [-1, 1).
  double Noise() { return double(Next() >> 11) / double(1ull << 52) - 1.0; }
  int Below(int n) { return int(Next() % uint64_t(n)); }

 private:
  uint64_t state_;
};

// First-order high-pass filter.
class HighPass {
 public:
  HighPass(double cutoffHz, double rate) {
    const double rc = 1.0 / (2.0 * kPi * cutoffHz);
    a_ = rc / (rc + 1.0 / rate);
  }
  double operator()(double x) {
    y_ = a_ * (y_ + x - x_);
    x_ = x;
    return y_;
  }

 private:
  double a_ = 0, x_ = 0, y_ = 0;
};

// First-order low-pass filter.
class LowPass {
 public:
  LowPass(double cutoffHz, double rate) { k_ = 1.0 - std::exp(-2.0 * kPi * cutoffHz / rate); }
  double operator()(double x) {
    y_ += k_ * (x - y_);
    return y_;
  }

 private:
  double k_ = 0, y_ = 0;
};

// Scales to `peak` of full scale and converts to 16-bit.
std::vector<int16_t> ToPcm16(const std::vector<double>& wave, double peak) {
  double most = 0;
  for (double v : wave) most = std::max(most, std::fabs(v));
  const double scale = most > 0 ? peak * 32767.0 / most : 0.0;
  std::vector<int16_t> pcm(wave.size());
  for (size_t i = 0; i < wave.size(); ++i)
    pcm[i] = int16_t(std::lround(std::max(-32767.0, std::min(32767.0, wave[i] * scale))));
  return pcm;
}

// Short fades at both ends of a one-shot so it starts and stops without a click.
void Taper(std::vector<double>& wave, size_t in, size_t out) {
  for (size_t i = 0; i < in && i < wave.size(); ++i) wave[i] *= double(i) / double(in);
  for (size_t i = 0; i < out && i < wave.size(); ++i)
    wave[wave.size() - 1 - i] *= double(i) / double(out);
}

// ---- Additive tones ---------------------------------------------------------

// One oscillator of a tone: `cycles` periods of its fundamental fit in the
// loop; `odd` keeps only odd harmonics (a square-like spectrum).
struct Voice {
  int cycles;
  double gain;
  bool odd = false;
};

// Amplitude of harmonic h (1 = fundamental) at position t of the attack
// (0 at the start, 1 from the loop on).
using Spectrum = std::function<double(int h, double t)>;

// A tone of `attack` frames followed by a seamless loop of `loop` frames.
// Partials above 45% of the sample rate are left out.
std::vector<double> AdditiveTone(int loop, int attack, const std::vector<Voice>& voices,
                                 const Spectrum& spectrum, uint64_t seed) {
  std::vector<double> table(static_cast<size_t>(loop));
  for (int i = 0; i < loop; ++i) table[size_t(i)] = std::sin(2.0 * kPi * i / loop);

  struct Partial {
    int64_t step;   // table steps per frame
    int64_t phase;  // starting table index
    int harmonic;
    double gain;
  };
  Rng rng(seed);
  std::vector<Partial> partials;
  for (const Voice& v : voices) {
    for (int h = 1; int64_t(v.cycles) * h * 100 < int64_t(loop) * 45; ++h) {
      if (v.odd && h % 2 == 0) continue;
      partials.push_back({int64_t(v.cycles) * h, rng.Below(loop), h, v.gain});
    }
  }

  const int frames = attack + loop;
  std::vector<double> wave(size_t(frames), 0.0);
  std::vector<double> amp(partials.size());
  for (int n = 0; n < frames; ++n) {
    if (n < attack || n == attack) {
      const double t = attack > 0 ? std::min(1.0, double(n) / attack) : 1.0;
      for (size_t p = 0; p < partials.size(); ++p)
        amp[p] = partials[p].gain * spectrum(partials[p].harmonic, t);
    }
    double sum = 0;
    for (size_t p = 0; p < partials.size(); ++p) {
      const int64_t index = (partials[p].step * n + partials[p].phase) % loop;
      sum += amp[p] * table[size_t(index)];
    }
    wave[size_t(n)] = sum;
  }
  return wave;
}

// Response of a low-pass of the given order at harmonic h with its cutoff at
// harmonic `cutoff`, with a gentle resonant lift just below the cutoff.
double LowPassGain(int h, double cutoff, int order, double resonance = 0.0) {
  const double x = h / cutoff;
  const double base = 1.0 / std::sqrt(1.0 + std::pow(x, 2.0 * order));
  const double bump = resonance * std::exp(-8.0 * (x - 0.9) * (x - 0.9));
  return base * (1.0 + bump);
}

// ---- Instrument shells ------------------------------------------------------

xm::XmInstrument OneSample(const std::string& name, xm::XmSample sample) {
  xm::XmInstrument ins;
  ins.name = name;
  sample.name = name;
  ins.samples.push_back(std::move(sample));
  ins.noteSample.fill(0);
  return ins;
}

xm::XmSample OneShot(std::vector<double> wave, double peak, int relativeNote) {
  xm::XmSample s;
  s.pcm16 = ToPcm16(wave, peak);
  s.relativeNote = relativeNote;
  return s;
}

xm::XmSample Looped(const std::vector<double>& wave, double peak, int relativeNote,
                    uint32_t loopStart) {
  xm::XmSample s;
  s.pcm16 = ToPcm16(wave, peak);
  s.relativeNote = relativeNote;
  s.loop = xm::XmLoop::kForward;
  s.loopStart = loopStart;
  s.loopLength = uint32_t(s.pcm16.size()) - loopStart;
  return s;
}

xm::XmEnvelope Envelope(std::vector<xm::XmEnvelopePoint> points, int sustain) {
  xm::XmEnvelope e;
  e.points = std::move(points);
  e.sustainPoint = sustain;
  return e;
}

// ---- Drums ------------------------------------------------------------------

// A sine swept from a click down to a low thump, softly saturated.
xm::XmInstrument Kick() {
  const double rate = kKickRate;
  const size_t frames = size_t(0.42 * rate);
  std::vector<double> wave(frames);
  Rng rng(11);
  LowPass clickTone(3000.0, rate);
  double phase = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    const double freq = 47.0 + 120.0 * std::exp(-t / 0.032) + 260.0 * std::exp(-t / 0.004);
    phase += 2.0 * kPi * freq / rate;
    const double body = std::sin(phase) * std::exp(-t / 0.2);
    const double click = clickTone(rng.Noise()) * std::exp(-t / 0.003) * 0.6;
    wave[i] = std::tanh(1.8 * (body + click)) / std::tanh(1.8);
  }
  Taper(wave, 8, 200);
  return OneSample("kick", OneShot(wave, 0.95, 12));
}

// Two decaying drum-head tones over bright noise.
xm::XmInstrument Snare() {
  const double rate = kDrumRate;
  const size_t frames = size_t(0.3 * rate);
  std::vector<double> wave(frames);
  Rng rng(23);
  HighPass wires(1800.0, rate);
  LowPass soften(9000.0, rate);
  double p1 = 0, p2 = 0;
  for (size_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    p1 += 2.0 * kPi * (178.0 + 40.0 * std::exp(-t / 0.01)) / rate;
    p2 += 2.0 * kPi * 331.0 / rate;
    const double head =
        0.7 * std::sin(p1) * std::exp(-t / 0.055) + 0.35 * std::sin(p2) * std::exp(-t / 0.03);
    const double noise =
        soften(wires(rng.Noise())) * (0.9 * std::exp(-t / 0.075) + 0.25 * std::exp(-t / 0.015));
    wave[i] = std::tanh(1.4 * (head + 1.6 * noise));
  }
  Taper(wave, 4, 300);
  return OneSample("snare", OneShot(wave, 0.92, 24));
}

// Inharmonic square waves and noise above 7 kHz: a metallic hiss.
std::vector<double> Metal(double seconds, double decay, uint64_t seed) {
  const double rate = kDrumRate;
  const size_t frames = size_t(seconds * rate);
  static const double kRatios[6] = {2.0, 3.0, 4.16, 5.43, 6.79, 8.21};
  std::vector<double> wave(frames);
  Rng rng(seed);
  HighPass hp1(6500.0, rate), hp2(6500.0, rate);
  double phase[6] = {0, 0, 0, 0, 0, 0};
  for (size_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    double metal = 0;
    for (int k = 0; k < 6; ++k) {
      phase[k] += kRatios[k] * 160.0 / rate;
      phase[k] -= std::floor(phase[k]);
      metal += phase[k] < 0.5 ? 1.0 : -1.0;
    }
    const double x = hp2(hp1(metal / 6.0 * 0.6 + rng.Noise() * 0.8));
    wave[i] = x * std::exp(-t / decay) * (1.0 - std::exp(-t / 0.0004));
  }
  return wave;
}

xm::XmInstrument ClosedHat() {
  std::vector<double> wave = Metal(0.09, 0.018, 31);
  Taper(wave, 2, 100);
  xm::XmInstrument ins = OneSample("hat", OneShot(wave, 0.9, 24));
  ins.samples[0].panning = 150;
  return ins;
}

xm::XmInstrument OpenHat() {
  std::vector<double> wave = Metal(0.42, 0.12, 37);
  Taper(wave, 2, 600);
  xm::XmInstrument ins = OneSample("open hat", OneShot(wave, 0.9, 24));
  ins.samples[0].panning = 150;
  return ins;
}

// A cymbal wash: a bright attack, then a looped stretch of steady wash that
// the volume envelope lets die away over about two seconds.
xm::XmInstrument Crash() {
  const double rate = kDrumRate;
  const size_t attack = size_t(0.12 * rate);
  const size_t frames = attack + size_t(0.4 * rate);
  std::vector<double> wave(frames);
  Rng rng(41);
  HighPass hp1(3500.0, rate), hp2(5000.0, rate);
  for (size_t i = 0; i < frames; ++i) {
    const double t = double(i) / rate;
    const double level =
        i < attack ? 0.55 + 0.45 * std::exp(-t / 0.03) : 0.55 + 0.45 * std::exp(-0.12 / 0.03);
    wave[i] = hp2(hp1(rng.Noise())) * level;
  }
  Taper(wave, 2, 0);
  xm::XmInstrument ins = OneSample("crash", Looped(wave, 0.9, 24, uint32_t(attack)));
  ins.samples[0].panning = 100;
  ins.volumeEnvelope = Envelope({{0, 64}, {12, 44}, {60, 22}, {140, 8}, {220, 0}}, -1);
  return ins;
}

// ---- Tonal instruments ------------------------------------------------------

// Saw with a sub-heavy fundamental; the filter closes from bright to round
// over the first twelve periods, which gives every note a plucked edge.
xm::XmInstrument Bass() {
  const int period = 128;
  const int attack = 12 * period;
  const Spectrum spectrum = [](int h, double t) {
    const double cutoff = 5.0 + 26.0 * (1.0 - t) * (1.0 - t);
    const double saw = 1.0 / h;
    return saw * LowPassGain(h, cutoff, 2, 0.6) + (h == 1 ? 0.7 : 0.0);
  };
  const std::vector<double> wave = AdditiveTone(period, attack, {{1, 1.0}}, spectrum, 51);
  xm::XmInstrument ins = OneSample("bass", Looped(wave, 0.92, 24, uint32_t(attack)));
  ins.volumeEnvelope = Envelope({{0, 64}, {6, 56}, {40, 44}, {41, 44}}, 3);
  ins.fadeout = 2400;
  return ins;
}

// Two slightly detuned saws and a square, filtered to a warm bright tone.
xm::XmInstrument Lead() {
  const int loop = 256 * 64;
  const Spectrum spectrum = [](int h, double) { return LowPassGain(h, 11.0, 2, 0.5) / h; };
  const std::vector<double> wave =
      AdditiveTone(loop, 0, {{256, 1.0}, {257, 0.75}, {255, 0.45, true}}, spectrum, 61);
  xm::XmInstrument ins = OneSample("lead", Looped(wave, 0.9, 12, 0));
  ins.volumeEnvelope = Envelope({{0, 40}, {3, 64}, {30, 50}, {31, 50}}, 3);
  ins.fadeout = 900;
  ins.vibratoType = 0;
  ins.vibratoSweep = 48;
  ins.vibratoDepth = 4;
  ins.vibratoRate = 10;
  return ins;
}

// A chord in one sample: root, fifth, octave and tenth (major or minor), each
// three detuned saws through a soft filter. The chord sounds on its root note.
xm::XmInstrument Pad(bool minor) {
  const int loop = 256 * 64;
  const int tenth = minor ? 614 : 640;  // 2.4 and 2.5 times the root
  std::vector<Voice> voices;
  const int tones[5] = {128, 256, 384, 512, tenth};
  const double gains[5] = {0.35, 1.0, 0.8, 0.6, 0.55};
  for (int i = 0; i < 5; ++i) {
    voices.push_back({tones[i], gains[i] * 0.6});
    voices.push_back({tones[i] - 1, gains[i] * 0.45});
    voices.push_back({tones[i] + 1, gains[i] * 0.45});
  }
  const Spectrum spectrum = [](int h, double) { return LowPassGain(h, 4.0, 2) / h; };
  const std::vector<double> wave = AdditiveTone(loop, 0, voices, spectrum, minor ? 71 : 73);
  xm::XmInstrument ins = OneSample(minor ? "pad minor" : "pad major", Looped(wave, 0.9, 12, 0));
  ins.volumeEnvelope = Envelope({{0, 24}, {8, 56}, {24, 64}, {25, 64}}, 3);
  ins.fadeout = 500;
  return ins;
}

// A plucked string-like tone: upper harmonics die away faster than the
// fundamental during the attack; the volume envelope ends the note.
xm::XmInstrument Pluck() {
  const int period = 64;
  const int attack = 24 * period;
  const Spectrum spectrum = [](int h, double t) {
    const double odd = (h % 2 == 1) ? 1.0 : 0.55;
    return odd / std::pow(double(h), 1.1) * std::exp(-t * 0.45 * (h - 1));
  };
  const std::vector<double> wave = AdditiveTone(period, attack, {{1, 1.0}}, spectrum, 81);
  xm::XmInstrument ins = OneSample("pluck", Looped(wave, 0.9, 12, uint32_t(attack)));
  ins.samples[0].panning = 96;
  ins.volumeEnvelope = Envelope({{0, 64}, {4, 44}, {14, 22}, {36, 8}, {70, 0}}, -1);
  ins.fadeout = 3000;
  return ins;
}

}  // namespace

std::vector<xm::XmInstrument> MakeInstruments() {
  std::vector<xm::XmInstrument> all;
  all.push_back(Kick());
  all.push_back(Snare());
  all.push_back(ClosedHat());
  all.push_back(OpenHat());
  all.push_back(Crash());
  all.push_back(Bass());
  all.push_back(Pad(true));
  all.push_back(Pad(false));
  all.push_back(Pluck());
  all.push_back(Lead());
  return all;
}

}  // namespace music
}  // namespace content
