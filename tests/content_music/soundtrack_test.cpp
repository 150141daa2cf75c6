// The soundtrack as the players hear it: written by the generator, loaded by
// libopenmpt and libxmp, timed against the scenes and measured in its
// rendered output.
#include "content/soundtrack.h"

#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "content/generate.h"
#include "content/xm_writer.h"
#include "support/temp_dir.h"

namespace {

constexpr int kRate = 44100;

// Where the scenes begin, the silent tail last: the times every section of
// the music has to start on.
constexpr std::array<double, 13> kStarts = {0.0,   12.3,   24.0,   41.0,   82.0,   94.12, 105.64,
                                            117.0, 134.74, 140.49, 157.97, 181.25, 193.9};
constexpr double kEnd = 193.9;

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> WriteOnce(std::string* failure) {
  testsupport::TempDir dir;
  *failure = content::WriteSoundtrack(dir.path());
  return ReadAll(dir.File("demomusic.xm"));
}

openmpt_module* Open(const std::vector<uint8_t>& bytes) {
  openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr,
                                                         nullptr, nullptr, nullptr, nullptr, nullptr);
  if (m != nullptr) {
    openmpt_module_ctl_set_text(m, "play.at_end", "stop");
    openmpt_module_ctl_set_text(m, "dither", "0");
  }
  return m;
}

// The module as the generator writes it, once per test program.
struct Written {
  std::string failure;
  std::vector<uint8_t> bytes;
};

const Written& TheModule() {
  static const Written written = [] {
    Written w;
    w.bytes = WriteOnce(&w.failure);
    return w;
  }();
  return written;
}

// The module played through once by libopenmpt in stereo at kRate.
struct Rendered {
  double duration = 0;         // libopenmpt's own estimate
  std::vector<float> stereo;   // interleaved
  std::vector<double> energy;  // energy[i]: sum of squares of stereo[0, i)

  double Seconds() const { return double(stereo.size()) / 2.0 / kRate; }

  // RMS of both channels over [from, to) seconds, in dB of full scale.
  double RmsDb(double from, double to) const {
    const size_t a = std::min(stereo.size(), 2 * size_t(from * kRate));
    const size_t z = std::min(stereo.size(), 2 * size_t(to * kRate));
    const double rms = z > a ? std::sqrt(std::max(0.0, energy[z] - energy[a]) / double(z - a)) : 0.0;
    return 20.0 * std::log10(rms + 1e-12);
  }
  float Peak() const {
    float most = 0;
    for (float v : stereo) most = std::max(most, std::fabs(v));
    return most;
  }
};

Rendered Render(const std::vector<uint8_t>& bytes) {
  Rendered r;
  if (openmpt_module* m = Open(bytes)) {
    r.duration = openmpt_module_get_duration_seconds(m);
    std::vector<float> block(2 * 4096);
    for (;;) {
      const size_t n = openmpt_module_read_interleaved_float_stereo(m, kRate, 4096, block.data());
      if (n == 0 || r.Seconds() > 400) break;
      r.stereo.insert(r.stereo.end(), block.begin(), block.begin() + std::ptrdiff_t(2 * n));
    }
    openmpt_module_destroy(m);
  }
  r.energy.assign(r.stereo.size() + 1, 0.0);
  for (size_t i = 0; i < r.stereo.size(); ++i)
    r.energy[i + 1] = r.energy[i] + double(r.stereo[i]) * r.stereo[i];
  return r;
}

double SectionEnd(size_t i) { return i + 1 < kStarts.size() ? kStarts[i + 1] : kEnd; }

