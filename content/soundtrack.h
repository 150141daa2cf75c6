// The soundtrack, "demomusic.xm": synthesized instruments and a score laid
// out in sections that end exactly where the scenes end.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "content/xm_writer.h"

namespace content {
namespace music {

// Instrument numbers as the patterns name them (1-based, in this order in
// the module).
enum Instrument : uint8_t {
  kKick = 1,
  kSnare,
  kHat,
  kOpenHat,
  kCrash,
  kBass,
  kPadMinor,
  kPadMajor,
  kPluck,
  kLead,
};
constexpr int kInstrumentCount = 10;

// The tonal instruments are tuned alike: note n sounds at the same pitch on
// each of them. Drums play at their natural rate on C-4.
constexpr int kDrumNote = 49;  // C-4

// All instruments, in the order of `Instrument`.
std::vector<xm::XmInstrument> MakeInstruments();

// Demo time in seconds at which each scene ends; the music's sections end
// there too. A short silent tail follows the last one.
constexpr std::array<double, 12> kSceneEnds = {12.3,  24.0,   41.0,   82.0,   94.12,  105.64,
                                               117.0, 134.74, 140.49, 157.97, 181.25, 193.9};
constexpr double kTailSeconds = 0.5;

// Builds the whole module. "" on success, else what went wrong.
std::string Compose(xm::XmModule* module);

}  // namespace music
}  // namespace content
