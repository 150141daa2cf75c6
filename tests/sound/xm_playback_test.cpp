// What written modules sound like and when their rows play.
#include <gtest/gtest.h>
#include <xmp.h>

#include "sound/xm_fixtures.h"

using namespace soundtest;

namespace {

// The C-4 frequency rule of XM's linear table, for a 32-frame sine period.
double SineHz(int note, int relativeNote, int finetune) {
  return 8363.0 * std::pow(2.0, (note - 49 + relativeNote) / 12.0 + finetune / 1536.0) / 32;
}

// When libxmp starts playing (order, row 0) of each entry, and how long it plays.
std::vector<double> XmpRowStarts(const std::vector<uint8_t>& bytes, const std::vector<int>& orders,
                                 double* total) {
  std::vector<double> seen(orders.size(), -1);
  xmp_context ctx = xmp_create_context();
  xmp_frame_info info;
  long samples = 0;
  if (xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())) == 0 &&
      xmp_start_player(ctx, kRate, XMP_FORMAT_MONO) == 0) {
    while (xmp_play_frame(ctx) == 0 && (xmp_get_frame_info(ctx, &info), info.loop_count == 0)) {
      for (size_t i = 0; i < orders.size(); ++i)
        if (seen[i] < 0 && info.pos == orders[i] && info.row == 0 && info.frame == 0) seen[i] = double(samples) / kRate;
      samples += info.buffer_size / 2;
    }
    xmp_end_player(ctx);
    xmp_release_module(ctx);
  }
  xmp_free_context(ctx);
  *total = double(samples) / kRate;
  return seen;
}

}  // namespace

TEST(XmPlayback, PitchVolumeKeyOffAndEnvelopes) {
  const int cases[][3] = {{58, 0, 0}, {37, 12, 0}, {65, -7, 0}, {32, 0, 96}};
  for (const auto& c : cases) {
    xm::XmModule m = Module(2, 8);
    m.instruments.push_back(Instrument(Sine(32, 20000)));
    m.instruments[0].samples[0].relativeNote = c[1];
    m.instruments[0].samples[0].finetune = c[2];
    m.patterns[0].At(0, 0) = {uint8_t(c[0]), 1, 0, 0, 0};
    const double want = SineHz(c[0], c[1], c[2]);
    EXPECT_NEAR(Frequency(RenderMono(xm::WriteXm(m)), At(0.1), At(0.9)), want, want * 0.002) << c[0];
  }

  // Channel 0: plain 16-bit sine, keyed off on row 4, again at volume 32 on
  // row 8. Channel 1 from row 12: 8-bit sine of sample volume 16. Channel 2:
  // an envelope held on its sustain point until key-off on row 4, then fading.
  xm::XmModule m = Module(4, 16);
  xm::XmInstrument quiet = Instrument(Sine(32, 127, true));
  quiet.samples[0].volume = 16;
  xm::XmInstrument fading = Instrument(Sine(32, 32000));
  fading.volumeEnvelope = {{{0, 64}, {10, 64}, {20, 0}}, 1, -1, -1};
  fading.fadeout = 4095;  // 1/8 per 20 ms tick after key-off
  m.instruments = {Instrument(Sine(32, 32000)), quiet, fading};
  xm::XmPattern& p = m.patterns[0];
  p.At(0, 0) = {49, 1, 0, 0, 0};
  p.At(4, 0) = {xm::kKeyOff, 0, 0, 0, 0};
  p.At(8, 0) = {49, 1, xm::Volume(32), 0, 0};
  p.At(12, 0) = {xm::kKeyOff, 0, 0, 0, 0};
  p.At(12, 1) = {49, 2, 0, 0, 0};
  const std::vector<int16_t> pcm = RenderMono(xm::WriteXm(m));
  const double full = Rms(pcm, At(0.05), At(0.45));
  ASSERT_GT(full, 1000);
  EXPECT_LT(Rms(pcm, At(0.49), At(0.95)), 1) << "key-off without envelope cuts";
  EXPECT_NEAR(Rms(pcm, At(1.0), At(1.4)) / full, 0.5, 0.03);
  EXPECT_NEAR(Rms(pcm, At(1.5), At(1.9)) / full, 0.25, 0.03) << "8-bit sample at volume 16";

  p = xm::XmPattern(16, 4);
  p.At(0, 2) = {49, 3, 0, 0, 0};
  p.At(4, 2) = {xm::kKeyOff, 0, 0, 0, 0};
  const std::vector<int16_t> env = RenderMono(xm::WriteXm(m));
  EXPECT_NEAR(Rms(env, At(0.25), At(0.45)) / full, 1.0, 0.03) << "held past the envelope's end";
  EXPECT_GT(Rms(env, At(0.48), At(0.54)), 0.3 * full) << "still fading";
  EXPECT_LT(Rms(env, At(0.70), At(1.9)), 1) << "faded out";
}