TEST(Soundtrack, BothPlayersLoadItAndItEndsJustAfterTheLastScene) {
  const Written& song = TheModule();
  ASSERT_EQ(song.failure, "");
  ASSERT_FALSE(song.bytes.empty());

  openmpt_module* m = Open(song.bytes);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(openmpt_module_get_num_channels(m), 8);
  const double duration = openmpt_module_get_duration_seconds(m);
  openmpt_module_destroy(m);
  EXPECT_GE(duration, kEnd);
  EXPECT_LE(duration, kEnd + 1.0);

  xmp_context ctx = xmp_create_context();
  ASSERT_EQ(xmp_load_module_from_memory(ctx, song.bytes.data(), long(song.bytes.size())), 0);
  xmp_module_info info;
  xmp_get_module_info(ctx, &info);
  EXPECT_EQ(info.mod->chn, 8);
  ASSERT_EQ(xmp_start_player(ctx, 8000, XMP_FORMAT_MONO), 0);
  xmp_frame_info frame;
  xmp_get_frame_info(ctx, &frame);
  EXPECT_GE(frame.total_time, int(kEnd * 1000));
  EXPECT_LE(frame.total_time, int((kEnd + 1.0) * 1000));
  xmp_end_player(ctx);
  xmp_release_module(ctx);
  xmp_free_context(ctx);
}

// Start times of every position of the order list, in seconds.
std::vector<double> OpenmptOrderStarts(const std::vector<uint8_t>& bytes) {
  std::vector<double> starts;
  openmpt_module* m = Open(bytes);
  if (m == nullptr) return starts;
  for (int o = 0; o < openmpt_module_get_num_orders(m); ++o)
    starts.push_back(openmpt_module_set_position_order_row(m, o, 0));
  openmpt_module_destroy(m);
  return starts;
}

std::vector<double> XmpOrderStarts(const std::vector<uint8_t>& bytes) {
  std::vector<double> starts;
  xmp_context ctx = xmp_create_context();
  if (xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())) == 0) {
    const int rate = 8000;  // 80 samples to a 10 ms tick
    if (xmp_start_player(ctx, rate, XMP_FORMAT_MONO) == 0) {
      long samples = 0;
      int position = -1;
      xmp_frame_info info;
      while (xmp_play_frame(ctx) == 0) {
        xmp_get_frame_info(ctx, &info);
        if (info.loop_count > 0) break;
        if (info.pos != position) {
          starts.push_back(double(samples) / rate);
          position = info.pos;
        }
        samples += info.buffer_size / 2;
      }
      xmp_end_player(ctx);
    }
    xmp_release_module(ctx);
  }
  xmp_free_context(ctx);
  return starts;
}

// Every scene start must be the start of some position, to the millisecond.
void ExpectSectionsOnScenes(const std::vector<double>& orderStarts, const char* player) {
  ASSERT_FALSE(orderStarts.empty()) << player;
  EXPECT_TRUE(std::is_sorted(orderStarts.begin(), orderStarts.end())) << player;
  for (double scene : kStarts) {
    double nearest = 1e9;
    for (double t : orderStarts) nearest = std::min(nearest, std::fabs(t - scene));
    EXPECT_LE(nearest, 0.001) << player << ": no section starts at " << scene << " s";
  }
}

TEST(Soundtrack, EverySectionStartsOnItsScene) {
  const Written& song = TheModule();
  ExpectSectionsOnScenes(OpenmptOrderStarts(song.bytes), "libopenmpt");
  ExpectSectionsOnScenes(XmpOrderStarts(song.bytes), "libxmp");
}

TEST(Soundtrack, LevelsFollowTheArcWithNoSilentSceneAndNoClipping) {
  const Rendered song = Render(TheModule().bytes);
  ASSERT_GE(song.Seconds(), kEnd);
  // Played to its end it stops there rather than starting over.
  EXPECT_NEAR(song.Seconds(), song.duration, 0.05);
  EXPECT_LT(song.Peak(), 0.89f) << "louder than -1 dBFS";

  std::vector<double> level;
  for (size_t i = 0; i + 1 < kStarts.size(); ++i) {
    const double from = kStarts[i], to = SectionEnd(i);
    level.push_back(song.RmsDb(from, to));
    EXPECT_GT(level.back(), -36.0) << "scene " << i;
    // No dropout: every half second of the scene is audible.
    for (double t = from; t + 0.5 <= to; t += 0.25)
      ASSERT_GT(song.RmsDb(t, t + 0.5), -60.0) << "scene " << i << " falls silent at " << t << " s";
  }
  // A quiet opening that builds to the tunnel.
  EXPECT_LT(level[0], level[1]);
  EXPECT_LT(level[1], level[2]);
  EXPECT_LT(level[2], level[3]);
  EXPECT_GT(level[3] - level[0], 6.0);
  // The tunnel and the particles are the peaks.
  for (size_t quieter : {4, 6, 8, 9, 11}) {
    EXPECT_GT(level[3], level[quieter] + 1.0) << "scene " << quieter;
    EXPECT_GT(level[5], level[quieter] + 1.0) << "scene " << quieter;
  }
  // The closing card fades out, and the tail after it is silent.
  EXPECT_GT(song.RmsDb(181.25, 183.25) - song.RmsDb(191.9, 193.9), 12.0);
  EXPECT_LT(song.RmsDb(kEnd + 0.05, song.Seconds()), -60.0);
}

