// The soundtrack as the players hear it: written by the generator, loaded by
// libopenmpt (what the program uses) and libxmp (an independent player),
// timed against the scenes and measured in its rendered output.
#include "content/soundtrack.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "timeline/show/show.h"

namespace {

constexpr int kRate = 44100;
constexpr double kEnd = show::kEnd;

// Where the scenes of the show's table begin, and the end of the run: every
// section of the music has to start on one of these.
std::vector<double> SceneStarts() {
  std::vector<double> starts;
  for (size_t i = 0; i < show::kScenes.size(); ++i) starts.push_back(show::SceneStart(i));
  starts.push_back(kEnd);
  return starts;
}
const std::vector<double> kStarts = SceneStarts();

// The module the build generated beside the program.
const std::vector<uint8_t>& TheModule() {
  static const std::vector<uint8_t> bytes = [] {
    const std::string text =
        testsupport::ReadText(std::string(VELMORA_BINARY_DIR) + "/" + show::kMusicFile);
    EXPECT_FALSE(text.empty()) << "the build generated no " << show::kMusicFile;
    return std::vector<uint8_t>(text.begin(), text.end());
  }();
  return bytes;
}

openmpt_module* Open(const std::vector<uint8_t>& bytes) {
  openmpt_module* m = openmpt_module_create_from_memory2(
      bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (m != nullptr) openmpt_module_ctl_set_text(m, "play.at_end", "stop");
  return m;
}

// What a player makes of the module: its length and the start time of every
// position of the order list.
struct Timing {
  const char* player;
  double seconds = 0;
  std::vector<double> orderStarts;
};

Timing OpenmptTiming(const std::vector<uint8_t>& bytes) {
  Timing t{"libopenmpt", 0, {}};
  if (openmpt_module* m = Open(bytes)) {
    t.seconds = openmpt_module_get_duration_seconds(m);
    for (int o = 0; o < openmpt_module_get_num_orders(m); ++o)
      t.orderStarts.push_back(openmpt_module_set_position_order_row(m, o, 0));
    openmpt_module_destroy(m);
  }
  return t;
}

// libxmp played tick by tick at 8000 Hz (80 samples to a 10 ms tick).
Timing XmpTiming(const std::vector<uint8_t>& bytes) {
  Timing t{"libxmp", 0, {}};
  xmp_context ctx = xmp_create_context();
  if (xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())) == 0) {
    if (xmp_start_player(ctx, 8000, XMP_FORMAT_MONO) == 0) {
      xmp_frame_info info;
      xmp_get_frame_info(ctx, &info);
      t.seconds = info.total_time / 1000.0;
      long samples = 0;
      for (int position = -1; xmp_play_frame(ctx) == 0; samples += info.buffer_size / 2) {
        xmp_get_frame_info(ctx, &info);
        if (info.loop_count > 0) break;
        if (info.pos != position) t.orderStarts.push_back(double(samples) / 8000);
        position = info.pos;
      }
      xmp_end_player(ctx);
    }
    xmp_release_module(ctx);
  }
  xmp_free_context(ctx);
  return t;
}

TEST(Soundtrack, BothPlayersLoadItAndEverySectionStartsOnItsScene) {
  EXPECT_LT(TheModule().size(), 512u * 1024u);  // short looped samples, not recorded sound
  for (const Timing& timing : {OpenmptTiming(TheModule()), XmpTiming(TheModule())}) {
    SCOPED_TRACE(timing.player);
    EXPECT_TRUE(timing.seconds >= kEnd && timing.seconds <= kEnd + 1.0) << timing.seconds << " s";
    EXPECT_TRUE(std::is_sorted(timing.orderStarts.begin(), timing.orderStarts.end()));
    for (double scene : kStarts) {
      double nearest = 1e9;
      for (double t : timing.orderStarts) nearest = std::min(nearest, std::fabs(t - scene));
      EXPECT_LE(nearest, 0.001) << "no section starts at " << scene << " s";
    }
  }
}

