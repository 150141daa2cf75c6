// Small modules for the sound tests and libopenmpt renders of them (exact:
// no dither, no fade at the end, nearest-sample interpolation).
#pragma once
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "content/xm_writer.h"

namespace soundtest {

constexpr int kRate = 44100;
inline size_t At(double seconds) { return size_t(seconds * kRate + 0.5); }

// One sine period of `period` frames, looped; 16-bit unless `eightBit`.
inline xm::XmSample Sine(int period, int amplitude, bool eightBit = false) {
  xm::XmSample s;
  for (int i = 0; i < period; ++i) {
    const double v = amplitude * std::sin(2 * 3.14159265358979 * i / period);
    if (eightBit) s.pcm8.push_back(int8_t(std::lround(v)));
    else s.pcm16.push_back(int16_t(std::lround(v)));
  }
  s.loop = xm::XmLoop::kForward;
  s.loopLength = uint32_t(period);
  return s;
}

inline xm::XmInstrument Instrument(const xm::XmSample& sample) { return {"", {sample}, {}, {}, {}, 0, 0, 0, 0, 0}; }

inline xm::XmModule Module(int channels, int rows, int speed = 6, int bpm = 125) {
  return {"", "test", channels, speed, bpm, true, 0, {0}, {xm::XmPattern(rows, channels)}, {}};
}

// A looped sine note (C-4: 8363/32 Hz) held for `rows` rows of 120 ms.
inline std::vector<uint8_t> ToneBytes(int rows) {
  xm::XmModule m = Module(2, rows);
  m.instruments.push_back(Instrument(Sine(32, 24000)));
  m.patterns[0].At(0, 0) = {xm::Note(4, 0), 1, 0, 0, 0};
  return xm::WriteXm(m);
}

inline openmpt_module* OpenOpenmpt(const std::vector<uint8_t>& bytes) {
  const openmpt_module_initial_ctl ctls[] = {{"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
  openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                         nullptr, nullptr, nullptr, nullptr, nullptr, ctls);
  if (m) openmpt_module_set_render_param(m, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 1);
  return m;
}

inline std::vector<int16_t> RenderMono(const std::vector<uint8_t>& bytes, double maxSeconds = 20) {
  std::vector<int16_t> pcm;
  openmpt_module* m = OpenOpenmpt(bytes);
  int16_t block[1024];
  size_t got;
  while (m && pcm.size() < At(maxSeconds) && (got = openmpt_module_read_mono(m, kRate, 1024, block)) > 0)
    pcm.insert(pcm.end(), block, block + got);
  if (m) openmpt_module_destroy(m);
  return pcm;
}

// From the first to the last rising zero crossing in [from, to).
inline double Frequency(const std::vector<int16_t>& pcm, size_t from, size_t to) {
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = from + 1; i < std::min(to, pcm.size()); ++i) {
    if (pcm[i - 1] < 0 && pcm[i] >= 0) {
      last = double(i - 1) + double(-pcm[i - 1]) / double(pcm[i] - pcm[i - 1]);
      if (crossings++ == 0) first = last;
    }
  }
  return crossings < 3 ? 0 : (crossings - 1) * double(kRate) / (last - first);
}

inline double Rms(const std::vector<int16_t>& pcm, size_t from, size_t to) {
  double sum = 0;
  for (size_t i = from; i < std::min(to, pcm.size()); ++i) sum += double(pcm[i]) * pcm[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

}  // namespace soundtest
