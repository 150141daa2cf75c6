// The soundtrack, "demomusic.xm": synthesized instruments and a score laid
// out in sections that end exactly where the scenes end.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "content/xm_writer.h"
#include "timeline/show/show.h"

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

// Demo time in seconds at which each scene of the show's table ends, the
// last one at the end of the run; the music's sections end there too. A
// short silent tail follows the last one.
constexpr std::array<double, show::kScenes.size()> SceneEnds() {
  std::array<double, show::kScenes.size()> ends{};
  for (size_t i = 0; i < ends.size(); ++i) ends[i] = double(show::SceneShownUntil(i));
  return ends;
}
constexpr std::array<double, show::kScenes.size()> kSceneEnds = SceneEnds();
constexpr double kTailSeconds = 0.5;

// Builds the whole module. "" on success, else what went wrong.
std::string Compose(xm::XmModule* module);

}  // namespace music
}  // namespace content