TEST(XmPlayback, SectionsStartWithinAMillisecondOfTheirTargets) {
  // Awkward boundaries: a one-tick section, sections longer than a pattern.
  const double ends[] = {1.23, 1.5, 2.07, 2.08, 11.37, 11.5, 13.01};
  xm::XmModule m = Module(8, 1);
  m.orders.clear();
  m.patterns.clear();
  xm::XmSample click;  // four sine periods ending on zero (no tail)
  for (int i = 0; i < 48; ++i) click.pcm16.push_back(int16_t(i < 40 ? 30000 * std::sin(i * 3.14159265 / 5) : 0));
  m.instruments.push_back(Instrument(click));
  std::vector<int> orders;
  std::vector<double> targets;
  int tick = 0;
  for (double end : ends) {
    xm::XmSection s;
    ASSERT_TRUE(xm::AppendSection(m, xm::SecondsToTicks(end) - tick, 7, &s, 32));
    xm::SectionCell(m, s, 0, 1) = {xm::Note(4, 0), 1, 0, 0, 0};
    orders.push_back(s.firstOrder);
    targets.push_back(tick / 100.0);
    tick = xm::SecondsToTicks(end);
  }
  const std::vector<uint8_t> bytes = xm::WriteXm(m);

  // libopenmpt: the 16-sample block in which each section's first row begins.
  openmpt_module* o = OpenOpenmpt(bytes);
  ASSERT_NE(o, nullptr);
  std::vector<double> seen(orders.size(), -1);
  int16_t block[16];
  size_t rendered = 0, got;
  while ((got = openmpt_module_read_mono(o, kRate, 16, block)) > 0) {
    for (size_t i = 0; i < orders.size(); ++i)
      if (seen[i] < 0 && openmpt_module_get_current_order(o) == orders[i] && openmpt_module_get_current_row(o) == 0)
        seen[i] = double(rendered) / kRate;
    rendered += got;
  }
  openmpt_module_destroy(o);
  double xmpTotal = 0;
  const std::vector<double> xmpSeen = XmpRowStarts(bytes, orders, &xmpTotal);
  const std::vector<int16_t> pcm = RenderMono(bytes);
  for (size_t i = 0; i < orders.size(); ++i) {
    EXPECT_NEAR(seen[i], targets[i], 0.001) << "libopenmpt, section " << i;
    EXPECT_NEAR(xmpSeen[i], targets[i], 0.001) << "libxmp, section " << i;
    size_t onset = At(std::max(0.0, targets[i] - 0.003));
    while (onset < pcm.size() && std::abs(pcm[onset]) < 200) ++onset;
    EXPECT_NEAR(double(onset) / kRate, targets[i], 0.001) << "click of section " << i;
  }
  EXPECT_NEAR(double(rendered) / kRate, 13.01, 0.001);
  EXPECT_NEAR(xmpTotal, 13.01, 0.001);
}
