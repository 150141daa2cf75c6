// Small modules for the sound tests.
#pragma once
#include <gtest/gtest.h>

#include <cmath>

#include "content/xm_writer.h"

namespace soundtest {

constexpr int kRate = 44100;

// One sine period of `period` 16-bit frames, looped.
inline xm::XmSample Sine(int period, int peak) {
  xm::XmSample s;
  for (int i = 0; i < period; ++i)
    s.pcm16.push_back(int16_t(std::lround(peak * std::sin(2 * M_PI * i / period))));
  s.loop = xm::XmLoop::kForward;
  s.loopLength = uint32_t(period);
  return s;
}

inline xm::XmModule Module(int channels, int rows, const std::vector<xm::XmSample>& samples = {}) {
  xm::XmModule m{"", "test", channels, 6, 125, true, 0, {0}, {xm::XmPattern(rows, channels)}, {}};
  for (const auto& s : samples) m.instruments.push_back({"", {s}, {}, {}, {}, 0, 0, 0, 0, 0});
  return m;
}

// A looped sine note (C-4: 8363 / 32 Hz) held for `rows` rows of 120 ms.
inline std::vector<uint8_t> ToneBytes(int rows) {
  xm::XmModule m = Module(2, rows, {Sine(32, 24000)});
  m.patterns[0].At(0, 0) = {xm::Note(4, 0), 1, 0, 0, 0};
  return xm::WriteXm(m);
}

}  // namespace soundtest
