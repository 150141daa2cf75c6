#include "content/xm_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace xm {
namespace {

// Fixed sizes of the file's records.
constexpr uint32_t kHeaderSize = 276;  // counted from offset 60
constexpr uint32_t kPatternHeaderSize = 9;
constexpr uint32_t kInstrumentHeaderSize = 263;  // also for instruments without samples
constexpr uint32_t kSampleHeaderSize = 40;

class Out {
 public:
  explicit Out(std::vector<uint8_t>* bytes) : bytes_(bytes) {}
  void U8(int v) { bytes_->push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) {
    U8(int(v & 0xFF));
    U8(int((v >> 8) & 0xFF));
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  // Exactly `size` bytes: the text cut or padded with zeros.
  void Text(const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i) U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
  }
  void Zeros(size_t count) { bytes_->insert(bytes_->end(), count, 0); }
  size_t Size() const { return bytes_->size(); }
  void PatchU16(size_t at, uint32_t v) {
    (*bytes_)[at] = static_cast<uint8_t>(v & 0xFF);
    (*bytes_)[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }

 private:
  std::vector<uint8_t>* bytes_;
};

std::string Where(const char* what, size_t index) {
  return std::string(what) + " " + std::to_string(index) + ": ";
}

std::string CheckEnvelope(const XmEnvelope& env, const char* which) {
  const std::vector<XmEnvelopePoint>& p = env.points;
  if (p.empty()) return {};
  if (p.size() < 2 || p.size() > size_t(kMaxEnvelopePoints))
    return std::string(which) + " envelope needs 2 to 12 points";
  if (p[0].tick != 0) return std::string(which) + " envelope must start at tick 0";
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i].value > 64) return std::string(which) + " envelope value above 64";
    if (i > 0 && p[i].tick <= p[i - 1].tick)
      return std::string(which) + " envelope ticks must increase";
  }
  const int n = int(p.size());
  if (env.sustainPoint < -1 || env.sustainPoint >= n)
    return std::string(which) + " envelope sustain point out of range";
  const bool noLoop = env.loopStart == -1 && env.loopEnd == -1;
  if (!noLoop && (env.loopStart < 0 || env.loopEnd < env.loopStart || env.loopEnd >= n))
    return std::string(which) + " envelope loop out of range";
  return {};
}

std::string CheckSample(const XmSample& s) {
  if (!s.pcm16.empty() && !s.pcm8.empty()) return "sample holds both 8- and 16-bit data";
  const size_t frames = s.Frames();
  const size_t bytesPerFrame = s.SixteenBit() ? 2 : 1;
  if (frames * bytesPerFrame > 0x7FFFFFFFu) return "sample too long";
  if (s.volume < 0 || s.volume > 64) return "sample volume outside 0..64";
  if (s.finetune < -128 || s.finetune > 120 || s.finetune % 8 != 0)
    return "sample finetune must be a multiple of 8 in -128..120";
  if (s.relativeNote < -96 || s.relativeNote > 95) return "sample relative note outside -96..95";
  if (s.panning < 0 || s.panning > 255) return "sample panning outside 0..255";
  if (s.loop != XmLoop::kNone && s.loop != XmLoop::kForward && s.loop != XmLoop::kPingPong)
    return "unknown loop type";
  if (s.loop != XmLoop::kNone) {
    if (s.loopLength == 0) return "looped sample with loop length 0";
    if (uint64_t(s.loopStart) + s.loopLength > frames) return "sample loop runs past its end";
  }
  return {};
}

bool ValidVolumeColumn(uint8_t v) { return v == 0 || (v >= 0x10 && v <= 0x50) || v >= 0x60; }

}  // namespace

