// Written modules as libxmp, an independent loader, and libopenmpt read them.
#include <gtest/gtest.h>
#include <xmp.h>

#include <cstring>
#include <functional>

#include "sound/xm_fixtures.h"
#include "support/temp_dir.h"

using namespace soundtest;

namespace {

struct Xmp {
  explicit Xmp(const std::vector<uint8_t>& bytes) {
    ok = xmp_load_module_from_memory(ctx, bytes.data(), long(bytes.size())) == 0;
    xmp_module_info info;
    if (ok) xmp_get_module_info(ctx, &info), mod = info.mod;
  }
  ~Xmp() {
    if (ok) xmp_release_module(ctx);
    xmp_free_context(ctx);
  }
  // libxmp, like libopenmpt, counts notes from C-0 = 13.
  const xmp_event& Event(int p, int row, int ch) const { return mod->xxt[mod->xxp[p]->index[ch]]->event[row]; }
  xmp_context ctx = xmp_create_context();
  bool ok = false;
  xmp_module* mod = nullptr;
};

}  // namespace

TEST(XmWriter, ModulesRoundTripThroughTwoLoaders) {
  xm::XmModule m = Module(8, 32, 5, 140);
  m.name = "rich module";
  m.patterns.emplace_back(256, 8);
  m.orders = {0, 1, 1, 0};
  m.restartPosition = 2;
  xm::XmSample a = Sine(100, 30000);
  a.pcm16[1] = -32768;
  a.pcm16[2] = 32767;  // the widest delta
  a.loop = xm::XmLoop::kPingPong;
  a.loopStart = 10;
  a.loopLength = 80;
  a.volume = 48;
  a.finetune = -16;
  a.relativeNote = 7;
  a.panning = 40;
  xm::XmSample b = Sine(50, 127, true);
  b.pcm8[3] = -128;
  b.loop = xm::XmLoop::kNone;
  b.relativeNote = -12;
  xm::XmInstrument lead = Instrument(a);
  lead.name = "lead";
  lead.samples.push_back(b);
  for (int n = 48; n < xm::kNoteCount; ++n) lead.noteSample[size_t(n)] = 1;
  lead.volumeEnvelope = {{{0, 0}, {4, 64}, {30, 40}, {90, 0}}, 2, 1, 2};
  lead.fadeout = 1234;
  lead.vibratoDepth = 5;
  xm::XmInstrument empty;
  empty.name = "no samples";
  m.instruments = {lead, empty};
  const std::vector<uint8_t> bytes = xm::WriteXm(m);

  Xmp x(bytes);
  ASSERT_TRUE(x.ok);
  const xmp_module& mod = *x.mod;
  EXPECT_STREQ(mod.name, "rich module");
  EXPECT_EQ(std::vector<int>({mod.chn, mod.ins, mod.smp, mod.spd, mod.bpm, mod.len, mod.rst}),
            std::vector<int>({8, 2, 2, 5, 140, 4, 2}));
  EXPECT_EQ(std::vector<uint8_t>(mod.xxo, mod.xxo + 4), m.orders);
  EXPECT_EQ(mod.xxp[1]->rows, 256);
  // libxmp mirrors the (never played) data after a ping-pong loop: compare up to its end.
  EXPECT_EQ(std::memcmp(mod.xxs[0].data, a.pcm16.data(), 2 * 90), 0);
  EXPECT_EQ(std::memcmp(mod.xxs[1].data, b.pcm8.data(), 50), 0);
  EXPECT_EQ(std::vector<int>({mod.xxs[0].len, mod.xxs[0].lps, mod.xxs[0].lpe, mod.xxs[1].len}),
            std::vector<int>({100, 10, 90, 50}));
  EXPECT_EQ(mod.xxs[0].flg, XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP | XMP_SAMPLE_LOOP_BIDIR);
  EXPECT_EQ(mod.xxs[1].flg, 0);
  const xmp_instrument& i = mod.xxi[0];
  ASSERT_EQ(i.nsm, 2);
  EXPECT_EQ(std::vector<int>({i.sub[0].vol, i.sub[0].fin, i.sub[0].xpo, i.sub[0].pan, i.sub[1].xpo}),
            std::vector<int>({48, -16, 7, 40, -12}));
  EXPECT_EQ(i.sub[0].vde, 5 * 4);  // libxmp keeps vibrato depth x4 and fadeout x2
  EXPECT_EQ(i.rls, 1234 * 2);
  EXPECT_EQ(i.map[12 + 47].ins, 0);
  EXPECT_EQ(i.map[12 + 48].ins, 1);
  EXPECT_EQ(i.aei.flg, XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS | XMP_ENVELOPE_LOOP);
  EXPECT_EQ(std::vector<int>({i.aei.npt, i.aei.sus, i.aei.lps, i.aei.lpe}), std::vector<int>({4, 2, 1, 2}));
  EXPECT_EQ(std::vector<short>(i.aei.data, i.aei.data + 8), std::vector<short>({0, 0, 4, 64, 30, 40, 90, 0}));
  EXPECT_EQ(i.pei.flg, 0);
  EXPECT_STREQ(mod.xxi[1].name, "no samples");

  openmpt_module* o = OpenOpenmpt(bytes);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(std::vector<int>({openmpt_module_get_num_channels(o), openmpt_module_get_num_patterns(o),
                              openmpt_module_get_num_orders(o), openmpt_module_get_num_samples(o)}),
            std::vector<int>({8, 2, 4, 2}));
  openmpt_module_destroy(o);
}