// Notes per instrument name in each scene, read back from the pattern data.
std::vector<std::map<std::string, int>> NotesPerScene(const std::vector<uint8_t>& bytes) {
  std::vector<std::map<std::string, int>> scenes(kStarts.size() - 1);
  openmpt_module* m = Open(bytes);
  if (m == nullptr) return scenes;
  std::vector<std::string> names;
  for (int i = 0; i < openmpt_module_get_num_instruments(m); ++i) {
    const char* name = openmpt_module_get_instrument_name(m, i);
    names.push_back(name);
    openmpt_free_string(name);
  }
  for (int o = 0; o < openmpt_module_get_num_orders(m); ++o) {
    const double start = openmpt_module_set_position_order_row(m, o, 0);
    const size_t scene =
        size_t(std::upper_bound(kStarts.begin(), kStarts.end(), start + 0.0005) - kStarts.begin()) - 1;
    if (scene >= scenes.size()) continue;
    const int pattern = openmpt_module_get_order_pattern(m, o);
    for (int row = 0; row < openmpt_module_get_pattern_num_rows(m, pattern); ++row)
      for (int ch = 0; ch < 8; ++ch) {
        const int note = openmpt_module_get_pattern_row_channel_command(m, pattern, row, ch,
                                                                        OPENMPT_MODULE_COMMAND_NOTE);
        const int ins = openmpt_module_get_pattern_row_channel_command(m, pattern, row, ch,
                                                                       OPENMPT_MODULE_COMMAND_INSTRUMENT);
        if (note >= 1 && note <= 120 && ins >= 1 && size_t(ins) <= names.size())
          ++scenes[scene][names[size_t(ins - 1)]];
      }
  }
  openmpt_module_destroy(m);
  return scenes;
}

TEST(Soundtrack, InstrumentsEnterAsTheScenesAsk) {
  const auto scenes = NotesPerScene(TheModule().bytes);
  auto count = [&](size_t scene, const std::string& name) {
    const auto it = scenes[scene].find(name);
    return it == scenes[scene].end() ? 0 : it->second;
  };
  auto pads = [&](size_t scene) { return count(scene, "pad minor") + count(scene, "pad major"); };
  auto drums = [&](size_t scene) {
    return count(scene, "kick") + count(scene, "snare") + count(scene, "hat");
  };

  EXPECT_GT(pads(0), 0);
  EXPECT_EQ(drums(0) + count(0, "bass") + count(0, "lead"), 0) << "the opening is pads alone";
  EXPECT_GT(count(1, "bass"), 0);
  EXPECT_EQ(drums(1), 0);
  EXPECT_GT(count(2, "hat"), 16);
  EXPECT_EQ(count(2, "lead"), 0);
  for (const char* name : {"kick", "snare", "hat", "bass", "lead"}) EXPECT_GT(count(3, name), 8) << name;
  EXPECT_EQ(pads(4) + count(4, "lead"), 0) << "the breakdown is bass and percussion";
  EXPECT_GT(count(4, "bass") * count(4, "kick") * count(4, "snare"), 0);
  EXPECT_GE(count(5, "pluck"), 6 * 16) << "arpeggios on every row of the second peak";
  EXPECT_GT(count(7, "lead"), 16) << "the melody returns";
  EXPECT_GT(pads(11), 0);
  EXPECT_EQ(count(11, "snare") + count(11, "hat"), 0);
}