std::string CheckXm(const XmModule& m) {
  if (m.channels < 1 || m.channels > kMaxChannels) return "channels outside 1..32";
  if (m.speed < 1 || m.speed > 31) return "speed outside 1..31";
  if (m.bpm < 32 || m.bpm > 255) return "bpm outside 32..255";
  if (m.orders.empty() || m.orders.size() > size_t(kMaxOrders))
    return "order table needs 1 to 256 entries";
  if (m.patterns.empty() || m.patterns.size() > size_t(kMaxPatterns))
    return "needs 1 to 256 patterns";
  if (m.instruments.size() > size_t(kMaxInstruments)) return "more than 128 instruments";
  if (m.restartPosition < 0 || size_t(m.restartPosition) >= m.orders.size())
    return "restart position outside the order table";
  for (size_t i = 0; i < m.orders.size(); ++i)
    if (m.orders[i] >= m.patterns.size()) return Where("order", i) + "no such pattern";

  for (size_t p = 0; p < m.patterns.size(); ++p) {
    const XmPattern& pat = m.patterns[p];
    if (pat.rows < 1 || pat.rows > kMaxRows) return Where("pattern", p) + "rows outside 1..256";
    if (pat.channels != m.channels)
      return Where("pattern", p) + "channel count differs from the module's";
    if (pat.cells.size() != size_t(pat.rows) * size_t(pat.channels))
      return Where("pattern", p) + "cell count is not rows x channels";
    for (const XmCell& c : pat.cells) {
      if (c.note > kKeyOff) return Where("pattern", p) + "note above 97";
      if (c.instrument > m.instruments.size()) return Where("pattern", p) + "no such instrument";
      if (!ValidVolumeColumn(c.volume)) return Where("pattern", p) + "invalid volume column byte";
      if (c.effect > 35) return Where("pattern", p) + "effect number above 35";
    }
  }

  for (size_t i = 0; i < m.instruments.size(); ++i) {
    const XmInstrument& ins = m.instruments[i];
    if (ins.samples.size() > size_t(kMaxSamplesPerInstrument))
      return Where("instrument", i) + "more than 16 samples";
    for (uint8_t s : ins.noteSample)
      if (!ins.samples.empty() && s >= ins.samples.size())
        return Where("instrument", i) + "note map names a missing sample";
    std::string e = CheckEnvelope(ins.volumeEnvelope, "volume");
    if (e.empty()) e = CheckEnvelope(ins.panningEnvelope, "panning");
    if (!e.empty()) return Where("instrument", i) + e;
    if (ins.fadeout < 0 || ins.fadeout > 4095)
      return Where("instrument", i) + "fadeout outside 0..4095";
    if (ins.vibratoType < 0 || ins.vibratoType > 3 || ins.vibratoSweep < 0 ||
        ins.vibratoSweep > 255 || ins.vibratoDepth < 0 || ins.vibratoDepth > 15 ||
        ins.vibratoRate < 0 || ins.vibratoRate > 63)
      return Where("instrument", i) + "vibrato out of range";
    for (size_t s = 0; s < ins.samples.size(); ++s) {
      e = CheckSample(ins.samples[s]);
      if (!e.empty()) return Where("instrument", i) + Where("sample", s) + e;
    }
  }
  return {};
}

