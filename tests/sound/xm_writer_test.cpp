// Written modules as an independent player, libxmp, reads them. (How the
// sections of the show's own module are timed, by libxmp and libopenmpt, is
// the soundtrack test's.)
#include <xmp.h>

#include <cstring>
#include <functional>

#include "sound/xm_fixtures.h"
#include "support/temp_dir.h"

using namespace soundtest;

namespace {

// A module loaded by libxmp, which (like libopenmpt) counts notes from C-0 = 13.
struct Xmp {
  explicit Xmp(const std::vector<uint8_t>& bytes)
      : ok(xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())) == 0) {
    if (ok) xmp_get_module_info(ctx, &info);
  }
  ~Xmp() { xmp_free_context(ctx); }  // releases the module too
  xmp_context ctx = xmp_create_context();
  bool ok;
  xmp_module_info info{};
};

}  // namespace

TEST(XmWriter, ModulesRoundTripThroughAnIndependentLoader) {
  std::vector<int16_t> wide = Sine(100, 30000).pcm16;
  std::vector<int8_t> narrow(50, 127);
  wide.insert(wide.begin() + 1, {-32768, 32767});  // the widest deltas
  narrow[3] = -128;
  // Samples: name, 16- or 8-bit frames, loop, start, length, volume, finetune, relative note, pan.
  const xm::XmSample a{"", wide, {}, xm::XmLoop::kPingPong, 10, 80, 48, -16, 7, 40};
  const xm::XmSample b{"", {}, narrow, xm::XmLoop::kNone, 0, 0, 64, 0, -12, 128};
  // Points, sustain point, loop start and end.
  const xm::XmEnvelope envelope{{{0, 0}, {4, 64}, {30, 40}, {90, 0}}, 2, 1, 2};
  // Instrument: name, samples, note map, volume and panning envelopes, fadeout, vibrato type,
  // sweep, depth, rate.
  xm::XmInstrument lead{"", {a, b}, {}, envelope, {}, 1234, 0, 0, 5, 0};
  std::fill(lead.noteSample.begin() + 48, lead.noteSample.end(), 1);
  const xm::XmInstrument empty{"no samples", {}, {}, {}, {}, 0, 0, 0, 0, 0};
  const std::vector<xm::XmPattern> patterns = {xm::XmPattern(32, 8), xm::XmPattern(256, 8)};
  const xm::XmModule m{"rich", "test", 8, 5, 140, true, 2, {0, 1, 1, 0}, patterns, {lead, empty}};
  const std::vector<uint8_t> bytes = xm::WriteXm(m);

  Xmp x(bytes);
  ASSERT_TRUE(x.ok);
  const xmp_module& mod = *x.info.mod;
  const xmp_instrument& i = mod.xxi[0];
  const xmp_sample* s = mod.xxs;
  ASSERT_EQ(i.nsm, 2);
  EXPECT_EQ(std::string(mod.name) + "/" + mod.xxi[1].name, "rich/no samples");
  EXPECT_EQ(std::vector<uint8_t>(mod.xxo, mod.xxo + 4), m.orders);
  // libxmp mirrors the (never played) data after a ping-pong loop: compare up to its end.
  EXPECT_EQ(std::memcmp(s[0].data, a.pcm16.data(), 2 * 90), 0);
  EXPECT_EQ(std::memcmp(s[1].data, b.pcm8.data(), 50), 0);
  EXPECT_EQ(std::vector<int>({mod.chn, mod.ins, mod.smp, mod.spd, mod.bpm, mod.len, mod.rst}),
            std::vector<int>({8, 2, 2, 5, 140, 4, 2}));
  const int pingPong = XMP_SAMPLE_LOOP | XMP_SAMPLE_LOOP_BIDIR;
  EXPECT_EQ(std::vector<int>({s[0].len, s[0].lps, s[0].lpe, s[0].flg, s[1].len, s[1].flg}),
            std::vector<int>({102, 10, 90, XMP_SAMPLE_16BIT | pingPong, 50, 0}));
  // libxmp keeps vibrato depth x4 and fadeout x2.
  const xmp_subinstrument* sub = i.sub;
  EXPECT_EQ(std::vector<int>({sub[0].vol, sub[0].fin, sub[0].xpo, sub[0].pan, sub[1].xpo,
                              sub[0].vde, i.rls, i.map[12 + 47].ins, i.map[12 + 48].ins}),
            std::vector<int>({48, -16, 7, 40, -12, 5 * 4, 1234 * 2, 0, 1}));
  EXPECT_EQ(
      std::vector<int>({i.aei.flg, i.aei.npt, i.aei.sus, i.aei.lps, i.aei.lpe, i.pei.flg}),
      std::vector<int>({XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS | XMP_ENVELOPE_LOOP, 4, 2, 1, 2, 0}));
  EXPECT_EQ(std::vector<short>(i.aei.data, i.aei.data + 8),
            std::vector<short>({0, 0, 4, 64, 30, 40, 90, 0}));
  EXPECT_EQ(mod.xxp[1]->rows, 256);
}