TEST(Soundtrack, NoSceneFallsSilentNothingClipsAndTheEndFadesOut) {
  openmpt_module* m = Open(TheModule());
  ASSERT_NE(m, nullptr);
  openmpt_module_ctl_set_text(m, "dither", "0");
  std::vector<float> stereo, block(2 * 4096);
  while (size_t n = openmpt_module_read_interleaved_float_stereo(m, kRate, 4096, block.data())) {
    stereo.insert(stereo.end(), block.begin(), block.begin() + std::ptrdiff_t(2 * n));
    ASSERT_LT(stereo.size(), 2u * 400 * kRate) << "it never stops";
  }
  const double seconds = double(stereo.size()) / 2 / kRate;
  EXPECT_NEAR(seconds, openmpt_module_get_duration_seconds(m), 0.05);  // it stops at its end
  openmpt_module_destroy(m);
  float peak = 0;
  std::vector<double> energy(stereo.size() + 1, 0.0);  // energy[i]: sum of squares of stereo[0, i)
  for (size_t i = 0; i < stereo.size(); ++i) {
    energy[i + 1] = energy[i] + double(stereo[i]) * stereo[i];
    peak = std::max(peak, std::fabs(stereo[i]));
  }
  EXPECT_LT(peak, 0.89f) << "louder than -1 dBFS";
  // RMS of both channels over [from, to) seconds, in dB of full scale.
  auto db = [&](double from, double to) {
    const size_t a = std::min(stereo.size(), 2 * size_t(from * kRate));
    const size_t z = std::min(stereo.size(), 2 * size_t(to * kRate));
    return 10.0 * std::log10((z > a ? (energy[z] - energy[a]) / double(z - a) : 0.0) + 1e-24);
  };
  for (size_t i = 0; i + 1 < kStarts.size(); ++i) {
    EXPECT_GT(db(kStarts[i], kStarts[i + 1]), -36.0) << "scene " << i;
    for (double t = kStarts[i]; t + 0.5 <= kStarts[i + 1]; t += 0.25)  // no dropout
      ASSERT_GT(db(t, t + 0.5), -60.0) << "scene " << i << " falls silent at " << t << " s";
  }
  // The closing card fades out, and the tail after it is silent.
  EXPECT_GT(db(kStarts[11], kStarts[11] + 2.0) - db(kEnd - 2.0, kEnd), 12.0);
  EXPECT_LT(db(kEnd + 0.05, seconds), -60.0);
}

// Fundamental of a steady tone by autocorrelation: the shortest lag whose
// correlation comes close to the best one (so octaves below are not taken).
// A lag near 200 samples resolves pitch to a quarter percent.
double Pitch(const std::vector<float>& mono, size_t from, size_t length) {
  std::vector<double> corr(kRate / 50, 0.0);
  for (size_t lag = kRate / 2000; lag < corr.size(); ++lag)
    for (size_t i = from; i < from + length; ++i) corr[lag] += double(mono[i]) * mono[i + lag];
  const double best = *std::max_element(corr.begin(), corr.end());
  for (size_t lag = kRate / 2000 + 1; lag + 1 < corr.size(); ++lag)
    if (corr[lag] > 0.9 * best && corr[lag] >= corr[lag - 1] && corr[lag] >= corr[lag + 1])
      return double(kRate) / double(lag);
  return 0;
}

TEST(Soundtrack, TonalInstrumentsAgreeOnPitchAndLoopWithoutAClick) {
  const std::vector<xm::XmInstrument> instruments = content::music::MakeInstruments();
  ASSERT_EQ(int(instruments.size()), content::music::kInstrumentCount);
  // A-3 on each, 220 Hz with C-4 at 8363 * 2 / 64 Hz; measured 0.25 s into
  // the note, past the attack, over 0.1 s.
  const double expected = 8363.0 * 2.0 / 64.0 * std::pow(2.0, -3.0 / 12.0);
  for (int ins : {content::music::kBass, content::music::kLead, content::music::kPluck}) {
    xm::XmModule song;
    song.channels = 1, song.orders = {0}, song.instruments = instruments;
    song.patterns.emplace_back(32, 1);
    song.patterns[0].At(0, 0) = {xm::Note(3, 9), uint8_t(ins), 0, 0, 0};
    openmpt_module* m = Open(xm::WriteXm(song));
    ASSERT_NE(m, nullptr);
    openmpt_module_set_render_param(m, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 8);
    std::vector<float> mono(kRate / 2);
    ASSERT_EQ(openmpt_module_read_float_mono(m, kRate, mono.size(), mono.data()), mono.size());
    openmpt_module_destroy(m);
    EXPECT_NEAR(Pitch(mono, kRate / 4, kRate / 10), expected, expected * 0.01) << ins;
  }
  // A looped sample steps from its loop's end back to its start no further
  // than between any two neighbours inside the loop.
  int looped = 0;
  for (const xm::XmInstrument& ins : instruments) {
    for (const xm::XmSample& s : ins.samples) {
      ASSERT_TRUE(s.SixteenBit()) << ins.name;
      if (s.loop == xm::XmLoop::kNone) continue;
      const size_t start = s.loopStart, end = size_t(s.loopStart) + s.loopLength;
      ASSERT_LE(end, s.pcm16.size()) << ins.name;
      int widest = 0;
      for (size_t i = start + 1; i < end; ++i)
        widest = std::max(widest, std::abs(s.pcm16[i] - s.pcm16[i - 1]));
      EXPECT_LE(std::abs(s.pcm16[start] - s.pcm16[end - 1]), widest) << ins.name;
      ++looped;
    }
  }
  EXPECT_GE(looped, 5);  // bass, two pads, pluck, lead
}

}  // namespace
