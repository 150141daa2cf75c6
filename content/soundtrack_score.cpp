// The score of the soundtrack: twelve sections, one per scene, each laid out
// to the exact tick on which its scene ends, and a short silent tail.
//
// A row lasts 120 ms (12 ticks of 10 ms), so a beat of four rows gives 125
// beats per minute and a bar is sixteen rows. Every section starts on a
// downbeat; the bars of a section run on until its last (often shorter) bar,
// which usually carries a drum fill into the next scene.
//
// The piece is in A minor, mostly on the progression Am - F - C - G, with a
// darker Dm - Am - F - E in the breakdown and the bridge.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "content/soundtrack.h"

namespace content {
namespace music {
namespace {

// Channels.
constexpr int kChKick = 0;  // also carries the section timing (speed commands)
constexpr int kChSnare = 1;
constexpr int kChHat = 2;
constexpr int kChBass = 3;
constexpr int kChPad = 4;
constexpr int kChArp = 5;  // arpeggios, bells, a second echo
constexpr int kChLead = 6;
constexpr int kChEcho = 7;  // the lead's echo, crashes
constexpr int kChannels = 8;

constexpr int kBar = 16;

// Every volume of the score is scaled by this percentage: the overall level,
// set so that the loudest moments peak a few dB below full scale.
constexpr int kMasterPercent = 125;

int Scaled(int volume) { return std::max(0, std::min(64, volume * kMasterPercent / 100)); }

// Volume (0..64) as a function of the section's row: for swells and fades.
using Level = std::function<int(int row)>;

Level Flat(int v) {
  return [v](int) { return v; };
}

// From v0 at row r0 to v1 at row r1, flat outside.
Level Ramp(int r0, int v0, int r1, int v1) {
  return [=](int row) {
    if (row <= r0) return v0;
    if (row >= r1) return v1;
    return v0 + (v1 - v0) * (row - r0) / (r1 - r0);
  };
}

// Semitones from C-0 to an XM note number.
uint8_t XmNote(int semis) { return uint8_t(std::max(1, std::min(96, semis + 1))); }

struct Chord {
  int root = 0;  // pitch class, 0 = C
  bool minor = false;
};

// "Am F C G" -> chords. Roots are letters with an optional # or b, minor
// chords end in m.
bool ParseChords(const std::string& text, std::vector<Chord>* out) {
  static const int kPitch[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    const char letter = char(std::toupper(static_cast<unsigned char>(word[0])));
    if (letter < 'A' || letter > 'G') return false;
    Chord c;
    c.root = kPitch[letter - 'A'];
    size_t i = 1;
    if (i < word.size() && (word[i] == '#' || word[i] == 'b')) c.root += word[i++] == '#' ? 1 : -1;
    c.root = (c.root + 12) % 12;
    if (i < word.size() && word[i] == 'm') {
      c.minor = true;
      ++i;
    }
    if (i != word.size()) return false;
    out->push_back(c);
  }
  return !out->empty();
}

// Semitones of a pitch class placed in the octave that starts at `low`.
int Place(int pitchClass, int low) {
  int s = low - ((low % 12) + 12) % 12 + pitchClass;
  if (s < low) s += 12;
  return s;
}

// A note of a melody: `row` relative to the melody's start, `length` in rows.
struct MelodyNote {
  int row = 0;
  int semis = 0;
  int length = 0;
  bool release = false;  // a rest follows: key off at its end
};

// "E5:6 D5:2 -:2 | A4:8" -> notes. A bar line checks that the bar before it
// holds exactly sixteen rows.
bool ParseMelody(const std::string& text, std::vector<MelodyNote>* out) {
  static const int kPitch[7] = {9, 11, 0, 2, 4, 5, 7};
  std::istringstream in(text);
  std::string word;
  int row = 0, barStart = 0;
  while (in >> word) {
    if (word == "|") {
      if (row - barStart != kBar) return false;
      barStart = row;
      continue;
    }
    const size_t colon = word.find(':');
    if (colon == std::string::npos || colon + 1 >= word.size()) return false;
    const int length = std::atoi(word.c_str() + colon + 1);
    if (length <= 0) return false;
    const std::string name = word.substr(0, colon);
    if (name == "-") {
      if (!out->empty()) out->back().release = true;
      row += length;
      continue;
    }
    if (name[0] < 'A' || name[0] > 'G') return false;
    int pitch = kPitch[name[0] - 'A'];
    size_t i = 1;
    if (i < name.size() && (name[i] == '#' || name[i] == 'b')) pitch += name[i++] == '#' ? 1 : -1;
    if (i + 1 != name.size() || !std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    out->push_back({row, (name[i] - '0') * 12 + pitch, length, false});
    row += length;
  }
  if (!out->empty()) out->back().release = true;
  return !out->empty();
}

// One section of the module: its rows, and cells written by row and channel.
// Writes past the section's last row are dropped, so patterns may simply run
// on to the end of their bar.
class Section {
 public:
  Section(xm::XmModule& module, const xm::XmSection& placed) : module_(module), placed_(placed) {}

  int Rows() const { return placed_.timing.Rows(); }
  int Bars() const { return (Rows() + kBar - 1) / kBar; }
  int FirstOrder() const { return placed_.firstOrder; }

  void Note(int row, int ch, int semis, int instrument, int volume) {
    if (xm::XmCell* c = Cell(row, ch)) {
      c->note = XmNote(semis);
      c->instrument = uint8_t(instrument);
      c->volume = xm::Volume(Scaled(volume));
    }
  }
  void Drum(int row, int ch, int instrument, int volume) {
    if (xm::XmCell* c = Cell(row, ch)) {
      c->note = kDrumNote;
      c->instrument = uint8_t(instrument);
      c->volume = xm::Volume(Scaled(volume));
    }
  }
  void Off(int row, int ch) {
    if (xm::XmCell* c = Cell(row, ch)) {
      if (c->note == xm::kNoNote) c->note = xm::kKeyOff;
    }
  }
  void Volume(int row, int ch, int volume) {
    if (xm::XmCell* c = Cell(row, ch)) {
      c->volume = xm::Volume(Scaled(volume));
    }
  }
  // Effect column; the kick channel's belongs to the timing and is never used.
  void Effect(int row, int ch, uint8_t effect, uint8_t param) {
    if (ch == kChKick) return;
    if (xm::XmCell* c = Cell(row, ch)) {
      c->effect = effect;
      c->param = param;
    }
  }
  void Clear(int row, int ch) {
    if (xm::XmCell* c = Cell(row, ch)) {
      const xm::XmCell keep = *c;
      *c = xm::XmCell();
      if (ch == kChKick) {
        c->effect = keep.effect;
        c->param = keep.param;
      }
    }
  }

 private:
  xm::XmCell* Cell(int row, int ch) {
    if (row < 0 || row >= Rows() || ch < 0 || ch >= kChannels) return nullptr;
    return &xm::SectionCell(module_, placed_, row, ch);
  }

  xm::XmModule& module_;
  xm::XmSection placed_;
};

// ---- Parts ------------------------------------------------------------------

// The chord of bar `bar`; the list's last chord holds for any later bar.
const Chord& ChordAt(const std::vector<Chord>& chords, int bar) {
  return chords[size_t(std::min(bar, int(chords.size()) - 1))];
}

// Sustained chords, one per bar, rooted between F3 and E4. The level is
// followed row by row, so pads can swell and fade under held chords.
void Pads(Section& s, const std::vector<Chord>& chords, int fromBar, int toBar,
          const Level& level) {
  const int end = std::min(s.Rows(), toBar * kBar);
  int last = -1;
  for (int row = fromBar * kBar; row < end; ++row) {
    const int v = level(row);
    if (row % kBar == 0) {
      const Chord& c = ChordAt(chords, row / kBar);
      s.Note(row, kChPad, Place(c.root, 41), c.minor ? kPadMinor : kPadMajor, v);
    } else if (v != last) {
      s.Volume(row, kChPad, v);
    }
    last = v;
  }
  if (end < s.Rows()) s.Off(end, kChPad);
}

// Bass lines, one pattern character per row of a bar: R root, O octave, F fifth,
// x key-off, anything else holds. Roots lie between G1 and F#2.
void Bass(Section& s, const std::vector<Chord>& chords, const char* pattern, int fromBar, int toBar,
          const Level& level) {
  for (int row = fromBar * kBar; row < std::min(s.Rows(), toBar * kBar); ++row) {
    const int root = Place(ChordAt(chords, row / kBar).root, 19);
    switch (pattern[row % kBar]) {
      case 'R':
        s.Note(row, kChBass, root, kBass, level(row));
        break;
      case 'O':
        s.Note(row, kChBass, root + 12, kBass, level(row) * 7 / 8);
        break;
      case 'F':
        s.Note(row, kChBass, root + 7, kBass, level(row) * 7 / 8);
        break;
      case 'x':
        s.Off(row, kChBass);
        break;
      default:
        break;
    }
  }
}

// Drum patterns, one character per row of a bar: X x o g are hits from loud
// to ghost; on the hat line O is the open hat.
struct Drums {
  const char* kick;
  const char* snare;
  const char* hats;
};

const Drums kHatsOnly = {"x...............", "................", "..o...o...o...o."};
const Drums kGroove = {"x.......x.x.....", "....g.......o...", "g.o.g.o.g.o.g.oO"};
const Drums kSteady = {"x...x...x...x...", "....o.......o...", "g.o.g.o.g.o.g.oO"};
const Drums kFull = {"x...x...x...x...", "....x.......x...", "ogOgogOgogOgogOg"};
const Drums kFullDrive = {"x...x...x...x.o.", "....x.......x..g", "ogOgogOgogOgogOg"};
const Drums kBreak = {"x.....x...x..x..", "....x..g.g..x..g", "xgogxgogxgogxgog"};
const Drums kHalf = {"x.........x.....", "........x.......", "o.g.o.g.o.g.o.gO"};
const Drums kCalm = {"x.........x.....", "....g.......g...", "..o...o...o...o."};

int HitVolume(char c) {
  switch (c) {
    case 'X':
      return 64;
    case 'x':
      return 54;
    case 'O':
      return 40;
    case 'o':
      return 38;
    case 'g':
      return 20;
    default:
      return 0;
  }
}

// `percent` scales every hit of the pattern.
void Beat(Section& s, const Drums& d, int fromBar, int toBar, int percent) {
  for (int row = fromBar * kBar; row < std::min(s.Rows(), toBar * kBar); ++row) {
    const int step = row % kBar;
    if (d.kick[step] != '.')
      s.Drum(row, kChKick, kKick, HitVolume(d.kick[step]) * percent / 100 * 4 / 5);
    if (d.snare[step] != '.')
      s.Drum(row, kChSnare, kSnare, HitVolume(d.snare[step]) * percent / 100);
    const char h = d.hats[step];
    if (h != '.')
      s.Drum(row, kChHat, h == 'O' ? kOpenHat : kHat, HitVolume(h) * percent / 100 * 9 / 10);
  }
}

// A snare roll over rows [from, to), rising in volume; the hats stop for it
// and the kick marks its start. `to` past the section's end stops there.
void Fill(Section& s, int from, int to, int percent) {
  const int rows = std::min(to, s.Rows()) - from;
  if (rows <= 0) return;
  for (int i = 0; i < rows; ++i) {
    const int row = from + i;
    s.Clear(row, kChKick);
    s.Clear(row, kChHat);
    const int v = (24 + 36 * (i + 1) / rows) * percent / 100;
    s.Drum(row, kChSnare, kSnare, v);
  }
  s.Drum(from, kChKick, kKick, 54 * percent / 100);
}

// Arpeggios over the chords: `pattern` indexes root, third, fifth and their
// octaves, one character per row ('.' rests), starting between A3 and G#4.
void Arp(Section& s, const std::vector<Chord>& chords, const char* pattern, int fromBar, int toBar,
         const Level& level) {
  for (int row = fromBar * kBar; row < std::min(s.Rows(), toBar * kBar); ++row) {
    const char p = pattern[row % kBar];
    if (p < '0' || p > '6') continue;
    const Chord& c = ChordAt(chords, row / kBar);
    const int root = Place(c.root, 45);
    const int tones[7] = {root,      root + (c.minor ? 3 : 4),   root + 7,
                          root + 12, root + (c.minor ? 15 : 16), root + 19,
                          root + 24};
    s.Note(row, kChArp, tones[p - '0'], kPluck, level(row));
  }
}

// A melody on the lead from `startRow`; returns its notes for echoes.
std::vector<MelodyNote> Lead(Section& s, const std::string& text, int startRow, const Level& level,
                             bool* ok) {
  std::vector<MelodyNote> notes;
  if (!ParseMelody(text, &notes)) {
    *ok = false;
    return notes;
  }
  for (const MelodyNote& n : notes) {
    const int row = startRow + n.row;
    s.Note(row, kChLead, n.semis, kLead, level(row));
    if (n.release) s.Off(row + n.length, kChLead);
  }
  for (MelodyNote& n : notes) n.row += startRow;
  return notes;
}

// The melody again `delay` rows later, quieter and panned to one side: a
// tape echo. Panning is the effect column's set-panning (8xx).
// Notes that start before `fromRow` get no echo.
void Echo(Section& s, const std::vector<MelodyNote>& notes, int ch, int delay, const Level& level,
          uint8_t pan, int fromRow = 0) {
  for (const MelodyNote& n : notes) {
    if (n.row < fromRow) continue;
    const int row = n.row + delay;
    s.Note(row, ch, n.semis, kLead, level(row));
    s.Effect(row, ch, 0x8, pan);
    if (n.release) s.Off(row + n.length, ch);
  }
}

void Crash(Section& s, int row, int volume) { s.Drum(row, kChEcho, kCrash, volume); }

// ---- The melodies -------------------------------------------------------------

// Over Am F C G.
const char* const kThemeA =
    "E5:6 D5:2 C5:4 B4:2 C5:2 | A4:8 -:2 C5:2 F5:4 | E5:6 D5:2 C5:4 G4:4 |"
    " B4:6 C5:2 D5:4 -:4 |";
const char* const kThemeA2 =
    "E5:6 D5:2 C5:4 B4:2 C5:2 | A4:8 C5:4 F5:4 | G5:6 F5:2 E5:4 D5:2 C5:2 |"
    " D5:4 B4:4 G4:4 B4:4 |";
// The second peak, over Am F C G Am F: long high notes above the arpeggios.
const char* const kThemeB =
    "A5:12 G5:4 | F5:8 E5:4 C5:4 | E5:12 D5:4 | D5:8 B4:4 G5:4 |"
    " A5:12 B5:4 | C6:8 A5:4 -:4 |";
// The echo scenes: short calls that the echoes answer. Over F G Am Am F G.
const char* const kCalls =
    "C5:3 A4:3 F5:6 -:4 | D5:3 B4:3 G5:6 -:4 | E5:12 -:4 | -:8 C5:2 D5:2 E5:4 |"
    " F5:6 E5:2 C5:8 | D5:12 -:4 |";
// The bridge, over Dm F E.
const char* const kBridge = "F5:3 D5:3 A4:6 -:4 | C5:3 A4:3 F5:6 -:4 | E5:3 B4:3 G#4:8 -:2 |";
// The farewell, over Am F.
const char* const kFarewell = "E5:6 D5:2 C5:8 | A4:12 -:4 |";

// ---- The sections -------------------------------------------------------------

struct Context {
  bool ok = true;
  std::vector<Chord> Chords(const char* text) {
    std::vector<Chord> c;
    if (!ParseChords(text, &c)) ok = false;
    if (c.empty()) c.push_back(Chord{9, true});
    return c;
  }
};

// Bells: a few chord tones high up, every six rows, for the calm parts.
void Bells(Section& s, const std::vector<Chord>& chords, int fromBar, int toBar,
           const Level& level) {
  Arp(s, chords, "5.....4.....6...", fromBar, toBar, level);
}

// 0, glow opening (12.3 s): pads alone, swelling, with bells joining.
void Opening(Section& s, Context& x) {
  const auto chords = x.Chords("Am Am F F C G");
  Pads(s, chords, 0, s.Bars(), Ramp(0, 10, 48, 34));
  Bells(s, chords, 2, s.Bars(), Ramp(32, 8, 90, 18));
}

// 1, logo (11.7 s): the bass enters under the pads.
void Logo(Section& s, Context& x) {
  const auto chords = x.Chords("Am F C G Am F");
  Pads(s, chords, 0, s.Bars(), Flat(34));
  Bass(s, chords, "R-------------F-", 0, s.Bars(), Ramp(0, 30, 64, 44));
  Bells(s, chords, 0, s.Bars(), Flat(16));
}

// 2, flying object (17 s): hi-hats, then a groove; a roll into the tunnel.
void Flight(Section& s, Context& x) {
  const auto chords = x.Chords("Am F C G Am F C G E");
  Pads(s, chords, 0, s.Bars(), Flat(30));
  Bass(s, chords, "R..R..O.R..R..OF", 0, s.Bars(), Flat(42));
  Beat(s, kHatsOnly, 0, 4, 80);
  Beat(s, kGroove, 4, 8, 90);
  Bells(s, chords, 0, 4, Flat(14));
  Arp(s, chords, "0.2.3.2.0.2.3.2.", 4, 8, Flat(14));
  Fill(s, 8 * kBar, s.Rows(), 90);
}

// 3, tunnel (41 s): the full beat and the theme, twice over; the first peak.
void Tunnel(Section& s, Context& x) {
  const auto chords = x.Chords("Am F C G Am F C G Am F C G Am F C G Am F C G F");
  Pads(s, chords, 0, s.Bars(), Flat(30));
  Bass(s, chords, "R.O.R.O.R.O.R.OF", 0, s.Bars(), Flat(44));
  Beat(s, kFull, 0, s.Bars(), 100);
  for (int bar : {0, 4, 8}) Crash(s, bar * kBar, 34);
  for (int bar : {3, 11, 19}) Fill(s, bar * kBar + 12, bar * kBar + 16, 90);
  Fill(s, 21 * kBar, s.Rows(), 100);
  Lead(s, kThemeA, 4 * kBar, Flat(49), &x.ok);
  Lead(s, kThemeA2, 8 * kBar, Flat(49), &x.ok);
  std::vector<MelodyNote> third = Lead(s, kThemeA, 12 * kBar, Flat(52), &x.ok);
  std::vector<MelodyNote> fourth = Lead(s, kThemeA2, 16 * kBar, Flat(52), &x.ok);
  Lead(s, "A4:12 -:4 |", 20 * kBar, Flat(49), &x.ok);
  Echo(s, third, kChEcho, 3, Flat(16), 0xC0);
  Echo(s, fourth, kChEcho, 3, Flat(16), 0xC0);
  Arp(s, chords, "..3...4...3...5.", 12, 20, Flat(18));
}

// 4, crab (12.1 s): breakdown, bass and percussion only.
void Crab(Section& s, Context& x) {
  const auto chords = x.Chords("Dm Am F E Dm Am E");
  Bass(s, chords, "R..R..x.R.O..Rx.", 0, s.Bars(), Flat(44));
  Beat(s, kBreak, 0, s.Bars(), 80);
  Fill(s, 6 * kBar, s.Rows(), 90);
}

// 5, particles (11.5 s): the second peak, arpeggios racing under theme B.
void Particles(Section& s, Context& x) {
  const auto chords = x.Chords("Am F C G Am F");
  Crash(s, 0, 36);
  Pads(s, chords, 0, s.Bars(), Flat(30));
  Bass(s, chords, "R.O.R.O.R.O.R.OF", 0, s.Bars(), Flat(44));
  Beat(s, kFullDrive, 0, s.Bars(), 100);
  Arp(s, chords, "0123432101234565", 0, s.Bars(), Flat(24));
  std::vector<MelodyNote> b = Lead(s, kThemeB, 0, Flat(49), &x.ok);
  Echo(s, b, kChEcho, 3, Flat(15), 0xC0, kBar);
  Fill(s, 5 * kBar + 12, s.Rows(), 90);
}

// 6, echo (11.4 s): half-time; calls and their double echo.
void EchoScene(Section& s, Context& x) {
  const auto chords = x.Chords("F G Am Am F G");
  Pads(s, chords, 0, s.Bars(), Flat(28));
  Bass(s, chords, "R.......x.R...F.", 0, s.Bars(), Flat(42));
  Beat(s, kHalf, 0, s.Bars(), 85);
  std::vector<MelodyNote> calls = Lead(s, kCalls, 0, Flat(47), &x.ok);
  Echo(s, calls, kChEcho, 3, Flat(20), 0xC8);
  Echo(s, calls, kChArp, 6, Flat(11), 0x38);
}

// 7, tumbling object (17.7 s): the theme returns over a steady beat.
void Tumbling(Section& s, Context& x) {
  const auto chords = x.Chords("G Am F C G Am F C G G");
  Pads(s, chords, 0, s.Bars(), Flat(28));
  Bass(s, chords, "R..R..O.R..R..OF", 0, s.Bars(), Flat(42));
  Beat(s, kHalf, 0, 1, 85);
  Beat(s, kSteady, 1, s.Bars(), 85);
  Lead(s, kThemeA, 1 * kBar, Flat(44), &x.ok);
  std::vector<MelodyNote> a2 = Lead(s, kThemeA2, 5 * kBar, Flat(44), &x.ok);
  Echo(s, a2, kChEcho, 3, Flat(14), 0xC0);
  Fill(s, 9 * kBar, s.Rows(), 85);
}

// 8, echo again (5.75 s): a short bridge that turns towards the dominant.
void Bridge(Section& s, Context& x) {
  const auto chords = x.Chords("Dm F E");
  Pads(s, chords, 0, s.Bars(), Flat(28));
  Bass(s, chords, "R.......x.R...F.", 0, s.Bars(), Flat(40));
  Beat(s, kHalf, 0, s.Bars(), 75);
  std::vector<MelodyNote> calls = Lead(s, kBridge, 0, Flat(44), &x.ok);
  Echo(s, calls, kChEcho, 3, Flat(20), 0xC8);
  Echo(s, calls, kChArp, 6, Flat(11), 0x38);
}

// 9, game piece (17.5 s): a calm groove with slow arpeggios.
void GamePiece(Section& s, Context& x) {
  const auto chords = x.Chords("Am F C G Am F C G Am");
  Pads(s, chords, 0, s.Bars(), Flat(26));
  Bass(s, chords, "R..R..O.R..R..OF", 0, s.Bars(), Flat(36));
  Beat(s, kCalm, 0, s.Bars(), 80);
  Bells(s, chords, 0, 4, Flat(14));
  Arp(s, chords, "0.2.4.2.3.2.4.2.", 4, s.Bars(), Flat(16));
}

// 10, stepped glow (23.3 s): the last build, from the calm groove to the
// full beat with the theme and its echo, louder bar by bar.
void LastBuild(Section& s, Context& x) {
  const auto chords = x.Chords("Am F C G Am F C G Am F C G G");
  Pads(s, chords, 0, s.Bars(), Ramp(0, 26, 12 * kBar, 34));
  Bass(s, chords, "R..R..O.R..R..OF", 0, 4, Flat(38));
  Bass(s, chords, "R.O.R.O.R.O.R.OF", 4, s.Bars(), Ramp(4 * kBar, 40, 12 * kBar, 46));
  Beat(s, kCalm, 0, 4, 80);
  Beat(s, kSteady, 4, 8, 90);
  Beat(s, kFull, 8, s.Bars(), 100);
  Arp(s, chords, "0.2.4.2.3.2.4.2.", 0, 4, Flat(16));
  Arp(s, chords, "0123432101234565", 4, s.Bars(), Ramp(4 * kBar, 16, 12 * kBar, 24));
  Lead(s, kThemeA, 4 * kBar, Flat(44), &x.ok);
  std::vector<MelodyNote> a2 = Lead(s, kThemeA2, 8 * kBar, Flat(52), &x.ok);
  Echo(s, a2, kChEcho, 3, Flat(16), 0xC0);
  Crash(s, 4 * kBar, 34);
  Fill(s, 11 * kBar + 8, s.Rows(), 100);
}

// 11, closing card (12.65 s): a last hit, the farewell phrase, then pads and
// bells fading out.
void Closing(Section& s, Context& x) {
  const auto chords = x.Chords("Am F G Am");
  const int end = s.Rows();
  Crash(s, 0, 36);
  s.Drum(0, kChKick, kKick, 54);
  Pads(s, chords, 0, s.Bars(), Ramp(0, 40, end - 1, 3));
  Bass(s, chords, "R---------------", 0, 3, Ramp(0, 40, 3 * kBar, 20));
  s.Off(3 * kBar + 8, kChBass);
  std::vector<MelodyNote> farewell = Lead(s, kFarewell, 0, Flat(36), &x.ok);
  Echo(s, farewell, kChArp, 3, Flat(12), 0xC0);
  Bells(s, chords, 2, s.Bars(), Ramp(2 * kBar, 16, end - 1, 2));
}

// The tail after the last scene: every channel silenced at once.
void Tail(Section& s) {
  for (int ch = 0; ch < kChannels; ++ch) {
    s.Off(0, ch);
    s.Volume(0, ch, 0);
  }
}

}  // namespace

std::string Compose(xm::XmModule* module) {
  xm::XmModule m;
  m.name = "velmora . tarsk";
  m.tracker = "velmora";
  m.channels = kChannels;
  m.linearFrequencies = true;
  m.instruments = MakeInstruments();
  if (int(m.instruments.size()) != kInstrumentCount) return "wrong number of instruments";

  using Writer = void (*)(Section&, Context&);
  static_assert(kSceneEnds.size() == 12, "one writer per scene");
  const Writer writers[12] = {Opening,   Logo,     Flight, Tunnel,    Crab,      Particles,
                              EchoScene, Tumbling, Bridge, GamePiece, LastBuild, Closing};
  Context context;
  int tick = 0;
  for (size_t i = 0; i <= kSceneEnds.size(); ++i) {
    const int end = i < kSceneEnds.size() ? xm::SecondsToTicks(kSceneEnds[i])
                                          : xm::SecondsToTicks(kSceneEnds.back() + kTailSeconds);
    xm::XmSection placed;
    if (!xm::AppendSection(m, end - tick, kChKick, &placed))
      return "cannot lay out section " + std::to_string(i);
    tick = end;
    Section section(m, placed);
    if (i < kSceneEnds.size()) {
      writers[i](section, context);
      // Whatever still sounds from the previous scene on a melodic channel
      // that this one does not start anew is released on its first row.
      for (int ch : {kChBass, kChPad, kChArp, kChLead, kChEcho}) section.Off(0, ch);
      if (!context.ok)
        return "a chord or melody of section " + std::to_string(i) + " does not parse";
    } else {
      Tail(section);
      // A player that loops goes back to the silent tail, never to the start.
      m.restartPosition = section.FirstOrder();
    }
  }
  const std::string fault = xm::CheckXm(m);
  if (!fault.empty()) return fault;
  *module = std::move(m);
  return {};
}

}  // namespace music
}  // namespace content