namespace {

void WritePattern(Out& out, const XmPattern& pat) {
  out.U32(kPatternHeaderSize);
  out.U8(0);  // packing type
  out.U16(uint32_t(pat.rows));
  const size_t sizeAt = out.Size();
  out.U16(0);  // packed size, patched below

  bool anything = false;
  for (const XmCell& c : pat.cells) anything = anything || !c.Empty();
  if (!anything) return;  // size 0: an empty pattern with no data

  const size_t start = out.Size();
  for (const XmCell& c : pat.cells) {
    const bool all =
        c.note != 0 && c.instrument != 0 && c.volume != 0 && c.effect != 0 && c.param != 0;
    if (all) {
      // A full cell is shorter unpacked: five bytes, the note without bit 7.
      out.U8(c.note);
      out.U8(c.instrument);
      out.U8(c.volume);
      out.U8(c.effect);
      out.U8(c.param);
      continue;
    }
    int mask = 0x80;
    if (c.note) mask |= 1;
    if (c.instrument) mask |= 2;
    if (c.volume) mask |= 4;
    if (c.effect) mask |= 8;
    if (c.param) mask |= 16;
    out.U8(mask);
    if (c.note) out.U8(c.note);
    if (c.instrument) out.U8(c.instrument);
    if (c.volume) out.U8(c.volume);
    if (c.effect) out.U8(c.effect);
    if (c.param) out.U8(c.param);
  }
  out.PatchU16(sizeAt, uint32_t(out.Size() - start));
}

void WriteEnvelopePoints(Out& out, const XmEnvelope& env) {
  for (int i = 0; i < kMaxEnvelopePoints; ++i) {
    if (size_t(i) < env.points.size()) {
      out.U16(env.points[size_t(i)].tick);
      out.U16(env.points[size_t(i)].value);
    } else {
      out.U32(0);
    }
  }
}

int EnvelopeFlags(const XmEnvelope& env) {
  if (env.points.empty()) return 0;
  int flags = 1;
  if (env.sustainPoint >= 0) flags |= 2;
  if (env.loopStart >= 0) flags |= 4;
  return flags;
}

void WriteSampleHeader(Out& out, const XmSample& s) {
  const uint32_t unit = s.SixteenBit() ? 2 : 1;
  const bool looped = s.loop != XmLoop::kNone;
  out.U32(uint32_t(s.Frames()) * unit);
  out.U32(looped ? s.loopStart * unit : 0);
  out.U32(looped ? s.loopLength * unit : 0);
  out.U8(s.volume);
  out.U8(s.finetune & 0xFF);
  out.U8(int(s.loop) | (s.SixteenBit() ? 0x10 : 0));
  out.U8(s.panning);
  out.U8(s.relativeNote & 0xFF);
  out.U8(0);  // delta-coded PCM
  out.Text(s.name, 22);
}

void WriteSampleData(Out& out, const XmSample& s) {
  if (s.SixteenBit()) {
    int16_t previous = 0;
    for (int16_t v : s.pcm16) {
      out.U16(uint16_t(uint16_t(v) - uint16_t(previous)));
      previous = v;
    }
  } else {
    int8_t previous = 0;
    for (int8_t v : s.pcm8) {
      out.U8(uint8_t(uint8_t(v) - uint8_t(previous)));
      previous = v;
    }
  }
}

void WriteInstrument(Out& out, const XmInstrument& ins) {
  out.U32(kInstrumentHeaderSize);
  out.Text(ins.name, 22);
  out.U8(0);  // type
  out.U16(uint32_t(ins.samples.size()));
  out.U32(kSampleHeaderSize);
  for (uint8_t s : ins.noteSample) out.U8(s);
  WriteEnvelopePoints(out, ins.volumeEnvelope);
  WriteEnvelopePoints(out, ins.panningEnvelope);
  out.U8(int(ins.volumeEnvelope.points.size()));
  out.U8(int(ins.panningEnvelope.points.size()));
  out.U8(std::max(ins.volumeEnvelope.sustainPoint, 0));
  out.U8(std::max(ins.volumeEnvelope.loopStart, 0));
  out.U8(std::max(ins.volumeEnvelope.loopEnd, 0));
  out.U8(std::max(ins.panningEnvelope.sustainPoint, 0));
  out.U8(std::max(ins.panningEnvelope.loopStart, 0));
  out.U8(std::max(ins.panningEnvelope.loopEnd, 0));
  out.U8(EnvelopeFlags(ins.volumeEnvelope));
  out.U8(EnvelopeFlags(ins.panningEnvelope));
  out.U8(ins.vibratoType);
  out.U8(ins.vibratoSweep);
  out.U8(ins.vibratoDepth);
  out.U8(ins.vibratoRate);
  out.U16(uint32_t(ins.fadeout));
  out.Zeros(22);  // reserved: 263 bytes in all

  for (const XmSample& s : ins.samples) WriteSampleHeader(out, s);
  for (const XmSample& s : ins.samples) WriteSampleData(out, s);
}

}  // namespace

