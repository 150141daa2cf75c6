// Writes FastTracker 2 extended modules (.xm, version 1.04).
//
// A module is described in memory (patterns of cells, instruments holding
// 8- or 16-bit PCM samples) and turned into the bytes of an XM file. The writer
// checks everything it stores, so a module that CheckXm accepts loads in every
// XM player. Lengths and loop points are given in sample frames here; the file
// stores bytes, which the writer works out.
//
// It also holds the timing helpers of the soundtrack: at BPM 250 one tick lasts
// exactly 10 ms, so a section of a whole number of ticks can be laid out in rows
// of 12 ticks plus one shorter row, and every section then begins on the tick
// it should, without drift.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

constexpr int kMaxChannels = 32;
constexpr int kMaxRows = 256;
constexpr int kMaxOrders = 256;
constexpr int kMaxPatterns = 256;
constexpr int kMaxInstruments = 128;
constexpr int kMaxSamplesPerInstrument = 16;
constexpr int kMaxEnvelopePoints = 12;
constexpr int kNoteCount = 96;  // C-0 .. B-7

// Note column values.
constexpr uint8_t kNoNote = 0;
constexpr uint8_t kKeyOff = 97;
// 1 = C-0, 49 = C-4; semitone 0..11 from C.
constexpr uint8_t Note(int octave, int semitone) {
  return static_cast<uint8_t>(1 + octave * 12 + semitone);
}

// Volume column values: 0 is empty; 0x10..0x50 set the volume 0..64. The other
// ranges (0x60.. slides, 0xC0.. panning, ...) may be stored as raw bytes.
constexpr uint8_t Volume(int volume) { return static_cast<uint8_t>(0x10 + volume); }

// Effect column: the effect letter's number (0-9, A=10 ... Z=35) and a parameter.
enum Effect : uint8_t {
  kArpeggio = 0x0,
  kPortaUp = 0x1,
  kPortaDown = 0x2,
  kTonePorta = 0x3,
  kVibrato = 0x4,
  kVolumeSlide = 0xA,
  kPositionJump = 0xB,  // parameter: order index
  kSetVolume = 0xC,
  kPatternBreak = 0xD,  // parameter: next row written as decimal digits (0x12 = row 12)
  kExtended = 0xE,
  kSetSpeed = 0xF,  // 01-1F ticks per row, 20-FF BPM, 00 ignored
  kGlobalVolume = 0x10,
  kKeyOffEffect = 0x14,
  kSetEnvelopePos = 0x15,
};

// Parameter of kPatternBreak for a row: the row's decimal digits.
constexpr uint8_t BreakRow(int row) { return static_cast<uint8_t>((row / 10) * 16 + row % 10); }

struct XmCell {
  uint8_t note = kNoNote;  // 0 none, 1..96 notes, 97 key-off
  uint8_t instrument = 0;  // 0 none, else 1-based instrument number
  uint8_t volume = 0;      // raw volume column byte, see Volume()
  uint8_t effect = 0;
  uint8_t param = 0;

  bool Empty() const {
    return note == 0 && instrument == 0 && volume == 0 && effect == 0 && param == 0;
  }
};

// Rows x channels cells, row after row.
struct XmPattern {
  int rows = 64;
  int channels = 8;
  std::vector<XmCell> cells;

  XmPattern() = default;
  XmPattern(int rowCount, int channelCount)
      : rows(rowCount), channels(channelCount), cells(size_t(rowCount) * size_t(channelCount)) {}
  XmCell& At(int row, int channel) {
    return cells[size_t(row) * size_t(channels) + size_t(channel)];
  }
  const XmCell& At(int row, int channel) const {
    return cells[size_t(row) * size_t(channels) + size_t(channel)];
  }
};

enum class XmLoop : uint8_t { kNone = 0, kForward = 1, kPingPong = 2 };

struct XmSample {
  std::string name;  // up to 22 characters are stored
  // Exactly one of these holds the PCM frames (mono); the other stays empty.
  // A sample with no frames at all is allowed (it plays nothing).
  std::vector<int16_t> pcm16;
  std::vector<int8_t> pcm8;
  XmLoop loop = XmLoop::kNone;
  uint32_t loopStart = 0;   // in frames
  uint32_t loopLength = 0;  // in frames; > 0 when looped
  int volume = 64;          // 0..64
  int finetune = 0;         // -128..120, a multiple of 8 (1/16 semitone steps)
  int relativeNote = 0;     // -96..95 semitones; 0 plays C-4 at 8363 Hz
  int panning = 128;        // 0 left .. 255 right

