// Renders a tracker module offline, faster than real time, for exports.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Renders the first `frames` sample frames of module file `moduleFile` as
// 16-bit stereo at `sampleRate` into the WAV file `wavPath`; past the end of
// the song it writes silence, so the file always holds exactly `frames`.
// The file is written under a temporary name and claimed when whole (see
// platform/claim.h): without `replace` a file at `wavPath` is never
// replaced. False, with the reason, when the module cannot be loaded, the
// file cannot be written or the run is interrupted (SIGINT or SIGTERM)
// meanwhile. Messages name the file `shownName` (`wavPath` when empty): the
// user's output that the WAV belongs to, rather than a hidden name.
bool RenderModuleToWav(const std::string& moduleFile, uint64_t frames, int sampleRate,
                       const std::string& wavPath, bool replace, const std::string& shownName,
                       std::string* reason);

}  // namespace platform