std::vector<uint8_t> WriteXm(const XmModule& m, std::string* error) {
  std::vector<uint8_t> bytes;
  const std::string fault = CheckXm(m);
  if (!fault.empty()) {
    if (error) *error = fault;
    return bytes;
  }
  Out out(&bytes);
  out.Text("Extended Module: ", 17);
  out.Text(m.name, 20);
  out.U8(0x1A);
  out.Text(m.tracker, 20);
  out.U16(0x0104);
  out.U32(kHeaderSize);
  out.U16(uint32_t(m.orders.size()));
  out.U16(uint32_t(m.restartPosition));
  out.U16(uint32_t(m.channels));
  out.U16(uint32_t(m.patterns.size()));
  out.U16(uint32_t(m.instruments.size()));
  out.U16(m.linearFrequencies ? 1 : 0);
  out.U16(uint32_t(m.speed));
  out.U16(uint32_t(m.bpm));
  for (int i = 0; i < kMaxOrders; ++i)
    out.U8(size_t(i) < m.orders.size() ? m.orders[size_t(i)] : 0);

  for (const XmPattern& pat : m.patterns) WritePattern(out, pat);
  for (const XmInstrument& ins : m.instruments) WriteInstrument(out, ins);
  if (error) error->clear();
  return bytes;
}

bool SaveXm(const std::string& path, const XmModule& module, std::string* error) {
  std::string fault;
  const std::vector<uint8_t> bytes = WriteXm(module, &fault);
  if (bytes.empty()) {
    if (error) *error = fault;
    return false;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    if (error) *error = "cannot open " + path + " for writing";
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  if (error) error->clear();
  return true;
}

// ---- Section timing ---------------------------------------------------------

int SecondsToTicks(double seconds) { return int(std::lround(seconds * kTicksPerSecond)); }

XmSectionTiming SectionTiming(int ticks) {
  XmSectionTiming t;
  if (ticks <= 0) return t;
  t.ticks = ticks;
  t.fullRows = ticks / kTimingSpeed;
  t.lastRowTicks = ticks % kTimingSpeed;
  return t;
}

bool AppendSection(XmModule& module, int ticks, int timingChannel, XmSection* section,
                   int rowsPerPattern) {
  const XmSectionTiming timing = SectionTiming(ticks);
  const int rows = timing.Rows();
  if (rows == 0 || timingChannel < 0 || timingChannel >= module.channels || rowsPerPattern < 1 ||
      rowsPerPattern > kMaxRows)
    return false;
  const int count = (rows + rowsPerPattern - 1) / rowsPerPattern;
  if (module.patterns.size() + size_t(count) > size_t(kMaxPatterns) ||
      module.orders.size() + size_t(count) > size_t(kMaxOrders))
    return false;

  XmSection s;
  s.timing = timing;
  s.firstOrder = int(module.orders.size());
  s.rowsPerPattern = rowsPerPattern;
  for (int i = 0; i < count; ++i) {
    const int patternRows = std::min(rowsPerPattern, rows - i * rowsPerPattern);
    s.patterns.push_back(int(module.patterns.size()));
    module.orders.push_back(uint8_t(module.patterns.size()));
    module.patterns.emplace_back(patternRows, module.channels);
  }
  module.speed = kTimingSpeed;
  module.bpm = kTimingBpm;

  // The previous section may have ended on a short row: restore the speed.
  XmCell& first = SectionCell(module, s, 0, timingChannel);
  first.effect = kSetSpeed;
  first.param = kTimingSpeed;
  if (timing.lastRowTicks > 0) {
    XmCell& last = SectionCell(module, s, rows - 1, timingChannel);
    last.effect = kSetSpeed;
    last.param = uint8_t(timing.lastRowTicks);
  }
  if (section) *section = s;
  return true;
}

XmCell& SectionCell(XmModule& module, const XmSection& section, int row, int channel) {
  return module.patterns[size_t(section.PatternOf(row))].At(section.RowOf(row), channel);
}

}  // namespace xm