// Fundamental of a steady tone by autocorrelation: the shortest lag whose
// correlation comes close to the best one (so octaves below are not taken).
double Pitch(const std::vector<float>& mono, size_t from, size_t length) {
  std::vector<double> corr(kRate / 50, 0.0);
  double best = 0;
  for (size_t lag = kRate / 2000; lag < corr.size(); ++lag) {
    double s = 0;
    for (size_t i = from; i < from + length; ++i) s += double(mono[i]) * mono[i + lag];
    corr[lag] = s;
    best = std::max(best, s);
  }
  for (size_t lag = kRate / 2000 + 1; lag + 1 < corr.size(); ++lag)
    if (corr[lag] > 0.9 * best && corr[lag] >= corr[lag - 1] && corr[lag] >= corr[lag + 1]) {
      // Parabolic refinement of the peak.
      const double a = corr[lag - 1], b = corr[lag], c = corr[lag + 1];
      const double shift = 0.5 * (a - c) / (a - 2 * b + c);
      return kRate / (double(lag) + shift);
    }
  return 0;
}

TEST(Soundtrack, TonalInstrumentsAgreeOnPitch) {
  const std::vector<xm::XmInstrument> instruments = content::music::MakeInstruments();
  ASSERT_EQ(int(instruments.size()), content::music::kInstrumentCount);
  // A-3 on each, 220 Hz with C-4 at 8363 * 2 / 64 Hz.
  const double expected = 8363.0 * 2.0 / 64.0 * std::pow(2.0, -3.0 / 12.0);
  for (int ins : {content::music::kBass, content::music::kLead, content::music::kPluck}) {
    xm::XmModule m;
    m.channels = 1;
    m.orders = {0};
    m.patterns.emplace_back(32, 1);
    m.instruments = instruments;
    m.patterns[0].At(0, 0) = {xm::Note(3, 9), uint8_t(ins), 0, 0, 0};
    const std::vector<uint8_t> bytes = xm::WriteXm(m);
    openmpt_module* mod = Open(bytes);
    ASSERT_NE(mod, nullptr);
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 8);
    std::vector<float> mono(kRate / 2);
    ASSERT_EQ(openmpt_module_read_float_mono(mod, kRate, mono.size(), mono.data()), mono.size());
    openmpt_module_destroy(mod);
    // Past the attack: 0.25 s into the note, a window of 0.1 s.
    EXPECT_NEAR(Pitch(mono, kRate / 4, kRate / 10), expected, expected * 0.01)
        << instruments[size_t(ins - 1)].name;
  }
}

TEST(Soundtrack, LoopedSamplesWrapWithoutAClick) {
  int looped = 0;
  for (const xm::XmInstrument& ins : content::music::MakeInstruments()) {
    for (const xm::XmSample& s : ins.samples) {
      ASSERT_TRUE(s.SixteenBit()) << ins.name;
      if (s.loop == xm::XmLoop::kNone) continue;
      ++looped;
      const size_t start = s.loopStart, end = size_t(s.loopStart) + s.loopLength;
      ASSERT_LE(end, s.pcm16.size()) << ins.name;
      int widest = 0;
      for (size_t i = start + 1; i < end; ++i)
        widest = std::max(widest, std::abs(s.pcm16[i] - s.pcm16[i - 1]));
      EXPECT_LE(std::abs(s.pcm16[start] - s.pcm16[end - 1]), widest) << ins.name;
    }
  }
  EXPECT_GE(looped, 5);  // bass, two pads, pluck, lead (and the cymbal's wash)
}

TEST(Soundtrack, WritesTheSameSmallFileEveryTimeAndReportsAFolderItCannotWrite) {
  const Written& song = TheModule();
  std::string failure;
  const std::vector<uint8_t> again = WriteOnce(&failure);
  EXPECT_EQ(failure, "");
  EXPECT_TRUE(again == song.bytes) << "two writes differ";
  // Short looped samples, not seconds of recorded sound.
  EXPECT_LT(song.bytes.size(), 512u * 1024u);

  testsupport::TempDir dir;
  const std::string error = content::WriteSoundtrack(dir.File("no/such/folder"));
  EXPECT_NE(error.find("demomusic.xm"), std::string::npos) << error;
}

}  // namespace