TEST(XmWriter, EveryCombinationOfCellFieldsIsPackedAndReadBack) {
  // Cell (r, ch) holds the fields whose bits are set in (r + ch) % 32: every
  // packing mask on every channel, the unpacked full cell included.
  xm::XmModule m = Module(8, 64);
  m.instruments.resize(20);
  for (int r = 0; r < 64; ++r) {
    for (int ch = 0; ch < 8; ++ch) {
      const uint8_t fields[] = {uint8_t(1 + (r * 3 + ch) % 96), uint8_t(1 + (r + ch) % 20),
                                xm::Volume((r * 7 + ch) % 65), xm::kSetVolume, uint8_t(1 + r)};
      xm::XmCell& c = m.patterns[0].At(r, ch);
      uint8_t* slots[] = {&c.note, &c.instrument, &c.volume, &c.effect, &c.param};
      for (int f = 0; f < 5; ++f) *slots[f] = ((r + ch) % 32 >> f & 1) ? fields[f] : 0;
    }
  }
  m.patterns[0].At(58, 7).note = xm::kKeyOff;  // alone in its cell
  Xmp x(xm::WriteXm(m));
  ASSERT_TRUE(x.ok);
  for (int r = 0; r < 64; ++r) {
    for (int ch = 0; ch < 8; ++ch) {
      const xm::XmCell w = m.patterns[0].At(r, ch);
      const xmp_event& e = x.info.mod->xxt[x.info.mod->xxp[0]->index[ch]]->event[r];
      const int note = w.note == xm::kKeyOff ? XMP_KEY_OFF : w.note ? w.note + 12 : 0;
      const int volume = w.volume ? w.volume - 15 : 0;
      ASSERT_EQ(std::vector<int>({e.note, e.ins, e.vol, e.fxt, e.fxp}),
                std::vector<int>({note, w.instrument, volume, w.effect, w.param}))
          << r << "/" << ch;
    }
  }
}

TEST(XmWriter, FaultyModulesAndSectionsAreRefusedWithAReason) {
  const std::vector<std::function<void(xm::XmModule&)>> spoils = {
      [](auto& m) { m.orders.push_back(9); },
      [](auto& m) { m.patterns.emplace_back(4, 3); },
      [](auto& m) { m.patterns[0].At(0, 1).instrument = 2; },
      [](auto& m) { m.patterns[0].At(1, 1).volume = 0x55; },
      [](auto& m) { m.instruments[0].samples[0].finetune = 4; },
      [](auto& m) { m.instruments[0].samples[0].loopStart = 30; },
      [](auto& m) {
        m.instruments[0].volumeEnvelope.points = {{0, 10}, {5, 10}, {5, 0}};
      },
  };
  const xm::XmModule good = Module(8, 16, {Sine(32, 1000)});
  testsupport::TempDir dir;
  std::string error;
  for (const auto& spoil : spoils) {
    xm::XmModule m = good;
    spoil(m);
    EXPECT_TRUE(xm::WriteXm(m, &error).empty() && !error.empty());
    EXPECT_FALSE(xm::SaveXm(dir.File("bad.xm"), m));
  }
  EXPECT_FALSE(xm::SaveXm(dir.File("no/folder/x.xm"), good, &error));
  EXPECT_NE(error.find("x.xm"), std::string::npos);
  EXPECT_TRUE(xm::SaveXm(dir.File("good.xm"), good, &error)) << error;
  // No ticks, no such channel, 256 more patterns: refused, the module unchanged.
  xm::XmModule target = good;
  xm::XmSection s;
  EXPECT_FALSE(xm::AppendSection(target, 0, 0, &s));
  EXPECT_FALSE(xm::AppendSection(target, 100, 8, &s));
  EXPECT_FALSE(xm::AppendSection(target, 12 * 64 * 256, 0, &s));
  EXPECT_EQ(target.patterns.size() + target.orders.size(), 2u);
}