  bool SixteenBit() const { return !pcm16.empty(); }
  size_t Frames() const { return SixteenBit() ? pcm16.size() : pcm8.size(); }
};

struct XmEnvelopePoint {
  uint16_t tick = 0;  // ticks from the note's start, increasing along the envelope
  uint8_t value = 0;  // 0..64
};

// An envelope with no points is off.
struct XmEnvelope {
  std::vector<XmEnvelopePoint> points;  // at most 12; the first at tick 0
  int sustainPoint = -1;                // index, or -1 for none
  int loopStart = -1;                   // indices, or -1 for no loop
  int loopEnd = -1;
};

struct XmInstrument {
  std::string name;  // up to 22 characters are stored
  std::vector<XmSample> samples;
  // For each of the 96 notes the index into `samples` that plays it.
  std::array<uint8_t, kNoteCount> noteSample{};
  XmEnvelope volumeEnvelope;
  XmEnvelope panningEnvelope;
  // Volume lost per tick after key-off, out of 32768 (0 = the note never fades).
  int fadeout = 0;  // 0..4095
  int vibratoType = 0;
  int vibratoSweep = 0;
  int vibratoDepth = 0;
  int vibratoRate = 0;
};

struct XmModule {
  std::string name;  // up to 20 characters are stored
  std::string tracker = "velmora";
  int channels = 8;  // 1..32
  int speed = 6;     // ticks per row, 1..31
  int bpm = 125;     // 32..255
  bool linearFrequencies = true;
  int restartPosition = 0;      // order index the song loops to
  std::vector<uint8_t> orders;  // pattern numbers, 1..256 entries
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;
};

// Empty when the module can be written; otherwise the first fault found.
std::string CheckXm(const XmModule& module);

// The bytes of the XM file; empty (with the reason in *error) when CheckXm
// finds a fault.
std::vector<uint8_t> WriteXm(const XmModule& module, std::string* error = nullptr);

// Writes the file. False, with the reason in *error, when the module has a
// fault or the file cannot be written.
bool SaveXm(const std::string& path, const XmModule& module, std::string* error = nullptr);

// ---- Section timing ---------------------------------------------------------

constexpr int kTimingBpm = 250;   // one tick = 10 ms
constexpr int kTimingSpeed = 12;  // one row = 120 ms
constexpr int kTicksPerSecond = 100;

// The tick nearest to a time in seconds.
int SecondsToTicks(double seconds);

// How a section of `ticks` ticks is laid out at kTimingSpeed.
struct XmSectionTiming {
  int ticks = 0;
  int fullRows = 0;      // rows of kTimingSpeed ticks
  int lastRowTicks = 0;  // ticks of one extra, shorter row at the end; 0 = none

  // Rows in the section, the short row included.
  int Rows() const { return fullRows + (lastRowTicks > 0 ? 1 : 0); }
};

XmSectionTiming SectionTiming(int ticks);

// Where a section was put by AppendSection: its rows run through `patterns`
// (consecutive entries of the order table from `firstOrder`), each pattern
// holding `rowsPerPattern` rows except the last.
struct XmSection {
  XmSectionTiming timing;
  int firstOrder = 0;
  std::vector<int> patterns;
  int rowsPerPattern = 64;

  // Pattern index and row of the section's row `row`.
  int PatternOf(int row) const { return patterns[size_t(row / rowsPerPattern)]; }
  int RowOf(int row) const { return row % rowsPerPattern; }
};

// Appends a section of `ticks` ticks to the module: new empty patterns of at
// most `rowsPerPattern` rows, their entries in the order table, and the speed
// commands on channel `timingChannel`: F0C on the section's first row and F0r
// on its short last row, if it has one. Sets the module's speed and bpm to
// kTimingSpeed and kTimingBpm. The effect column of `timingChannel` on those
// two rows belongs to the timing; everything else is free for the music.
// False (module unchanged) when ticks <= 0, the channel or row count is out of
// range, or the patterns or orders would run past 256.
bool AppendSection(XmModule& module, int ticks, int timingChannel, XmSection* section,
                   int rowsPerPattern = 64);

// The cell of row `row` of a section laid out by AppendSection.
XmCell& SectionCell(XmModule& module, const XmSection& section, int row, int channel);

}  // namespace xm