TEST(XmWriter, EveryCombinationOfCellFieldsIsPackedAndReadBack) {
  // Cell (r, ch) holds the fields whose bits are set in (r + ch) % 32: every
  // packing mask on every channel, the unpacked full cell included.
  xm::XmModule m = Module(8, 64);
  m.instruments.resize(20);
  for (int r = 0; r < 64; ++r) {
    for (int ch = 0; ch < 8; ++ch) {
      const int bits = (r + ch) % 32;
      xm::XmCell& c = m.patterns[0].At(r, ch);
      if (bits & 1) c.note = uint8_t(1 + (r * 3 + ch) % 96);
      if (bits & 2) c.instrument = uint8_t(1 + (r + ch) % 20);
      if (bits & 4) c.volume = xm::Volume((r * 7 + ch) % 65);
      if (bits & 8) c.effect = xm::kSetVolume;
      if (bits & 16) c.param = uint8_t(1 + (r * 5 + ch) % 64);
    }
  }
  m.patterns[0].At(58, 7).note = xm::kKeyOff;  // alone in its cell
  m.patterns.emplace_back(16, 8);              // empty: stored without data
  m.orders = {0, 1, 0};
  const std::vector<uint8_t> bytes = xm::WriteXm(m);
  Xmp x(bytes);
  openmpt_module* o = OpenOpenmpt(bytes);
  ASSERT_TRUE(x.ok && o);
  for (int r = 0; r < 64; ++r) {
    for (int ch = 0; ch < 8; ++ch) {
      const xm::XmCell w = m.patterns[0].At(r, ch);
      const xmp_event& e = x.Event(0, r, ch);
      const int note = w.note == xm::kKeyOff ? XMP_KEY_OFF : w.note ? w.note + 12 : 0;
      ASSERT_EQ(std::vector<int>({e.note, e.ins, e.vol, e.fxt, e.fxp}),
                std::vector<int>({note, w.instrument, w.volume ? w.volume - 15 : 0, w.effect, w.param}))
          << r << "/" << ch;
      if (w.note != xm::kKeyOff) {
        ASSERT_EQ(openmpt_module_get_pattern_row_channel_command(o, 0, r, ch, OPENMPT_MODULE_COMMAND_NOTE),
                  w.note ? w.note + 12 : 0);
      }
    }
  }
  EXPECT_EQ(x.mod->xxp[1]->rows, 16);
  EXPECT_EQ(x.Event(1, 15, 7).note, 0);
  openmpt_module_destroy(o);
}

TEST(XmWriter, FaultyModulesAndSectionsAreRefusedWithAReason) {
  const std::vector<std::function<void(xm::XmModule&)>> spoils = {
      [](xm::XmModule& m) { m.orders.push_back(9); },
      [](xm::XmModule& m) { m.patterns.emplace_back(4, 3); },
      [](xm::XmModule& m) { m.patterns[0].At(0, 1).instrument = 2; },
      [](xm::XmModule& m) { m.patterns[0].At(1, 1).volume = 0x55; },
      [](xm::XmModule& m) { m.instruments[0].samples[0].finetune = 4; },
      [](xm::XmModule& m) { m.instruments[0].samples[0].loopStart = 30; },
      [](xm::XmModule& m) { m.instruments[0].volumeEnvelope.points = {{0, 10}, {5, 10}, {5, 0}}; },
  };
  xm::XmModule good = Module(8, 16);
  good.instruments = {Instrument(Sine(32, 1000))};
  testsupport::TempDir dir;
  std::string error;
  for (size_t i = 0; i < spoils.size(); ++i) {
    xm::XmModule m = good;
    spoils[i](m);
    EXPECT_TRUE(xm::WriteXm(m, &error).empty() && !error.empty()) << i;
    EXPECT_FALSE(xm::SaveXm(dir.File("bad.xm"), m, &error)) << i;
  }
  EXPECT_FALSE(xm::SaveXm(dir.File("no/folder/x.xm"), good, &error));
  EXPECT_NE(error.find("x.xm"), std::string::npos);
  EXPECT_TRUE(xm::SaveXm(dir.File("good.xm"), good, &error)) << error;

  xm::XmSection s;
  EXPECT_FALSE(xm::AppendSection(good, 0, 0, &s));
  EXPECT_FALSE(xm::AppendSection(good, 100, 8, &s));
  EXPECT_FALSE(xm::AppendSection(good, 12 * 64 * 256, 0, &s));  // 256 more patterns
  EXPECT_EQ(good.patterns.size() + good.orders.size(), 2u);
  EXPECT_EQ(xm::SecondsToTicks(0.29), 29);  // 28.999... in binary
}
